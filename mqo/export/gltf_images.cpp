// MqoModel glTF writer: texture images, each read once. A PNG or JPEG file
// with no alpha plane is copied as it is; anything else (BMP, TGA, a
// texture with an alpha plane) is taken as the library decodes it, the
// plane folded into its alpha, and encoded to PNG.
#include <cstdlib>
#include <cstring>
#include <new>

#include "mqo/export/export_internal.h"
#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// As the GL stage joins a name to the document's folder: a drive-qualified
// name stands alone. False when the result would not fit.
bool joinPath(const MqoParsedModel& p, const char* name, char out[256]) {
    if (std::strchr(name, ':') != nullptr) {
        std::snprintf(out, 256, "%s", name);
        return true;
    }
    if (p.directoryFits == 0) return false;
    const size_t dir = std::strlen(p.directory), n = std::strlen(name);
    if (n > 255 - dir) return false;
    std::memcpy(out, p.directory, dir);
    std::memcpy(out + dir, name, n + 1);
    return true;
}

// The document's textures are read as a load reads them: its features,
// package and folder, with the writer's report and sink.
MqoReadContext sourceOf(const MqoParsedModel& p) { return mqoParsedContext(mqoAmbientRead(), p); }

// The file's bytes as the library finds it; empty when it does not open.
MqoFileBytes readBytes(const char* path, const MqoReadContext& source) {
    MqoFileBytes file;
    if (FILE* in = mqoOpenTextureSource(path, source)) {
        mqoReadFileBytes(in, &file);
        std::fclose(in);
    }
    return file;
}

uint32_t big32(const unsigned char* b) {
    return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
}

// True when the PNG's chunks before its pixels hold what glTF leaves out:
// colour-space information (glTF images are sRGB), animation, or pixels
// that are not square. Such a file is taken as decoded instead.
bool pngHasUnsupportedChunks(const MqoFileBytes& f) {
    static const char* const unsupported[] = {"iCCP", "sRGB", "gAMA", "cHRM", "cICP", "acTL"};
    for (size_t at = 8; f.size - at >= 12;) {
        const uint32_t length = big32(f.data + at);
        const unsigned char* type = f.data + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0) return false;
        for (const char* name : unsupported) {
            if (std::memcmp(type, name, 4) == 0) return true;
        }
        if (std::memcmp(type, "pHYs", 4) == 0 && length >= 8 && length <= f.size - at - 12 &&
            big32(f.data + at + 8) != big32(f.data + at + 12)) {
            return true;
        }
        // Checked as "needed > remaining", so a huge length cannot wrap.
        if (length > f.size - at - 12) return false;
        at += 12 + size_t{length};
    }
    return false;
}

const char* copiedType(const MqoFileBytes& f) {
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (f.size >= 8 && std::memcmp(f.data, png, 8) == 0) {
        return pngHasUnsupportedChunks(f) ? nullptr : "image/png";
    }
    if (f.size >= 3 && f.data[0] == 0xff && f.data[1] == 0xd8 && f.data[2] == 0xff)
        return "image/jpeg";
    return nullptr;
}

}  // namespace

int MqoGltfImages::imageFor(const MaterialEntry& m, bool* hasAlpha) {
    *hasAlpha = false;
    char texturePath[256], alphaPath[256];
    const bool withAlpha = m.alphaFile[0] != '\0';
    if (!joinPath(*parsed_, m.textureFile, texturePath) ||
        (withAlpha && !joinPath(*parsed_, m.alphaFile, alphaPath))) {
        return -1;
    }
    std::string key = std::string(texturePath) + '\n' + (withAlpha ? alphaPath : "");
    for (const Entry& e : seen_) {
        if (e.key == key) {
            *hasAlpha = e.hasAlpha;
            return e.image;
        }
    }
    const int image = readImage(texturePath, withAlpha ? alphaPath : nullptr, hasAlpha);
    seen_.push_back({key, image, *hasAlpha});
    return image;
}

int MqoGltfImages::readImage(char* texturePath, char* alphaPath, bool* hasAlpha) {
    const MqoReadContext source = sourceOf(*parsed_);
    int side = -1;
    unsigned char* block = mqoDecodeTexture(texturePath, alphaPath, &side, 255, source);
    if (block == nullptr || side <= 0) {
        std::free(block);
        return -1;
    }
    const size_t texels = static_cast<size_t>(side) * static_cast<size_t>(side);
    for (size_t i = 0; i < texels && !*hasAlpha; ++i) *hasAlpha = block[4 * i + 3] != 255;
    MqoFileBytes file = readBytes(texturePath, source);
    bytesRead_ += file.size;
    if (alphaPath != nullptr) {
        MqoFileBytes plane = readBytes(alphaPath, source);
        bytesRead_ += plane.size;
        mqoFreeFileBytes(&plane);
    }
    MqoGltfImage image;
    const char* type = alphaPath == nullptr ? copiedType(file) : nullptr;
    bool made = true;
    try {
        if (type != nullptr) {
            image.bytes.assign(file.data, file.data + file.size);
            image.mimeType = type;
            image.copied = true;
        } else {
            image.mimeType = "image/png";
            made = mqoEncodePng(block, side, !*hasAlpha, &image.bytes);
        }
        if (made) images_.push_back(std::move(image));
    } catch (const std::bad_alloc&) {
        outOfMemory_ = true;
        made = false;
    }
    mqoFreeFileBytes(&file);
    std::free(block);
    return made ? static_cast<int>(images_.size()) - 1 : -1;
}

}  // namespace mqo::detail
