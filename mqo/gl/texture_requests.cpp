// MqoModel: texture requests for a parsed document's materials: each
// textured material's files, joined to the document's folder, go to the pool.
#include <cstdio>
#include <cstring>

#include "mqo/MqoModelGL.h"
#include "mqo/gl/gl_internal.h"
#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Joins directory and name into out (256 bytes); a name with ":" stands
// alone. False when the result would not fit or the directory is unusable.
bool joinPath(const char* directory, bool directoryFits, const char* name, char out[256]) {
    if (std::strchr(name, ':') != nullptr) {
        std::snprintf(out, 256, "%s", name);
        return true;
    }
    if (!directoryFits) return false;
    size_t dirLength = std::strlen(directory), nameLength = std::strlen(name);
    if (nameLength > 255 - dirLength) return false;
    std::memcpy(out, directory, dirLength);
    std::memcpy(out + dirLength, name, nameLength + 1);
    return true;
}

}  // namespace

void mqoResolveTextures(MaterialEntry* materials, int count, unsigned char alpha,
                        const MqoReadContext& read) {
    const char* directory = read.directory != nullptr ? read.directory : "";
    const bool directoryFits = read.directory != nullptr;
    for (int i = 0; materials != nullptr && i < count; ++i) {
        MaterialEntry& m = materials[i];
        if (m.useTexture == 0) continue;
        char texturePath[256], alphaPath[256];
        const bool hasAlpha = m.alphaFile[0] != '\0';
        // A path that cannot be written in 256 bytes names no file this
        // library can open: it fails as a missing texture would.
        const char* failed = nullptr;
        if (!joinPath(directory, directoryFits, m.textureFile, texturePath)) {
            failed = m.textureFile;
        } else if (hasAlpha && !joinPath(directory, directoryFits, m.alphaFile, alphaPath)) {
            failed = m.alphaFile;
        }
        if (failed != nullptr) {
            mqoMessage(MQO_MSG_READ_ERROR, MQO_LIBRARY_NAME, failed);
            m.textureId = -1;
            mqoReportTexture(read, m.textureFile);
            continue;
        }
        m.textureId = mqoRequestTexture(texturePath, hasAlpha ? alphaPath : nullptr, alpha, read);
        if (m.textureId == -1) mqoReportTexture(read, m.textureFile);
    }
}

}  // namespace mqo::detail
