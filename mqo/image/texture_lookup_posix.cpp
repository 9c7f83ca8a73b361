// MqoModel: finding a texture file where names are exact bytes. Documents
// made on Windows write backslash folders and any letter case; here both are
// mended one folder at a time, within fixed bounds.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "mqo/file_bytes.h"
#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Every path the library composes fits a pool slot; a longer result would
// name a different file if cut, so it fails instead.
const size_t PATH_BYTES = MQO_POOL_PATH_SIZE;
// A hostile name cannot make the lookup read more than this many folders,
// nor more than this many entries of one folder.
const int MOST_COMPONENTS = 64;
const int MOST_ENTRIES = 4096;

// name equals the n bytes at part, ASCII letters in either case.
bool sameIgnoringCase(const char* name, const char* part, size_t n) {
    return mqoSameIgnoringCase(name, part, n) && name[n] == '\0';
}

// Appends n bytes of part to path (length *length) after a separator; false,
// leaving path as it was, when the result and its terminator would not fit.
bool appendComponent(char* path, size_t* length, const char* part, size_t n) {
    size_t separator = *length > 0 && path[*length - 1] != '/' ? 1 : 0;
    if (separator + n + 1 > PATH_BYTES - *length) return false;
    if (separator) path[(*length)++] = '/';
    std::memcpy(path + *length, part, n);
    *length += n;
    path[*length] = '\0';
    return true;
}

// Finds the entry of folder ("" for the working folder) equal to part's n
// bytes in ASCII case, the first in strcmp order when several are, so the
// choice does not hang on the order the folder lists them. False when none
// is, the folder cannot be read or holds more than MOST_ENTRIES entries.
bool findIgnoringCase(const char* folder, const char* part, size_t n, char (&found)[PATH_BYTES]) {
    DIR* dir = opendir(folder[0] != '\0' ? folder : ".");
    if (dir == nullptr) return false;
    bool any = false;
    int entries = 0;
    while (const dirent* e = readdir(dir)) {
        if (++entries > MOST_ENTRIES) {
            any = false;
            break;
        }
        // A match has part's length (n < PATH_BYTES), so it fits found.
        if (sameIgnoringCase(e->d_name, part, n) && (!any || std::strcmp(e->d_name, found) < 0)) {
            std::memcpy(found, e->d_name, n + 1);
            any = true;
        }
    }
    closedir(dir);
    return any;
}

// Rewrites path (a copy, backslashes already made '/') one component at a
// time into resolved; false when a component is missing or a bound is met.
bool resolveIgnoringCase(const char* path, char (&resolved)[PATH_BYTES]) {
    size_t length = 0;
    resolved[0] = '\0';
    if (path[0] == '/') {
        resolved[length++] = '/';
        resolved[length] = '\0';
    }
    int components = 0;
    for (const char* at = path; *at != '\0';) {
        const char* end = std::strchr(at, '/');
        if (end == nullptr) end = at + std::strlen(at);
        const size_t n = static_cast<size_t>(end - at);
        const char* part = at;
        at = *end == '/' ? end + 1 : end;
        if (n == 0 || (n == 1 && part[0] == '.')) continue;
        if (++components > MOST_COMPONENTS) return false;

        const size_t folderLength = length;
        if (!appendComponent(resolved, &length, part, n)) return false;
        struct stat st;
        if ((n == 2 && part[0] == '.' && part[1] == '.') || lstat(resolved, &st) == 0) continue;

        // Not there as written: look through the folder for it in any case.
        char found[PATH_BYTES];
        length = folderLength;
        resolved[length] = '\0';
        if (!findIgnoringCase(resolved, part, n, found)) return false;
        if (!appendComponent(resolved, &length, found, n)) return false;
    }
    return components > 0;
}

}  // namespace

FILE* mqoOpenTextureFileAs(const char* path, unsigned how) {
    FILE* file =
        (how & MQO_LOOKUP_REGULAR) != 0 ? mqoOpenRegularFile(path) : mqoOpenFile(path, "rb");
    if (file != nullptr || std::strchr(path, ':') != nullptr) return file;

    if (std::strlen(path) >= PATH_BYTES) return nullptr;
    char converted[PATH_BYTES];
    mqoSlashFolders(path, converted, (how & MQO_LOOKUP_SHIFT_JIS) != 0);
    const bool hadBackslash = std::strcmp(converted, path) != 0;
    if (hadBackslash && (file = mqoOpenRegularFile(converted)) != nullptr) return file;

    char resolved[PATH_BYTES];
    if (!resolveIgnoringCase(converted, resolved)) return nullptr;
    return mqoOpenRegularFile(resolved);
}

}  // namespace mqo::detail
