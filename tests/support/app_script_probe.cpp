// A script for the recorder tests: records the commands named on its command
// line, "walk N" (N walks), "each" (one of each command), or nothing, then
// returns from main like the real script.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"

int main(int argc, char** argv) {
    if (argc >= 3 && strcmp(argv[1], "walk") == 0) {
        long n = strtol(argv[2], nullptr, 10);
        for (long i = 0; i < n; ++i) cmdWalk();
    } else if (argc >= 2 && strcmp(argv[1], "each") == 0) {
        cmdWalk();
        cmdRun();
        cmdTurn();
        cmdWait();
    }
    // Marks where main's own messages end and the exit sequence begins.
    fputs("main returns\n", stderr);
    return 0;
}
