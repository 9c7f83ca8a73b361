// Small files for the drawing and sequence tests, written by the tests into
// a temporary folder: MQO documents holding one square, BMP textures and
// grey TGA alpha planes.
#ifndef MQO_TESTS_SUPPORT_DRAW_FILES_H
#define MQO_TESTS_SUPPORT_DRAW_FILES_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace drawfiles {

using testsupport::TempDir;
using testsupport::writeFile;

// One square in the plane z, corners listed clockwise as seen from +z, so
// its face normal points to +z. uv (0,0) is the top left corner.
struct Square {
    std::string objectName = "square";
    float half = 0.5f;
    float z = 0.0f;
    float color[4] = {1, 0, 0, 1};
    std::string texture;  // "" for an untextured material
    std::string alphaPlane;
    bool material = true;  // false: a document without a Material chunk
};

inline std::string document(const Square& s) {
    char line[512];
    std::string d =
        "Metasequoia Document\nFormat Text Ver 1.0\n\nScene {\n\tamb 0.250 0.250 0.250\n}\n";
    if (s.material) {
        std::snprintf(line, sizeof line,
                      "Material 1 {\n\t\"m\" col(%.3f %.3f %.3f %.3f) dif(1.000) amb(0.000) "
                      "emi(0.000) spc(0.000) power(5.00)",
                      s.color[0], s.color[1], s.color[2], s.color[3]);
        d += line;
        if (!s.texture.empty()) d += " tex(\"" + s.texture + "\")";
        if (!s.alphaPlane.empty()) d += " aplane(\"" + s.alphaPlane + "\")";
        d += "\n}\n";
    }
    const float h = s.half;
    std::snprintf(line, sizeof line,
                  "Object \"%s\" {\n\tvisible 15\n\tshading 1\n\tfacet 59.5\n\tvertex 4 {\n"
                  "\t\t%g %g %g\n\t\t%g %g %g\n\t\t%g %g %g\n\t\t%g %g %g\n\t}\n",
                  s.objectName.c_str(), -h, h, s.z, h, h, s.z, h, -h, s.z, -h, -h, s.z);
    d += line;
    d += "\tface 1 {\n\t\t4 V(0 1 2 3) M(0) UV(0 0 1 0 1 1 0 1)\n\t}\n}\nEof\n";
    return d;
}

inline void put16(std::string& b, unsigned v) {
    b += static_cast<char>(v & 0xff);
    b += static_cast<char>((v >> 8) & 0xff);
}
inline void put32(std::string& b, uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

// A 24-bit BMP of a square image given top row first as RGB triples; the
// file stores the bottom row first, as BMP files do.
inline std::string bmp(int width, const std::vector<uint8_t>& rgbTopFirst) {
    std::string b = "BM";
    const uint32_t pixelBytes = static_cast<uint32_t>(width * width * 3);
    put32(b, 54 + pixelBytes);
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, static_cast<uint32_t>(width));
    put32(b, static_cast<uint32_t>(width));
    put16(b, 1);
    put16(b, 24);
    put32(b, 0);
    put32(b, pixelBytes);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    for (int row = width - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgbTopFirst[(row * width + x) * 3];
            b += static_cast<char>(p[2]);
            b += static_cast<char>(p[1]);
            b += static_cast<char>(p[0]);
        }
    }
    return b;
}

// An 8-bit grey (type 3) TGA alpha plane, given top row first, stored
// bottom row first.
inline std::string greyTga(int width, const std::vector<uint8_t>& topFirst) {
    std::string b;
    b += '\0';
    b += '\0';
    b += '\3';
    b.append(9, '\0');
    put16(b, static_cast<unsigned>(width));
    put16(b, static_cast<unsigned>(width));
    b += '\x08';
    b += '\0';
    for (int row = width - 1; row >= 0; --row)
        for (int x = 0; x < width; ++x) b += static_cast<char>(topFirst[row * width + x]);
    return b;
}

}  // namespace drawfiles

#endif  // MQO_TESTS_SUPPORT_DRAW_FILES_H
