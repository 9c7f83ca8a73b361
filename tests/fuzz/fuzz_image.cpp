// Fuzz target: arbitrary bytes as a texture file and as an alpha plane,
// decoded by the image reader alone (no GL: the texture limit is fixed).
//
// Input layout: byte 0 flags (bit 0: texture named .tga, else .bmp; bit 1:
// an alpha file is given; bit 2: no texture path; bit 3: alpha plane named
// .png), byte 1 the alpha byte, bytes 2-3 the texture file's length L
// (little-endian, cut to what is left), then L texture bytes, then the alpha
// file's bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/quiet_stdout.h"
#include "mqo/image/image_internal.h"
#include "support/temp_dir.h"

using namespace mqo::detail;

namespace {

// Memory-backed when the system has it: every input writes two files.
// Removed when the fuzzer exits.
const testsupport::TempDir& folder() {
    static const testsupport::TempDir dir("fuzz_image", "/dev/shm");
    return dir;
}

// A driver limit small enough that the fuzzer meets it.
const int WIDEST = 2048;
int widestTexture() { return WIDEST; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || folder().path().empty()) return 0;
    uint8_t flags = data[0];
    uint8_t alpha = data[1];
    size_t textureLength = data[2] | data[3] << 8;
    data += 4;
    size -= 4;
    if (textureLength > size) textureLength = size;

    const std::string texture = folder().file((flags & 1) ? "t.tga" : "t.bmp");
    const std::string plane = folder().file((flags & 8) ? "a.png" : "a.tga");
    if (!testsupport::writeFile(texture, data, textureLength)) abort();
    if (!testsupport::writeFile(plane, data + textureLength, size - textureLength)) abort();

    char texturePath[256], alphaPath[256];
    std::snprintf(texturePath, sizeof texturePath, "%s", texture.c_str());
    std::snprintf(alphaPath, sizeof alphaPath, "%s", plane.c_str());

    int width = 0;
    unsigned char* block;
    {
        QuietStdout quiet;
        block =
            mqoDecodeTextureImage((flags & 4) ? nullptr : texturePath,
                                  (flags & 2) ? alphaPath : nullptr, &width, alpha, widestTexture);
    }
    // A block comes with its width, within the limit (a failure may still
    // report the width it read); its alpha never exceeds the alpha byte.
    if (block != nullptr && (width <= 0 || width > WIDEST)) abort();
    if (block != nullptr) {
        size_t bytes = size_t(width) * size_t(width) * 4;
        for (size_t i = 3; i < bytes; i += 4)
            if (block[i] > alpha) abort();
    }
    std::free(block);
    return 0;
}
