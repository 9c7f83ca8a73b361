// MqoModel: the scan patterns of the document reader, one function each.
//
// These are the only formatted scans of document text. They run on the line
// scanner, which gives what sscanf gives with the same patterns at a
// fraction of the cost.
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

int mqoScanMaterialCount(const char* line, int* count) {
    return mqoScanFields(line, "Material %d", count);
}

int mqoScanObjectName(const char* line, char name[256]) {
    // A name fits its record whenever the whole line does; a longer line is
    // scanned into a copy of its size and the name cut to the record.
    size_t length = std::strlen(line);
    if (length < 256) return mqoScanFields(line, "Object %s", name);
    auto* token = static_cast<char*>(mqoMalloc(length + 1));
    if (token == nullptr) return 0;
    int result = mqoScanFields(line, "Object %s", token);
    if (result == 1) {
        size_t kept = std::strlen(token);
        if (kept > 255) kept = 255;
        std::memcpy(name, token, kept);
        name[kept] = '\0';
    }
    std::free(token);
    return result;
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

int mqoScanMirror(const char* line, int* mirror) {
    return mqoScanFields(line, " mirror %d", mirror);
}

int mqoScanMirrorAxis(const char* line, int* axis) {
    return mqoScanFields(line, " mirror_axis %d", axis);
}

int mqoScanMirrorDistance(const char* line, float* dis) {
    return mqoScanFields(line, " mirror_dis %f", dis);
}

int mqoScanVertexCount(const char* line, int* count) {
    return mqoScanFields(line, " vertex %d", count);
}

int mqoScanBVertexCount(const char* line, int* count) {
    return mqoScanFields(line, " BVertex %d", count);
}

int mqoScanFaceCount(const char* line, int* count) {
    return mqoScanFields(line, " face %d", count);
}

int mqoScanVertex(const char* line, float p[3]) {
    return mqoScanFields(line, "%f %f %f", &p[0], &p[1], &p[2]);
}

int mqoScanVector(const char* at, int* count, int* bytes) {
    return mqoScanFields(at, "Vector %d [%d]", count, bytes);
}

int mqoScanFaceCorners(const char* line, int* corners) {
    return mqoScanFields(line, "%d", corners);
}

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

// ---- the two list lines in one pass ----
//
// Nearly every line of a document is a vertex or a face. These match their
// usual form directly, with the same conversions the patterns above use, and
// give up (writing nothing) on anything else, so the caller's general path
// decides every unusual line. For the form accepted, the general path's
// searches would land exactly where these look: the text passed on the way
// holds only white space, numbers and the face's own "V(" and "M(" groups,
// so neither "}", "V(", "M(" nor "UV(" can occur earlier in the line.

namespace {

const char* convert(const char* p, int* value) { return mqoScanInt(p, value); }
const char* convert(const char* p, float* value) { return mqoScanFloat(p, value); }

// n white-space-separated conversions, as the pattern "%d %d ..." or
// "%f %f ..." would make them; null when one fails.
template <class T>
const char* scanList(const char* p, T* values, int n) {
    for (int i = 0; i < n && p != nullptr; ++i) {
        p = mqoScanSkipSpace(p);
        if (*p == '\0') return nullptr;
        p = convert(p, &values[i]);
    }
    return p;
}

const char* literal(const char* p, const char* text) {
    for (; *text; ++text, ++p)
        if (*p != *text) return nullptr;
    return p;
}

}  // namespace

bool mqoScanVertexLine(const char* line, float position[3]) {
    float v[3];
    const char* p = scanList(line, v, 3);
    if (p == nullptr || std::strchr(p, '}') != nullptr) return false;
    std::memcpy(position, v, sizeof v);
    return true;
}

bool mqoScanFaceLine(const char* line, FaceEntry* face, bool* textured) {
    int corners = 0, vertex[4], material = 0;
    float uv[8];
    const char* p = scanList(line, &corners, 1);
    if (p == nullptr || (corners != 3 && corners != 4)) return false;
    if ((p = literal(mqoScanSkipSpace(p), "V(")) == nullptr) return false;
    if ((p = scanList(p, vertex, corners)) == nullptr || *p++ != ')') return false;
    if ((p = literal(mqoScanSkipSpace(p), "M(")) == nullptr) return false;
    if ((p = scanList(p, &material, 1)) == nullptr || *p++ != ')') return false;
    p = mqoScanSkipSpace(p);
    const char* withUV = literal(p, "UV(");
    if (withUV != nullptr) {
        if ((p = scanList(withUV, uv, 2 * corners)) == nullptr || *p++ != ')') return false;
    } else if (std::strstr(p, "UV(") != nullptr) {
        return false;
    }
    if (std::strchr(p, '}') != nullptr) return false;

    face->vertexCount = corners;
    std::memcpy(face->vertex, vertex, sizeof(int) * static_cast<size_t>(corners));
    face->material = material;
    if (withUV != nullptr)
        std::memcpy(face->uv, uv, sizeof(float) * 2 * static_cast<size_t>(corners));
    if (textured != nullptr) *textured = withUV != nullptr;
    return true;
}

}  // namespace mqo::detail
