// MqoModel: texture images as the complete reading profile reads them: each
// file decoded at its own size, then made the pool's square block.
#include <algorithm>
#include <cstdlib>

#include "mqo/image/image_internal.h"
#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Grey level of an RGB pixel (weights summing to 256: grey stays grey).
unsigned char greyLevel(const unsigned char* p) {
    return static_cast<unsigned char>((77u * p[0] + 150u * p[1] + 29u * p[2]) >> 8);
}

// image as a side x side block; an image already that size gives up its
// pixels rather than being copied.
unsigned char* squareBlock(MqoImage* image, int side) {
    if (image->width != side || image->height != side) return mqoResampleSquare(*image, side);
    unsigned char* pixels = image->rgba;
    image->rgba = nullptr;
    return pixels;
}

// Sets A from the plane scaled to the block: its alpha when it has one,
// else its grey level; at most alpha either way.
bool applyPlane(unsigned char* block, int side, MqoImage* plane, unsigned char alpha) {
    unsigned char* scaled = squareBlock(plane, side);
    if (scaled == nullptr) return false;
    const size_t bytes = static_cast<size_t>(side) * side * 4;
    for (size_t i = 0; i < bytes; i += 4) {
        unsigned char value = plane->hasAlpha ? scaled[i + 3] : greyLevel(scaled + i);
        block[i + 3] = std::min(value, alpha);
    }
    std::free(scaled);
    return true;
}

// The block of the texture (its longer side squared), or of the plane alone
// (R G B zero) when there is no texture; null when neither was read.
unsigned char* combine(MqoImage* texture, MqoImage* plane, unsigned char alpha, int* size) {
    const MqoImage* base = texture->rgba != nullptr ? texture : plane;
    if (base->rgba == nullptr) return nullptr;
    // fits() bounded this side's square by MQO_MAX_IMAGE_BYTES.
    const int side = std::max(base->width, base->height);
    const size_t bytes = static_cast<size_t>(side) * side * 4;
    unsigned char* block = texture->rgba != nullptr
                               ? squareBlock(texture, side)
                               : static_cast<unsigned char*>(mqoCalloc(bytes, 1));
    if (block == nullptr) return nullptr;
    // Pixels a short file left out keep A 0, as in the exact reader.
    if (alpha != 255)
        for (size_t i = 3; i < bytes; i += 4) block[i] = std::min(block[i], alpha);
    if (plane->rgba != nullptr && !applyPlane(block, side, plane, alpha)) {
        std::free(block);
        return nullptr;
    }
    *size = side;
    return block;
}

bool failed(MqoImageStatus status) {
    return status == MQO_IMAGE_DAMAGED || status == MQO_IMAGE_UNSUPPORTED;
}

}  // namespace

unsigned char* mqoDecodeTexture(char* texturePath, char* alphaPath, int* size, unsigned char alpha,
                                const MqoReadContext& read) {
    // Packages and converted names need the files opened through the
    // context; with neither, nor a decoding bit, the exact reader reads as
    // it always has.
    if (!(read.features & MQO_IMAGE_FEATURES))
        return mqoDecodeTextureImage(texturePath, alphaPath, size, alpha, read.widestTexture);
    MqoImageLimits limits(read.widestTexture);
    MqoImage texture, plane;
    bool error = texturePath != nullptr &&
                 failed(mqoReadImageFile(texturePath, false, read, &limits, &texture));
    if (!error && alphaPath != nullptr)
        error = failed(mqoReadImageFile(alphaPath, true, read, &limits, &plane));
    int side = -1;
    unsigned char* block = error ? nullptr : combine(&texture, &plane, alpha, &side);
    mqoFreeImage(&texture);
    mqoFreeImage(&plane);
    if (size != nullptr) *size = block != nullptr ? side : -1;
    return block;
}

}  // namespace mqo::detail
