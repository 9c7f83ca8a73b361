// MqoModel: PNG files through libspng, into an RGBA image.
#include <spng.h>

#include "mqo/image/image_internal.h"

namespace mqo::detail {

namespace {

// Ancillary chunks are not needed for the pixels: cap each one and their
// total, so a file cannot make the decoder hold more than this.
const size_t PNG_CHUNK_LIMIT = 16 * 1024 * 1024;
const size_t PNG_CACHE_LIMIT = 64 * 1024 * 1024;

MqoImageStatus decode(spng_ctx* ctx, const unsigned char* bytes, size_t size,
                      MqoImageLimits* limits, MqoImage* image) {
    const uint32_t widest = static_cast<uint32_t>(limits->widest());
    if (spng_set_png_buffer(ctx, bytes, size) != 0 ||
        spng_set_image_limits(ctx, widest, widest) != 0 ||
        spng_set_chunk_limits(ctx, PNG_CHUNK_LIMIT, PNG_CACHE_LIMIT) != 0)
        return MQO_IMAGE_DAMAGED;
    struct spng_ihdr ihdr = {};
    if (spng_get_ihdr(ctx, &ihdr) != 0 || !limits->fits(ihdr.width, ihdr.height))
        return MQO_IMAGE_DAMAGED;
    size_t decoded = 0;
    if (spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &decoded) != 0 ||
        decoded != static_cast<size_t>(ihdr.width) * ihdr.height * 4)
        return MQO_IMAGE_DAMAGED;
    if (!mqoAllocateImage(image, static_cast<int>(ihdr.width), static_cast<int>(ihdr.height)))
        return MQO_IMAGE_DAMAGED;
    struct spng_trns trns = {};
    image->hasAlpha = ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                      ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA ||
                      spng_get_trns(ctx, &trns) == 0;
    // Top row first, as PNG stores rows and the block keeps them.
    return spng_decode_image(ctx, image->rgba, decoded, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) == 0
               ? MQO_IMAGE_OK
               : MQO_IMAGE_DAMAGED;
}

}  // namespace

MqoImageStatus mqoDecodePng(const unsigned char* bytes, size_t size, MqoImageLimits* limits,
                            MqoImage* image) {
    spng_ctx* ctx = spng_ctx_new(0);
    if (ctx == nullptr) return MQO_IMAGE_DAMAGED;
    MqoImageStatus status = decode(ctx, bytes, size, limits, image);
    spng_ctx_free(ctx);
    if (status != MQO_IMAGE_OK) mqoFreeImage(image);
    return status;
}

}  // namespace mqo::detail
