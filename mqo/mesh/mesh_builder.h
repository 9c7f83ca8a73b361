// MqoModel: what the mesh builder's files share (normals, the smoothing
// angle test and the batch fill). Not installed.
#ifndef MQO_MESH_BUILDER_H
#define MQO_MESH_BUILDER_H

#include "mqo/internal.h"

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

#endif
