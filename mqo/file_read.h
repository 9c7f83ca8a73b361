// The one read of document, image and package bytes from an open file:
// interrupted reads are taken up again, and a read that fails is told from
// the end of the file. Not installed; no GL.
#ifndef MQO_FILE_READ_H
#define MQO_FILE_READ_H

#include <cstddef>
#include <cstdio>

namespace mqo::detail {

// Reads up to n bytes into buffer and returns how many it read: fewer than
// n only at the end of the file or when reading failed, and then *failed
// (when not null) is set true; it is left as it was otherwise. Reads cut
// short or interrupted (EINTR) are taken up again.
size_t mqoFileRead(FILE* file, void* buffer, size_t n, bool* failed);

}  // namespace mqo::detail

#endif  // MQO_FILE_READ_H
