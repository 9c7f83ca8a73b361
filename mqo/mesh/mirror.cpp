// MqoModel: mirror copies of an object across its local axis planes.
//
// Copy S (a non-empty set of the mirrored axes, as bits) negates the
// coordinates on the axes of S. When the halves are connected, a vertex on
// the plane of some of those axes is the same point in copy S as in copy
// S minus those axes, so it takes that copy's vertex (the original's when
// nothing is left), and the seam is smoothed across.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mqo/mesh/polygons.h"

namespace {

struct Mirror {
    int axes;  // bits of the mirrored axes
    bool connected;
    float distance;
    int copies;  // 1 << axes' bit count: the original and every mirror copy
};

bool isCopy(int set, int axes) { return (set & ~axes) == 0; }

int reflections(int set) { return (set & 1) + ((set >> 1) & 1) + ((set >> 2) & 1); }

// The axes whose plane the vertex lies on (within the distance).
int planesOf(const float v[3], const Mirror& m) {
    int on = 0;
    for (int a = 0; m.connected && a < 3; ++a) {
        if ((m.axes >> a & 1) && std::fabs(v[a]) <= m.distance) on |= 1 << a;
    }
    return on;
}

// Fills map (8 sets x vertexCount) and the new vertex list; returns its size.
int mirrorVertices(const ObjectEntry* object, const Mirror& m, int* map, float (*out)[3]) {
    const int count = object->vertexCount;
    std::memcpy(out, object->vertices, sizeof(float[3]) * static_cast<size_t>(count));
    int n = count;
    for (int v = 0; v < count; ++v) map[v] = v;
    for (int set = 1; set < 8; ++set) {
        if (!isCopy(set, m.axes)) continue;
        int* row = map + static_cast<size_t>(set) * static_cast<size_t>(count);
        for (int v = 0; v < count; ++v) {
            const float* p = object->vertices[v];
            int shared = planesOf(p, m) & set;
            if (shared != 0) {
                // set & ~shared is a smaller set, already mapped.
                row[v] = map[static_cast<size_t>(set & ~shared) * static_cast<size_t>(count) + v];
                continue;
            }
            for (int a = 0; a < 3; ++a) out[n][a] = (set >> a & 1) ? -p[a] : p[a];
            row[v] = n++;
        }
    }
    return n;
}

bool usable(const FaceEntry& face, int vertexCount) {
    if (face.vertexCount != 3 && face.vertexCount != 4) return false;
    for (int c = 0; c < face.vertexCount; ++c) {
        if (face.vertex[c] < 0 || face.vertex[c] >= vertexCount) return false;
    }
    return true;
}

// The face in copy set: its corners mapped, in reverse order after an odd
// number of reflections (corner 0 stays first).
FaceEntry mirrorFace(const FaceEntry& face, const int* row, int set) {
    FaceEntry out = face;
    const int n = face.vertexCount;
    const bool reverse = reflections(set) % 2 == 1;
    for (int c = 0; c < n; ++c) {
        int from = reverse ? (n - c) % n : c;
        out.vertex[c] = row[face.vertex[from]];
        out.uv[2 * c] = face.uv[2 * from];
        out.uv[2 * c + 1] = face.uv[2 * from + 1];
    }
    return out;
}

int mirrorFaces(const ObjectEntry* object, const Mirror& m, const int* map, FaceEntry* out) {
    const int count = object->vertexCount;
    int n = 0;
    for (int i = 0; i < object->faceCount; ++i) {
        out[n] = object->faces[i];
        // An index past the original list would now name a copy's vertex.
        if (!usable(out[n], count)) out[n].vertex[0] = -1;
        ++n;
    }
    for (int set = 1; set < 8; ++set) {
        if (!isCopy(set, m.axes)) continue;
        const int* row = map + static_cast<size_t>(set) * static_cast<size_t>(count);
        for (int i = 0; i < object->faceCount; ++i) {
            if (usable(object->faces[i], count)) out[n++] = mirrorFace(object->faces[i], row, set);
        }
    }
    return n;
}

}  // namespace

bool mqoMirrorObject(ObjectEntry* object, int axes, bool connected, float distance) {
    if (object == nullptr || object->vertices == nullptr || object->vertexCount <= 0) return false;
    Mirror m = {axes & 7, connected, distance, 1 << reflections(axes & 7)};
    if (m.axes == 0) return false;
    // The copies multiply both lists: each product must fit an int (so
    // counts stay ints), and each array's bytes must fit size_t.
    const int faceCount = object->faces != nullptr && object->faceCount > 0 ? object->faceCount : 0;
    if (object->vertexCount > INT_MAX / m.copies || faceCount > INT_MAX / m.copies) return false;
    const size_t copies = static_cast<size_t>(m.copies);
    const size_t vertices = static_cast<size_t>(object->vertexCount);
    const size_t faces = faceCount > 0 ? static_cast<size_t>(faceCount) * copies : 1;
    if (vertices * copies > SIZE_MAX / sizeof(float[3]) || faces > SIZE_MAX / sizeof(FaceEntry) ||
        vertices > SIZE_MAX / (8 * sizeof(int))) {
        return false;
    }
    auto* map = static_cast<int*>(std::malloc(8 * sizeof(int) * vertices));
    auto* newVertices = static_cast<float(*)[3]>(std::malloc(sizeof(float[3]) * vertices * copies));
    auto* newFaces = static_cast<FaceEntry*>(std::malloc(sizeof(FaceEntry) * faces));
    if (map == nullptr || newVertices == nullptr || newFaces == nullptr) {
        std::free(map);
        std::free(newVertices);
        std::free(newFaces);
        return false;
    }
    const int newVertexCount = mirrorVertices(object, m, map, newVertices);
    const int newFaceCount = faceCount > 0 ? mirrorFaces(object, m, map, newFaces) : 0;
    std::free(map);
    std::free(object->vertices);
    std::free(object->faces);
    object->vertices = newVertices;
    object->vertexCount = newVertexCount;
    object->faces = newFaces;
    object->faceCount = newFaceCount;
    return true;
}
