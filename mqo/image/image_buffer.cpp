// MqoModel: the complete profile's image buffers and the size limits every
// decoder checks before it allocates.
#include <algorithm>
#include <cstdlib>

#include "mqo/image/image_internal.h"
#include "mqo/memory.h"

namespace mqo::detail {

void mqoFreeImage(MqoImage* image) {
    if (image == nullptr) return;
    std::free(image->rgba);
    *image = MqoImage();
}

int MqoImageLimits::widest() {
    if (widest_ == 0) {
        int limit = widestTexture_ != nullptr ? widestTexture_() : 0;
        widest_ = limit > 0 && limit < MQO_WIDEST_IMAGE ? limit : MQO_WIDEST_IMAGE;
    }
    return widest_;
}

bool MqoImageLimits::fits(uint32_t width, uint32_t height) {
    const uint32_t widestSide = static_cast<uint32_t>(widest());
    if (width == 0 || height == 0 || width > widestSide || height > widestSide) return false;
    // side <= 32767, so side * side * 4 < 2^32: no overflow in 64 bits. The
    // image itself (width * height <= side * side) is then within bounds too.
    const uint64_t side = std::max(width, height);
    return side * side * 4 <= MQO_MAX_IMAGE_BYTES;
}

bool mqoAllocateImage(MqoImage* image, int width, int height) {
    // fits() has bounded width * height * 4 by MQO_MAX_IMAGE_BYTES.
    image->rgba = static_cast<unsigned char*>(
        mqoCalloc(static_cast<size_t>(width) * static_cast<size_t>(height), 4));
    if (image->rgba == nullptr) return false;
    image->width = width;
    image->height = height;
    return true;
}

}  // namespace mqo::detail
