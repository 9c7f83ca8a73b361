// Small BMP and TGA files written by the tests into a temporary folder.
#ifndef MQO_TESTS_SUPPORT_IMAGE_FILES_H
#define MQO_TESTS_SUPPORT_IMAGE_FILES_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace testimages {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(Bytes& b, size_t at, uint32_t v) {
    put16(b, at, v);
    put16(b, at + 2, v >> 16);
}

// A 24-bit BMP whose header says width x height; pixels are the stored bytes
// (B G R per pixel, rows back to back, bottom row first).
inline Bytes bmp(int32_t width, int32_t height, const Bytes& pixels) {
    // Sized once and copied into: gcc 12 misreads insert() after a fixed
    // header as writing out of bounds.
    Bytes b(54 + pixels.size(), 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<uint32_t>(54 + pixels.size()));
    put32(b, 10, 54);
    put32(b, 14, 40);
    put32(b, 18, static_cast<uint32_t>(width));
    put32(b, 22, static_cast<uint32_t>(height));
    put16(b, 26, 1);
    put16(b, 28, 24);
    std::copy(pixels.begin(), pixels.end(), b.begin() + 54);
    return b;
}

// A palette BMP of depth 1, 4 or 8 bits; compression 0 (data the stored
// rows), 1 (RLE8) or 2 (RLE4, data the runs). colours are R G B, written
// B G R and a reserved byte, or B G R alone under a 12-byte OS/2 core header
// (16-bit sides, no compression, no count). colourCount is the count the
// header claims; -1: as many as given.
inline Bytes paletteBmp(int32_t width, int32_t height, int depth, uint32_t compression,
                        const std::vector<Bytes>& colours, const Bytes& data, bool core = false,
                        int64_t colourCount = -1) {
    const size_t info = core ? 12 : 40, entry = core ? 3 : 4;
    const size_t offset = 14 + info + colours.size() * entry;
    Bytes b(offset + data.size(), 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<uint32_t>(b.size()));
    put32(b, 10, static_cast<uint32_t>(offset));
    put32(b, 14, static_cast<uint32_t>(info));
    if (core) {
        put16(b, 18, static_cast<uint32_t>(width));
        put16(b, 20, static_cast<uint32_t>(height));
        put16(b, 22, 1);
        put16(b, 24, static_cast<uint32_t>(depth));
    } else {
        put32(b, 18, static_cast<uint32_t>(width));
        put32(b, 22, static_cast<uint32_t>(height));
        put16(b, 26, 1);
        put16(b, 28, static_cast<uint32_t>(depth));
        put32(b, 30, compression);
        put32(b, 46, static_cast<uint32_t>(colourCount < 0 ? colours.size() : colourCount));
    }
    for (size_t k = 0; k < colours.size(); ++k)
        for (size_t c = 0; c < 3; ++c) b[14 + info + k * entry + c] = colours[k][2 - c];
    std::copy(data.begin(), data.end(), b.begin() + static_cast<std::ptrdiff_t>(offset));
    return b;
}

// An uncompressed TGA: type 2 true colour or 3 grey, depth 8/24/32.
inline Bytes tga(int width, int height, int type, int depth, const Bytes& pixels,
                 uint8_t descriptor = 0) {
    Bytes b(18 + pixels.size(), 0);
    b[2] = static_cast<uint8_t>(type);
    put16(b, 12, static_cast<uint32_t>(width));
    put16(b, 14, static_cast<uint32_t>(height));
    b[16] = static_cast<uint8_t>(depth);
    b[17] = descriptor;
    std::copy(pixels.begin(), pixels.end(), b.begin() + 18);
    return b;
}

// Distinct bytes 1, 2, 3, ... so every byte's destination can be checked.
inline Bytes counting(size_t n, uint8_t first = 1) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(first + i);
    return b;
}

// A fresh folder per test, removed afterwards; a file that cannot be
// written fails the test.
class TempDir : public testsupport::TempDir {
public:
    TempDir() : testsupport::TempDir("mqo_images") {}

    // Writes the bytes as file `name` in the folder; returns the full path.
    std::string write(const std::string& name, const Bytes& bytes) const {
        const std::string full = file(name);
        EXPECT_TRUE(testsupport::writeFile(full, bytes)) << full;
        return full;
    }
};

// A path in a modifiable buffer, as the library's callers hand them over.
struct PathBuffer {
    explicit PathBuffer(const std::string& s) : bytes(s.begin(), s.end()) { bytes.push_back('\0'); }
    char* get() { return bytes.data(); }
    std::string str() const { return bytes.data(); }
    std::vector<char> bytes;
};

}  // namespace testimages

#endif  // MQO_TESTS_SUPPORT_IMAGE_FILES_H
