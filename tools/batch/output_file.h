// Writing an output file whole or not at all.
#pragma once

#include <cstddef>
#include <string>

// Writes size bytes to path. A regular file (or a new one) is written under
// a temporary name in its folder and renamed over path, so a failed write (a
// full disk) leaves the old file as it was, or none, and no temporary. A
// device, a symbolic link, or a folder that takes no temporary is written
// directly, every write and the close checked (a partial regular file is
// removed). False with *error set to the system's reason.
bool writeOutputFile(const std::string& path, const void* bytes, size_t size, std::string* error);
