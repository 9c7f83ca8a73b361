// MqoModel: BMP and TGA files read by the exact reader's rules for the
// complete profile without MQO_FEATURE_IMAGE_LAYOUT: square, width from the
// header, rows bottom-up and unpadded, a short file leaving zeros.
#include "mqo/file_bytes.h"
#include "mqo/image/image_internal.h"

namespace mqo::detail {

namespace {

// Width, pixel layout and where rows start, as the exact reader takes them;
// false for a file shorter than its header. skipped is set for an alpha
// plane of a kind the exact reader ignores.
bool readHeader(const unsigned char* b, size_t size, bool tga, bool isAlpha, int32_t* width,
                MqoRowLayout* layout, bool* skipped) {
    if (tga) {
        if (18 > size) return false;
        *width = b[12] | b[13] << 8;
        const int depth = b[16], type = b[2];
        layout->offset = mqoTgaPixelOffset(b);
        layout->bytesPerPixel = depth == 32 ? 4 : 3;
        if (depth == 32) layout->channel[3] = 3;
        if (isAlpha) {
            *skipped = !((depth == 8 && type == 3) || (depth == 32 && type == 2));
            if (depth == 8) layout->bytesPerPixel = 1;
            if (depth == 8) layout->channel[0] = layout->channel[1] = layout->channel[2] = 0;
        }
        return true;
    }
    if (54 > size) return false;
    // size is at most MQO_MAX_IMAGE_BYTES: it fits 32 bits.
    layout->offset = mqoBmpPixelOffset(mqoLittle32(b + 10), static_cast<uint32_t>(size));
    layout->bytesPerPixel = 3;
    *width = static_cast<int32_t>(mqoLittle32(b + 18));
    return true;
}

}  // namespace

MqoImageStatus mqoDecodeBmpTgaSquare(const unsigned char* b, size_t size, bool tga, bool isAlpha,
                                     MqoImageLimits* limits, MqoImage* image) {
    MqoRowLayout layout;
    int32_t width = 0;
    bool skipped = false;
    if (!readHeader(b, size, tga, isAlpha, &width, &layout, &skipped) || width <= 0 ||
        !limits->fits(static_cast<uint32_t>(width), static_cast<uint32_t>(width)))
        return MQO_IMAGE_DAMAGED;
    if (skipped) return MQO_IMAGE_SKIPPED;
    // fits() bounded the block by MQO_MAX_IMAGE_BYTES; this bounds it by
    // the file's length too, as the exact reader does.
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(width) * 4;
    if (!mqoBlockFitsFile(bytes, size)) return MQO_IMAGE_DAMAGED;
    layout.width = layout.height = width;
    layout.stride = static_cast<size_t>(width) * layout.bytesPerPixel;
    layout.shortFileAllowed = true;
    if (!mqoAllocateImage(image, width, width)) return MQO_IMAGE_DAMAGED;
    image->hasAlpha = layout.channel[3] >= 0;
    mqoCopyRows(b, size, layout, image);
    return MQO_IMAGE_OK;
}

}  // namespace mqo::detail
