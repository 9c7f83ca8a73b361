// MqoModel: names written in Shift_JIS (as Japanese editions of the modeller
// save them) turned into the UTF-8 the rest of the program speaks; the
// converter is the system's (charset_posix.cpp, charset_windows.cpp).
#include <cstring>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// A code point's UTF-8 length from its first byte; 0 for a byte that cannot
// start one.
int sequenceLength(unsigned char b) {
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) return 3;
    if (b >= 0xF0 && b <= 0xF4) return 4;
    return 0;
}

// The second byte's range is what rules out overlong forms, surrogates and
// code points beyond U+10FFFF.
bool secondByteFits(unsigned char first, unsigned char second) {
    if (first == 0xE0) return second >= 0xA0 && second <= 0xBF;
    if (first == 0xED) return second >= 0x80 && second <= 0x9F;
    if (first == 0xF0) return second >= 0x90 && second <= 0xBF;
    if (first == 0xF4) return second >= 0x80 && second <= 0x8F;
    return second >= 0x80 && second <= 0xBF;
}

bool isUtf8(const char* text, size_t n) {
    const auto* b = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < n;) {
        const int length = sequenceLength(b[i]);
        if (length == 0 || static_cast<size_t>(length) > n - i) return false;
        if (length > 1 && !secondByteFits(b[i], b[i + 1])) return false;
        for (int k = 2; k < length; ++k) {
            if ((b[i + k] & 0xC0) != 0x80) return false;
        }
        i += static_cast<size_t>(length);
    }
    return true;
}

// The longest prefix of text (length bytes) of at most most bytes that
// ends at a UTF-8 character boundary.
size_t cutAtBoundary(const char* text, size_t length, size_t most) {
    if (length <= most) return length;
    size_t cut = most;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

}  // namespace

bool mqoIsUtf8(const char* text) { return isUtf8(text, std::strlen(text)); }

bool mqoIsUtf8Bytes(const char* text, size_t n) { return isUtf8(text, n); }

namespace {

void convertName(char* name) {
    const size_t length = strnlen(name, 255);
    if (isUtf8(name, length)) return;
    // No CP932 character is longer than 3 bytes in UTF-8 nor shorter than
    // 1 byte as written, so 255 bytes give at most 765.
    char converted[3 * 255 + 1];
    if (!mqoCp932ToUtf8(name, length, converted, sizeof converted, length == 255)) return;
    const size_t kept = cutAtBoundary(converted, std::strlen(converted), 255);
    std::memcpy(name, converted, kept);
    name[kept] = '\0';
}

}  // namespace

void mqoConvertObjectNames(MqoParsedModel* parsed) {
    for (int i = 0; i < parsed->objectCount; ++i) convertName(parsed->objects[i].object.name);
    for (int i = 0; i < parsed->extraObjectCount; ++i) {
        convertName(parsed->extraObjects[i].object.name);
    }
}

bool mqoUtf8PathFromCp932(const char* path, char* out, size_t outSize) {
    // Split at '/' alone: a CP932 character's second byte may be '\', never '/'.
    size_t used = 0;
    bool changed = false;
    for (const char* at = path;;) {
        const char* end = std::strchr(at, '/');
        const size_t n = end != nullptr ? static_cast<size_t>(end - at) : std::strlen(at);
        const bool keep = isUtf8(at, n);
        if (keep ? n >= outSize - used
                 : !mqoCp932ToUtf8(at, n, out + used, outSize - used, false)) {
            return false;
        }
        if (keep) std::memcpy(out + used, at, n);
        used += keep ? n : std::strlen(out + used);
        changed = changed || !keep;
        if (end == nullptr) break;
        if (used + 1 >= outSize) return false;
        out[used++] = '/';
        at = end + 1;
    }
    out[used] = '\0';
    return changed;
}

}  // namespace mqo::detail
