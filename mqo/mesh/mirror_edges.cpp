// MqoModel: the open edges of an object, the ones a connected mirror joins
// to their images. Edges are told apart by their two vertex indices, either
// way round: sorted by that key, an edge is open when its key occurs once.
#include <cstdint>
#include <cstdlib>

#include "mqo/memory.h"
#include "mqo/mesh/mesh_internal.h"

namespace mqo::detail {

namespace {

struct EdgeKey {
    int32_t low, high;  // the edge's vertex indices, smaller first
    size_t slot;        // 4 * face + corner of the corner it starts at
};

int byVertices(const void* a, const void* b) {
    const auto* x = static_cast<const EdgeKey*>(a);
    const auto* y = static_cast<const EdgeKey*>(b);
    if (x->low != y->low) return x->low < y->low ? -1 : 1;
    if (x->high != y->high) return x->high < y->high ? -1 : 1;
    return 0;
}

// The edges of the built faces, a corner repeated (no edge) left out.
size_t collectEdges(const ObjectEntry* object, EdgeKey* keys) {
    size_t n = 0;
    for (int f = 0; f < object->faceCount; ++f) {
        const FaceEntry& face = object->faces[f];
        if (!mqoFaceIndexed(face, object->vertexCount)) continue;
        for (int c = 0; c < face.vertexCount; ++c) {
            const int32_t a = face.vertex[c], b = face.vertex[(c + 1) % face.vertexCount];
            if (a == b) continue;
            keys[n].low = a < b ? a : b;
            keys[n].high = a < b ? b : a;
            keys[n].slot = 4 * static_cast<size_t>(f) + static_cast<size_t>(c);
            ++n;
        }
    }
    return n;
}

}  // namespace

unsigned char* mqoFindOpenEdges(const ObjectEntry* object) {
    if (object == nullptr || object->faces == nullptr || object->faceCount <= 0) return nullptr;
    // Four slots a face: both arrays hold 4 * faceCount entries, which the
    // check keeps within size_t for the larger entry.
    const size_t faces = static_cast<size_t>(object->faceCount);
    if (faces > SIZE_MAX / (4 * sizeof(EdgeKey))) return nullptr;
    auto* keys = static_cast<EdgeKey*>(mqoMalloc(4 * faces * sizeof(EdgeKey)));
    auto* open = static_cast<unsigned char*>(mqoCalloc(4 * faces, 1));
    if (keys == nullptr || open == nullptr) {
        std::free(keys);
        std::free(open);
        return nullptr;
    }
    const size_t n = collectEdges(object, keys);
    std::qsort(keys, n, sizeof(EdgeKey), byVertices);
    for (size_t i = 0, end; i < n; i = end) {
        for (end = i + 1; end < n && byVertices(&keys[i], &keys[end]) == 0;) ++end;
        if (end == i + 1) open[keys[i].slot] = 1;
    }
    std::free(keys);
    return open;
}

}  // namespace mqo::detail
