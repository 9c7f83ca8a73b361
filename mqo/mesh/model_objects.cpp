// MqoModel: walking a model's objects (objects[], then extraObjects) and
// the box around their corners; CPU stage, no GL context needed.
#include "mqo/MqoModel.h"

namespace mqo::detail {

namespace {

// The objects of objects[] in use: objectCount, kept within the limit so a
// damaged record reads nothing beyond the array (and a slot holding 49 does
// not show the uncounted fiftieth it may keep).
int ownObjects(const MeshModel* model) {
    int count = model->objectCount < 0 ? 0 : model->objectCount;
    return count > MQO_MAX_OBJECTS - 1 ? MQO_MAX_OBJECTS - 1 : count;
}

int extraObjects(const MeshModel* model) {
    return model->extraObjects != nullptr && model->extraObjectCount > 0 ? model->extraObjectCount
                                                                         : 0;
}

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

void includeObject(Box* box, const MeshObject& object) {
    for (int b = 0; object.batches != nullptr && b < object.batchCount; ++b) {
        includeBatch(box, object.batches[b]);
    }
}

}  // namespace

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

int mqoModelObjectCount(const MeshModel* model) {
    return model != nullptr ? ownObjects(model) + extraObjects(model) : 0;
}

MeshObject* mqoModelObject(MeshModel* model, int index) {
    if (model == nullptr || index < 0) return nullptr;
    if (index < ownObjects(model)) return &model->objects[index];
    index -= ownObjects(model);
    return index < extraObjects(model) ? &model->extraObjects[index] : nullptr;
}

int mqoModelBounds(const MeshModel* model, int visibleOnly, float min[3], float max[3]) {
    if (model == nullptr || min == nullptr || max == nullptr) return 0;
    Box box = {{0, 0, 0}, {0, 0, 0}, false};
    MeshModel* walked = const_cast<MeshModel*>(model);  // read only
    for (int o = 0; o < mqoModelObjectCount(model); ++o) {
        const MeshObject& object = *mqoModelObject(walked, o);
        if (!visibleOnly || object.visible != 0) includeObject(&box, object);
    }
    if (!box.any) return 0;
    for (int k = 0; k < 3; ++k) {
        min[k] = box.min[k];
        max[k] = box.max[k];
    }
    return 1;
}
