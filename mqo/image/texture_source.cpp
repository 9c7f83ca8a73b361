// MqoModel: where a texture request's files are opened from under the
// complete reading profile: the file system or the document's package, by
// the name as written and, for Shift_JIS names, by its UTF-8 form.
#include "mqo/internal.h"

namespace {

// Converted names may grow by half again; this holds any that a pool slot's
// name could become, and more.
const size_t kConvertedBytes = 4 * MQO_POOL_PATH_SIZE;

FILE* openAsWritten(const char* path, const MqoTextureSource* source) {
    if (source->package != nullptr && source->package[0] != '\0') {
        return mqoOpenPackageEntry(source->package, path);
    }
    return mqoOpenTextureFile(path);
}

}  // namespace

FILE* mqoOpenTextureSource(const char* path, const MqoTextureSource* source) {
    if (source == nullptr) return mqoOpenTextureFile(path);
    if (path == nullptr) return nullptr;
    FILE* file = openAsWritten(path, source);
    if (file != nullptr || (source->features & MQO_FEATURE_UTF8_NAMES) == 0 || mqoIsUtf8(path)) {
        return file;
    }
    char converted[kConvertedBytes];
    if (!mqoUtf8PathFromCp932(path, converted, sizeof converted)) return nullptr;
    return openAsWritten(converted, source);
}
