// MqoModel: BMP and TGA files read by the exact reader's rules, from bytes:
// square, width from the header, rows bottom-up and unpadded, a short file
// leaving the block as it was. The exact reader and the complete profile
// without MQO_FEATURE_IMAGE_LAYOUT both read them here.
#include "mqo/file_bytes.h"
#include "mqo/image/image_internal.h"

namespace mqo::detail {

namespace {

unsigned char lowered(unsigned char value, unsigned char alpha) {
    return value > alpha ? alpha : value;
}

// count pixels of one stored row into out.
void colourRow(const unsigned char* in, unsigned char* out, int count, bool fileAlpha,
               unsigned char alpha) {
    if (fileAlpha) {
        for (int x = 0; x < count; ++x, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = lowered(in[3], alpha);
        }
        return;
    }
    for (int x = 0; x < count; ++x, in += 3, out += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = alpha;
    }
}

void alphaRow(const unsigned char* in, unsigned char* out, int count, int bytesPerPixel,
              unsigned char alpha) {
    const int last = bytesPerPixel - 1;
    for (int x = 0; x < count; ++x, in += bytesPerPixel, out += 4)
        out[3] = lowered(in[last], alpha);
}

}  // namespace

bool mqoReadSquareHeader(const unsigned char* b, size_t size, size_t length, bool tga, bool isAlpha,
                         MqoSquareHeader* header) {
    if (mqoSquareHeaderBytes(tga) > size) return false;
    header->alphaPlane = isAlpha;
    if (tga) {
        header->width = b[12] | b[13] << 8;
        const int depth = b[16], type = b[2];
        header->offset = mqoTgaPixelOffset(b);
        header->bytesPerPixel = depth == 32 ? 4 : 3;
        header->fileAlpha = depth == 32 && !isAlpha;
        if (isAlpha) {
            header->skipped = !((depth == 8 && type == 3) || (depth == 32 && type == 2));
            if (depth == 8) header->bytesPerPixel = 1;
        }
        return true;
    }
    // As the first reader took it: a length past 32 bits is cut to them.
    header->offset = mqoBmpPixelOffset(mqoLittle32(b + 10), static_cast<uint32_t>(length));
    header->bytesPerPixel = 3;
    header->width = static_cast<int32_t>(mqoLittle32(b + 18));
    return true;
}

void mqoSquarePixels(const unsigned char* rows, size_t size, const MqoSquareHeader& header,
                     unsigned char alpha, unsigned char* block) {
    const int width = header.width, bytesPerPixel = header.bytesPerPixel;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const size_t storedBytes = static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel);
    for (int y = 0; y < width; ++y) {
        // Stored row y is the picture's row y from the bottom.
        unsigned char* out = block + static_cast<size_t>(width - 1 - y) * rowBytes;
        const bool whole = size >= storedBytes;
        const int count = whole ? width : static_cast<int>(size / bytesPerPixel);
        if (header.alphaPlane)
            alphaRow(rows, out, count, bytesPerPixel, alpha);
        else
            colourRow(rows, out, count, header.fileAlpha, alpha);
        if (!whole) return;
        rows += storedBytes;
        size -= storedBytes;
    }
}

MqoImageStatus mqoDecodeBmpTgaSquare(const unsigned char* b, size_t size, bool tga, bool isAlpha,
                                     MqoImageLimits* limits, MqoImage* image) {
    MqoSquareHeader header;
    if (!mqoReadSquareHeader(b, size, size, tga, isAlpha, &header) || header.width <= 0 ||
        !limits->fits(static_cast<uint32_t>(header.width), static_cast<uint32_t>(header.width)))
        return MQO_IMAGE_DAMAGED;
    if (header.skipped) return MQO_IMAGE_SKIPPED;
    const int width = header.width;
    // fits() bounded the block by MQO_MAX_IMAGE_BYTES; this bounds it by
    // the file's length too, as the exact reader does.
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(width) * 4;
    if (!mqoBlockFitsFile(bytes, size)) return MQO_IMAGE_DAMAGED;
    if (!mqoAllocateImage(image, width, width)) return MQO_IMAGE_DAMAGED;
    // A plane's pixels are its A alone; a texture without A has A 255.
    image->hasAlpha = header.fileAlpha || header.alphaPlane;
    const size_t at = header.offset < size ? header.offset : size;
    mqoSquarePixels(b + at, size - at, header, 255, image->rgba);
    return MQO_IMAGE_OK;
}

}  // namespace mqo::detail
