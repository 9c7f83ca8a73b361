// The document reader's scan patterns on the C library's sscanf: the
// reference that the line scanner must match. Lines are at most 255
// characters, so no %s field can exceed its 256-byte destination.
#include <cstdio>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

int mqoScanMaterialCount(const char* line, int* count) {
    return std::sscanf(line, "Material %d", count);
}

int mqoScanObjectName(const char* line, char name[256]) {
    // The width only states the bound that the line length already gives.
    return std::sscanf(line, "Object %255s", name);
}

int mqoScanMaterialValues(const char* at, float v[9]) {
    return std::sscanf(at, "col(%f %f %f %f) dif (%f) amb(%f) emi(%f) spc(%f) power(%f)", &v[0],
                       &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8]);
}

int mqoScanVisible(const char* line, int* visible) {
    return std::sscanf(line, " visible %d", visible);
}

int mqoScanShading(const char* line, int* shading) {
    return std::sscanf(line, " shading %d", shading);
}

int mqoScanFacet(const char* line, float* facet) { return std::sscanf(line, " facet %f", facet); }

int mqoScanMirror(const char* line, int* mirror) { return std::sscanf(line, " mirror %d", mirror); }

int mqoScanMirrorAxis(const char* line, int* axis) {
    return std::sscanf(line, " mirror_axis %d", axis);
}

int mqoScanMirrorDistance(const char* line, float* dis) {
    return std::sscanf(line, " mirror_dis %f", dis);
}

int mqoScanVertexCount(const char* line, int* count) {
    return std::sscanf(line, " vertex %d", count);
}

int mqoScanBVertexCount(const char* line, int* count) {
    return std::sscanf(line, " BVertex %d", count);
}

int mqoScanFaceCount(const char* line, int* count) { return std::sscanf(line, " face %d", count); }

int mqoScanVertex(const char* line, float p[3]) {
    return std::sscanf(line, "%f %f %f", &p[0], &p[1], &p[2]);
}

int mqoScanVector(const char* at, int* count, int* bytes) {
    return std::sscanf(at, "Vector %d [%d]", count, bytes);
}

int mqoScanFaceCorners(const char* line, int* corners) { return std::sscanf(line, "%d", corners); }

int mqoScanFaceIndices(const char* at, int corners, int v[4]) {
    if (corners == 3) return std::sscanf(at, "V(%d %d %d)", &v[0], &v[1], &v[2]);
    return std::sscanf(at, "V(%d %d %d %d)", &v[0], &v[1], &v[2], &v[3]);
}

int mqoScanFaceMaterial(const char* at, int* material) {
    return std::sscanf(at, "M(%d)", material);
}

int mqoScanFaceUV(const char* at, int corners, float uv[8]) {
    if (corners == 3) {
        return std::sscanf(at, "UV(%f %f %f %f %f %f)", &uv[0], &uv[1], &uv[2], &uv[3], &uv[4],
                           &uv[5]);
    }
    return std::sscanf(at, "UV(%f %f %f %f %f %f %f %f)", &uv[0], &uv[1], &uv[2], &uv[3], &uv[4],
                       &uv[5], &uv[6], &uv[7]);
}

// The first reader had no one-pass forms: every line takes the patterns.
bool mqoScanVertexLine(const char*, float[3]) { return false; }
bool mqoScanFaceLine(const char*, FaceEntry*, bool*) { return false; }

}  // namespace mqo::detail
