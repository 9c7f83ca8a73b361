// MqoModel: what the shaded draw path's files (mqo/shade/) define for one
// another: the program, the vertex arrays, the matrices. GL names are plain
// unsigned ints here so this header needs no GL header. Not installed.
#ifndef MQO_SHADE_SHADE_INTERNAL_H
#define MQO_SHADE_SHADE_INTERNAL_H

#include "mqo/MqoModelShaded.h"

namespace mqo::detail {

// ==== shaded draw path ====

// The GLSL dialects the one source is written for.
enum ShadeDialect { MQO_GLSL_330_CORE = 0, MQO_GLSL_300_ES = 1 };

// A program variant: the lighting mode (MQO_SHADE_GOURAUD or
// MQO_SHADE_PER_PIXEL), plus MQO_SHADE_TEXTURED for textured batches.
enum { MQO_SHADE_TEXTURED = 2 };

// The program's source for one dialect, variant and stage (0 vertex, 1
// fragment): the version line, the variant's defines, then the shared text.
// Static storage.
const char* mqoShadeSource(ShadeDialect dialect, int variant, int fragment);

// Uniform locations of a linked program.
struct ShadeUniforms {
    int modelview, projection, normalMatrix;
    int lightDirection, halfVector, lightDiffuse, lightSpecular, lightAmbient, modelAmbient;
    int diffuse, ambient, specular, emission, power;
    int flatShading, sampler;
};

// Compiles and links the program of a variant for the current context's
// dialect; 0 (with the log on standard error) when either stage or the link
// fails.
unsigned mqoBuildShadeProgram(int variant, ShadeUniforms* uniforms);

// One drawable batch: its vertex array, the buffer made for it (0 when the
// batch's own buffer object is used) and where it is in the model.
struct ShadeBatch {
    unsigned vertexArray;
    unsigned ownBuffer;
    int object;  // index over objects[] then extraObjects[]
    int batch;
};

}  // namespace mqo::detail

// The prepared model.
struct MqoShadedModel {
    const MeshModel* model;
    int mode;
    unsigned programs[2];  // untextured, textured
    mqo::detail::ShadeUniforms uniforms[2];
    int batchCount;
    mqo::detail::ShadeBatch* batches;  // in drawing order
};

namespace mqo::detail {

// The model's objects in drawing order: objects[] (at most MQO_MAX_OBJECTS)
// then extraObjects[]; null past the end.
const MeshObject* mqoShadeObject(const MeshModel& model, int index);

// Makes a vertex array for every drawable batch of the model into shaded;
// false when memory runs out (what was made is left for release).
bool mqoMakeShadeBatches(MqoShadedModel* shaded);

// The inverse transpose of modelview's upper 3x3 (column-major), for
// normals; the upper 3x3 itself when it is singular.
void mqoNormalMatrix(const float modelview[16], float normal[9]);

// The fixed-function half vector of a directional light with a viewer at
// infinity: normalize(normalize(direction) + (0, 0, 1)); direction made unit
// into unit.
void mqoLightVectors(const float direction[3], float unit[3], float half[3]);

}  // namespace mqo::detail

#endif  // MQO_SHADE_SHADE_INTERNAL_H
