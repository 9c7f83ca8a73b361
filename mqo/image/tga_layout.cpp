// MqoModel: TGA files as their headers say: both sides, the origin bit,
// true colour (24/32-bit) and grey (8-bit), raw or run-length encoded.
#include <cstdlib>
#include <cstring>

#include "mqo/file_bytes.h"
#include "mqo/image/image_internal.h"
#include "mqo/memory.h"

namespace mqo::detail {

namespace {

const int TGA_HEADER = 18;

// Expands run-length packets to raw pixels: count x bpp bytes into out.
// False when the packets end before the pixels do.
bool expandRuns(const unsigned char* in, size_t size, size_t count, int bpp, unsigned char* out) {
    const size_t pixelBytes = static_cast<size_t>(bpp);
    size_t at = 0;
    for (size_t done = 0; done < count;) {
        if (1 > size - at) return false;
        const unsigned char packet = in[at++];
        // Runs may cross rows; one that overruns the image is cut to it.
        size_t run = (packet & 0x7Fu) + 1u;
        if (run > count - done) run = count - done;
        const size_t needed = packet & 0x80u ? pixelBytes : run * pixelBytes;
        if (needed > size - at) return false;
        for (size_t i = 0; i < run; ++i, ++done)
            std::memcpy(out + done * pixelBytes, in + at + (packet & 0x80u ? 0 : i * pixelBytes),
                        pixelBytes);
        at += needed;
    }
    return true;
}

// The pixel layout a header describes; false for variants not read.
bool layoutFor(const unsigned char* b, MqoRowLayout* layout) {
    const int type = b[2] & ~8, depth = b[16];  // 10/11 are 2/3 run-length encoded
    const bool grey = type == 3 && depth == 8;
    const bool colour = type == 2 && (depth == 24 || depth == 32);
    if (!(grey || colour) || (b[17] & 0x10) != 0) return false;  // right-to-left: not read
    layout->bytesPerPixel = depth / 8;
    if (grey) {
        for (int k = 0; k < 3; ++k) layout->channel[k] = 0;
    }
    if (depth == 32) layout->channel[3] = 3;
    layout->topDown = (b[17] & 0x20) != 0;
    return true;
}

// Copies the pixels that start at offset, expanding runs first when the
// file has them.
bool copyPixels(const unsigned char* b, size_t size, size_t offset, bool runs, MqoRowLayout layout,
                MqoImage* image) {
    if (offset > size) return false;
    layout.offset = offset;
    layout.stride = static_cast<size_t>(layout.width) * layout.bytesPerPixel;
    if (!runs) return mqoCopyRows(b, size, layout, image);
    // The raw pixels take at most width x height x 4 bytes, which fits()
    // bounded by MQO_MAX_IMAGE_BYTES.
    const size_t count = static_cast<size_t>(layout.width) * layout.height;
    const size_t rawBytes = count * layout.bytesPerPixel;
    auto* raw = static_cast<unsigned char*>(mqoMalloc(rawBytes));
    if (raw == nullptr) return false;
    bool ok = expandRuns(b + offset, size - offset, count, layout.bytesPerPixel, raw);
    layout.offset = 0;
    ok = ok && mqoCopyRows(raw, rawBytes, layout, image);
    std::free(raw);
    return ok;
}

}  // namespace

MqoImageStatus mqoDecodeTgaLayout(const unsigned char* b, size_t size, MqoImageLimits* limits,
                                  MqoImage* image) {
    if (TGA_HEADER > size) return MQO_IMAGE_DAMAGED;
    MqoRowLayout layout;
    if (!layoutFor(b, &layout)) return MQO_IMAGE_UNSUPPORTED;
    layout.width = static_cast<int>(mqoLittle16(b + 12));
    layout.height = static_cast<int>(mqoLittle16(b + 14));
    if (!limits->fits(static_cast<uint32_t>(layout.width), static_cast<uint32_t>(layout.height)))
        return MQO_IMAGE_DAMAGED;
    const size_t offset = mqoTgaPixelOffset(b);
    if (!mqoAllocateImage(image, layout.width, layout.height)) return MQO_IMAGE_DAMAGED;
    image->hasAlpha = layout.channel[3] >= 0;
    if (!copyPixels(b, size, offset, (b[2] & 8) != 0, layout, image)) {
        mqoFreeImage(image);
        return MQO_IMAGE_DAMAGED;
    }
    return MQO_IMAGE_OK;
}

}  // namespace mqo::detail
