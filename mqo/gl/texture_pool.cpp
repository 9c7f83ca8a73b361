// MqoModel: the texture pool.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/internal.h"

TexturePoolEntry texturePool[MQO_TEXTURE_POOL_SIZE];
int32_t texturePoolCount = 0;

namespace {
// The image features and package each slot was read under, beside the
// slots (whose layout callers may rely on): a request matches a slot only
// when both are the same.
uint32_t slotFeatures[MQO_TEXTURE_POOL_SIZE];
char slotPackage[MQO_TEXTURE_POOL_SIZE][MQO_POOL_PATH_SIZE];
}  // namespace

namespace {

// The driver's texture size limit; 0 when no context answers.
int driverTextureLimit() {
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    return limit;
}

// A null request path matches whatever the slot stored.
bool pathMatches(const char* requested, const char* stored) {
    return requested == nullptr || std::strcmp(requested, stored) == 0;
}

bool fitsSlot(const char* path) {
    return path == nullptr || std::strlen(path) < MQO_POOL_PATH_SIZE;
}

}  // namespace

int mqoSetTexturePool(char* texturePath, char* alphaPath, unsigned char alpha) {
    return mqoRequestTexture(texturePath, alphaPath, alpha, nullptr);
}

int mqoRequestTexture(char* texturePath, char* alphaPath, unsigned char alpha,
                      const MqoTextureSource* source) {
    const uint32_t features = source != nullptr ? source->features & MQO_IMAGE_FEATURES : 0;
    const char* package = source != nullptr && source->package != nullptr ? source->package : "";
    if (std::strlen(package) >= MQO_POOL_PATH_SIZE) {
        std::printf(MQO_MSG_READ_ERROR, MQO_LIBRARY_NAME, package);
        return -1;
    }
    // A path that cannot be stored whole could never be matched again, so
    // it would take a fresh slot on every request: refuse it up front.
    if (!fitsSlot(texturePath) || !fitsSlot(alphaPath)) {
        std::printf(MQO_MSG_READ_ERROR, MQO_LIBRARY_NAME,
                    fitsSlot(texturePath) ? alphaPath : texturePath);
        return -1;
    }
    for (int32_t i = 0; i < texturePoolCount && i < MQO_TEXTURE_POOL_SIZE; ++i) {
        TexturePoolEntry* slot = &texturePool[i];
        if (slot->alpha == alpha && pathMatches(texturePath, slot->texturePath) &&
            pathMatches(alphaPath, slot->alphaPath) && slotFeatures[i] == features &&
            std::strcmp(slotPackage[i], package) == 0) {
            return static_cast<int>(slot->textureName);
        }
    }
    if (texturePoolCount >= MQO_TEXTURE_POOL_SIZE) {
        std::printf(MQO_MSG_POOL_FULL, MQO_LIBRARY_NAME);
        return -1;
    }

    TexturePoolEntry* slot = &texturePool[texturePoolCount];
    unsigned char* image = features == 0
                               ? mqoReadTextureImage(texturePath, alphaPath, &slot->size, alpha)
                               : mqoDecodeTextureImageEx(texturePath, alphaPath, &slot->size, alpha,
                                                         driverTextureLimit, source);
    if (image == nullptr) return -1;  // the slot stays free for a later try

    // Copied after reading, so the slot holds the names as the reader renamed them.
    if (texturePath != nullptr) std::strcpy(slot->texturePath, texturePath);
    if (alphaPath != nullptr) std::strcpy(slot->alphaPath, alphaPath);
    slot->alpha = alpha;
    slotFeatures[texturePoolCount] = features;
    std::strcpy(slotPackage[texturePoolCount], package);

    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGenTextures(1, &slot->textureName);
    glBindTexture(GL_TEXTURE_2D, slot->textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, slot->size, slot->size, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image);

    ++texturePoolCount;
    std::free(image);
    glBindTexture(GL_TEXTURE_2D, 0);
    return static_cast<int>(slot->textureName);
}

void mqoReleaseTexturePool(void) {
    for (int32_t i = 0; i < texturePoolCount && i < MQO_TEXTURE_POOL_SIZE; ++i) {
        glDeleteTextures(1, &texturePool[i].textureName);
    }
    std::memset(texturePool, 0, sizeof texturePool);
    std::memset(slotFeatures, 0, sizeof slotFeatures);
    std::memset(slotPackage, 0, sizeof slotPackage);
    texturePoolCount = 0;
}

unsigned char* mqoReadTextureImage(char* texturePath, char* alphaPath, int* size,
                                   unsigned char alpha) {
    return mqoDecodeTextureImage(texturePath, alphaPath, size, alpha, driverTextureLimit);
}
