// MqoModel: BMP files as their headers say: both sides, bottom-up or
// top-down rows padded to 4 bytes, 24-bit and 32-bit (with alpha) pixels.
#include <cstdlib>

#include "mqo/file_bytes.h"
#include "mqo/image/image_complete.h"

namespace {

const uint32_t BI_RGB = 0, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;

// The byte of a 32-bit little-endian pixel a whole-byte mask selects; -1
// for any other mask (5-6-5, 10-bit channels: not read).
int maskByte(uint32_t mask) {
    for (int k = 0; k < 4; ++k)
        if (mask == 0xFFu << (8 * k)) return k;
    return -1;
}

// Fills the channel table for a 32-bit file; false for masks not read.
bool thirtyTwoBitChannels(const unsigned char* b, size_t size, uint32_t compression,
                          uint32_t infoSize, int* channel) {
    if (compression == BI_RGB) {
        channel[3] = 3;  // the fourth byte, B G R A
        return true;
    }
    if (compression != BI_BITFIELDS && compression != BI_ALPHABITFIELDS) return false;
    // The masks follow a 40-byte info header, or lie inside a longer one;
    // either way they start at byte 54.
    const bool hasAlphaMask = compression == BI_ALPHABITFIELDS || infoSize >= 56;
    const size_t needed = hasAlphaMask ? 70 : 66;
    if (needed > size) return false;
    for (int k = 0; k < 3; ++k) channel[k] = maskByte(mqoLittle32(b + 54 + 4 * k));
    channel[3] = hasAlphaMask && mqoLittle32(b + 66) != 0 ? maskByte(mqoLittle32(b + 66)) : -1;
    const bool alphaBad = hasAlphaMask && mqoLittle32(b + 66) != 0 && channel[3] < 0;
    return channel[0] >= 0 && channel[1] >= 0 && channel[2] >= 0 && !alphaBad;
}

// A 32-bit file whose alpha bytes are all zero was written by a program
// that ignores alpha: it is opaque, not invisible.
void opaqueWhenAllClear(MqoImage* image) {
    const size_t bytes = static_cast<size_t>(image->width) * image->height * 4;
    for (size_t i = 3; i < bytes; i += 4)
        if (image->rgba[i] != 0) return;
    for (size_t i = 3; i < bytes; i += 4) image->rgba[i] = 255;
    image->hasAlpha = false;
}

}  // namespace

MqoImageStatus mqoDecodeBmpLayout(const unsigned char* b, size_t size, MqoImageLimits* limits,
                                  MqoImage* image) {
    // File header (14) and the 40 bytes every Windows info header begins with.
    if (54 > size || b[0] != 'B' || b[1] != 'M') return MQO_IMAGE_DAMAGED;
    const uint32_t infoSize = mqoLittle32(b + 14), depth = mqoLittle16(b + 28),
                   compression = mqoLittle32(b + 30);
    const int32_t width = static_cast<int32_t>(mqoLittle32(b + 18));
    const int32_t height = static_cast<int32_t>(mqoLittle32(b + 22));
    if (infoSize < 40 || mqoLittle16(b + 26) != 1) return MQO_IMAGE_UNSUPPORTED;
    MqoRowLayout layout;
    layout.bytesPerPixel = static_cast<int>(depth / 8);
    if (depth == 32) {
        if (!thirtyTwoBitChannels(b, size, compression, infoSize, layout.channel))
            return MQO_IMAGE_UNSUPPORTED;
    } else if (depth != 24 || compression != BI_RGB) {
        return MQO_IMAGE_UNSUPPORTED;
    }
    // A negative height means top-down rows; INT32_MIN has no magnitude.
    if (width <= 0 || height == 0 || height == INT32_MIN) return MQO_IMAGE_DAMAGED;
    const uint32_t rows = static_cast<uint32_t>(height < 0 ? -height : height);
    if (!limits->fits(static_cast<uint32_t>(width), rows)) return MQO_IMAGE_DAMAGED;
    layout.width = width;
    layout.height = static_cast<int>(rows);
    layout.topDown = height < 0;
    layout.offset = mqoLittle32(b + 10);
    // Rows are padded to whole 32-bit words; width <= 32767 keeps this small.
    layout.stride = (static_cast<size_t>(width) * depth + 31) / 32 * 4;
    if (!mqoAllocateImage(image, layout.width, layout.height)) return MQO_IMAGE_DAMAGED;
    image->hasAlpha = layout.channel[3] >= 0;
    if (!mqoCopyRows(b, size, layout, image)) {
        mqoFreeImage(image);
        return MQO_IMAGE_DAMAGED;
    }
    if (image->hasAlpha) opaqueWhenAllClear(image);
    return MQO_IMAGE_OK;
}
