// MqoModel: corner normals by the facet rule: at each vertex, every face
// sums the faces there whose normals lie within the facet of its own.
//
// The faces at each vertex come from one counting sort of the numbered
// corners, so a vertex's corners lie together in corner order, and with them
// the corners of one face (or one polygon's triangles) side by side.
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/mesh/mesh_internal.h"

namespace mqo::detail {

namespace {

// Face pairs an object may compare at its vertices: a floor every object
// has, and so many per numbered corner. Real meshes compare a handful per
// corner, and the pole of a 2048-segment sphere fits the floor; a hostile
// fan of millions of faces round one vertex does not, and stays sharp there.
const long long kPairsFloor = 1 << 22;
const long long kPairsPerCorner = 256;
const double kPi = 3.14159265358979323846;

// Which faces a corner sums.
struct Rule {
    bool own;  // only its own face
    bool all;  // every face at the vertex
    double leastCosine;
};

Rule ruleFor(const ObjectEntry* object) {
    const double facet = object->facet;
    Rule rule = {false, false, 0.0};
    // Written so that a NaN facet also gives own.
    if (object->shading == 0 || !(facet > 0.0)) {
        rule.own = true;
    } else if (facet >= kPi) {
        rule.all = true;
    } else {
        rule.leastCosine = std::cos(facet);
    }
    return rule;
}

// Working space. Faces are named by their unit: the first face of their
// polygon's triangles, or themselves.
struct Work {
    int* unit;               // per face
    float (*unitNormal)[3];  // per face, set at unit starts
    int* cornerUnit;         // per numbered corner
    int* start;              // per vertex and one more: its run in byVertex
    int* byVertex;           // numbered corners, grouped by vertex
    long long pairsLeft;
};

// Allocates count entries of size bytes, or null when count x size does
// not fit size_t (so the product below cannot wrap) or memory runs out.
void* allocate(size_t count, size_t size) {
    if (count == 0) count = 1;
    if (count > SIZE_MAX / size) return nullptr;
    return mqoMalloc(count * size);
}

void release(Work* w) {
    std::free(w->unit);
    std::free(w->unitNormal);
    std::free(w->cornerUnit);
    std::free(w->start);
    std::free(w->byVertex);
}

// Triangles cut from one polygon follow each other, marked in vertex[3]
// with the triangles left from each to the polygon's end (mesh_internal.h);
// a face continues the unit before it when it carries the next mark down.
void findUnits(const ObjectEntry* object, int* unit) {
    const FaceEntry* faces = object->faces;
    for (int i = 0; i < object->faceCount; ++i) {
        unit[i] = i;
        if (i == 0) continue;
        const FaceEntry& before = faces[i - 1];
        const FaceEntry& face = faces[i];
        if (face.vertexCount == 3 && before.vertexCount == 3 && before.vertex[3] >= 2 &&
            face.vertex[3] == before.vertex[3] - 1 && face.material == before.material) {
            unit[i] = unit[i - 1];
        }
    }
}

void addCross(const float* p, const float* q, const float* r, double sum[3]) {
    double u[3], w[3];
    for (int k = 0; k < 3; ++k) {
        u[k] = static_cast<double>(p[k]) - q[k];
        w[k] = static_cast<double>(r[k]) - q[k];
    }
    sum[0] += u[1] * w[2] - u[2] * w[1];
    sum[1] += u[2] * w[0] - u[0] * w[2];
    sum[2] += u[0] * w[1] - u[1] * w[0];
}

// sum as a unit vector into out; false, out untouched, for a zero or
// non-finite length.
bool normalise(const double sum[3], float out[3]) {
    double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    if (!(length > 0.0) || !std::isfinite(length)) return false;
    for (int k = 0; k < 3; ++k) out[k] = static_cast<float>(sum[k] / length);
    return true;
}

// The normal of every unit, at its first face: its numbered faces' triangle
// cross products summed in double, then normalised.
void findUnitNormals(const ObjectEntry* object, int materialCount, Work* w) {
    float(*v)[3] = object->vertices;
    int i = 0;
    while (i < object->faceCount) {
        const int first = i;
        double sum[3] = {0.0, 0.0, 0.0};
        for (; i < object->faceCount && w->unit[i] == first; ++i) {
            const FaceEntry& face = object->faces[i];
            if (!mqoFaceNumbered(face, object->vertexCount, materialCount)) continue;
            const int* c = face.vertex;
            addCross(v[c[0]], v[c[1]], v[c[2]], sum);
            if (face.vertexCount == 4) addCross(v[c[0]], v[c[2]], v[c[3]], sum);
        }
        float* n = w->unitNormal[first];
        if (!normalise(sum, n)) n[0] = n[1] = n[2] = 0.0f;
    }
}

// Counting sort of the numbered corners by vertex, in corner order; also
// gives each corner its unit. start[v] .. start[v + 1] - 1 are vertex v's.
void sortByVertex(const ObjectEntry* object, int materialCount, Work* w) {
    const int vertexCount = object->vertexCount;
    std::memset(w->start, 0, sizeof(int) * (static_cast<size_t>(vertexCount) + 1));
    for (int i = 0; i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        if (!mqoFaceNumbered(face, vertexCount, materialCount)) continue;
        for (int c = 0; c < face.vertexCount; ++c) ++w->start[face.vertex[c] + 1];
    }
    // The counts sum to the corner count, at most INT_MAX.
    for (int v = 0; v < vertexCount; ++v) w->start[v + 1] += w->start[v];
    int corner = 0;
    for (int i = 0; i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        if (!mqoFaceNumbered(face, vertexCount, materialCount)) continue;
        for (int c = 0; c < face.vertexCount; ++c, ++corner) {
            w->cornerUnit[corner] = w->unit[i];
            w->byVertex[w->start[face.vertex[c]]++] = corner;
        }
    }
    // Each start now holds the next vertex's; shift them back.
    for (int v = vertexCount; v > 0; --v) w->start[v] = w->start[v - 1];
    w->start[0] = 0;
}

// The end of the run of corners of one unit that begins at a.
int runEnd(const Work& w, const int* corners, int count, int a) {
    const int unit = w.cornerUnit[corners[a]];
    while (a < count && w.cornerUnit[corners[a]] == unit) ++a;
    return a;
}

// The normals of one vertex's count corners.
void smoothVertex(const Work& w, const Rule& rule, const int* corners, int count,
                  float (*normals)[3]) {
    for (int a = 0, aEnd; a < count; a = aEnd) {
        aEnd = runEnd(w, corners, count, a);
        const int unit = w.cornerUnit[corners[a]];
        const float* own = w.unitNormal[unit];
        double sum[3] = {0.0, 0.0, 0.0};
        for (int b = 0, bEnd; b < count; b = bEnd) {
            bEnd = runEnd(w, corners, count, b);
            const float* other = w.unitNormal[w.cornerUnit[corners[b]]];
            double d = static_cast<double>(own[0]) * other[0] +
                       static_cast<double>(own[1]) * other[1] +
                       static_cast<double>(own[2]) * other[2];
            if (w.cornerUnit[corners[b]] != unit && !rule.all && !(d >= rule.leastCosine)) {
                continue;
            }
            for (int k = 0; k < 3; ++k) sum[k] += other[k];
        }
        float n[3];
        if (!normalise(sum, n)) std::memcpy(n, own, sizeof n);
        for (int k = a; k < aEnd; ++k) std::memcpy(normals[corners[k]], n, sizeof n);
    }
}

// Every corner's normal, vertex by vertex, within the work budget.
void smoothVertices(const ObjectEntry* object, const Rule& rule, Work* w, float (*normals)[3]) {
    for (int v = 0; v < object->vertexCount; ++v) {
        const int* corners = w->byVertex + w->start[v];
        const int count = w->start[v + 1] - w->start[v];
        long long units = 0;
        for (int a = 0; a < count; a = runEnd(*w, corners, count, a)) ++units;
        const long long pairs = units * count;
        if (rule.own || pairs > w->pairsLeft) {
            for (int k = 0; k < count; ++k) {
                std::memcpy(normals[corners[k]], w->unitNormal[w->cornerUnit[corners[k]]],
                            sizeof(float[3]));
            }
            continue;
        }
        w->pairsLeft -= pairs;
        smoothVertex(*w, rule, corners, count, normals);
    }
}

}  // namespace

int mqoCountCorners(const ObjectEntry* object, int materialCount) {
    if (object == nullptr || object->faces == nullptr) return 0;
    long long corners = 0;
    for (int i = 0; i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        if (mqoFaceNumbered(face, object->vertexCount, materialCount)) corners += face.vertexCount;
    }
    return corners > INT_MAX ? -1 : static_cast<int>(corners);
}

bool mqoCornerNormals(const ObjectEntry* object, int materialCount, int cornerCount,
                      float (*normals)[3]) {
    if (object == nullptr || cornerCount <= 0) return true;
    if (object->faces == nullptr || object->vertices == nullptr || normals == nullptr) return false;
    // The arrays below hold the corners counted here; any other count would
    // let the sort write past them.
    if (mqoCountCorners(object, materialCount) != cornerCount) return false;
    // Face and vertex counts are ints and the corner count at most INT_MAX,
    // so each size below is a 32-bit count times at most 12 bytes, which
    // allocate() still checks against size_t.
    const size_t faces = static_cast<size_t>(object->faceCount);
    const size_t corners = static_cast<size_t>(cornerCount);
    Work w;
    w.unit = static_cast<int*>(allocate(faces, sizeof(int)));
    w.unitNormal = static_cast<float(*)[3]>(allocate(faces, sizeof(float[3])));
    w.cornerUnit = static_cast<int*>(allocate(corners, sizeof(int)));
    w.start =
        static_cast<int*>(allocate(static_cast<size_t>(object->vertexCount) + 1, sizeof(int)));
    w.byVertex = static_cast<int*>(allocate(corners, sizeof(int)));
    w.pairsLeft = kPairsFloor + kPairsPerCorner * cornerCount;
    if (w.unit == nullptr || w.unitNormal == nullptr || w.cornerUnit == nullptr ||
        w.start == nullptr || w.byVertex == nullptr) {
        release(&w);
        return false;
    }
    findUnits(object, w.unit);
    findUnitNormals(object, materialCount, &w);
    sortByVertex(object, materialCount, &w);
    smoothVertices(object, ruleFor(object), &w, normals);
    release(&w);
    return true;
}

}  // namespace mqo::detail
