// MqoModel: where a texture request's files are opened from under the
// complete reading profile.
#include "mqo/internal.h"

FILE* mqoOpenTextureSource(const char* path, const MqoTextureSource* source) {
    (void)source;
    return mqoOpenTextureFile(path);
}
