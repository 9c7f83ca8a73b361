// MqoModel: a stdio FILE over bytes in memory that it owns, so a package
// entry reads like a texture file on disk (seeks included) and is freed by
// fclose. glibc lets stdio read through functions of ours.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

struct MemoryFile {
    unsigned char* bytes;
    size_t size;
    long long position;  // may lie past the end, where reads give nothing
};

ssize_t readMemory(void* cookie, char* buffer, size_t n) {
    auto* m = static_cast<MemoryFile*>(cookie);
    if (m->position >= static_cast<long long>(m->size)) return 0;
    const size_t left = m->size - static_cast<size_t>(m->position);
    if (n > left) n = left;
    std::memcpy(buffer, m->bytes + m->position, n);
    m->position += static_cast<long long>(n);
    return static_cast<ssize_t>(n);
}

int seekMemory(void* cookie, off64_t* offset, int whence) {
    auto* m = static_cast<MemoryFile*>(cookie);
    long long base = whence == SEEK_SET   ? 0
                     : whence == SEEK_CUR ? m->position
                     : whence == SEEK_END ? static_cast<long long>(m->size)
                                          : -1;
    if (base < 0) return -1;
    // base >= 0, so only a positive offset can overflow, and only here.
    if (*offset > 0 && base > LLONG_MAX - *offset) return -1;
    if (base + *offset < 0) return -1;
    m->position = base + *offset;
    *offset = m->position;
    return 0;
}

int closeMemory(void* cookie) {
    auto* m = static_cast<MemoryFile*>(cookie);
    std::free(m->bytes);
    std::free(m);
    return 0;
}

}  // namespace

FILE* mqoOpenMemoryFile(unsigned char* bytes, size_t size) {
    auto* m = static_cast<MemoryFile*>(mqoMalloc(sizeof(MemoryFile)));
    if (bytes == nullptr || m == nullptr) {
        std::free(bytes);
        std::free(m);
        return nullptr;
    }
    *m = MemoryFile{bytes, size, 0};
    cookie_io_functions_t io = {readMemory, nullptr, seekMemory, closeMemory};
    FILE* file = fopencookie(m, "rb", io);
    if (file == nullptr) closeMemory(m);
    return file;
}

}  // namespace mqo::detail
