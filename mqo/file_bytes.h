// Small helpers for what the readers take from files: names compared as
// their Windows authors' tools compared them, and little-endian numbers.
// Not installed; no GL.
#ifndef MQO_FILE_BYTES_H
#define MQO_FILE_BYTES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

// ASCII letters only, whatever the locale: other bytes (the halves of
// Shift_JIS and UTF-8 characters) must be equal as they are.
inline char mqoAsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The n bytes at a and b are equal but for ASCII letter case; a NUL in a
// within them is a difference.
inline bool mqoSameIgnoringCase(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == '\0' || mqoAsciiLower(a[i]) != mqoAsciiLower(b[i])) return false;
    }
    return true;
}

// text ends with suffix, ASCII letter case aside.
inline bool mqoEndsWithIgnoringCase(const char* text, const char* suffix) {
    const size_t length = std::strlen(text), n = std::strlen(suffix);
    return length >= n && mqoSameIgnoringCase(text + length - n, suffix, n);
}

inline uint32_t mqoLittle16(const unsigned char* b) {
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8;
}

inline uint32_t mqoLittle32(const unsigned char* b) {
    return mqoLittle16(b) | mqoLittle16(b + 2) << 16;
}

#endif  // MQO_FILE_BYTES_H
