// MqoModel: finding a texture file on Windows, the system the documents'
// names were written for: backslash folders and any letter case find the
// file as they are, so the name opens as written.
#include <cstdio>

#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

FILE* mqoOpenTextureFileAs(const char* path, unsigned how) {
    return (how & MQO_LOOKUP_REGULAR) != 0 ? mqoOpenRegularFile(path) : mqoOpenFile(path, "rb");
}

}  // namespace mqo::detail
