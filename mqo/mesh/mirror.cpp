// MqoModel: mirror copies of an object across its local axis planes.
//
// Copy S (a non-empty set of the mirrored axes, as bits) negates the
// coordinates on the axes of S. When the halves are connected, a vertex on
// the plane of some of those axes is the same point in copy S as in copy
// S minus those axes, so it takes that copy's vertex (the original's when
// nothing is left), and the seam is smoothed across. Connected halves are
// also joined: each open edge of the original gets a face to its image
// across the first mirrored axis, and every further axis copies those too.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/mesh/mesh_internal.h"

namespace mqo::detail {

namespace {

struct Mirror {
    int axes;  // bits of the mirrored axes
    bool connected;
    float distance;
    float joinLimit;  // an end joins when 2 |c| <= joinLimit on the joining axis
    int copies;       // 1 << axes' bit count: the original and every mirror copy
    int joinBit;      // the lowest mirrored axis when connected, else 0
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

// Reverses a face's corners (and their UVs), corner 0 staying first.
void reverseCorners(FaceEntry* face) {
    const FaceEntry in = *face;
    const int n = in.vertexCount;
    for (int c = 1; c < n; ++c) {
        face->vertex[c] = in.vertex[n - c];
        face->uv[2 * c] = in.uv[2 * (n - c)];
        face->uv[2 * c + 1] = in.uv[2 * (n - c) + 1];
    }
}

// The face in copy set: its corners mapped, in reverse order after an odd
// number of reflections, so that it faces out.
FaceEntry mirrorFace(const FaceEntry& face, const int* row, int set) {
    FaceEntry out = face;
    for (int c = 0; c < face.vertexCount; ++c) out.vertex[c] = row[face.vertex[c]];
    if (reflections(set) % 2 == 1) reverseCorners(&out);
    return out;
}

const int* rowOf(const int* map, int set, int count) {
    return map + static_cast<size_t>(set) * static_cast<size_t>(count);
}

// Whether the open edge at face's corner joins: both ends close enough to
// the plane (NaN never is).
bool joins(const ObjectEntry* object, const FaceEntry& face, int corner, const Mirror& m) {
    const int axis = m.joinBit == 1 ? 0 : m.joinBit == 2 ? 1 : 2;
    const float* a = object->vertices[face.vertex[corner]];
    const float* b = object->vertices[face.vertex[(corner + 1) % face.vertexCount]];
    return 2 * std::fabs(a[axis]) <= m.joinLimit && 2 * std::fabs(b[axis]) <= m.joinLimit;
}

// The face joining face's open edge a -> b (at corner) to its image in copy
// set, which lacks the joining axis: (a, a', b', b) with a's UV at a and a',
// b's at b and b', so it faces as face does. An end on the plane is one
// vertex with its image, giving a triangle; false when both are, as the
// face would have no area.
bool joinFace(const FaceEntry& face, int corner, const int* map, int count, int set,
              const Mirror& m, FaceEntry* out) {
    const int next = (corner + 1) % face.vertexCount;
    const int a = face.vertex[corner], b = face.vertex[next];
    const int32_t quad[4] = {rowOf(map, set, count)[a], rowOf(map, set | m.joinBit, count)[a],
                             rowOf(map, set | m.joinBit, count)[b], rowOf(map, set, count)[b]};
    const float* uv[4] = {&face.uv[2 * corner], &face.uv[2 * corner], &face.uv[2 * next],
                          &face.uv[2 * next]};
    *out = face;
    out->vertexCount = 0;
    for (int c = 0; c < 4; ++c) {
        if ((c == 1 && quad[1] == quad[0]) || (c == 2 && quad[2] == quad[3])) continue;
        const int k = out->vertexCount++;
        out->vertex[k] = quad[c];
        out->uv[2 * k] = uv[c][0];
        out->uv[2 * k + 1] = uv[c][1];
    }
    if (reflections(set) % 2 == 1) reverseCorners(out);
    return out->vertexCount >= 3;
}

// Joining faces stand between copy S and copy S plus the joining axis, for
// every S without it (the original and its images across further axes).
int joinFaces(const ObjectEntry* object, const Mirror& m, const int* map, const unsigned char* open,
              FaceEntry* out) {
    int n = 0;
    for (int set = 0; set < 8; ++set) {
        if (!isCopy(set, m.axes) || (set & m.joinBit) != 0) continue;
        for (int i = 0; i < object->faceCount; ++i) {
            const FaceEntry& face = object->faces[i];
            if (!mqoFaceIndexed(face, object->vertexCount)) continue;
            for (int c = 0; c < face.vertexCount; ++c) {
                if (!open[4 * static_cast<size_t>(i) + c] || !joins(object, face, c, m)) continue;
                n += joinFace(face, c, map, object->vertexCount, set, m, &out[n]);
            }
        }
    }
    return n;
}

// The original's faces, then its copy in every set, then the joining faces.
int mirrorFaces(const ObjectEntry* object, const Mirror& m, const int* map,
                const unsigned char* open, FaceEntry* out) {
    const int count = object->vertexCount;
    int n = 0;
    for (int i = 0; i < object->faceCount; ++i) {
        out[n] = object->faces[i];
        // An index past the original list would now name a copy's vertex.
        if (!mqoFaceIndexed(out[n], count)) out[n].vertex[0] = -1;
        ++n;
    }
    for (int set = 1; set < 8; ++set) {
        if (!isCopy(set, m.axes)) continue;
        const int* row = rowOf(map, set, count);
        for (int i = 0; i < object->faceCount; ++i) {
            if (mqoFaceIndexed(object->faces[i], count))
                out[n++] = mirrorFace(object->faces[i], row, set);
        }
    }
    return open != nullptr ? n + joinFaces(object, m, map, open, out + n) : n;
}

// The open edges of the original that join to their images: at most four a
// face, so fewer than 4 * INT_MAX.
uint64_t countJoins(const ObjectEntry* object, const Mirror& m, const unsigned char* open) {
    uint64_t n = 0;
    for (int i = 0; i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        if (!mqoFaceIndexed(face, object->vertexCount)) continue;
        for (int c = 0; c < face.vertexCount; ++c) {
            n += open[4 * static_cast<size_t>(i) + c] && joins(object, face, c, m);
        }
    }
    return n;
}

// Room for the new face list: the copies, and each joining edge once in
// every set without the joining axis (half the copies); 0 when that count
// does not fit an int, which keeps the byte count far below SIZE_MAX too.
size_t faceRoom(const ObjectEntry* object, const Mirror& m, const unsigned char* open) {
    const uint64_t copies = static_cast<uint64_t>(m.copies);
    uint64_t faces = static_cast<uint64_t>(object->faceCount) * copies;
    if (open != nullptr) faces += countJoins(object, m, open) * (copies / 2);
    if (faces > INT_MAX || faces > SIZE_MAX / sizeof(FaceEntry)) return 0;
    return static_cast<size_t>(faces);
}

int lowestBit(int axes) { return axes & -axes; }

}  // namespace

bool mqoMirrorObject(ObjectEntry* object, int axes, bool connected, float distance,
                     float joinLimit) {
    if (object == nullptr || object->vertices == nullptr || object->vertexCount <= 0) return false;
    Mirror m = {axes & 7,
                connected,
                distance,
                joinLimit,
                1 << reflections(axes & 7),
                connected ? lowestBit(axes & 7) : 0};
    if (m.axes == 0) return false;
    const bool hasFaces = object->faces != nullptr && object->faceCount > 0;
    // The copies multiply the vertex list: the product must fit an int (so
    // counts stay ints), and its bytes size_t; faceRoom checks the faces.
    if (object->vertexCount > INT_MAX / m.copies) return false;
    const size_t copies = static_cast<size_t>(m.copies);
    const size_t vertices = static_cast<size_t>(object->vertexCount);
    if (vertices * copies > SIZE_MAX / sizeof(float[3]) ||
        vertices > SIZE_MAX / (8 * sizeof(int))) {
        return false;
    }
    unsigned char* open = connected && hasFaces ? mqoFindOpenEdges(object) : nullptr;
    const size_t faces = hasFaces ? faceRoom(object, m, open) : 1;
    auto* map = static_cast<int*>(mqoMalloc(8 * sizeof(int) * vertices));
    auto* newVertices = static_cast<float(*)[3]>(mqoMalloc(sizeof(float[3]) * vertices * copies));
    auto* newFaces =
        faces > 0 ? static_cast<FaceEntry*>(mqoMalloc(sizeof(FaceEntry) * faces)) : nullptr;
    if (map == nullptr || newVertices == nullptr || newFaces == nullptr ||
        (connected && hasFaces && open == nullptr)) {
        std::free(open);
        std::free(map);
        std::free(newVertices);
        std::free(newFaces);
        return false;
    }
    const int newVertexCount = mirrorVertices(object, m, map, newVertices);
    const int newFaceCount = hasFaces ? mirrorFaces(object, m, map, open, newFaces) : 0;
    std::free(open);
    std::free(map);
    std::free(object->vertices);
    std::free(object->faces);
    object->vertices = newVertices;
    object->vertexCount = newVertexCount;
    object->faces = newFaces;
    object->faceCount = newFaceCount;
    return true;
}

}  // namespace mqo::detail
