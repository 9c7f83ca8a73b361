// MqoModel: an object's polygon placeholders replaced by their triangles,
// in face order, so each material's batch keeps the document's order.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/mesh/mesh_internal.h"

namespace mqo::detail {

namespace {

// The polygon a placeholder stands for, or -1.
int polygonOf(const FaceEntry& face, const MqoPolygonStore* store) {
    if (face.vertexCount < 5) return -1;
    int p = face.vertex[0];
    return p >= 0 && p < store->polygonCount ? p : -1;
}

int trianglesOf(const FaceEntry& face, const MqoPolygonStore* store) {
    int p = polygonOf(face, store);
    if (p < 0) return face.vertexCount >= 5 ? 0 : 1;
    return store->count[p] >= 3 ? store->count[p] - 2 : 0;
}

// Working space for the largest polygon: its points and its triangles.
struct Work {
    float (*points)[3];
    int (*triangles)[3];
};

bool makeWork(const MqoPolygonStore* store, Work* work) {
    int most = 3;
    for (int p = 0; p < store->polygonCount; ++p) {
        if (store->count[p] > most) most = store->count[p];
    }
    // most is an int, and 12 bytes a corner cannot overflow size_t.
    work->points =
        static_cast<float(*)[3]>(mqoMalloc(sizeof(float[3]) * static_cast<size_t>(most)));
    work->triangles = static_cast<int(*)[3]>(mqoMalloc(sizeof(int[3]) * static_cast<size_t>(most)));
    return work->points != nullptr && work->triangles != nullptr;
}

// Writes polygon p's triangles from out on; returns how many.
int cutPolygon(const ObjectEntry* object, const MqoPolygonStore* store, int p, int material,
               Work* work, FaceEntry* out) {
    const int n = store->count[p];
    if (n < 3) return 0;
    const int32_t* index = store->vertex + store->start[p];
    const float* uv = store->uv + 2 * store->start[p];
    bool inside = object->vertices != nullptr;
    for (int k = 0; inside && k < n; ++k) {
        inside = index[k] >= 0 && index[k] < object->vertexCount;
        if (inside) std::memcpy(work->points[k], object->vertices[index[k]], sizeof(float[3]));
    }
    // A corner outside the vertex list has no place: the triangles are then
    // a fan, which the builder skips where they name it.
    if (inside) {
        mqoTriangulatePolygon(work->points, n, work->triangles);
    } else {
        for (int t = 0; t < n - 2; ++t) {
            work->triangles[t][0] = 0;
            work->triangles[t][1] = t + 1;
            work->triangles[t][2] = t + 2;
        }
    }
    for (int t = 0; t < n - 2; ++t) {
        FaceEntry& face = out[t];
        std::memset(&face, 0, sizeof face);
        face.vertexCount = 3;
        face.material = material;
        face.vertex[3] = n - 2 - t;  // the polygon's mark (mesh_internal.h)
        for (int c = 0; c < 3; ++c) {
            int k = work->triangles[t][c];
            face.vertex[c] = index[k];
            face.uv[2 * c] = uv[2 * k];
            face.uv[2 * c + 1] = uv[2 * k + 1];
        }
    }
    return n - 2;
}

}  // namespace

bool mqoExpandPolygons(ObjectEntry* object, const MqoPolygonStore* store) {
    if (object == nullptr || store == nullptr || object->faces == nullptr) return false;
    // Each polygon's corners were read from its own line, so its triangles
    // are fewer than the line's bytes and the total fewer than the file's;
    // the count is still checked against int before it sizes anything.
    long long total = 0;
    for (int i = 0; i < object->faceCount; ++i) total += trianglesOf(object->faces[i], store);
    if (total > INT_MAX || static_cast<unsigned long long>(total) > SIZE_MAX / sizeof(FaceEntry)) {
        return false;
    }
    Work work;
    bool ready = makeWork(store, &work);
    auto* faces = static_cast<FaceEntry*>(
        mqoCalloc(total > 0 ? static_cast<size_t>(total) : 1, sizeof(FaceEntry)));
    if (!ready || faces == nullptr) {
        std::free(work.points);
        std::free(work.triangles);
        std::free(faces);
        return false;
    }
    int n = 0;
    for (int i = 0; i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        int p = polygonOf(face, store);
        if (p >= 0) {
            n += cutPolygon(object, store, p, face.material, &work, faces + n);
        } else if (face.vertexCount < 5) {
            faces[n++] = face;
        }
    }
    std::free(work.points);
    std::free(work.triangles);
    std::free(object->faces);
    object->faces = faces;
    object->faceCount = n;
    return true;
}

void mqoReleasePolygons(MqoPolygonStore* store) {
    if (store == nullptr) return;
    std::free(store->vertex);
    std::free(store->uv);
    std::free(store->start);
    std::free(store->count);
    std::memset(store, 0, sizeof *store);
}

}  // namespace mqo::detail
