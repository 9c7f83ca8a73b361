// The reference reader builds a document's objects one after another on the
// reading thread, as it was first written.
#include "mqo/mesh/mesh_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

void mqoStageDocumentObjects(MqoStagedObject* staged, ObjectEntry* objects, int count,
                             MaterialEntry* materials, int materialCount, bool smooth, double scale,
                             unsigned char alpha) {
    if (smooth) {
        mqoStageSmoothObjects(staged, objects, count, materials, materialCount, scale, alpha);
    } else {
        mqoStageObjects(staged, objects, count, materials, materialCount, scale, alpha);
    }
}

void mqoSetStageRunSmallest(int64_t) {}

}  // namespace mqo::detail
