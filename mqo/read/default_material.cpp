// MqoModel: the default material, appended for faces that name none.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

bool needsDefault(const FaceEntry& face, bool documentHasMaterials) {
    return face.material < 0 || !documentHasMaterials;
}

}  // namespace

void mqoAddDefaultMaterial(MaterialEntry** materials, int* materialCount, ObjectEntry* objects,
                           int objectCount) {
    const bool hasMaterials = *materials != nullptr && *materialCount > 0;
    bool needed = false;
    for (int i = 0; i < objectCount && !needed; ++i) {
        for (int f = 0; objects[i].faces != nullptr && f < objects[i].faceCount && !needed; ++f) {
            needed = needsDefault(objects[i].faces[f], hasMaterials);
        }
    }
    const int index = hasMaterials ? *materialCount : 0;
    // The list grows by one entry; its count came from the document, so only
    // the last int and the bytes of the new size can overflow.
    if (!needed || index == INT_MAX ||
        static_cast<size_t>(index) + 1 > SIZE_MAX / sizeof(MaterialEntry)) {
        return;
    }
    auto* grown = static_cast<MaterialEntry*>(
        mqoRealloc(*materials, (static_cast<size_t>(index) + 1) * sizeof(MaterialEntry)));
    if (grown == nullptr) return;
    std::memset(&grown[index], 0, sizeof(MaterialEntry));
    mqoReadMaterialLine("", &grown[index]);
    for (int i = 0; i < objectCount; ++i) {
        for (int f = 0; objects[i].faces != nullptr && f < objects[i].faceCount; ++f) {
            FaceEntry& face = objects[i].faces[f];
            if (needsDefault(face, hasMaterials)) face.material = index;
        }
    }
    *materials = grown;
    *materialCount = index + 1;
}

}  // namespace mqo::detail
