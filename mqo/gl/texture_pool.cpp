// MqoModel: the texture pool.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/MqoModelGL.h"
#include "mqo/gl/gl_internal.h"
#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// What a slot was read under, beside the slots (whose layout callers may
// rely on): a request matches a slot only when all of it is the same. The
// document's folder counts only when the search uses it.
struct SlotSource {
    uint32_t features;
    char package[MQO_POOL_PATH_SIZE];
    bool searchesFolder;
    char folder[MQO_POOL_PATH_SIZE];
};
SlotSource slotSources[MQO_TEXTURE_POOL_SIZE];

// The request's SlotSource; false, naming what does not fit, when a name
// is too long to keep.
bool describeSource(const MqoReadContext& read, SlotSource* out) {
    *out = SlotSource();
    out->features = read.features & MQO_IMAGE_FEATURES;
    out->searchesFolder =
        (out->features & MQO_FEATURE_TEXTURE_SEARCH) != 0 && read.directory != nullptr;
    const char* names[2] = {read.package != nullptr ? read.package : "",
                            out->searchesFolder ? read.directory : ""};
    char* kept[2] = {out->package, out->folder};
    for (int i = 0; i < 2; ++i) {
        if (std::strlen(names[i]) >= MQO_POOL_PATH_SIZE) {
            mqoMessage(MQO_MSG_READ_ERROR, MQO_LIBRARY_NAME, names[i]);
            return false;
        }
        std::strcpy(kept[i], names[i]);
    }
    return true;
}

bool sameSource(const SlotSource& a, const SlotSource& b) {
    return a.features == b.features && a.searchesFolder == b.searchesFolder &&
           std::strcmp(a.package, b.package) == 0 && std::strcmp(a.folder, b.folder) == 0;
}

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

int mqoRequestTexture(char* texturePath, char* alphaPath, unsigned char alpha,
                      const MqoReadContext& read) {
    SlotSource from;
    if (!describeSource(read, &from)) return -1;
    // A path that cannot be stored whole could never be matched again, so
    // it would take a fresh slot on every request: refuse it up front.
    if (!fitsSlot(texturePath) || !fitsSlot(alphaPath)) {
        mqoMessage(MQO_MSG_READ_ERROR, MQO_LIBRARY_NAME,
                   fitsSlot(texturePath) ? alphaPath : texturePath);
        return -1;
    }
    for (int32_t i = 0; i < texturePoolCount && i < MQO_TEXTURE_POOL_SIZE; ++i) {
        TexturePoolEntry* slot = &texturePool[i];
        if (slot->alpha == alpha && pathMatches(texturePath, slot->texturePath) &&
            pathMatches(alphaPath, slot->alphaPath) && sameSource(slotSources[i], from)) {
            return static_cast<int>(slot->textureName);
        }
    }
    if (texturePoolCount >= MQO_TEXTURE_POOL_SIZE) {
        mqoMessage(MQO_MSG_POOL_FULL, MQO_LIBRARY_NAME);
        return -1;
    }

    TexturePoolEntry* slot = &texturePool[texturePoolCount];
    MqoReadContext within = read;
    if (within.widestTexture == nullptr) within.widestTexture = driverTextureLimit;
    unsigned char* image = mqoDecodeTexture(texturePath, alphaPath, &slot->size, alpha, within);
    if (image == nullptr) return -1;  // the slot stays free for a later try

    // Copied after reading, so the slot holds the names as the reader renamed them.
    if (texturePath != nullptr) std::strcpy(slot->texturePath, texturePath);
    if (alphaPath != nullptr) std::strcpy(slot->alphaPath, alphaPath);
    slot->alpha = alpha;
    slotSources[texturePoolCount] = from;

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

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

TexturePoolEntry texturePool[MQO_TEXTURE_POOL_SIZE] = {};

int32_t texturePoolCount = 0;

int mqoSetTexturePool(char* texturePath, char* alphaPath, unsigned char alpha) {
    return mqoRequestTexture(texturePath, alphaPath, alpha, MqoReadContext());
}

void mqoReleaseTexturePool(void) {
    for (int32_t i = 0; i < texturePoolCount && i < MQO_TEXTURE_POOL_SIZE; ++i) {
        glDeleteTextures(1, &texturePool[i].textureName);
    }
    std::memset(texturePool, 0, sizeof texturePool);
    std::memset(slotSources, 0, sizeof slotSources);
    texturePoolCount = 0;
}

unsigned char* mqoReadTextureImage(char* texturePath, char* alphaPath, int* size,
                                   unsigned char alpha) {
    MqoReadContext read;
    read.widestTexture = driverTextureLimit;
    return mqoDecodeTexture(texturePath, alphaPath, size, alpha, read);
}
