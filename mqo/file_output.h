// Files written whole or not at all: the glTF writer's and the converters'
// outputs (the tools build this file too). Not installed; no GL.
#ifndef MQO_FILE_OUTPUT_H
#define MQO_FILE_OUTPUT_H

#include <cstddef>
#include <string>

namespace mqo::detail {

// Writes size bytes to path whole or not at all: a regular file (or a new
// one) under a temporary name beside it, renamed over it; a device, a link,
// or a folder that takes no temporary directly, every write checked (a
// partial regular file removed). False with errno set; the old file stays
// when the temporary could be made.
bool mqoWriteWholeFile(const std::string& path, const void* bytes, size_t size);

}  // namespace mqo::detail

#endif  // MQO_FILE_OUTPUT_H
