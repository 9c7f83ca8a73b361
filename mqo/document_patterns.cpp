// MqoModel: the scan patterns of the document reader, one function each.
//
// These are the only formatted scans of document text. They run on the line
// scanner, which gives what sscanf gives with the same patterns at a
// fraction of the cost. Lines are at most 255 characters, so no %s field can
// exceed its 256-byte destination.
#include "mqo/reader_internal.h"
#include "mqo/scan.h"

int mqoScanMaterialCount(const char* line, int* count) {
    return mqoScanFields(line, "Material %d", count);
}

int mqoScanObjectName(const char* line, char name[256]) {
    return mqoScanFields(line, "Object %s", name);
}

int mqoScanMaterialValues(const char* at, float v[9]) {
    return mqoScanFields(at, "col(%f %f %f %f) dif (%f) amb(%f) emi(%f) spc(%f) power(%f)", &v[0],
                       &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8]);
}

int mqoScanVisible(const char* line, int* visible) {
    return mqoScanFields(line, " visible %d", visible);
}

int mqoScanShading(const char* line, int* shading) {
    return mqoScanFields(line, " shading %d", shading);
}

int mqoScanFacet(const char* line, float* facet) { return mqoScanFields(line, " facet %f", facet); }

int mqoScanVertexCount(const char* line, int* count) {
    return mqoScanFields(line, " vertex %d", count);
}

int mqoScanBVertexCount(const char* line, int* count) {
    return mqoScanFields(line, " BVertex %d", count);
}

int mqoScanFaceCount(const char* line, int* count) { return mqoScanFields(line, " face %d", count); }

int mqoScanVertex(const char* line, float p[3]) {
    return mqoScanFields(line, "%f %f %f", &p[0], &p[1], &p[2]);
}

int mqoScanVector(const char* at, int* count, int* bytes) {
    return mqoScanFields(at, "Vector %d [%d]", count, bytes);
}

int mqoScanFaceCorners(const char* line, int* corners) { return mqoScanFields(line, "%d", corners); }

int mqoScanFaceIndices(const char* at, int corners, int v[4]) {
    if (corners == 3) return mqoScanFields(at, "V(%d %d %d)", &v[0], &v[1], &v[2]);
    return mqoScanFields(at, "V(%d %d %d %d)", &v[0], &v[1], &v[2], &v[3]);
}

int mqoScanFaceMaterial(const char* at, int* material) {
    return mqoScanFields(at, "M(%d)", material);
}

int mqoScanFaceUV(const char* at, int corners, float uv[8]) {
    if (corners == 3) {
        return mqoScanFields(at, "UV(%f %f %f %f %f %f)", &uv[0], &uv[1], &uv[2], &uv[3], &uv[4],
                           &uv[5]);
    }
    return mqoScanFields(at, "UV(%f %f %f %f %f %f %f %f)", &uv[0], &uv[1], &uv[2], &uv[3], &uv[4],
                       &uv[5], &uv[6], &uv[7]);
}
