// Small helpers for what the readers take from files: names compared as
// their Windows authors' tools compared them, little-endian numbers, and the
// header rules the exact and the complete image readers share. Not
// installed; no GL.
#ifndef MQO_FILE_BYTES_H
#define MQO_FILE_BYTES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mqo::detail {

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

// Where a TGA's pixel rows start: after the 18-byte header, the image ID
// field (its length at byte 0) and a colour map when byte 1 says there is
// one (bytes 5-6 entries of byte 7 bits): at most 18 + 255 + 65535 x 32.
inline size_t mqoTgaPixelOffset(const unsigned char header[18]) {
    const size_t colourMap =
        header[1] == 1 ? size_t{mqoLittle16(header + 5)} * ((header[7] + 7u) / 8) : 0;
    return 18 + header[0] + colourMap;
}

// Where a BMP's rows start: where bytes 10-13 say (declared), when that lies
// past the 54 bytes of headers and inside the file's length (editors write
// longer info headers); else byte 54, as a plain 40-byte info header puts it.
inline size_t mqoBmpPixelOffset(uint32_t declared, uint32_t length) {
    return declared >= 54 && declared < length ? declared : 54;
}

// A square block may be this much larger than its file: a truncated image
// still loads, but a damaged width cannot make a tiny file claim gigabytes.
inline bool mqoBlockFitsFile(size_t blockBytes, size_t fileLength) {
    const size_t slack = 64 * 1024, perFileByte = 16;
    return blockBytes <= slack || (blockBytes - slack) / perFileByte <= fileLength;
}

}  // namespace mqo::detail

#endif  // MQO_FILE_BYTES_H
