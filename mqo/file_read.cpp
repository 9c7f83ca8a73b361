// MqoModel: reading an open file to its end, through interruptions.
#include "mqo/file_read.h"

#include <cerrno>

namespace mqo::detail {

size_t mqoFileRead(FILE* file, void* buffer, size_t n, bool* failed) {
    auto* to = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < n) {
        errno = 0;
        const size_t got = std::fread(to + done, 1, n - done, file);
        done += got;
        if (done == n || std::feof(file)) break;
        if (std::ferror(file)) {
            if (errno != EINTR) {
                if (failed != nullptr) *failed = true;
                break;
            }
            std::clearerr(file);  // interrupted: nothing lost, read on
        } else if (got == 0) {
            break;  // neither end nor error: stop rather than spin
        }
    }
    return done;
}

}  // namespace mqo::detail
