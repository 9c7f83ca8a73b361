// The geometry the complete reading profile adds to a parsed object: faces
// of five or more corners cut into triangles, and mirror copies. CPU stage;
// not installed.
#ifndef MQO_MESH_POLYGONS_H
#define MQO_MESH_POLYGONS_H

#include <stddef.h>

#include "mqo/MqoModelStages.h"

// The corners of an object's polygons (faces of five or more corners), kept
// aside while its face list is read: the face list holds a placeholder for
// each (vertexCount the declared corners, vertex[0] the polygon's number, or
// -1 when it could not be kept), which the builder passes over until
// mqoExpandPolygons replaces it.
struct MqoPolygonStore {
    int32_t* vertex;  // vertex indices of every polygon, back to back
    float* uv;        // (u, v) per corner
    size_t cornerCount;
    size_t cornerRoom;
    size_t* start;   // polygon p: corners start[p] .. start[p] + count[p] - 1
    int32_t* count;  // corners read; fewer than 3 gives no triangle
    int32_t polygonCount;
    int32_t polygonRoom;
};

// Frees what the store holds and empties it. Null does nothing.
void mqoReleasePolygons(MqoPolygonStore* store);

// Cuts a polygon of n >= 3 corners (points in order) into n - 2 triangles,
// written as corner numbers into triangles, each in the polygon's winding.
// Ears are clipped in the polygon's plane (its Newell normal), so concave
// polygons come out right; a polygon without area, one that does not
// triangulate cleanly or one that would cost too much work is finished as a
// fan, so every call ends with exactly n - 2 triangles.
void mqoTriangulatePolygon(const float (*points)[3], int n, int (*triangles)[3]);

// Replaces every polygon placeholder of object with its triangles (same
// material, UVs carried), one polygon's after each other. A triangle's
// unused fourth index marks it: the polygon's triangles left from it to the
// last, that one included (n - 2 down to 1); triangles read as such keep 0
// there; the smoothing gives a marked run one face normal. False, with the
// object unchanged, when the new face list cannot be allocated or its count
// would not fit in an int.
bool mqoExpandPolygons(ObjectEntry* object, const MqoPolygonStore* store);

// Mirrors object across the planes of its local axes (axes: X 1, Y 2, Z 4),
// one copy per non-empty combination of them, appended after the original
// vertices and faces. Faces of an odd number of reflections are wound the
// other way, so they face out. connected: a vertex whose coordinate on a
// mirrored axis is within distance of 0 (|c| <= distance) is shared with the
// copy across that plane rather than duplicated; and every open edge a -> b
// (mqoFindOpenEdges) whose ends have 2 |c| <= joinLimit on the lowest
// mirrored axis gets the face (a, a', b', b) to its image across it (a
// triangle when an end is shared, none when both are), with the source
// face's material and each end's UV, copied across the further axes like
// the rest. At most 3 x copies x faceCount faces come out. False, with the
// object unchanged, when the counts would overflow or memory runs out.
bool mqoMirrorObject(ObjectEntry* object, int axes, bool connected, float distance,
                     float joinLimit);

// Flags of the open edges of object's faces of 3 or 4 corners with indices
// in its vertex list: edges (by their two vertex indices, either way round)
// that no other edge of those faces matches; 2-corner faces take no part.
// Byte 4 f + c is 1 when face f's edge from corner c to the next is open.
// Null when there are no faces, too many or memory runs out; the caller
// frees it.
unsigned char* mqoFindOpenEdges(const ObjectEntry* object);

#endif  // MQO_MESH_POLYGONS_H
