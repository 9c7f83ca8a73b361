// MqoModel: a file inside a .mqoz package found by the name a document
// gives it: as written, then with Windows folders and any letter case.
#include <cstring>

#include "mqo/file_bytes.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Names that do not fit a pool slot are never looked up nor matched.
const size_t NAME_BYTES = MQO_POOL_PATH_SIZE;

bool sameIgnoringCase(const char* a, const char* b) {
    const size_t n = std::strlen(a);
    return mqoSameIgnoringCase(a, b, n) && b[n] == '\0';
}

// Writes name with backslashes as '/', without "." and empty components, and
// with each ".." taking away the component before it. False when a ".."
// would leave the archive or the name does not fit.
bool normalise(const char* name, char (&out)[NAME_BYTES]) {
    const size_t length = std::strlen(name);
    if (length >= NAME_BYTES) return false;
    size_t used = 0;
    for (size_t at = 0; at < length;) {
        size_t end = at;
        while (end < length && name[end] != '/' && name[end] != '\\') ++end;
        const char* part = name + at;
        const size_t n = end - at;
        at = end + 1;
        if (n == 0 || (n == 1 && part[0] == '.')) continue;
        if (n == 2 && part[0] == '.' && part[1] == '.') {
            if (used == 0) return false;
            while (used > 0 && out[used - 1] != '/') --used;
            if (used > 0) --used;  // the separator before the dropped component
            continue;
        }
        // The result is never longer than name, which fits.
        if (used > 0) out[used++] = '/';
        std::memcpy(out + used, part, n);
        used += n;
    }
    out[used] = '\0';
    return used > 0;
}

// The entry named name exactly, else the first whose normalised name equals
// name's, else the first equal to it in ASCII case; -1 when none is.
zip_int64_t findEntry(zip_t* archive, const char* name) {
    char wanted[NAME_BYTES], entry[NAME_BYTES];
    const bool usable = normalise(name, wanted);
    zip_int64_t same = -1, folded = -1;
    const zip_uint64_t entries = mqoArchiveEntriesToScan(archive);
    for (zip_uint64_t i = 0; i < entries; ++i) {
        const char* stored = zip_get_name(archive, i, ZIP_FL_ENC_RAW);
        if (stored == nullptr) continue;
        if (std::strcmp(stored, name) == 0) return static_cast<zip_int64_t>(i);
        if (!usable || same >= 0 || !normalise(stored, entry)) continue;
        if (std::strcmp(entry, wanted) == 0) {
            same = static_cast<zip_int64_t>(i);
        } else if (folded < 0 && sameIgnoringCase(entry, wanted)) {
            folded = static_cast<zip_int64_t>(i);
        }
    }
    return same >= 0 ? same : folded;
}

}  // namespace

FILE* mqoOpenPackageEntry(const char* package, const char* name) {
    if (package == nullptr || name == nullptr) return nullptr;
    zip_t* archive = mqoOpenArchive(package);
    if (archive == nullptr) return nullptr;
    const zip_int64_t index = findEntry(archive, name);
    unsigned char* bytes = nullptr;
    size_t size = 0;
    const bool read = index >= 0 && mqoReadArchiveEntry(archive, static_cast<zip_uint64_t>(index),
                                                        MQO_PACKAGE_TEXTURE_BYTES, &bytes, &size);
    zip_discard(archive);
    return read ? mqoOpenMemoryFile(bytes, size) : nullptr;
}

}  // namespace mqo::detail
