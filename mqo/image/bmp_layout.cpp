// MqoModel: BMP files as their headers say: both sides, bottom-up or
// top-down rows padded to 4 bytes, 24-bit and 32-bit (with alpha) pixels,
// 1, 4 and 8-bit palettes, raw or run-length encoded.
#include <cstdlib>

#include "mqo/file_bytes.h"
#include "mqo/image/image_internal.h"

namespace mqo::detail {

namespace {

const uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;

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

// What the headers say, whichever info header the file has.
struct BmpHeader {
    uint32_t infoSize = 0, depth = 0, compression = BI_RGB, colourCount = 0;
    int32_t width = 0, height = 0;
    int entryBytes = 4;  // of a palette entry
};

// The file header and the info header: a Windows one (40 bytes or longer),
// or an OS/2 core one (12 bytes: 16-bit sides, no compression, 3-byte
// palette entries, rows bottom-up).
MqoImageStatus readHeader(const unsigned char* b, size_t size, BmpHeader* h) {
    if (26 > size || b[0] != 'B' || b[1] != 'M') return MQO_IMAGE_DAMAGED;
    h->infoSize = mqoLittle32(b + 14);
    uint32_t planes = 0;
    if (h->infoSize == 12) {
        h->width = static_cast<int32_t>(mqoLittle16(b + 18));
        h->height = static_cast<int32_t>(mqoLittle16(b + 20));
        planes = mqoLittle16(b + 22);
        h->depth = mqoLittle16(b + 24);
        h->entryBytes = 3;
    } else {
        if (54 > size) return MQO_IMAGE_DAMAGED;
        h->width = static_cast<int32_t>(mqoLittle32(b + 18));
        h->height = static_cast<int32_t>(mqoLittle32(b + 22));
        planes = mqoLittle16(b + 26);
        h->depth = mqoLittle16(b + 28);
        h->compression = mqoLittle32(b + 30);
        h->colourCount = mqoLittle32(b + 46);
    }
    if ((h->infoSize != 12 && h->infoSize < 40) || planes != 1) return MQO_IMAGE_UNSUPPORTED;
    return MQO_IMAGE_OK;
}

bool isPalette(const BmpHeader& h) {
    if (h.depth != 1 && h.depth != 4 && h.depth != 8) return false;
    return h.compression == BI_RGB || (h.compression == BI_RLE8 && h.depth == 8) ||
           (h.compression == BI_RLE4 && h.depth == 4);
}

// The pixel layout of a 24-bit or 32-bit file; false for variants not read.
bool trueColourLayout(const unsigned char* b, size_t size, const BmpHeader& h,
                      MqoRowLayout* layout) {
    layout->bytesPerPixel = static_cast<int>(h.depth / 8);
    if (h.depth == 32)
        return thirtyTwoBitChannels(b, size, h.compression, h.infoSize, layout->channel);
    return h.depth == 24 && h.compression == BI_RGB;
}

MqoImageStatus decodeTrueColour(const unsigned char* b, size_t size, MqoRowLayout layout,
                                MqoImage* image) {
    // Rows are padded to whole 32-bit words; width <= 32767 keeps this small.
    layout.stride = (static_cast<size_t>(layout.width) * layout.bytesPerPixel * 8 + 31) / 32 * 4;
    if (!mqoAllocateImage(image, layout.width, layout.height)) return MQO_IMAGE_DAMAGED;
    image->hasAlpha = layout.channel[3] >= 0;
    if (!mqoCopyRows(b, size, layout, image)) {
        mqoFreeImage(image);
        return MQO_IMAGE_DAMAGED;
    }
    if (image->hasAlpha) opaqueWhenAllClear(image);
    return MQO_IMAGE_OK;
}

MqoImageStatus decodePalette(const unsigned char* b, size_t size, const BmpHeader& h,
                             const MqoRowLayout& rows, MqoImage* image) {
    MqoIndexedLayout layout;
    layout.offset = rows.offset;
    layout.width = rows.width;
    layout.height = rows.height;
    layout.topDown = rows.topDown;
    layout.depth = static_cast<int>(h.depth);
    // The palette follows the info header; size >= 26 here, so the
    // comparison cannot overflow.
    if (h.infoSize > size - 14 ||
        !mqoReadBmpPalette(b, size, 14 + size_t{h.infoSize}, h.colourCount, h.entryBytes, &layout))
        return MQO_IMAGE_DAMAGED;
    const bool read = h.compression == BI_RGB ? mqoCopyIndexedRows(b, size, layout, image)
                                              : mqoExpandBmpRuns(b, size, layout, image);
    if (!read) {
        mqoFreeImage(image);
        return MQO_IMAGE_DAMAGED;
    }
    return MQO_IMAGE_OK;
}

}  // namespace

MqoImageStatus mqoDecodeBmpLayout(const unsigned char* b, size_t size, MqoImageLimits* limits,
                                  MqoImage* image) {
    BmpHeader h;
    const MqoImageStatus status = readHeader(b, size, &h);
    if (status != MQO_IMAGE_OK) return status;
    MqoRowLayout layout;
    const bool palette = isPalette(h);
    if (!palette && !trueColourLayout(b, size, h, &layout)) return MQO_IMAGE_UNSUPPORTED;
    // A negative height means top-down rows; INT32_MIN has no magnitude.
    if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN) return MQO_IMAGE_DAMAGED;
    const uint32_t rows = static_cast<uint32_t>(h.height < 0 ? -h.height : h.height);
    // fits() bounds width x height x 4 by MQO_MAX_IMAGE_BYTES before any
    // allocation.
    if (!limits->fits(static_cast<uint32_t>(h.width), rows)) return MQO_IMAGE_DAMAGED;
    layout.width = h.width;
    layout.height = static_cast<int>(rows);
    layout.topDown = h.height < 0;
    layout.offset = mqoLittle32(b + 10);
    return palette ? decodePalette(b, size, h, layout, image)
                   : decodeTrueColour(b, size, layout, image);
}

}  // namespace mqo::detail
