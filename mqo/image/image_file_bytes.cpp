// MqoModel: a texture file read whole for the complete profile's decoders,
// and its format told from its first bytes.
#include <cstdlib>
#include <cstring>

#include "mqo/file_bytes.h"
#include "mqo/file_read.h"
#include "mqo/image/image_internal.h"
#include "mqo/memory.h"

namespace mqo::detail {

namespace {

const size_t FIRST_READ = 64 * 1024;

}  // namespace

void mqoFreeFileBytes(MqoFileBytes* file) {
    if (file == nullptr) return;
    std::free(file->data);
    *file = MqoFileBytes();
}

bool mqoReadFileBytes(FILE* in, MqoFileBytes* file) {
    size_t capacity = 0;
    for (;;) {
        if (file->size == capacity) {
            // Doubling up to the bound: capacity never exceeds
            // MQO_MAX_IMAGE_BYTES + 1, so the sizes below cannot overflow.
            if (capacity > MQO_MAX_IMAGE_BYTES) break;
            size_t grown = capacity == 0 ? FIRST_READ : capacity * 2;
            if (grown > MQO_MAX_IMAGE_BYTES) grown = MQO_MAX_IMAGE_BYTES + 1;
            auto* data = static_cast<unsigned char*>(mqoRealloc(file->data, grown));
            if (data == nullptr) break;
            file->data = data;
            capacity = grown;
        }
        bool failed = false;
        const size_t want = capacity - file->size;
        const size_t got = mqoFileRead(in, file->data + file->size, want, &failed);
        file->size += got;
        if (failed) break;  // a read error (a folder opens, then fails to read): nothing held
        if (got < want) {
            if (file->size <= MQO_MAX_IMAGE_BYTES) return true;
            break;
        }
    }
    mqoFreeFileBytes(file);
    return false;
}

MqoFileKind mqoFileKind(const MqoFileBytes& file, const char* name) {
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    static const unsigned char jpeg[3] = {0xFF, 0xD8, 0xFF};
    if (file.size >= 8 && std::memcmp(file.data, png, 8) == 0) return MQO_FILE_PNG;
    if (file.size >= 3 && std::memcmp(file.data, jpeg, 3) == 0) return MQO_FILE_JPEG;
    // Not a PNG or JPEG by content: the name decides, BMP when it says nothing.
    if (mqoEndsWithIgnoringCase(name, ".tga")) return MQO_FILE_TGA;
    if (mqoEndsWithIgnoringCase(name, ".png")) return MQO_FILE_PNG;
    if (mqoEndsWithIgnoringCase(name, ".jpg") || mqoEndsWithIgnoringCase(name, ".jpeg"))
        return MQO_FILE_JPEG;
    return MQO_FILE_BMP;
}

}  // namespace mqo::detail
