// MqoModel: drawing a model with a shader program of the library's own, for
// a core-profile (3.3) or OpenGL ES 3.0 context where the fixed-function
// pipeline that mqoDrawModel uses does not exist. Opt-in and separate:
// mqoDrawModel is unchanged, and nothing here reads or sets fixed-function
// state. Like mqo/MqoModel.h this header includes no GL header.
//
//   MqoShadedModel* shaded = mqoPrepareShadedModel(model, MQO_SHADE_GOURAUD);
//   MqoShadeLight light;
//   mqoShadeDefaultLight(&light);
//   mqoDrawShadedModel(shaded, modelview, projection, &light);   // each frame
//   mqoReleaseShadedModel(shaded);   // before mqoFreeModel(model)
//
// The picture is the one mqoDrawModel gives under GL light 0 and the light
// model, with GL_NORMALIZE on: colours are lit per vertex as the
// fixed-function pipeline lights them, so the two paths agree pixel for
// pixel within rounding. MQO_SHADE_PER_PIXEL lights per fragment instead;
// it looks smoother and is not the fixed-function picture.
#ifndef MQO_MQOMODELSHADED_H
#define MQO_MQOMODELSHADED_H

#include "mqo/MqoExport.h"
#include "mqo/MqoModel.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MqoShadedModel MqoShadedModel;  // a model's GL objects and program

// How colours are computed: per vertex, as the fixed-function pipeline does
// (Gouraud), or per fragment.
enum { MQO_SHADE_GOURAUD = 0, MQO_SHADE_PER_PIXEL = 1 };

// One directional light and the light model's ambient term, as GL light 0
// and GL_LIGHT_MODEL_AMBIENT hold them.
typedef struct MqoShadeLight {
    float direction[3];     // towards the light, in eye space; need not be unit
    float diffuse[4];       // GL_DIFFUSE of the light
    float specular[4];      // GL_SPECULAR of the light
    float ambient[4];       // GL_AMBIENT of the light
    float modelAmbient[4];  // GL_LIGHT_MODEL_AMBIENT
} MqoShadeLight;

// Fills light with GL's initial values for light 0 and the light model:
// direction (0, 0, 1), white diffuse and specular, black ambient, model
// ambient 0.2. Null is ignored.
MQO_API void mqoShadeDefaultLight(MqoShadeLight* light);

// Prepares model for mqoDrawShadedModel in the current context, which must
// be OpenGL 3.3 (core or compatibility) or OpenGL ES 3.0 or later: one
// vertex array object per drawable batch over the batch's buffer object, or
// over a buffer of its own filled from the batch's array when the batch has
// none. mode is MQO_SHADE_GOURAUD or MQO_SHADE_PER_PIXEL (any other value is
// Gouraud). Returns null when model is null or compact (MQO_FEATURE_COMPACT:
// a batch with indices, which this path does not draw), when the context is older or
// when the program does not build (the compiler's log then goes to standard
// error). The model is not copied: its materials, visibility and alpha are
// read at each draw, so it must outlive the result; its vertices are read
// here only.
MQO_API MqoShadedModel* mqoPrepareShadedModel(const MeshModel* model, int mode);

// Draws the prepared model as mqoDrawModel draws it: objects with visible 0
// skipped, flat or smooth objects, each batch's material (diffuse, ambient,
// emission, specular, power, alpha times the model's alpha) or GL's default
// material when the document has none, textures modulating the lit colour,
// blending by alpha, front faces clockwise. modelview and projection are
// column-major 4x4 matrices as glGetFloatv returns them; a null light is
// mqoShadeDefaultLight's. Blend enable and function, depth write, front
// face, the bound program, vertex array, active texture unit and its 2D
// texture are as the caller had them afterwards. Null shaded or matrices
// draw nothing.
MQO_API void mqoDrawShadedModel(MqoShadedModel* shaded, const float modelview[16],
                                const float projection[16], const MqoShadeLight* light);

// Deletes the programs, vertex arrays and the buffers made by
// mqoPrepareShadedModel (not the model's own) in the current context, which
// must be the one it was prepared in. Null is ignored.
MQO_API void mqoReleaseShadedModel(MqoShadedModel* shaded);

#ifdef __cplusplus
}
#endif

#endif  // MQO_MQOMODELSHADED_H
