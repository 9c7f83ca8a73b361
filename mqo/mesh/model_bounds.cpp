// MqoModel: the box around a model's corners. Walks the records directly
// (objects[] then extraObjects, as mqoModelObject counts them) so that it
// stays in the CPU stage and needs no GL context.
#include "mqo/MqoModel.h"

namespace {

struct Box {
    float min[3];
    float max[3];
    bool any;
};

void include(Box* box, const float p[3]) {
    // A NaN would make every later comparison false; pass the corner over.
    if (p[0] != p[0] || p[1] != p[1] || p[2] != p[2]) return;
    for (int k = 0; k < 3; ++k) {
        if (!box->any || p[k] < box->min[k]) box->min[k] = p[k];
        if (!box->any || p[k] > box->max[k]) box->max[k] = p[k];
    }
    box->any = true;
}

// A vertexCount <= 0 walks nothing, whatever the arrays hold.
void includeBatch(Box* box, const MaterialBatch& batch) {
    if (batch.hasTexture) {
        if (batch.texturedVertices == nullptr) return;
        for (int32_t i = 0; i < batch.vertexCount; ++i) {
            include(box, batch.texturedVertices[i].position);
        }
    } else {
        if (batch.plainVertices == nullptr) return;
        for (int32_t i = 0; i < batch.vertexCount; ++i) {
            include(box, batch.plainVertices[i].position);
        }
    }
}

void includeObjects(Box* box, const MeshObject* objects, int count, int visibleOnly) {
    for (int o = 0; objects != nullptr && o < count; ++o) {
        const MeshObject& object = objects[o];
        if (visibleOnly && object.visible == 0) continue;
        for (int b = 0; object.batches != nullptr && b < object.batchCount; ++b) {
            includeBatch(box, object.batches[b]);
        }
    }
}

}  // namespace

int mqoModelBounds(const MeshModel* model, int visibleOnly, float min[3], float max[3]) {
    if (model == nullptr || min == nullptr || max == nullptr) return 0;
    Box box = {{0, 0, 0}, {0, 0, 0}, false};
    // The counted objects only: a slot holding 49 may keep an uncounted
    // fiftieth that the model does not draw.
    int own = model->objectCount < 0 ? 0 : model->objectCount;
    if (own > MQO_MAX_OBJECTS - 1) own = MQO_MAX_OBJECTS - 1;
    includeObjects(&box, model->objects, own, visibleOnly);
    includeObjects(&box, model->extraObjects, model->extraObjectCount, visibleOnly);
    if (!box.any) return 0;
    for (int k = 0; k < 3; ++k) {
        min[k] = box.min[k];
        max[k] = box.max[k];
    }
    return 1;
}
