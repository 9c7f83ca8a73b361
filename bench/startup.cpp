// Starts ambletoe (or any program that prints "Loading Models..." and then
// "Done.") on a terminal of its own, as a user starts it from a shell, and
// prints when the two texts appear, in ms from the start, then ends it.
// Usage: startup PROGRAM [RUNS]; run it in the program's folder, with DISPLAY
// set. Each figure is printed per run and as the median of the runs.
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

using benchsupport::median;

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One run: the times the two texts appeared, or negative when they did not
// within 60 seconds.
bool timeOneRun(const char* program, double* loading, double* done) {
    *loading = *done = -1;
    int terminal = -1;
    auto start = Clock::now();
    pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0) return false;
    if (child == 0) {
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    char buffer[4096];
    while (*done < 0 && msSince(start) < 60000) {
        ssize_t got = read(terminal, buffer, sizeof buffer);
        if (got <= 0) break;
        seen.append(buffer, static_cast<size_t>(got));
        if (*loading < 0 && seen.find("Loading Models...") != std::string::npos)
            *loading = msSince(start);
        if (*loading >= 0 && seen.find("Done.") != std::string::npos) *done = msSince(start);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(terminal);
    return *loading >= 0 && *done >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup PROGRAM [RUNS]\n");
        return 2;
    }
    int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    if (runs < 1) runs = 1;
    std::vector<double> before, loading;
    for (int run = 0; run < runs; ++run) {
        double shown, done;
        if (!timeOneRun(argv[1], &shown, &done)) {
            std::fprintf(stderr, "run %d: the program did not print both texts\n", run + 1);
            return 1;
        }
        before.push_back(shown);
        loading.push_back(done - shown);
        std::printf("run %d: \"Loading Models...\" after %6.1f ms, \"Done.\" %6.1f ms later\n",
                    run + 1, shown, done - shown);
    }
    std::printf("median of %d: start to \"Loading Models...\" %.1f ms, loading %.1f ms = %.2f x\n",
                runs, median(before), median(loading), median(loading) / median(before));
    return 0;
}
