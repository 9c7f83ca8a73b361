// MqoModel: objects staged with the corner normals of corner_normals.cpp.
//
// The builder gives a corner its vertex's normal when that lies within the
// object's facet of the face, so it draws any corner normals unchanged from
// an object in which every numbered corner has a vertex of its own carrying
// its normal and whose facet no angle reaches. That object is made here and
// handed to the builder as it is; faces the builder would skip are left out
// of it, since they give no triangle and shape no normal either way.
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/mesh/mesh_internal.h"

namespace mqo::detail {

namespace {

// Radians: beyond pi, so every corner keeps its vertex's normal.
const float kKeepEveryNormal = 4.0f;

struct Split {
    ObjectEntry object;  // the corners as vertices, the numbered faces
    float (*normals)[3];
};

void release(Split* s) {
    std::free(s->object.vertices);
    std::free(s->object.faces);
    std::free(s->normals);
}

// Copies the numbered faces of object, each corner given the next vertex.
void fillSplit(const ObjectEntry* object, int materialCount, Split* s) {
    int corner = 0, faces = 0;
    for (int i = 0; i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        if (!mqoFaceNumbered(face, object->vertexCount, materialCount)) continue;
        FaceEntry& out = s->object.faces[faces++];
        out = face;
        for (int c = 0; c < face.vertexCount; ++c, ++corner) {
            std::memcpy(s->object.vertices[corner], object->vertices[face.vertex[c]],
                        sizeof(float[3]));
            out.vertex[c] = corner;
        }
    }
    s->object.faceCount = faces;
}

// The split object of object with its corner normals; false (nothing held)
// when it cannot be made.
bool makeSplit(const ObjectEntry* object, int materialCount, Split* s) {
    std::memset(s, 0, sizeof *s);
    if (object->vertexCount > 0 && object->vertices == nullptr) return false;
    const int corners = mqoCountCorners(object, materialCount);
    if (corners < 0) return false;
    s->object = *object;
    s->object.facet = kKeepEveryNormal;
    s->object.vertices = nullptr;
    s->object.faces = nullptr;
    s->object.vertexCount = corners;
    s->object.faceCount = 0;
    if (corners == 0) return true;
    // Numbered faces have at least 3 corners, so there are fewer faces than
    // corners; corners is an int, so none of these sizes can wrap size_t.
    const size_t count = static_cast<size_t>(corners);
    s->object.vertices = static_cast<float(*)[3]>(mqoMalloc(count * sizeof(float[3])));
    s->normals = static_cast<float(*)[3]>(mqoMalloc(count * sizeof(float[3])));
    s->object.faces = static_cast<FaceEntry*>(mqoMalloc((count / 3) * sizeof(FaceEntry)));
    if (s->object.vertices == nullptr || s->normals == nullptr || s->object.faces == nullptr ||
        !mqoCornerNormals(object, materialCount, corners, s->normals)) {
        release(s);
        return false;
    }
    fillSplit(object, materialCount, s);
    return true;
}

}  // namespace

void mqoStageSmoothObjects(MqoStagedObject* staged, ObjectEntry* objects, int objectCount,
                           MaterialEntry* materials, int materialCount, double scale,
                           unsigned char alpha) {
    const int numbered = materials != nullptr ? materialCount : 1;
    for (int i = 0; i < objectCount; ++i) {
        Split s;
        if (!makeSplit(&objects[i], numbered, &s)) {
            mqoStageObjects(&staged[i], &objects[i], 1, materials, materialCount, scale, alpha);
            continue;
        }
        mqoStageObject(&s.object, &staged[i], s.normals, materials, materialCount, scale, alpha);
        release(&s);
    }
}

}  // namespace mqo::detail
