// The mesh builder as first written, one pass over the faces per material:
// the reference that the faster builder must match byte for byte. Its objects
// are uploaded by the library's own GL stage.
//
// Every object becomes one triangle array per material. Faces that name a
// vertex the object does not have, or a material the document does not have,
// are left out of everything (normals, counting and filling), so the two
// passes over the faces always agree and nothing outside the arrays is read.
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/MqoModelStages.h"

namespace mqo::detail {

namespace {

const float kDefaultColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};

// The corners whose indices the builder reads: 3 or 4, none for any other
// vertex count.
int cornersOf(const FaceEntry& face) {
    return face.vertexCount == 3 || face.vertexCount == 4 ? face.vertexCount : 0;
}

bool faceUsable(const FaceEntry& face, int vertexCount, int materialCount) {
    if (face.material >= materialCount) return false;
    int corners = cornersOf(face);
    for (int c = 0; c < corners; ++c) {
        if (face.vertex[c] < 0 || face.vertex[c] >= vertexCount) return false;
    }
    return true;
}

int emittedVertices(const FaceEntry& face) {
    return face.vertexCount == 3 ? 3 : face.vertexCount == 4 ? 6 : 0;
}

void addTo(float sum[3], const float n[3]) {
    sum[0] += n[0];
    sum[1] += n[1];
    sum[2] += n[2];
}

struct Corner {
    const float* position;
    const float* smoothed;
    const float* uv;
};

void emitCorner(MaterialBatch* batch, int j, const Corner& corner, const float faceNormal[3],
                double facet, double scale) {
    const float* n = corner.smoothed;
    float d = faceNormal[0] * n[0] + faceNormal[1] * n[1] + faceNormal[2] * n[2];
    const float* chosen = facet >= mqoSafeAcos(d) ? n : faceNormal;
    float* position;
    float* normal;
    if (batch->hasTexture) {
        TexturedVertex& v = batch->texturedVertices[j];
        position = v.position;
        normal = v.normal;
        v.uv[0] = corner.uv[0];
        v.uv[1] = corner.uv[1];
    } else {
        PlainVertex& v = batch->plainVertices[j];
        position = v.position;
        normal = v.normal;
    }
    for (int i = 0; i < 3; ++i) {
        position[i] = static_cast<float>(corner.position[i] * scale);
        normal[i] = chosen[i];
    }
}

}  // namespace

namespace {

// Counts the vertices of every usable face into its batch; returns false
// when the batch array cannot be allocated.
bool countBatches(const ObjectEntry* object, int materialCount, MeshObject* target) {
    int batchCount = 0;
    for (int i = 0; object->faces != nullptr && i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        if (face.material < 0 || !faceUsable(face, object->vertexCount, materialCount)) continue;
        if (face.material + 1 > batchCount) batchCount = face.material + 1;
    }
    target->batchCount = 0;
    target->batches = nullptr;
    if (batchCount == 0) return true;
    // batchCount is at most the material count, which the reader bounds by
    // the document's size.
    auto* batches = static_cast<MaterialBatch*>(
        std::calloc(static_cast<size_t>(batchCount), sizeof(MaterialBatch)));
    if (batches == nullptr) return false;
    for (int i = 0; i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        if (face.material < 0 || !faceUsable(face, object->vertexCount, materialCount)) continue;
        int& count = batches[face.material].vertexCount;
        int emitted = emittedVertices(face);
        // A face that would overflow the count is left out; the fill skips it
        // the same way.
        if (emitted > INT_MAX - count) continue;
        count += emitted;
    }
    target->batches = batches;
    target->batchCount = batchCount;
    return true;
}

}  // namespace

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

void mqoFaceNormal(const float p[3], const float q[3], const float r[3], float normal[3]) {
    float ux = p[0] - q[0], uy = p[1] - q[1], uz = p[2] - q[2];
    float wx = r[0] - q[0], wy = r[1] - q[1], wz = r[2] - q[2];
    float x = uy * wz - uz * wy;
    float y = uz * wx - ux * wz;
    float z = ux * wy - uy * wx;
    double length = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y +
                              static_cast<double>(z) * z);
    if (length == 0.0) {
        normal[0] = normal[1] = normal[2] = 0.0f;
        return;
    }
    normal[0] = static_cast<float>(x / length);
    normal[1] = static_cast<float>(y / length);
    normal[2] = static_cast<float>(z / length);
}

double mqoSafeAcos(double x) {
    if (x <= -1.0 || x >= 1.0) return 0.0;
    return std::acos(x);
}

