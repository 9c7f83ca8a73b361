// Standard output sent to /dev/null while in scope: the library's messages
// would flood the fuzzer's output.
#ifndef MQO_TESTS_FUZZ_QUIET_STDOUT_H
#define MQO_TESTS_FUZZ_QUIET_STDOUT_H

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

struct QuietStdout {
    int saved;
    QuietStdout() {
        std::fflush(stdout);
        saved = dup(1);
        int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, 1);
        close(devNull);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;
};

#endif  // MQO_TESTS_FUZZ_QUIET_STDOUT_H
