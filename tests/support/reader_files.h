// Documents for the reader tests, written by the tests into a temporary
// folder that is removed afterwards.
#ifndef MQO_TESTS_SUPPORT_READER_FILES_H
#define MQO_TESTS_SUPPORT_READER_FILES_H

#include <cstring>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace readerfiles {

using testsupport::TempDir;

// Little-endian float bytes, as a binary vertex block holds them.
inline std::string floatBytes(const std::vector<float>& values) {
    std::string out;
    for (float v : values) {
        unsigned char b[4];
        std::memcpy(b, &v, 4);
        out.append(reinterpret_cast<const char*>(b), 4);
    }
    return out;
}

// A 2 x 2 24-bit BMP, enough for the texture pool to accept a file.
inline std::string tinyBmp() {
    std::string b(54 + 16, '\0');
    auto put32 = [&](size_t at, unsigned v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<unsigned>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    b[26] = 1;
    b[28] = 24;
    put32(34, 16);
    for (size_t i = 54; i < b.size(); ++i) b[i] = static_cast<char>(0x80);
    return b;
}

}  // namespace readerfiles

#endif  // MQO_TESTS_SUPPORT_READER_FILES_H
