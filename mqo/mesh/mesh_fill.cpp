// MqoModel: filling material batches with triangles.
//
// One pass over an object's faces fills all of its batches, each through its
// own write cursor, so every batch receives its faces in face order, exactly
// as a pass per material would give them.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "mqo/mesh/mesh_internal.h"

namespace mqo::detail {

namespace {

// What every corner of one fill reads.
struct FillSource {
    const FaceEntry* faces;
    int faceCount;
    float (*vertices)[3];
    int vertexCount;
    float (*vertexNormals)[3];
    const MqoFaceNormals* faceNormals;  // null: computed face by face
    MqoFacetTest facet;
    double scale;
};

void setUv(TexturedVertex& v, const float uv[2]) {
    v.uv[0] = uv[0];
    v.uv[1] = uv[1];
}
void setUv(PlainVertex&, const float[2]) {}

// Inlined: it runs for every corner, and a call costs as much as its work.
template <typename Vertex>
__attribute__((always_inline)) inline void emitCorner(Vertex& out, const FillSource& s,
                                                      const FaceEntry& face, int c,
                                                      const float faceNormal[3]) {
    int index = face.vertex[c];
    const float* p = s.vertices[index];
    const float* n = s.vertexNormals[index];
    float d = faceNormal[0] * n[0] + faceNormal[1] * n[1] + faceNormal[2] * n[2];
    const float* chosen = mqoKeepsSmoothNormal(s.facet, d) ? n : faceNormal;
    for (int i = 0; i < 3; ++i) {
        out.position[i] = static_cast<float>(p[i] * s.scale);
        out.normal[i] = chosen[i];
    }
    setUv(out, &face.uv[2 * c]);
}

// Writes the 3 or 6 vertices of face i from out on.
template <typename Vertex>
void emitFace(Vertex* out, const FillSource& s, int i) {
    const FaceEntry& face = s.faces[i];
    const int* c = face.vertex;
    float computed[2][3];
    const float* first = computed[0];
    const float* second = computed[1];
    if (s.faceNormals != nullptr) {
        first = s.faceNormals[i][0];
        second = s.faceNormals[i][1];
    } else {
        mqoFaceNormal(s.vertices[c[0]], s.vertices[c[1]], s.vertices[c[2]], computed[0]);
        if (face.vertexCount == 4) {
            mqoFaceNormal(s.vertices[c[0]], s.vertices[c[2]], s.vertices[c[3]], computed[1]);
        }
    }
    emitCorner(out[0], s, face, 0, first);
    emitCorner(out[1], s, face, 1, first);
    emitCorner(out[2], s, face, 2, first);
    if (face.vertexCount == 4) {
        emitCorner(out[3], s, face, 0, second);
        emitCorner(out[4], s, face, 2, second);
        emitCorner(out[5], s, face, 3, second);
    }
}

// Fills batches[0 .. count - 1] with the faces of materials first ..
// first + count - 1, cursor[m] being where batch m writes next.
void fillPass(MaterialBatch* batches, int first, int count, int* cursor, const FillSource& s) {
    for (int i = 0; i < s.faceCount; ++i) {
        const FaceEntry& face = s.faces[i];
        // Unsigned, so that materials below first wrap to large values and
        // first + count cannot overflow.
        unsigned m = static_cast<unsigned>(face.material) - static_cast<unsigned>(first);
        if (m >= static_cast<unsigned>(count)) continue;
        MaterialBatch& batch = batches[m];
        bool textured = batch.hasTexture != 0;
        if (textured ? batch.texturedVertices == nullptr : batch.plainVertices == nullptr) continue;
        if (!mqoFaceUsable(face, s.vertexCount, INT_MAX)) continue;
        int emitted = mqoEmittedVertices(face);
        // The counting pass skipped the faces that did not fit, in the same
        // order, so this keeps the fill within vertexCount.
        if (emitted == 0 || emitted > batch.vertexCount - cursor[m]) continue;
        if (textured) {
            emitFace(batch.texturedVertices + cursor[m], s, i);
        } else {
            emitFace(batch.plainVertices + cursor[m], s, i);
        }
        cursor[m] += emitted;
    }
}

// Zeroes the vertices from the given one to the end of the batch's array.
// The counting pass and the fill agree, so normally nothing is left.
void zeroRest(MaterialBatch* batch, int from) {
    if (from >= batch->vertexCount) return;
    size_t offset = static_cast<size_t>(from);
    size_t rest = static_cast<size_t>(batch->vertexCount - from);
    if (batch->hasTexture && batch->texturedVertices != nullptr) {
        std::memset(batch->texturedVertices + offset, 0, rest * sizeof(TexturedVertex));
    } else if (!batch->hasTexture && batch->plainVertices != nullptr) {
        std::memset(batch->plainVertices + offset, 0, rest * sizeof(PlainVertex));
    }
}

bool sourceUsable(const FillSource& s) {
    return s.faces != nullptr && s.vertices != nullptr && s.vertexNormals != nullptr;
}

}  // namespace

void mqoSetBatchColour(MaterialBatch* batch, const float colourSource[4], unsigned char alpha) {
    for (int i = 0; i < 4; ++i) batch->color[i] = colourSource[i];
    if (!batch->hasTexture && alpha != 255) {
        batch->color[3] = static_cast<float>(alpha) * (1.0f / 255.0f);
    }
}

void mqoFillBatches(MeshObject* target, const ObjectEntry* object, float (*vertexNormals)[3],
                    const MqoFaceNormals* faceNormals, double facet, double scale) {
    FillSource s = {object->faces, object->faceCount, object->vertices,       object->vertexCount,
                    vertexNormals, faceNormals,       mqoFacetTestFor(facet), scale};
    int batchCount = target->batchCount;
    if (batchCount <= 0) return;
    bool usable = sourceUsable(s);
    // The batch count is at most the material count; most documents have few.
    int local[64];
    int* cursor =
        batchCount <= 64
            ? local
            : static_cast<int*>(std::calloc(static_cast<size_t>(batchCount), sizeof(int)));
    if (cursor == nullptr) {
        // Out of memory for the cursors: a pass per batch gives the same.
        for (int k = 0; k < batchCount; ++k) {
            int one = 0;
            if (usable) fillPass(&target->batches[k], k, 1, &one, s);
            zeroRest(&target->batches[k], one);
        }
        return;
    }
    std::memset(cursor, 0, sizeof(int) * static_cast<size_t>(batchCount));
    if (usable) fillPass(target->batches, 0, batchCount, cursor, s);
    for (int k = 0; k < batchCount; ++k) zeroRest(&target->batches[k], cursor[k]);
    if (cursor != local) std::free(cursor);
}

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

void mqoFillBatch(MaterialBatch* batch, int k, FaceEntry* faces, int faceCount,
                  float (*vertices)[3], int vertexCount, float (*vertexNormals)[3], double facet,
                  const float colorSource[4], double scale, unsigned char alpha) {
    if (batch == nullptr || colorSource == nullptr) return;
    mqoSetBatchColour(batch, colorSource, alpha);
    FillSource s = {
        faces, faceCount, vertices, vertexCount, vertexNormals, nullptr, mqoFacetTestFor(facet),
        scale};
    if (!sourceUsable(s)) return;
    int cursor = 0;
    fillPass(batch, k, 1, &cursor, s);
}
