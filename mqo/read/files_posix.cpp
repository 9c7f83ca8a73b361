// MqoModel: opening, removing and asking about files, where names are bytes
// the system takes as they are.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

FILE* mqoOpenFile(const char* path, const char* mode) { return std::fopen(path, mode); }

// A directory opens too on this system, and O_NONBLOCK keeps a FIFO met on
// the way from stalling the open (it changes nothing for the regular files
// kept).
FILE* mqoOpenRegularFile(const char* path) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (file == nullptr) close(fd);
    return file;
}

int mqoRemoveFile(const char* path) { return std::remove(path); }

int mqoPathStatus(const char* path, bool* folder) {
    struct stat st;
    if (stat(path, &st) != 0) return errno;
    *folder = S_ISDIR(st.st_mode);
    return 0;
}

}  // namespace mqo::detail
