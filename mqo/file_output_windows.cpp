// Files the writer makes are written whole or not at all, on Windows: under
// a temporary name beside the output, moved over it once every byte is out.
// Names are UTF-8 and reach the system through its wide-character calls.
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "mqo/file_output.h"

namespace mqo::detail {

namespace {

std::wstring wide(const std::string& text) {
    UINT page = CP_UTF8;
    int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0);
    if (n <= 0) n = MultiByteToWideChar(page = CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(page, page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0, text.c_str(), -1, &out[0],
                        n);
    out.resize(static_cast<size_t>(n) - 1);
    return out;
}

bool writeAndClose(HANDLE file, const void* bytes, size_t size) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    bool ok = true;
    while (ok && size > 0) {
        const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD wrote = 0;
        ok = WriteFile(file, p, want, &wrote, nullptr) != 0 && wrote > 0;
        p += wrote;
        size -= wrote;
    }
    return CloseHandle(file) != 0 && ok;
}

// errno for the system's last error, as the tools print it.
bool fail() {
    const DWORD error = GetLastError();
    errno = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? ENOSPC
            : error == ERROR_ACCESS_DENIED                              ? EACCES
            : error == ERROR_PATH_NOT_FOUND                             ? ENOENT
                                                                        : EIO;
    return false;
}

}  // namespace

bool mqoWriteWholeFile(const std::string& path, const void* bytes, size_t size) {
    static std::atomic<unsigned> counter{0};  // calls may come from several threads
    const std::wstring target = wide(path);
    if (target.empty()) {
        errno = ENOENT;
        return false;
    }
    const size_t slash = target.find_last_of(L"/\\");
    const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
    const std::wstring base = slash == std::wstring::npos ? target : target.substr(slash + 1);
    for (int tries = 0; tries < 100; ++tries) {
        const std::wstring temporary = folder + L"." + base + L"." +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(counter++) + L".tmp";
        HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            break;  // the folder takes no temporary: write the output directly
        }
        if (writeAndClose(file, bytes, size) &&
            MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) {
            return true;
        }
        fail();
        DeleteFileW(temporary.c_str());
        return false;
    }
    HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return fail();
    return writeAndClose(file, bytes, size) || fail();
}

}  // namespace mqo::detail
