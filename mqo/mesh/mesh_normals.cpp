// MqoModel: face and vertex normals, and the smoothing angle test.
//
// Every normal is computed with the same float and double steps wherever it
// is needed, so a face normal kept from the smoothing pass is the very value
// that computing it again would give.
#include <climits>
#include <cmath>
#include <cstdlib>

#include "mqo/memory.h"
#include "mqo/mesh/mesh_internal.h"

namespace mqo::detail {

namespace {

void addTo(float sum[3], const float n[3]) {
    sum[0] += n[0];
    sum[1] += n[1];
    sum[2] += n[2];
}

// The closest the smoothing angle test lets a corner's angle come to the
// object's facet before it asks mqoSafeAcos. Library cos and acos are
// accurate to a few units in the last place of a double (around 1e-16); an
// error e in a cosine moves the angle it stands for by at most sqrt(2e)
// (around 1e-8, at the steep ends of acos). So any corner decided by the
// cosines alone lies farther than all those errors from the facet, and
// mqoSafeAcos would decide it the same way.
const double kUndecidedBand = 1.0 / 1024;
const double kPi = 3.14159265358979323846;

}  // namespace

MqoFacetTest mqoFacetTestFor(double facet) {
    // Between -1 and 1 (exclusive) acos lies within 0 .. pi. Where a side of
    // the band leaves that range, no corner is decided on that side without
    // mqoSafeAcos, or every corner is. A NaN facet fails every comparison
    // here, so all its corners go through mqoSafeAcos.
    double low = facet - kUndecidedBand;
    double high = facet + kUndecidedBand;
    MqoFacetTest test;
    test.facet = facet;
    test.smoothAbove = low >= kPi ? -1.0 : low > 0.0 ? std::cos(low) : 1.0;
    test.faceBelow = high <= 0.0 ? 1.0 : high < kPi ? std::cos(high) : -1.0;
    return test;
}

void mqoSmoothNormals(const ObjectEntry* object, int materialCount, float (*vertexNormals)[3],
                      MqoFaceNormals* faceNormals) {
    float(*v)[3] = object->vertices;
    float(*normals)[3] = vertexNormals;
    for (int i = 0; object->faces != nullptr && i < object->faceCount; ++i) {
        const FaceEntry& face = object->faces[i];
        if (mqoFaceCorners(face) == 0 || !mqoFaceUsable(face, object->vertexCount, INT_MAX)) {
            continue;
        }
        const int* c = face.vertex;
        float first[3], second[3];
        mqoFaceNormal(v[c[0]], v[c[1]], v[c[2]], first);
        if (face.vertexCount == 4) mqoFaceNormal(v[c[0]], v[c[2]], v[c[3]], second);
        if (faceNormals != nullptr) {
            for (int k = 0; k < 3; ++k) {
                faceNormals[i][0][k] = first[k];
                faceNormals[i][1][k] = face.vertexCount == 4 ? second[k] : 0.0f;
            }
        }
        if (face.material >= materialCount) continue;
        addTo(normals[c[0]], first);
        addTo(normals[c[1]], first);
        addTo(normals[c[2]], first);
        if (face.vertexCount == 4) {
            addTo(normals[c[0]], second);
            addTo(normals[c[2]], second);
            addTo(normals[c[3]], second);
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
}

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
        mqoCalloc(static_cast<size_t>(object->vertexCount), sizeof(float[3])));
    if (normals == nullptr) return nullptr;
    mqoSmoothNormals(object, materialCount, normals, nullptr);
    return normals;
}
