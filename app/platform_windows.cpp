// Sleeping and ending the process, on Windows.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform.h"

void sleepMilliseconds(int milliseconds) { Sleep(milliseconds > 0 ? milliseconds : 0); }

void endProcess(void) {
    // As on other systems: the viewer runs inside the exit sequence, so the
    // streams are flushed by hand and the process ends at once.
    fflush(stdout);
    fflush(stderr);
    _exit(0);
}
