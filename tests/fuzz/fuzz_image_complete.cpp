// Fuzz target: arbitrary bytes as a texture file and an alpha plane, decoded
// by the complete profile's image reading (no GL: the texture limit is
// fixed).
//
// Input layout: byte 0 flags (bits 0-1: the texture's name, .png .jpg .bmp
// .tga; bits 2-3: the plane's, the same; bit 4: a plane is given; bit 5: no
// texture; bits 6-7: the features, both bits, PNG/JPEG only, layout only),
// byte 1 the alpha byte, bytes 2-3 the texture file's length L
// (little-endian, cut to what is left), then L texture bytes, then the
// plane's bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/quiet_stdout.h"
#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"
#include "support/temp_dir.h"

using namespace mqo::detail;

namespace {

const testsupport::TempDir& folder() {
    static const testsupport::TempDir dir("fuzz_image_complete", "/dev/shm");
    return dir;
}

// Small enough that the largest block the fuzzer can claim costs 4 MiB.
const int WIDEST = 1024;
int widestTexture() { return WIDEST; }

const char* const NAMES[4] = {"png", "jpg", "bmp", "tga"};
const uint32_t FEATURES[4] = {MQO_FEATURE_PNG_JPEG | MQO_FEATURE_IMAGE_LAYOUT, MQO_FEATURE_PNG_JPEG,
                              MQO_FEATURE_IMAGE_LAYOUT,
                              MQO_FEATURE_PNG_JPEG | MQO_FEATURE_IMAGE_LAYOUT};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || folder().path().empty()) return 0;
    const uint8_t flags = data[0], alpha = data[1];
    size_t textureLength = data[2] | data[3] << 8;
    data += 4;
    size -= 4;
    if (textureLength > size) textureLength = size;

    const std::string texture = folder().file(std::string("t.") + NAMES[flags & 3]);
    const std::string plane = folder().file(std::string("a.") + NAMES[(flags >> 2) & 3]);
    if (!testsupport::writeFile(texture, data, textureLength)) abort();
    if (!testsupport::writeFile(plane, data + textureLength, size - textureLength)) abort();
    char texturePath[256], alphaPath[256];
    std::snprintf(texturePath, sizeof texturePath, "%s", texture.c_str());
    std::snprintf(alphaPath, sizeof alphaPath, "%s", plane.c_str());

    MqoReadContext read = {FEATURES[flags >> 6]};
    read.widestTexture = widestTexture;
    int side = 0;
    unsigned char* block;
    {
        QuietStdout quiet;
        block = mqoDecodeTexture((flags & 32) ? nullptr : texturePath,
                                 (flags & 16) ? alphaPath : nullptr, &side, alpha, read);
    }
    // A block is side x side within the limit (ASan sees a short one when
    // its last alpha is read) and its alpha never exceeds the alpha byte.
    // No block: side -1.
    if (block == nullptr) {
        if (side != -1) abort();
        return 0;
    }
    if (side <= 0 || side > WIDEST) abort();
    const size_t bytes = static_cast<size_t>(side) * side * 4;
    for (size_t i = 3; i < bytes; i += 4)
        if (block[i] > alpha) abort();
    std::free(block);
    return 0;
}
