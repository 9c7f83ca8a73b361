#include "batch/output_file.h"

#include <cerrno>
#include <cstring>

#include "mqo/file_output.h"

// The library's own writer, built into the tools from the same source: the
// converters and the glTF call replace files the same way.
bool writeOutputFile(const std::string& path, const void* bytes, size_t size, std::string* error) {
    if (mqo::detail::mqoWriteWholeFile(path, bytes, size)) return true;
    *error = std::strerror(errno);
    return false;
}
