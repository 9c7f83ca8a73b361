// MqoModel: corner normals smoothed the way the modelling tool shows them,
// and the staging that draws them (MQO_FEATURE_FACET_SMOOTHING). CPU stage;
// not installed.
#ifndef MQO_MESH_CORNER_NORMALS_H
#define MQO_MESH_CORNER_NORMALS_H

#include "mqo/mesh/mesh_builder.h"

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

#endif  // MQO_MESH_CORNER_NORMALS_H
