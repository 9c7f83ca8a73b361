// MqoModel: the GL side of the mesh builder: staged objects appended to a
// model slot, their batches uploaded into buffer objects, the object limit.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/MqoModelGL.h"
#include "mqo/gl/gl_internal.h"
#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// A compact batch's indices into an element buffer, which is left unbound;
// with both buffers made, GL holds the only copies the batch needs.
void uploadIndices(MaterialBatch* batch) {
    GLuint name = 0;
    mqo::glGenBuffersARB(1, &name);
    batch->indexBufferName = name;
    mqo::glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, name);
    mqo::glBufferDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB,
                         static_cast<GLsizeiptrARB>(static_cast<size_t>(batch->indexSize) *
                                                    static_cast<size_t>(batch->indexCount)),
                         batch->indices, GL_STATIC_DRAW_ARB);
    mqo::glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    if (name == 0 || batch->bufferName == 0) return;
    mqoFreeBatchArrays(batch);
}

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
    if (batch->indexCount > 0) uploadIndices(batch);
}

// Takes a staged object into target: texture names, then uploads. False
// (target holding the header alone) for an object that was not built.
bool takeObject(MeshObject* target, MqoStagedObject* staged, const MaterialEntry* materials) {
    *target = staged->object;
    bool built = staged->state == MQO_STAGED_BUILT;
    std::memset(staged, 0, sizeof *staged);
    if (!built) return false;
    for (int k = 0; k < target->batchCount; ++k) {
        MaterialBatch* batch = &target->batches[k];
        if (batch->vertexCount <= 0) continue;
        if (batch->hasTexture && materials != nullptr) {
            batch->textureName = static_cast<uint32_t>(materials[k].textureId);
        }
        uploadBatch(batch);
    }
    return true;
}

// Appends one staged object to model's next slot, as the slot would have
// been built in place: uploads, then the object limit.
void realiseObject(MeshModel* model, MqoStagedObject* staged, const MaterialEntry* materials) {
    if (staged->state == MQO_STAGED_NONE) return;
    MqoLoadReport* report = mqoLoadReport();
    if (model->objectCount < 0 || model->objectCount >= MQO_MAX_OBJECTS) {
        mqoDiscardStagedObject(staged);
        if (report != nullptr && report->objectsPastLimit < INT_MAX) report->objectsPastLimit += 1;
        return;
    }
    MeshObject* target = &model->objects[model->objectCount];
    if (!takeObject(target, staged, materials)) return;
    model->objectCount += 1;
    if (model->objectCount >= MQO_MAX_OBJECTS) {
        mqoMessage(MQO_MSG_OBJECT_LIMIT, model->objectCount);
        mqoReleaseObject(target);
        model->objectCount = MQO_MAX_OBJECTS - 1;
        if (report != nullptr && report->objectsPastLimit < INT_MAX) report->objectsPastLimit += 1;
    }
}

}  // namespace

void mqoFreeBatchArrays(MaterialBatch* batch) {
    // Both vertex arrays are owned; only one is ever set, but freeing
    // whichever is there cannot leak when a caller set the other.
    std::free(batch->texturedVertices);
    batch->texturedVertices = nullptr;
    std::free(batch->plainVertices);
    batch->plainVertices = nullptr;
    std::free(batch->indices);
    batch->indices = nullptr;
}

void mqoRealiseAllObjects(MeshModel* model, MqoStagedObject* staged, int count,
                          const MaterialEntry* materials) {
    int i = 0;
    if (model->objectCount < 0 || model->objectCount >= MQO_MAX_OBJECTS) {
        while (i < count) mqoDiscardStagedObject(&staged[i++]);  // a damaged record
        return;
    }
    while (i < count && model->objectCount < MQO_MAX_OBJECTS - 1) {
        realiseObject(model, &staged[i++], materials);
    }
    if (i >= count) return;
    int have = model->extraObjectCount;
    // Both counts are bounded by the objects the documents read could hold;
    // realloc is asked for no more than their sum.
    if (count - i > INT_MAX - have) {
        while (i < count) mqoDiscardStagedObject(&staged[i++]);
        return;
    }
    size_t room = static_cast<size_t>(have + (count - i));
    auto* grown =
        static_cast<MeshObject*>(mqoRealloc(model->extraObjects, room * sizeof(MeshObject)));
    if (grown == nullptr) {
        while (i < count) mqoDiscardStagedObject(&staged[i++]);  // dropped: out of memory
        return;
    }
    model->extraObjects = grown;
    for (; i < count; ++i) {
        if (staged[i].state == MQO_STAGED_NONE) continue;
        MeshObject* target = &grown[model->extraObjectCount];
        if (takeObject(target, &staged[i], materials)) model->extraObjectCount += 1;
    }
}

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

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
