// MqoModel: JPEG files through TurboJPEG, into an RGBA image.
#include <turbojpeg.h>

#include "mqo/image/image_internal.h"

namespace mqo::detail {

namespace {

MqoImageStatus decode(tjhandle handle, const unsigned char* bytes, size_t size,
                      MqoImageLimits* limits, MqoImage* image) {
    // TurboJPEG takes the length as unsigned long; files are at most
    // MQO_MAX_IMAGE_BYTES, far below its maximum.
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle, bytes, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colourspace) != 0)
        return MQO_IMAGE_DAMAGED;
    if (width <= 0 || height <= 0 ||
        !limits->fits(static_cast<uint32_t>(width), static_cast<uint32_t>(height)))
        return MQO_IMAGE_DAMAGED;
    if (!mqoAllocateImage(image, width, height)) return MQO_IMAGE_DAMAGED;
    // A warning (a truncated or corrupt stream) fails too: damaged files
    // are refused, not patched. LIMITSCANS refuses progressive files with
    // absurd scan counts, which would take minutes of work on a few bytes.
    const int flags = TJFLAG_LIMITSCANS | TJFLAG_STOPONWARNING;
    if (tjDecompress2(handle, bytes, static_cast<unsigned long>(size), image->rgba, width,
                      width * 4, height, TJPF_RGBA, flags) != 0)
        return MQO_IMAGE_DAMAGED;
    return MQO_IMAGE_OK;
}

}  // namespace

MqoImageStatus mqoDecodeJpeg(const unsigned char* bytes, size_t size, MqoImageLimits* limits,
                             MqoImage* image) {
    tjhandle handle = tjInitDecompress();
    if (handle == nullptr) return MQO_IMAGE_DAMAGED;
    MqoImageStatus status = decode(handle, bytes, size, limits, image);
    tjDestroy(handle);
    if (status != MQO_IMAGE_OK) mqoFreeImage(image);
    return status;
}

}  // namespace mqo::detail
