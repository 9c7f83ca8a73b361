// MqoModel: Shift_JIS to UTF-8 and the console, on Windows, through the
// system's own code-page tables.
//
// The library's messages stay UTF-8 here and the console is switched to
// UTF-8, rather than the messages being written in Shift_JIS for a
// code-page-932 console: the names they quote are UTF-8 and may hold
// characters Shift_JIS has no code for, a Shift_JIS message reads as
// garbage on a console of any other code page, and output sent to a file or
// a pipe is then the same bytes on every system.
#include <windows.h>

#include <mutex>
#include <string>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// The length of text without a lead byte that ends it alone: the character
// it began was cut off.
size_t withoutCutCharacter(const char* text, size_t n) {
    size_t i = 0;
    while (i < n) i += IsDBCSLeadByteEx(932, static_cast<BYTE>(text[i])) ? 2 : 1;
    return i > n ? n - 1 : n;
}

}  // namespace

bool mqoCp932ToUtf8(const char* text, size_t n, char* out, size_t outSize, bool dropCut) {
    out[0] = '\0';
    if (dropCut) n = withoutCutCharacter(text, n);
    if (n == 0) return true;
    if (outSize < 2 || n > 0x7fffffff || outSize > 0x7fffffff) return false;
    const int wide =
        MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text, static_cast<int>(n), nullptr, 0);
    if (wide <= 0) return false;
    std::wstring units(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text, static_cast<int>(n), &units[0], wide);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, units.data(), wide, out,
                                          static_cast<int>(outSize) - 1, nullptr, nullptr);
    if (bytes <= 0) {
        out[0] = '\0';
        return false;
    }
    out[bytes] = '\0';
    return true;
}

void mqoPrepareConsole() {
    static std::once_flag once;
    // Only a console is switched: a file or pipe takes the bytes as they are.
    std::call_once(once, [] {
        if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR) {
            SetConsoleOutputCP(CP_UTF8);
        }
    });
}

}  // namespace mqo::detail
