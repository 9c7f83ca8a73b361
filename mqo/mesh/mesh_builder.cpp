// MqoModel: the mesh builder: objects made of material batches, built on any
// thread; mesh_upload.cpp gives them their buffer objects.
//
// Every object becomes one triangle array per material. Faces that name a
// vertex the object does not have, or a material the document does not have,
// are left out of everything (normals, counting and filling), so the counting
// pass and the fill always agree and nothing outside the arrays is read.
// The normals are in mesh_normals.cpp, the fill in mesh_fill.cpp.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/mesh/mesh_internal.h"

namespace mqo::detail {

namespace {

const float kDefaultColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};

// Counts the vertices of every usable face into its batch; returns false
// when the batch array cannot be allocated.
bool countBatches(const ObjectEntry* object, int materialCount, MeshObject* target) {
    int batchCount = 0;
    for (int i = 0; object->faces != nullptr && i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        if (face.material < 0 || !mqoFaceUsable(face, object->vertexCount, materialCount)) continue;
        if (face.material + 1 > batchCount) batchCount = face.material + 1;
    }
    target->batchCount = 0;
    target->batches = nullptr;
    if (batchCount == 0) return true;
    // batchCount is at most the material count, which the reader bounds by
    // the document's size.
    auto* batches = static_cast<MaterialBatch*>(
        mqoCalloc(static_cast<size_t>(batchCount), sizeof(MaterialBatch)));
    if (batches == nullptr) return false;
    for (int i = 0; i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        if (face.material < 0 || !mqoFaceUsable(face, object->vertexCount, materialCount)) continue;
        int& count = batches[face.material].vertexCount;
        int emitted = mqoEmittedVertices(face);
        // A face that would overflow the count is left out; the fill skips it
        // the same way.
        if (emitted > INT_MAX - count) continue;
        count += emitted;
    }
    target->batches = batches;
    target->batchCount = batchCount;
    return true;
}

// Gives every non-empty batch its array and material, then fills them all.
void buildBatches(MeshObject* target, const ObjectEntry* object, float (*vertexNormals)[3],
                  const MqoFaceNormals* faceNormals, MaterialEntry* materials, double scale,
                  unsigned char alpha) {
    for (int k = 0; k < target->batchCount; ++k) {
        MaterialBatch* batch = &target->batches[k];
        batch->hasMaterial = materials != nullptr ? 1 : 0;
        if (batch->vertexCount <= 0) continue;
        int hasTexture = materials != nullptr ? (materials[k].useTexture != 0 ? 1 : 0) : 0;
        // Not zeroed here: the fill writes every vertex (and zeroes any it
        // does not reach), so zeroing first would only write it all twice.
        // A 32-bit count times 32 bytes cannot overflow size_t.
        size_t count = static_cast<size_t>(batch->vertexCount);
        if (hasTexture) {
            batch->texturedVertices =
                static_cast<TexturedVertex*>(mqoMalloc(count * sizeof(TexturedVertex)));
        } else {
            batch->plainVertices =
                static_cast<PlainVertex*>(mqoMalloc(count * sizeof(PlainVertex)));
        }
        if (batch->texturedVertices == nullptr && batch->plainVertices == nullptr) {
            // Out of memory: the batch stays empty, drawn and released as none.
            batch->vertexCount = 0;
            continue;
        }
        batch->hasTexture = hasTexture;
        const float* colourSource = kDefaultColour;
        if (materials != nullptr) {
            const MaterialEntry& m = materials[k];
            std::memcpy(batch->diffuse, m.diffuse, sizeof batch->diffuse);
            std::memcpy(batch->ambient, m.ambient, sizeof batch->ambient);
            std::memcpy(batch->emission, m.emission, sizeof batch->emission);
            std::memcpy(batch->specular, m.specular, sizeof batch->specular);
            batch->power = m.power;
            colourSource = m.color;
        }
        mqoSetBatchColour(batch, colourSource, alpha);
    }
    mqoFillBatches(target, object, vertexNormals, faceNormals, object->facet, scale);
}

// Builds one object into staged; faceNormals (null: computed in the fill)
// holds the normals of its faces as the smoothing pass found them.
void stageObject(ObjectEntry* object, MqoStagedObject* staged, float (*vertexNormals)[3],
                 const MqoFaceNormals* faceNormals, MaterialEntry* materials, int materialCount,
                 double scale, unsigned char alpha) {
    std::memset(staged, 0, sizeof *staged);
    // Without normals only an object without vertices can be built: then no
    // face is usable and no normal is read.
    if (object == nullptr || (vertexNormals == nullptr && object->vertexCount > 0)) return;
    if (materials == nullptr) materialCount = 1;

    MeshObject* target = &staged->object;
    std::memcpy(target->name, object->name, sizeof target->name);
    target->name[sizeof target->name - 1] = '\0';
    target->visible = object->visible;
    target->flatShading = object->shading == 0 ? 1 : 0;
    staged->state = MQO_STAGED_HEADER;
    if (!countBatches(object, materialCount, target)) return;
    buildBatches(target, object, vertexNormals, faceNormals, materials, scale, alpha);
    staged->state = MQO_STAGED_BUILT;
}

// Normals working space, kept across the objects of one document so that
// each object does not allocate its own.
struct NormalSpace {
    float (*vertexNormals)[3];
    int vertexRoom;
    MqoFaceNormals* faceNormals;
    int faceRoom;
};

// Fresh zero vertex normals for the object, or null (no vertices, or out of
// memory), as mqoVertexNormals gives them.
float (*vertexNormalsFor(NormalSpace* space, const ObjectEntry* object))[3] {
    if (object->vertexCount <= 0 || object->vertices == nullptr) return nullptr;
    size_t count = static_cast<size_t>(object->vertexCount);
    if (object->vertexCount > space->vertexRoom) {
        std::free(space->vertexNormals);
        space->vertexRoom = 0;
        // A 32-bit count times 12 bytes cannot overflow size_t here.
        space->vertexNormals = static_cast<float(*)[3]>(mqoMalloc(count * sizeof(float[3])));
        if (space->vertexNormals == nullptr) return nullptr;
        space->vertexRoom = object->vertexCount;
    }
    std::memset(space->vertexNormals, 0, count * sizeof(float[3]));
    return space->vertexNormals;
}

// Room for the object's face normals, or null when it cannot be had; the
// fill then computes them again.
MqoFaceNormals* faceNormalsFor(NormalSpace* space, const ObjectEntry* object) {
    if (object->faces == nullptr || object->faceCount <= 0) return nullptr;
    if (object->faceCount > space->faceRoom) {
        std::free(space->faceNormals);
        space->faceRoom = 0;
        space->faceNormals = static_cast<MqoFaceNormals*>(
            mqoMalloc(static_cast<size_t>(object->faceCount) * sizeof(MqoFaceNormals)));
        if (space->faceNormals == nullptr) return nullptr;
        space->faceRoom = object->faceCount;
    }
    return space->faceNormals;
}

}  // namespace

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

void mqoStageObjects(MqoStagedObject* staged, ObjectEntry* objects, int objectCount,
                     MaterialEntry* materials, int materialCount, double scale,
                     unsigned char alpha) {
    int normalMaterials = materials != nullptr ? materialCount : 1;
    NormalSpace space = {nullptr, 0, nullptr, 0};
    for (int i = 0; i < objectCount; ++i) {
        ObjectEntry* object = &objects[i];
        float(*normals)[3] = vertexNormalsFor(&space, object);
        MqoFaceNormals* faceNormals = nullptr;
        if (normals != nullptr) {
            faceNormals = faceNormalsFor(&space, object);
            mqoSmoothNormals(object, normalMaterials, normals, faceNormals);
        }
        stageObject(object, &staged[i], normals, faceNormals, materials, materialCount, scale,
                    alpha);
    }
    std::free(space.vertexNormals);
    std::free(space.faceNormals);
}

void mqoStageObject(ObjectEntry* object, MqoStagedObject* staged, float (*vertexNormals)[3],
                    MaterialEntry* materials, int materialCount, double scale,
                    unsigned char alpha) {
    stageObject(object, staged, vertexNormals, nullptr, materials, materialCount, scale, alpha);
}
