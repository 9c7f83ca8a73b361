// MqoModel: one texture or alpha file opened, read and handed to the decoder
// its format and the load's feature bits call for.
#include <cstdio>

#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

MqoImageStatus decodeBytes(const MqoFileBytes& file, MqoFileKind kind, bool isAlpha,
                           const MqoReadContext& read, MqoImageLimits* limits, MqoImage* image) {
    const bool layout = (read.features & MQO_FEATURE_IMAGE_LAYOUT) != 0;
    switch (kind) {
        case MQO_FILE_PNG:
            return mqoDecodePng(file.data, file.size, limits, image);
        case MQO_FILE_JPEG:
            return mqoDecodeJpeg(file.data, file.size, limits, image);
        case MQO_FILE_TGA:
            return layout
                       ? mqoDecodeTgaLayout(file.data, file.size, limits, image)
                       : mqoDecodeBmpTgaSquare(file.data, file.size, true, isAlpha, limits, image);
        case MQO_FILE_BMP:
            return layout
                       ? mqoDecodeBmpLayout(file.data, file.size, limits, image)
                       : mqoDecodeBmpTgaSquare(file.data, file.size, false, isAlpha, limits, image);
    }
    return MQO_IMAGE_UNSUPPORTED;
}

// The messages and outcomes of a file's kind before it is decoded; OK when
// it is to be decoded.
MqoImageStatus screenKind(MqoFileKind kind, bool isAlpha, const MqoReadContext& read,
                          const char* path) {
    // Alpha planes are TGA or PNG, as in the exact reader.
    if (isAlpha && kind != MQO_FILE_TGA && kind != MQO_FILE_PNG) {
        mqoMessage(MQO_MSG_ALPHA_TYPE, path);
        return MQO_IMAGE_SKIPPED;
    }
    if ((kind == MQO_FILE_PNG || kind == MQO_FILE_JPEG) &&
        !(read.features & MQO_FEATURE_PNG_JPEG)) {
        mqoMessage(MQO_MSG_FORMAT, path);
        return MQO_IMAGE_SKIPPED;
    }
    return MQO_IMAGE_OK;
}

}  // namespace

MqoImageStatus mqoReadImageFile(const char* path, bool isAlpha, const MqoReadContext& read,
                                MqoImageLimits* limits, MqoImage* image) {
    char beside[MQO_POOL_PATH_SIZE];
    FILE* in = mqoOpenTextureSource(path, read, beside);
    if (in == nullptr) {
        mqoMessage(MQO_MSG_READ_ERROR, MQO_LIBRARY_NAME, beside[0] != '\0' ? beside : path);
        return MQO_IMAGE_SKIPPED;
    }
    MqoFileBytes file;
    const bool bytesRead = mqoReadFileBytes(in, &file);
    std::fclose(in);
    if (!bytesRead) return MQO_IMAGE_DAMAGED;
    const MqoFileKind kind = mqoFileKind(file, path);
    MqoImageStatus status = screenKind(kind, isAlpha, read, path);
    if (status == MQO_IMAGE_OK) status = decodeBytes(file, kind, isAlpha, read, limits, image);
    // A variant the header names but no reader here takes is a format not read.
    if (status == MQO_IMAGE_UNSUPPORTED) mqoMessage(MQO_MSG_FORMAT, path);
    mqoFreeFileBytes(&file);
    return status;
}

}  // namespace mqo::detail
