// Pieces the benchmark programs share: the median of a run's figures and the
// character's frame files in the order ambletoe loads them.
#pragma once

#include <algorithm>
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

}  // namespace benchsupport
