// Files the writer makes are written whole or not at all: under a temporary
// name beside the output, renamed over it once every byte is out.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "mqo/file_output.h"

namespace mqo::detail {

namespace {

bool writeAll(int fd, const unsigned char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            if (w == 0) errno = EIO;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Writes and closes fd; errno is the first failure's.
bool writeAndClose(int fd, const void* bytes, size_t size) {
    bool ok = writeAll(fd, static_cast<const unsigned char*>(bytes), size);
    int saved = errno;
    // Some file systems tell of a full disk only at the close.
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    errno = saved;
    return ok;
}

// A new file beside path that no one else has; -1 when the folder takes none.
int openTemporary(const std::string& path, std::string* name) {
    static std::atomic<unsigned> counter{0};  // calls may come from several threads
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int tries = 0; tries < 100; ++tries) {
        *name = folder + "." + base + "." + std::to_string(getpid()) + "-" +
                std::to_string(counter++) + ".tmp";
        const int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

bool mqoWriteWholeFile(const std::string& path, const void* bytes, size_t size) {
    struct stat old = {};
    const bool exists = ::lstat(path.c_str(), &old) == 0;
    const bool regular = !exists || S_ISREG(old.st_mode);
    std::string temporary;
    int fd = regular ? openTemporary(path, &temporary) : -1;
    if (fd >= 0) {
        // The replaced file's permissions carry over, as a write into it keeps them.
        if (exists) (void)::fchmod(fd, old.st_mode & 07777);
        if (writeAndClose(fd, bytes, size) && ::rename(temporary.c_str(), path.c_str()) == 0) {
            return true;
        }
        const int saved = errno;
        ::unlink(temporary.c_str());
        errno = saved;
        return false;
    }
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    if (writeAndClose(fd, bytes, size)) return true;
    const int saved = errno;
    // A partial file is worse than none; a device or a link's target stays.
    if (regular) ::unlink(path.c_str());
    errno = saved;
    return false;
}

}  // namespace mqo::detail
