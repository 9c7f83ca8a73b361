// MqoModel: a texture file by the name a document gave it. Documents made
// on Windows write backslash folders; this reads them as folders, when
// asked with the backslash bytes that end Shift_JIS characters left inside
// them. Finding the file is the system's (texture_lookup_*.cpp).
#include <cstdio>
#include <cstring>

#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Shift_JIS: a lead byte, and the bytes that may follow one as its second.
bool shiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool shiftJisTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Copies the n bytes of part, not valid UTF-8, to out with backslashes made
// '/' but those that end a double-byte character.
void slashShiftJisPart(const char* part, size_t n, char* out) {
    for (size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(part[i]);
        out[i] = part[i] == '\\' ? '/' : part[i];
        if (shiftJisLead(b) && i + 1 < n &&
            shiftJisTrail(static_cast<unsigned char>(part[i + 1]))) {
            out[i + 1] = part[i + 1];
            ++i;
        }
    }
}

}  // namespace

void mqoSlashFolders(const char* path, char* out, bool shiftJis) {
    size_t at = 0;
    while (path[at] != '\0') {
        size_t end = at;
        while (path[end] != '\0' && path[end] != '/') ++end;
        // '/' is never part of a character, so each part is read on its own.
        if (shiftJis && !mqoIsUtf8Bytes(path + at, end - at)) {
            slashShiftJisPart(path + at, end - at, out + at);
        } else {
            for (size_t i = at; i < end; ++i) out[i] = path[i] == '\\' ? '/' : path[i];
        }
        if (path[end] == '/') out[end++] = '/';
        at = end;
    }
    out[at] = '\0';
}

FILE* mqoOpenTextureFile(const char* path) { return mqoOpenTextureFileAs(path, 0); }

}  // namespace mqo::detail
