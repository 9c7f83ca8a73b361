// MqoModel: palette BMPs: the palette, and uncompressed rows (1, 4 or 8
// bits a pixel, padded to 4 bytes) into an RGBA image.
#include <cstring>

#include "mqo/image/image_internal.h"

namespace mqo::detail {

namespace {

// The index of pixel x in a stored row; the leftmost pixel of a byte lies in
// its high bits.
unsigned indexAt(const unsigned char* row, int x, int depth) {
    const int perByte = 8 / depth;
    const int shift = 8 - depth * (x % perByte + 1);
    return (row[x / perByte] >> shift) & ((1u << depth) - 1u);
}

}  // namespace

bool mqoReadBmpPalette(const unsigned char* bytes, size_t size, size_t at, uint32_t count,
                       int entryBytes, MqoIndexedLayout* layout) {
    // No index reaches past 2^depth entries: more are not read.
    const uint32_t indices = 1u << layout->depth;
    const uint32_t used = count == 0 || count > indices ? indices : count;
    // used x entryBytes is at most 1024.
    if (at > size || used * static_cast<size_t>(entryBytes) > size - at) return false;
    for (auto& colour : layout->colours) {
        colour[0] = colour[1] = colour[2] = 0;
        colour[3] = 255;
    }
    for (uint32_t k = 0; k < used; ++k) {
        const unsigned char* entry = bytes + at + k * static_cast<size_t>(entryBytes);
        // Stored B G R (and a reserved byte the file's alpha is not).
        layout->colours[k][0] = entry[2];
        layout->colours[k][1] = entry[1];
        layout->colours[k][2] = entry[0];
    }
    return true;
}

bool mqoCopyIndexedRows(const unsigned char* bytes, size_t size, const MqoIndexedLayout& layout,
                        MqoImage* image) {
    const size_t bits = static_cast<size_t>(layout.width) * layout.depth;
    const size_t stride = (bits + 31) / 32 * 4, rowBytes = (bits + 7) / 8;
    // Both sides are at most 32767 and depth at most 8: stride x height is
    // below 2^31, so the last row's end cannot overflow.
    const size_t needed = stride * (layout.height - 1) + rowBytes;
    // Checked before allocating: a short file claims no memory.
    if (layout.offset > size || needed > size - layout.offset) return false;
    if (!mqoAllocateImage(image, layout.width, layout.height)) return false;
    for (int r = 0; r < layout.height; ++r) {
        // Memory row 0 is the picture's top row.
        const int y = layout.topDown ? r : layout.height - 1 - r;
        const unsigned char* in = bytes + layout.offset + static_cast<size_t>(r) * stride;
        unsigned char* out = image->rgba + static_cast<size_t>(y) * layout.width * 4;
        for (int x = 0; x < layout.width; ++x)
            std::memcpy(out + 4 * x, layout.colours[indexAt(in, x, layout.depth)], 4);
    }
    return true;
}

}  // namespace mqo::detail
