// MqoModel: a .mqoz package's document: which entry it is, read into memory
// as the stream the document reader reads.
#include <cstring>

#include "mqo/file_bytes.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// The part of path after its last folder separator.
const char* baseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* backslash = std::strrchr(path, '\\');
    if (backslash != nullptr && (slash == nullptr || backslash > slash)) slash = backslash;
    return slash != nullptr ? slash + 1 : path;
}

// The entry holding the document: of the names ending in ".mqo", the one
// whose base name is the package's ("a.mqoz" holds "a.mqo"), else the first.
zip_int64_t findDocument(zip_t* archive, const char* package) {
    const char* stem = baseName(package);
    const size_t stemLength = std::strlen(stem) - std::strlen(".mqoz");
    zip_int64_t first = -1;
    const zip_uint64_t entries = mqoArchiveEntriesToScan(archive);
    for (zip_uint64_t i = 0; i < entries; ++i) {
        const char* name = zip_get_name(archive, i, ZIP_FL_ENC_RAW);
        if (name == nullptr) continue;
        if (!mqoEndsWithIgnoringCase(name, ".mqo")) continue;
        const char* base = baseName(name);
        const size_t baseLength = std::strlen(base) - std::strlen(".mqo");
        if (baseLength == stemLength && mqoSameIgnoringCase(base, stem, stemLength)) {
            return static_cast<zip_int64_t>(i);
        }
        if (first < 0) first = static_cast<zip_int64_t>(i);
    }
    return first;
}

}  // namespace

bool mqoIsPackagePath(const char* path) {
    return path != nullptr && mqoEndsWithIgnoringCase(path, ".mqoz");
}

MqoStream* mqoOpenPackageDocument(const char* package, MqoParsedModel* parsed) {
    // The GL stage keys pooled textures by the package's path in a slot of
    // this size; a longer path could not name the textures' source.
    if (std::strlen(package) >= sizeof parsed->package) return nullptr;
    zip_t* archive = mqoOpenArchive(package);
    if (archive == nullptr) return nullptr;
    const zip_int64_t index = findDocument(archive, package);
    unsigned char* bytes = nullptr;
    size_t size = 0;
    const bool read = index >= 0 && mqoReadArchiveEntry(archive, static_cast<zip_uint64_t>(index),
                                                        MQO_PACKAGE_DOCUMENT_BYTES, &bytes, &size);
    MqoStream* stream = read ? mqoOpenStreamMemory(bytes, size) : nullptr;
    if (stream != nullptr) {
        // Texture names are joined to the document's folder inside the package.
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
        parsed->directoryFits = mqoDirectoryOf(name, parsed->directory);
        std::strcpy(parsed->package, package);
    }
    zip_discard(archive);
    return stream;
}

}  // namespace mqo::detail
