// MqoModel: stored BMP and TGA pixel rows into an RGBA image, whatever their
// order, stride and byte layout.
#include "mqo/image/image_internal.h"

namespace mqo::detail {

namespace {

// Converts one stored row into RGBA.
void convertRow(const unsigned char* in, unsigned char* out, const MqoRowLayout& layout) {
    const int count = layout.width, bpp = layout.bytesPerPixel;
    const int* c = layout.channel;
    for (int x = 0; x < count; ++x, in += bpp, out += 4) {
        out[0] = in[c[0]];
        out[1] = in[c[1]];
        out[2] = in[c[2]];
        out[3] = c[3] >= 0 ? in[c[3]] : 255;
    }
}

}  // namespace

bool mqoCopyRows(const unsigned char* bytes, size_t size, const MqoRowLayout& layout,
                 MqoImage* image) {
    const size_t rowBytes = static_cast<size_t>(layout.width) * 4;
    const size_t storedBytes = static_cast<size_t>(layout.width) * layout.bytesPerPixel;
    for (int r = 0; r < layout.height; ++r) {
        // Memory row 0 is the picture's top row.
        const int y = layout.topDown ? r : layout.height - 1 - r;
        unsigned char* out = image->rgba + static_cast<size_t>(y) * rowBytes;
        // offset and stride come from a header: compare without overflow.
        size_t remaining = size > layout.offset ? size - layout.offset : 0;
        const size_t skipped = static_cast<size_t>(r);
        if (layout.stride != 0 && skipped > remaining / layout.stride)
            remaining = 0;
        else
            remaining -= skipped * layout.stride;
        if (storedBytes > remaining) return false;
        convertRow(bytes + (size - remaining), out, layout);
    }
    return true;
}

}  // namespace mqo::detail
