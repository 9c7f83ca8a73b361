#include "batch/progress.h"

#include <cstdio>

void showProgress(bool terminal, size_t done, size_t total, const std::string& name) {
    if (!terminal) {
        std::printf("%zu/%zu %s\n", done, total, name.c_str());
        std::fflush(stdout);
        return;
    }
    const int width = 30;
    const int filled = static_cast<int>(done * width / (total > 0 ? total : 1));
    std::printf("\r[%.*s%*s] %zu/%zu", filled, "##############################", width - filled, "",
                done, total);
    if (done == total) std::printf("\n");
    std::fflush(stdout);
}
