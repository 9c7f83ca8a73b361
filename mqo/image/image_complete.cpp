// MqoModel: texture images as the complete reading profile reads them.
#include "mqo/internal.h"

unsigned char* mqoDecodeTextureImageEx(char* texturePath, char* alphaPath, int* size,
                                       unsigned char alpha, int (*widestTexture)(void),
                                       const MqoTextureSource* source) {
    (void)source;
    return mqoDecodeTextureImage(texturePath, alphaPath, size, alpha, widestTexture);
}
