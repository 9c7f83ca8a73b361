// The complete profile's texture files: read whole, their format told, and
// decoded by the feature bits. Not installed.
#ifndef MQO_IMAGE_IMAGE_COMPLETE_FILE_H
#define MQO_IMAGE_IMAGE_COMPLETE_FILE_H

#include <cstdio>

#include "mqo/image/image_complete.h"
#include "mqo/internal.h"

struct MqoFileBytes {
    unsigned char* data = nullptr;
    size_t size = 0;
};

// Reads the rest of in; false (and nothing held) on a read error, when out
// of memory, or past MQO_MAX_IMAGE_BYTES.
bool mqoReadFileBytes(FILE* in, MqoFileBytes* file);
// Frees and empties; accepts null.
void mqoFreeFileBytes(MqoFileBytes* file);

enum MqoFileKind { MQO_FILE_BMP, MQO_FILE_TGA, MQO_FILE_PNG, MQO_FILE_JPEG };

// PNG and JPEG by their signatures, else by the name's extension; BMP when
// neither tells.
MqoFileKind mqoFileKind(const MqoFileBytes& file, const char* name);

// Opens, reads and decodes one texture or alpha file as source's features
// say, printing the library's messages: MQO_IMAGE_SKIPPED when the file is
// left out (it does not open, or is of a format or kind not read here), as
// the exact reader leaves such files out.
MqoImageStatus mqoReadImageFile(const char* path, bool isAlpha, const MqoTextureSource* source,
                                MqoImageLimits* limits, MqoImage* image);

#endif  // MQO_IMAGE_IMAGE_COMPLETE_FILE_H
