// Pieces the benchmark programs share: the median of a run's figures, the
// character's frame files in the order ambletoe loads them, and the
// process's own memory figures.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/motions.h"

namespace benchsupport {

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Every frame of every motion in dir, motion by motion.
inline std::vector<std::string> characterFramePaths(const std::string& dir) {
    std::vector<std::string> paths;
    for (int m = 0; m < ambletoe::kMotionCount; ++m)
        for (int f = 0; f < ambletoe::kMotions[m].frames; ++f)
            paths.push_back(ambletoe::frameFilePath(dir, m, f));
    return paths;
}

// A field of /proc/self/status in KiB ("VmRSS", "RssAnon"); 0 when absent.
inline long statusKiB(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return 0;
    char line[256];
    long value = 0;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            value = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return value;
}

}  // namespace benchsupport
