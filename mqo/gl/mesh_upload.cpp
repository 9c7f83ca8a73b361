// MqoModel: the GL side of the mesh builder: staged objects appended to a
// model slot, their batches uploaded into buffer objects, the object limit.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/internal.h"

namespace {

void uploadBatch(MaterialBatch* batch) {
    if (!mqoBuffersUsable()) return;
    size_t stride = batch->hasTexture ? sizeof(TexturedVertex) : sizeof(PlainVertex);
    const void* data = batch->hasTexture ? static_cast<const void*>(batch->texturedVertices)
                                         : static_cast<const void*>(batch->plainVertices);
    GLuint name = 0;
    mqo::glGenBuffersARB(1, &name);
    batch->bufferName = name;
    mqo::glBindBufferARB(GL_ARRAY_BUFFER_ARB, name);
    mqo::glBufferDataARB(
        GL_ARRAY_BUFFER_ARB,
        static_cast<GLsizeiptrARB>(stride * static_cast<size_t>(batch->vertexCount)), data,
        GL_STATIC_DRAW_ARB);
}

// Appends one staged object to model's next slot, as the slot would have
// been built in place: uploads, then the object limit.
void realiseObject(MeshModel* model, MqoStagedObject* staged, const MaterialEntry* materials) {
    if (staged->state == MQO_STAGED_NONE) return;
    if (model->objectCount < 0 || model->objectCount >= MQO_MAX_OBJECTS) {
        mqoDiscardStagedObject(staged);
        return;
    }
    MeshObject* target = &model->objects[model->objectCount];
    *target = staged->object;
    bool built = staged->state == MQO_STAGED_BUILT;
    std::memset(staged, 0, sizeof *staged);
    if (!built) return;
    for (int k = 0; k < target->batchCount; ++k) {
        MaterialBatch* batch = &target->batches[k];
        if (batch->vertexCount <= 0) continue;
        if (batch->hasTexture && materials != nullptr) {
            batch->textureName = static_cast<uint32_t>(materials[k].textureId);
        }
        uploadBatch(batch);
    }
    model->objectCount += 1;
    if (model->objectCount >= MQO_MAX_OBJECTS) {
        std::printf(MQO_MSG_OBJECT_LIMIT, model->objectCount);
        mqoReleaseObject(target);
        model->objectCount = MQO_MAX_OBJECTS - 1;
    }
}

}  // namespace

void mqoRealiseObjects(MeshModel* model, MqoStagedObject* staged, int count,
                       const MaterialEntry* materials) {
    for (int i = 0; i < count; ++i) realiseObject(model, &staged[i], materials);
}

void mqoBuildObject(ObjectEntry* object, MeshModel* model, float (*vertexNormals)[3],
                    MaterialEntry* materials, int materialCount, double scale,
                    unsigned char alpha) {
    if (object == nullptr || model == nullptr) return;
    if (model->objectCount < 0 || model->objectCount >= MQO_MAX_OBJECTS) return;
    MqoStagedObject staged;
    mqoStageObject(object, &staged, vertexNormals, materials, materialCount, scale, alpha);
    realiseObject(model, &staged, materials);
}

void mqoBuildObjects(MeshModel* model, ObjectEntry* objects, int objectCount,
                     MaterialEntry* materials, int materialCount, double scale,
                     unsigned char alpha) {
    if (model == nullptr || objects == nullptr) return;
    // A table's worth at a time: each object is built, then uploaded, in
    // order, as the document reader's two stages do it.
    MqoStagedObject staged[MQO_MAX_OBJECTS];
    for (int first = 0; first < objectCount; first += MQO_MAX_OBJECTS) {
        int n = objectCount - first < MQO_MAX_OBJECTS ? objectCount - first : MQO_MAX_OBJECTS;
        mqoStageObjects(staged, objects + first, n, materials, materialCount, scale, alpha);
        mqoRealiseObjects(model, staged, n, materials);
    }
}
