// Folder names are UTF-8, as the library's are, and go through the wide
// calls.
#include <errno.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "batch/system.h"

int makeFolder(const std::string& path) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (n <= 0) return EINVAL;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], n);
    return _wmkdir(wide.c_str()) == 0 || errno == EEXIST ? 0 : errno;
}

bool outputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

// The growth this stops was measured in the GNU C library's allocator; the
// Windows runtime's has no such threshold to set.
void keepLargeBlocksMapped() {}

void returnFreeMemory() {}
