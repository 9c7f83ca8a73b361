// MqoModel: BMP and TGA files read by the exact reader's rules for the
// complete profile without MQO_FEATURE_IMAGE_LAYOUT: square, width from the
// header, rows bottom-up and unpadded, a short file leaving zeros.
#include "mqo/image/image_complete.h"

namespace {

// A block may be this much larger than its file: a truncated image still
// loads, but a damaged width cannot make a tiny file claim gigabytes.
const size_t BLOCK_SLACK = 64 * 1024;
const size_t BLOCK_PER_FILE_BYTE = 16;

uint32_t le32(const unsigned char* b) {
    return b[0] | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

// Width, pixel layout and where rows start, as the exact reader takes them;
// false for a file shorter than its header. skipped is set for an alpha
// plane of a kind the exact reader ignores.
bool readHeader(const unsigned char* b, size_t size, bool tga, bool isAlpha, int32_t* width,
                MqoRowLayout* layout, bool* skipped) {
    if (tga) {
        if (18 > size) return false;
        *width = b[12] | b[13] << 8;
        const int depth = b[16], type = b[2];
        const size_t colourMap =
            b[1] == 1 ? static_cast<size_t>(b[5] | b[6] << 8) * ((b[7] + 7) / 8) : 0;
        layout->offset = 18 + b[0] + colourMap;
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
    const uint32_t offset = le32(b + 10);
    layout->offset = offset >= 54 && offset < size ? offset : 54;
    layout->bytesPerPixel = 3;
    *width = static_cast<int32_t>(le32(b + 18));
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
    if (bytes > BLOCK_SLACK && (bytes - BLOCK_SLACK) / BLOCK_PER_FILE_BYTE > size)
        return MQO_IMAGE_DAMAGED;
    layout.width = layout.height = width;
    layout.stride = static_cast<size_t>(width) * layout.bytesPerPixel;
    layout.shortFileAllowed = true;
    if (!mqoAllocateImage(image, width, width)) return MQO_IMAGE_DAMAGED;
    image->hasAlpha = layout.channel[3] >= 0;
    mqoCopyRows(b, size, layout, image);
    return MQO_IMAGE_OK;
}
