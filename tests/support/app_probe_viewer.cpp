// A viewer entry for recorder test programs: instead of opening a window it
// reports the recorded script, appends the final wait as the real viewer does
// and returns, so the process goes on ending normally. A second registration
// would show as a second report.
#include <cstdio>

#include "commands.h"
#include "platform.h"
#include "viewer.h"

static int viewerRuns;

static void report(const char* when) {
    const CommandBuffer& b = commandBuffer;
    printf("%s: run %d count %d", when, viewerRuns, static_cast<int>(b.count));
    if (b.count > 0 && b.count <= 64)
        printf(" codes %.*s", static_cast<int>(b.count), b.codes);
    else if (b.count > 0)
        printf(" last %c", b.codes[b.count - 1]);
    printf("\n");
}

void viewerMain(void) {
    ++viewerRuns;
    report("viewer");
    fflush(stdout);
    cmdWait();
    report("after wait");
    fflush(stdout);
}

// Playback is linked in but never runs here.
void onDisplay(void) {}
void sleepMilliseconds(int) {}
