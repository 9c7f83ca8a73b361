// The batch converters' progress: a bar redrawn in place on a terminal, a
// line a file otherwise (so logs and pipes read plainly).
#pragma once

#include <cstddef>
#include <string>

// Shows that done of total inputs are through, name the last one.
void showProgress(bool terminal, size_t done, size_t total, const std::string& name);
