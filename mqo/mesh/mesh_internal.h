// MqoModel: what the mesh builder's files (mqo/mesh/) define for one another
// and for the reader: face tests, normals, the batch fill, corner normals,
// polygons and mirrors. CPU stage; not installed.
#ifndef MQO_MESH_MESH_INTERNAL_H
#define MQO_MESH_MESH_INTERNAL_H

#include <cstddef>

#include "mqo/MqoModelStages.h"

namespace mqo::detail {

// ==== faces, normals and batches (mesh_normals.cpp, mesh_fill.cpp) ====

// The normals of a face's two triangles: [0] of corners 0, 1, 2 and [1] of
// corners 0, 2, 3 (quadrilaterals only).
typedef float MqoFaceNormals[2][3];

// The corners whose indices the builder reads: 3 or 4, none for any other
// vertex count.
inline int mqoFaceCorners(const FaceEntry& face) {
    return face.vertexCount == 3 || face.vertexCount == 4 ? face.vertexCount : 0;
}

// A face the builder reads: its material is below materialCount and the
// indices of its corners lie within the object's vertices.
inline bool mqoFaceUsable(const FaceEntry& face, int vertexCount, int materialCount) {
    if (face.material >= materialCount) return false;
    int corners = mqoFaceCorners(face);
    for (int c = 0; c < corners; ++c) {
        if (face.vertex[c] < 0 || face.vertex[c] >= vertexCount) return false;
    }
    return true;
}

// A face of 3 or 4 corners whose indices lie within the object's vertices,
// whatever its material: one a mirror copies.
inline bool mqoFaceIndexed(const FaceEntry& face, int vertexCount) {
    if (mqoFaceCorners(face) == 0) return false;
    for (int c = 0; c < face.vertexCount; ++c) {
        if (face.vertex[c] < 0 || face.vertex[c] >= vertexCount) return false;
    }
    return true;
}

inline int mqoEmittedVertices(const FaceEntry& face) {
    return face.vertexCount == 3 ? 3 : face.vertexCount == 4 ? 6 : 0;
}

// Sums the face normals of the usable faces into vertexNormals (vertexCount
// normals, zero on entry) and makes each sum a unit vector. When faceNormals
// is not null (faceCount entries), it also receives the normals of every face
// whose corner indices are valid, whatever its material.
void mqoSmoothNormals(const ObjectEntry* object, int materialCount, float (*vertexNormals)[3],
                      MqoFaceNormals* faceNormals);

// Decides facet >= mqoSafeAcos(d) for one object's smoothing angle; most
// corners are decided by comparing d with two cosines taken once, and only
// those too close to call go through mqoSafeAcos.
struct MqoFacetTest {
    double facet;
    double smoothAbove;  // d above this (and below 1) keeps the smoothed normal
    double faceBelow;    // d below this (and above -1) takes the face normal
};

MqoFacetTest mqoFacetTestFor(double facet);

inline bool mqoKeepsSmoothNormal(const MqoFacetTest& test, float d) {
    if (d > test.smoothAbove && d < 1.0f) return true;
    if (d < test.faceBelow && d > -1.0f) return false;
    return test.facet >= mqoSafeAcos(d);
}

// Sets a batch's colour from its source, with the model alpha for an
// untextured batch.
void mqoSetBatchColour(MaterialBatch* batch, const float colourSource[4], unsigned char alpha);

// Fills every batch of target that has an array with the triangles of its
// material, in one pass over the object's faces: each batch receives its
// faces in face order, exactly as mqoFillBatch would give them. Face normals
// are taken from faceNormals when it is not null, else computed here. The
// arrays need not be zeroed: whatever no face reaches is zeroed here.
void mqoFillBatches(MeshObject* target, const ObjectEntry* object, float (*vertexNormals)[3],
                    const MqoFaceNormals* faceNormals, double facet, double scale);

// ==== corner normals (corner_normals.cpp, smooth_stage.cpp) ====

// The corners the smoothing numbers, from 0 in face order and corner order
// within a face: those of every face of 3 or 4 corners that mqoFaceUsable
// passes, the faces that the builder draws or lets shape its normals.
inline bool mqoFaceNumbered(const FaceEntry& face, int vertexCount, int materialCount) {
    return mqoFaceCorners(face) > 0 && mqoFaceUsable(face, vertexCount, materialCount);
}

// How many corners mqoFaceNumbered numbers, or -1 when they are more than
// INT_MAX.
int mqoCountCorners(const ObjectEntry* object, int materialCount);

// Writes the normal of every numbered corner (cornerCount, as
// mqoCountCorners gives it) into normals.
// - A face's normal is the normalised sum of its triangles' (prev - v) x
//   (next - v); the triangles cut from one polygon (polygons.h) count as one
//   face with the sum over all of them, its polygon's Newell normal.
// - A corner takes the normalised sum of the normals of the faces at its
//   vertex whose angle to its own face's normal is at most object->facet
//   (radians), its own face always among them and each face counted once.
//   shading 0, or a facet of 0 or less (or NaN), gives every corner its
//   face's normal; a facet of pi or more sums every face at the vertex.
// - A sum of length zero gives the face's normal; a face without area has a
//   zero normal and adds nothing.
// - The work is bounded per corner: a vertex whose faces would take more
//   comparisons than the object has left gives its corners their faces'
//   normals.
// False, normals untouched, when memory for the work cannot be had or
// cornerCount is not the count mqoCountCorners gives.
bool mqoCornerNormals(const ObjectEntry* object, int materialCount, int cornerCount,
                      float (*normals)[3]);

// mqoStageObjects with every corner's normal from mqoCornerNormals. An
// object that cannot be smoothed so (more than INT_MAX corners, out of
// memory) is staged as mqoStageObjects stages it.
void mqoStageSmoothObjects(MqoStagedObject* staged, ObjectEntry* objects, int objectCount,
                           MaterialEntry* materials, int materialCount, double scale,
                           unsigned char alpha);

// ==== polygons and mirrors (polygon_*.cpp, mirror*.cpp) ====

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

// ==== the compact model (compact_batches.cpp) ====

// Turns every batch of object that holds independent triangles into the
// compact form MQO_FEATURE_COMPACT describes: identical corners merged,
// indices 2 bytes each when they fit, in vertex-cache order where the batch
// is opaque under the model's alpha. A batch that memory runs out for is
// left as it was.
void mqoCompactObject(MeshObject* object, unsigned char alpha);

// mqoCompactObject for every built object of parsed (extra objects too).
void mqoCompactParsed(MqoParsedModel* parsed);

}  // namespace mqo::detail

#endif  // MQO_MESH_MESH_INTERNAL_H
