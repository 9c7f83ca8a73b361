// PNG and JPEG files made by the tests with the same libraries the reader
// decodes them with, and a PNG header patch for hostile sizes.
#ifndef MQO_TESTS_SUPPORT_ENCODED_IMAGES_H
#define MQO_TESTS_SUPPORT_ENCODED_IMAGES_H

#include <spng.h>
#include <turbojpeg.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace testimages {

// A PNG of width x height 8-bit pixels (pixels top row first, as PNG stores
// them); colourType is an SPNG_COLOR_TYPE_*. Empty when encoding fails.
inline std::vector<uint8_t> png(uint32_t width, uint32_t height, uint8_t colourType,
                                const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> out;
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    struct spng_ihdr ihdr = {width, height, 8, colourType, 0, 0, 0};
    spng_set_ihdr(ctx, &ihdr);
    int error =
        spng_encode_image(ctx, pixels.data(), pixels.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    size_t length = 0;
    auto* bytes =
        static_cast<uint8_t*>(error ? nullptr : spng_get_png_buffer(ctx, &length, &error));
    if (bytes != nullptr) out.assign(bytes, bytes + length);
    std::free(bytes);
    spng_ctx_free(ctx);
    return out;
}

// The PNG with its header claiming width x height (CRC recomputed, so only
// the size is wrong).
inline std::vector<uint8_t> pngClaiming(std::vector<uint8_t> file, uint32_t width,
                                        uint32_t height) {
    for (int i = 0; i < 4; ++i) {
        file[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        file[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    uint32_t crc = 0xFFFFFFFFu;  // over "IHDR" and its 13 bytes
    for (size_t i = 12; i < 29; ++i) {
        crc ^= file[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc = ~crc;
    for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    return file;
}

// A JPEG (quality 95, no subsampling) of width x height RGB pixels, top row first.
inline std::vector<uint8_t> jpeg(int width, int height, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> out;
    tjhandle handle = tjInitCompress();
    unsigned char* bytes = nullptr;
    unsigned long length = 0;
    if (tjCompress2(handle, rgb.data(), width, width * 3, height, TJPF_RGB, &bytes, &length,
                    TJSAMP_444, 95, 0) == 0)
        out.assign(bytes, bytes + length);
    tjFree(bytes);
    tjDestroy(handle);
    return out;
}

}  // namespace testimages

#endif  // MQO_TESTS_SUPPORT_ENCODED_IMAGES_H
