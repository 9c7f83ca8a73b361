// Sleeping and ending the process.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform.h"

void sleepMilliseconds(int milliseconds) {
    // The standard library's sleep is the portable blocking sleep.
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void endProcess(void) {
    // The viewer runs inside the exit sequence, where calling exit again is
    // undefined. _exit ends the process directly; it skips stdio's own
    // flushing, so the streams are flushed by hand first.
    fflush(stdout);
    fflush(stderr);
    _exit(0);
}
