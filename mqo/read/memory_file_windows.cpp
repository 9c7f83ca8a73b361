// MqoModel: a stdio FILE holding bytes from memory, so a package entry reads
// like a texture file on disk (seeks included). Windows' C library cannot
// read through functions of ours, so the bytes go to a temporary file that
// the system deletes when the FILE is closed; it stays in the cache, and is
// seldom written to disk at all.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// A new temporary file, open for reading and writing, gone once closed.
HANDLE temporaryFile() {
    wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH || GetTempFileNameW(folder, L"mqo", 0, name) == 0) {
        return INVALID_HANDLE_VALUE;
    }
    HANDLE file =
        CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) DeleteFileW(name);
    return file;
}

// Writes all size bytes to file, in pieces WriteFile can count.
bool writeAll(HANDLE file, const unsigned char* bytes, size_t size) {
    while (size > 0) {
        const DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, bytes, piece, &written, nullptr) || written == 0) return false;
        bytes += written;
        size -= written;
    }
    return true;
}

}  // namespace

FILE* mqoOpenMemoryFile(unsigned char* bytes, size_t size) {
    if (bytes == nullptr) return nullptr;
    HANDLE handle = temporaryFile();
    const bool written = handle != INVALID_HANDLE_VALUE && writeAll(handle, bytes, size) &&
                         SetFilePointer(handle, 0, nullptr, FILE_BEGIN) == 0;
    std::free(bytes);
    if (!written) {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* file = _fdopen(fd, "rb");
    if (file == nullptr) _close(fd);
    return file;
}

}  // namespace mqo::detail