float (*mqoVertexNormals(const ObjectEntry* object, int materialCount))[3] {
    if (object == nullptr || object->vertexCount <= 0 || object->vertices == nullptr) {
        return nullptr;
    }
    auto* normals = static_cast<float(*)[3]>(
        std::calloc(static_cast<size_t>(object->vertexCount), sizeof(float[3])));
    if (normals == nullptr) return nullptr;

    float(*v)[3] = object->vertices;
    for (int i = 0; object->faces != nullptr && i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        if (cornersOf(face) == 0 || !faceUsable(face, object->vertexCount, materialCount)) {
            continue;
        }
        const int* c = face.vertex;
        float f[3];
        mqoFaceNormal(v[c[0]], v[c[1]], v[c[2]], f);
        addTo(normals[c[0]], f);
        addTo(normals[c[1]], f);
        addTo(normals[c[2]], f);
        if (face.vertexCount == 4) {
            mqoFaceNormal(v[c[0]], v[c[2]], v[c[3]], f);
            addTo(normals[c[0]], f);
            addTo(normals[c[2]], f);
            addTo(normals[c[3]], f);
        }
    }

    for (int i = 0; i < object->vertexCount; ++i) {
        float* n = normals[i];
        if (n[0] == 0.0f && n[1] == 0.0f && n[2] == 0.0f) continue;
        double length =
            std::sqrt(static_cast<double>(n[0]) * n[0] + static_cast<double>(n[1]) * n[1] +
                      static_cast<double>(n[2]) * n[2]);
        if (length == 0.0) continue;
        for (int k = 0; k < 3; ++k) n[k] = static_cast<float>(n[k] / length);
    }
    return normals;
}

void mqoFillBatch(MaterialBatch* batch, int k, FaceEntry* faces, int faceCount,
                  float (*vertices)[3], int vertexCount, float (*vertexNormals)[3], double facet,
                  const float colorSource[4], double scale, unsigned char alpha) {
    if (batch == nullptr || colorSource == nullptr) return;
    for (int i = 0; i < 4; ++i) batch->color[i] = colorSource[i];
    if (!batch->hasTexture && alpha != 255) {
        batch->color[3] = static_cast<float>(alpha) * (1.0f / 255.0f);
    }

    void* array = batch->hasTexture ? static_cast<void*>(batch->texturedVertices)
                                    : static_cast<void*>(batch->plainVertices);
    if (array == nullptr || faces == nullptr || vertices == nullptr || vertexNormals == nullptr) {
        return;
    }
    // The material count plays no part here: only faces of material k are
    // filled, and k is one the caller has a material for.
    int j = 0;
    for (int i = 0; i < faceCount; ++i) {
        const FaceEntry& face = faces[i];
        if (face.material != k || !faceUsable(face, vertexCount, INT_MAX)) continue;
        int emitted = emittedVertices(face);
        // The counting pass skipped the faces that did not fit, in the same
        // order, so this keeps the fill within vertexCount.
        if (emitted == 0 || emitted > batch->vertexCount - j) continue;
        const int* c = face.vertex;
        auto corner = [&](int n) {
            return Corner{vertices[c[n]], vertexNormals[c[n]], &face.uv[2 * n]};
        };
        float f[3];
        mqoFaceNormal(vertices[c[0]], vertices[c[1]], vertices[c[2]], f);
        emitCorner(batch, j++, corner(0), f, facet, scale);
        emitCorner(batch, j++, corner(1), f, facet, scale);
        emitCorner(batch, j++, corner(2), f, facet, scale);
        if (face.vertexCount == 4) {
            mqoFaceNormal(vertices[c[0]], vertices[c[2]], vertices[c[3]], f);
            emitCorner(batch, j++, corner(0), f, facet, scale);
            emitCorner(batch, j++, corner(2), f, facet, scale);
            emitCorner(batch, j++, corner(3), f, facet, scale);
        }
    }
}

// Builds one object into staged; uploads, texture names and the object limit
// are the GL stage's, shared with the library.
void mqoStageObject(ObjectEntry* object, MqoStagedObject* staged, float (*vertexNormals)[3],
                    MaterialEntry* materials, int materialCount, double scale,
                    unsigned char alpha) {
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
    double facet = object->facet;
    staged->state = MQO_STAGED_HEADER;

    if (!countBatches(object, materialCount, target)) return;

    for (int k = 0; k < target->batchCount; ++k) {
        MaterialBatch* batch = &target->batches[k];
        batch->hasMaterial = materials != nullptr ? 1 : 0;
        if (batch->vertexCount <= 0) continue;
        int hasTexture = materials != nullptr ? (materials[k].useTexture != 0 ? 1 : 0) : 0;
        size_t count = static_cast<size_t>(batch->vertexCount);
        if (hasTexture) {
            batch->texturedVertices =
                static_cast<TexturedVertex*>(std::calloc(count, sizeof(TexturedVertex)));
        } else {
            batch->plainVertices =
                static_cast<PlainVertex*>(std::calloc(count, sizeof(PlainVertex)));
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
        mqoFillBatch(batch, k, object->faces, object->faceCount, object->vertices,
                     object->vertexCount, vertexNormals, facet, colourSource, scale, alpha);
    }
    staged->state = MQO_STAGED_BUILT;
}

void mqoStageObjects(MqoStagedObject* staged, ObjectEntry* objects, int objectCount,
                     MaterialEntry* materials, int materialCount, double scale,
                     unsigned char alpha) {
    int normalMaterials = materials != nullptr ? materialCount : 1;
    for (int i = 0; i < objectCount; ++i) {
        float(*normals)[3] = mqoVertexNormals(&objects[i], normalMaterials);
        mqoStageObject(&objects[i], &staged[i], normals, materials, materialCount, scale, alpha);
        std::free(normals);
    }
}
