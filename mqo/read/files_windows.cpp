// MqoModel: opening, removing and asking about files on Windows. Names are
// UTF-8 and reach the system through its wide-character calls, so that any
// name, and a long one, opens; a name that is not UTF-8 is read in the
// system's code page, as the narrow calls would have read it.
#include <errno.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Long names need the \\?\ form, which takes a full path with backslashes
// only; shorter ones are left as written, so that relative names and '/'
// keep their usual meaning.
const size_t kShortPath = 240;

std::wstring widen(const char* text, UINT codePage, DWORD flags) {
    const int n = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n) - 1);
    return wide;
}

std::wstring longForm(const std::wstring& path) {
    if (path.size() < kShortPath || path.compare(0, 4, L"\\\\?\\") == 0) return path;
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    const DWORD got = GetFullPathNameW(path.c_str(), n, &full[0], nullptr);
    if (got == 0 || got >= n) return path;
    full.resize(got);
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// The name as the wide calls take it; empty when it does not convert.
std::wstring systemName(const char* path) {
    std::wstring wide = widen(path, CP_UTF8, MB_ERR_INVALID_CHARS);
    if (wide.empty()) wide = widen(path, CP_ACP, 0);
    return wide.empty() ? wide : longForm(wide);
}

}  // namespace

FILE* mqoOpenFile(const char* path, const char* mode) {
    const std::wstring name = systemName(path), wideMode = widen(mode, CP_UTF8, 0);
    if (name.empty() || wideMode.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    return _wfopen(name.c_str(), wideMode.c_str());
}

// Folders do not open here; devices (CON, NUL) do, and are no texture.
FILE* mqoOpenRegularFile(const char* path) {
    FILE* file = mqoOpenFile(path, "rb");
    if (file == nullptr) return nullptr;
    struct _stat64 st;
    if (_fstat64(_fileno(file), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

int mqoRemoveFile(const char* path) {
    const std::wstring name = systemName(path);
    return name.empty() ? -1 : _wremove(name.c_str());
}

int mqoPathStatus(const char* path, bool* folder) {
    const std::wstring name = systemName(path);
    if (name.empty()) return ENOENT;
    struct _stat64 st;
    if (_wstat64(name.c_str(), &st) != 0) return errno;
    *folder = (st.st_mode & _S_IFMT) == _S_IFDIR;
    return 0;
}

}  // namespace mqo::detail
