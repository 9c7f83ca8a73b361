// MqoModel: an image of any width and height scaled to the pool's square
// block, so texture coordinates 0..1 span the whole picture.
//
// Bilinear: the texture's square has the side of its longer edge, so the
// texture is only ever stretched (never shrunk) and bilinear weights give a
// smooth result with no aliasing to filter out; the edge pixels map onto
// the block's edges exactly. Only an alpha plane larger than its texture is
// shrunk, where sampling is acceptable for a transparency mask.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mqo/image/image_internal.h"
#include "mqo/memory.h"

namespace mqo::detail {

namespace {

// Where destination pixel i of side samples a source of n pixels: the two
// source pixels and the second one's weight in 1/256ths. Pixel centres are
// aligned: source position (i + 0.5) * n / side - 0.5, clamped to the edges.
struct Tap {
    int first, second, weight;
};

Tap tapFor(int i, int n, int side) {
    int64_t pos =
        ((2 * static_cast<int64_t>(i) + 1) * n * 256) / (2 * static_cast<int64_t>(side)) - 128;
    if (pos < 0) pos = 0;
    Tap t;
    t.first = static_cast<int>(pos >> 8);
    t.weight = static_cast<int>(pos & 255);
    if (t.first >= n - 1) {
        t.first = n - 1;
        t.weight = 0;
    }
    t.second = t.first + (t.weight > 0 ? 1 : 0);
    return t;
}

void blendRow(const unsigned char* row0, const unsigned char* row1, int weightY, const Tap* taps,
              int side, unsigned char* out) {
    for (int x = 0; x < side; ++x, out += 4) {
        const unsigned char* a = row0 + static_cast<size_t>(taps[x].first) * 4;
        const unsigned char* b = row0 + static_cast<size_t>(taps[x].second) * 4;
        const unsigned char* c = row1 + static_cast<size_t>(taps[x].first) * 4;
        const unsigned char* d = row1 + static_cast<size_t>(taps[x].second) * 4;
        const uint32_t wx = static_cast<uint32_t>(taps[x].weight);
        const uint32_t wy = static_cast<uint32_t>(weightY);
        for (int k = 0; k < 4; ++k) {
            // Each sum is at most 255 * 256 * 256: well inside 32 bits.
            uint32_t top = a[k] * (256 - wx) + b[k] * wx;
            uint32_t bottom = c[k] * (256 - wx) + d[k] * wx;
            out[k] = static_cast<unsigned char>((top * (256 - wy) + bottom * wy + 32768) >> 16);
        }
    }
}

}  // namespace

unsigned char* mqoResampleSquare(const MqoImage& image, int side) {
    // side <= 32767: side * side * 4 fits in size_t; the caller bounded it
    // by MQO_MAX_IMAGE_BYTES.
    const size_t rowBytes = static_cast<size_t>(side) * 4;
    auto* block = static_cast<unsigned char*>(mqoMalloc(rowBytes * static_cast<size_t>(side)));
    auto* taps = static_cast<Tap*>(mqoMalloc(sizeof(Tap) * static_cast<size_t>(side)));
    if (block == nullptr || taps == nullptr) {
        std::free(block);
        std::free(taps);
        return nullptr;
    }
    if (image.width == side && image.height == side) {
        std::memcpy(block, image.rgba, rowBytes * static_cast<size_t>(side));
    } else {
        const size_t inRow = static_cast<size_t>(image.width) * 4;
        for (int x = 0; x < side; ++x) taps[x] = tapFor(x, image.width, side);
        for (int y = 0; y < side; ++y) {
            Tap t = tapFor(y, image.height, side);
            blendRow(image.rgba + static_cast<size_t>(t.first) * inRow,
                     image.rgba + static_cast<size_t>(t.second) * inRow, t.weight, taps, side,
                     block + static_cast<size_t>(y) * rowBytes);
        }
    }
    std::free(taps);
    return block;
}

}  // namespace mqo::detail
