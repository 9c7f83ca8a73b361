// MqoModel glTF writer: decoded textures encoded to PNG by libspng.
#include <spng.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "mqo/export/export_internal.h"
#include "mqo/memory.h"

namespace mqo::detail {

bool mqoEncodePng(const unsigned char* rgba, int size, bool opaque,
                  std::vector<unsigned char>* png) {
    if (size <= 0) return false;
    const size_t texels = static_cast<size_t>(size) * static_cast<size_t>(size);
    std::vector<unsigned char> rows;
    const unsigned char* pixels = rgba;
    if (opaque) {
        // Three bytes a texel: an opaque image needs no alpha channel.
        rows.resize(texels * 3);
        for (size_t i = 0; i < texels; ++i) {
            for (int k = 0; k < 3; ++k) rows[3 * i + k] = rgba[4 * i + k];
        }
        pixels = rows.data();
    }
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    if (ctx == nullptr) return false;
    struct spng_ihdr ihdr = {};
    ihdr.width = static_cast<uint32_t>(size);
    ihdr.height = static_cast<uint32_t>(size);
    ihdr.bit_depth = 8;
    ihdr.color_type = opaque ? SPNG_COLOR_TYPE_TRUECOLOR : SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    const size_t bytes = texels * (opaque ? 3 : 4);
    int error = spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    if (error == 0) error = spng_set_ihdr(ctx, &ihdr);
    if (error == 0) {
        error = spng_encode_image(ctx, pixels, bytes, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    }
    size_t length = 0;
    void* out = error == 0 ? spng_get_png_buffer(ctx, &length, &error) : nullptr;
    spng_ctx_free(ctx);
    if (out == nullptr || error != 0) {
        std::free(out);
        return false;
    }
    const unsigned char* data = static_cast<const unsigned char*>(out);
    bool copied = true;
    try {
        png->assign(data, data + length);
    } catch (const std::bad_alloc&) {
        mqoNoteOutOfMemory();
        copied = false;
    }
    std::free(out);
    return copied;
}

}  // namespace mqo::detail
