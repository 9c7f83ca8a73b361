// MqoModel: the compact model's batches. Corners that are alike in every
// byte become one vertex and the triangles indices into them, so a smooth
// mesh keeps about a sixth of its vertices and 2 bytes a corner.
#include <meshoptimizer.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mqo/mesh/mesh_internal.h"

namespace mqo::detail {

namespace {

// 0xFFFF stays out of 16-bit indices: it is the restart index callers may
// have switched on.
constexpr size_t kMostShortVertices = 65535;

void** cornerArray(MaterialBatch* batch) {
    return batch->hasTexture ? reinterpret_cast<void**>(&batch->texturedVertices)
                             : reinterpret_cast<void**>(&batch->plainVertices);
}

// The indices as 2-byte ones, in a block of their own; null when memory
// runs out.
uint16_t* shortIndices(const unsigned int* indices, size_t count) {
    auto* out = static_cast<uint16_t*>(std::malloc(count * sizeof(uint16_t)));
    if (out == nullptr) return nullptr;
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint16_t>(indices[i]);
    return out;
}

// -0 becomes +0 (x + 0 keeps every other value, NaN included): the cross
// products of a flat face give its corners zeros of both signs, which would
// keep alike corners apart. GL draws both zeros alike.
void unsignZeros(void* corners, size_t floats) {
    float* f = static_cast<float*>(corners);
    for (size_t i = 0; i < floats; ++i) f[i] += 0.0f;
}

// Blending makes a batch's picture depend on its triangles' order: a texture
// may hold alpha, and a colour or lit diffuse below 1 (or a model alpha
// below 255) blends. Only batches known to be opaque are reordered.
bool mayBlend(const MaterialBatch& batch, unsigned char alpha) {
    if (batch.hasTexture || alpha != 255 || !(batch.color[3] >= 1.0f)) return true;
    return batch.hasMaterial && !(batch.diffuse[3] >= 1.0f);
}

void compactBatch(MaterialBatch* batch, unsigned char alpha) {
    void** corners = cornerArray(batch);
    if (batch->vertexCount <= 0 || batch->indexCount != 0 || *corners == nullptr) return;
    const size_t count = static_cast<size_t>(batch->vertexCount);
    const size_t stride = batch->hasTexture ? sizeof(TexturedVertex) : sizeof(PlainVertex);
    // count x stride already fits: the corner array of that size exists.
    auto* remap = static_cast<unsigned int*>(std::malloc(count * sizeof(unsigned int)));
    if (remap == nullptr) return;
    unsignZeros(*corners, count * stride / sizeof(float));
    const size_t unique =
        meshopt_generateVertexRemap(remap, nullptr, count, *corners, count, stride);
    void* vertices = std::malloc(unique * stride);
    if (vertices == nullptr) {
        std::free(remap);
        return;
    }
    meshopt_remapVertexBuffer(vertices, *corners, count, stride, remap);
    // Unindexed input: the remap table is the index buffer, in the
    // document's order of triangles.
    if (!mayBlend(*batch, alpha)) meshopt_optimizeVertexCache(remap, remap, count, unique);
    void* indices = remap;
    int32_t size = sizeof(unsigned int);
    if (unique <= kMostShortVertices) {
        indices = shortIndices(remap, count);
        std::free(remap);
        size = sizeof(uint16_t);
        if (indices == nullptr) {
            std::free(vertices);  // the corners are still whole
            return;
        }
    }
    std::free(*corners);
    *corners = vertices;
    batch->vertexCount = static_cast<int32_t>(unique);
    batch->indexCount = static_cast<int32_t>(count);
    batch->indexSize = size;
    batch->indices = indices;
}

void compactStaged(MqoStagedObject* staged, int count, unsigned char alpha) {
    for (int i = 0; staged != nullptr && i < count; ++i) {
        if (staged[i].state == MQO_STAGED_BUILT) mqoCompactObject(&staged[i].object, alpha);
    }
}

}  // namespace

void mqoCompactObject(MeshObject* object, unsigned char alpha) {
    for (int k = 0; object->batches != nullptr && k < object->batchCount; ++k) {
        compactBatch(&object->batches[k], alpha);
    }
}

void mqoCompactParsed(MqoParsedModel* parsed) {
    compactStaged(parsed->objects, parsed->objectCount, parsed->alpha);
    compactStaged(parsed->extraObjects, parsed->extraObjectCount, parsed->alpha);
}

}  // namespace mqo::detail
