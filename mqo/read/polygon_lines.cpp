// MqoModel: face lines of five or more corners, read whole into the
// polygon store while their object's face list is read.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/mesh/mesh_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Room for one more corner. Every corner stored was read from the file (at
// least a digit and a separator), so the store never outgrows the document;
// the doubling is checked against size_t all the same.
bool roomForCorner(MqoPolygonStore* s) {
    if (s->cornerCount < s->cornerRoom) return true;
    size_t room = s->cornerRoom == 0 ? 64 : s->cornerRoom;
    if (room > SIZE_MAX / 2 / sizeof(float[2])) return false;
    room *= 2;
    auto* vertex = static_cast<int32_t*>(mqoRealloc(s->vertex, room * sizeof(int32_t)));
    if (vertex == nullptr) return false;
    s->vertex = vertex;
    auto* uv = static_cast<float*>(mqoRealloc(s->uv, room * sizeof(float[2])));
    if (uv == nullptr) return false;
    s->uv = uv;
    s->cornerRoom = room;
    return true;
}

// Room for one more polygon; polygons are face lines, fewer than the bytes.
bool roomForPolygon(MqoPolygonStore* s) {
    if (s->polygonCount < s->polygonRoom) return true;
    if (s->polygonRoom > INT32_MAX / 2) return false;
    int32_t room = s->polygonRoom == 0 ? 16 : s->polygonRoom * 2;
    auto* start =
        static_cast<size_t*>(mqoRealloc(s->start, static_cast<size_t>(room) * sizeof(size_t)));
    if (start == nullptr) return false;
    s->start = start;
    auto* count =
        static_cast<int32_t*>(mqoRealloc(s->count, static_cast<size_t>(room) * sizeof(int32_t)));
    if (count == nullptr) return false;
    s->count = count;
    s->polygonRoom = room;
    return true;
}

// Stores up to `corners` indices from "V(" at `at` on; returns how many.
int readIndices(const char* at, int corners, MqoPolygonStore* s) {
    const char* p = at + 2;
    int read = 0;
    while (read < corners) {
        p = mqoScanSkipSpace(p);
        int value = 0;
        if (*p == '\0' || (p = mqoScanInt(p, &value)) == nullptr) break;
        if (!roomForCorner(s)) break;
        s->vertex[s->cornerCount] = value;
        s->uv[2 * s->cornerCount] = s->uv[2 * s->cornerCount + 1] = 0.0f;
        ++s->cornerCount;
        ++read;
    }
    return read;
}

// Fills the UVs of the last `corners` corners from "UV(" at `at` on, as far
// as the line gives them.
void readUvs(const char* at, int corners, MqoPolygonStore* s) {
    float* uv = s->uv + 2 * (s->cornerCount - static_cast<size_t>(corners));
    const char* p = at + 3;
    for (int k = 0; k < 2 * corners; ++k) {
        p = mqoScanSkipSpace(p);
        if (*p == '\0' || (p = mqoScanFloat(p, &uv[k])) == nullptr) return;
    }
}

}  // namespace

bool mqoReadPolygonLine(const char* line, FaceEntry* face, MqoPolygonStore* store) {
    int corners = 0;
    mqoScanFaceCorners(line, &corners);
    if (corners < 5) return false;
    face->vertexCount = corners;
    face->vertex[0] = -1;
    face->material = -1;
    if (const char* at = std::strstr(line, "M(")) {
        face->material = 0;
        mqoScanFaceMaterial(at, &face->material);
    }
    const char* at = std::strstr(line, "V(");
    if (at == nullptr || !roomForPolygon(store)) return true;
    const size_t first = store->cornerCount;
    const int read = readIndices(at, corners, store);
    if (const char* uv = std::strstr(line, "UV(")) readUvs(uv, read, store);
    store->start[store->polygonCount] = first;
    store->count[store->polygonCount] = read;
    face->vertex[0] = store->polygonCount++;
    return true;
}

void mqoResetPolygons(MqoPolygonStore* store) {
    store->cornerCount = 0;
    store->polygonCount = 0;
}

}  // namespace mqo::detail
