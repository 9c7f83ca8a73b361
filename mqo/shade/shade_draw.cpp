// MqoModel: drawing a prepared model. The state it changes is queried before
// the model and restored after it, so a caller's state survives every batch.
#include <epoxy/gl.h>

#include "mqo/shade/shade_internal.h"

namespace mqo::detail {

namespace {

// GL's initial material, which a model of a document without materials is
// drawn with.
const MaterialBatch& defaultMaterial() {
    static MaterialBatch m = [] {
        MaterialBatch b{};
        const float diffuse[4] = {0.8f, 0.8f, 0.8f, 1}, ambient[4] = {0.2f, 0.2f, 0.2f, 1};
        for (int i = 0; i < 4; ++i) {
            b.diffuse[i] = diffuse[i];
            b.ambient[i] = ambient[i];
            b.specular[i] = b.emission[i] = i == 3 ? 1.0f : 0.0f;
        }
        return b;
    }();
    return m;
}

struct SavedState {
    GLint program, vertexArray, activeTexture, texture, frontFace;
    GLint blendSrcRgb, blendDstRgb, blendSrcAlpha, blendDstAlpha;
    GLboolean blend, depthMask;
};

SavedState saveState() {
    SavedState s{};
    glGetIntegerv(GL_CURRENT_PROGRAM, &s.program);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &s.vertexArray);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &s.activeTexture);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture);
    glGetIntegerv(GL_FRONT_FACE, &s.frontFace);
    glGetIntegerv(GL_BLEND_SRC_RGB, &s.blendSrcRgb);
    glGetIntegerv(GL_BLEND_DST_RGB, &s.blendDstRgb);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &s.blendSrcAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &s.blendDstAlpha);
    s.blend = glIsEnabled(GL_BLEND);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
    return s;
}

void restoreState(const SavedState& s) {
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(s.texture));
    glActiveTexture(static_cast<GLenum>(s.activeTexture));
    glBindVertexArray(static_cast<GLuint>(s.vertexArray));
    glUseProgram(static_cast<GLuint>(s.program));
    glFrontFace(static_cast<GLenum>(s.frontFace));
    glBlendFuncSeparate(static_cast<GLenum>(s.blendSrcRgb), static_cast<GLenum>(s.blendDstRgb),
                        static_cast<GLenum>(s.blendSrcAlpha), static_cast<GLenum>(s.blendDstAlpha));
    if (!s.blend) glDisable(GL_BLEND);
    glDepthMask(s.depthMask);
}

void setLight(const ShadeUniforms& u, const MqoShadeLight& light) {
    float unit[3], half[3];
    mqoLightVectors(light.direction, unit, half);
    glUniform3fv(u.lightDirection, 1, unit);
    glUniform3fv(u.halfVector, 1, half);
    glUniform4fv(u.lightDiffuse, 1, light.diffuse);
    glUniform4fv(u.lightSpecular, 1, light.specular);
    glUniform4fv(u.lightAmbient, 1, light.ambient);
    glUniform4fv(u.modelAmbient, 1, light.modelAmbient);
}

void setMatrices(const ShadeUniforms& u, const float modelview[16], const float projection[16]) {
    float normal[9];
    mqoNormalMatrix(modelview, normal);
    glUniformMatrix4fv(u.modelview, 1, GL_FALSE, modelview);
    glUniformMatrix4fv(u.projection, 1, GL_FALSE, projection);
    glUniformMatrix3fv(u.normalMatrix, 1, GL_FALSE, normal);
}

// As glMaterialfv does it in mqoDrawModel: alpha scaled by the model's.
void setMaterial(const ShadeUniforms& u, const MaterialBatch& b, double alphaFactor) {
    const MaterialBatch& m = b.hasMaterial ? b : defaultMaterial();
    const double factor = b.hasMaterial ? alphaFactor : 1.0;
    const struct {
        int location;
        const float* rgba;
    } colours[4] = {{u.diffuse, m.diffuse},
                    {u.ambient, m.ambient},
                    {u.specular, m.specular},
                    {u.emission, m.emission}};
    for (const auto& c : colours)
        glUniform4f(c.location, c.rgba[0], c.rgba[1], c.rgba[2],
                    static_cast<float>(c.rgba[3] * factor));
    glUniform1f(u.power, m.power);
}

// A texture the pool failed to make (name -1) leaves the batch untextured,
// as an incomplete texture leaves fixed-function texturing off. *current is
// the program in use (0 untextured, 1 textured), switched only on change.
void drawBatch(const MqoShadedModel& shaded, const ShadeBatch& sb, double alphaFactor,
               int* current) {
    const MeshObject* object = mqoShadeObject(*shaded.model, sb.object);
    if (object == nullptr || object->visible == 0 || sb.batch >= object->batchCount) return;
    const MaterialBatch& b = object->batches[sb.batch];
    const int textured = b.hasTexture && b.textureName != 0xFFFFFFFFu ? 1 : 0;
    if (textured != *current) glUseProgram(shaded.programs[textured]);
    *current = textured;
    const ShadeUniforms& u = shaded.uniforms[textured];
    setMaterial(u, b, alphaFactor);
    glUniform1i(u.flatShading, object->flatShading ? 1 : 0);
    if (textured) glBindTexture(GL_TEXTURE_2D, b.textureName);
    glBindVertexArray(sb.vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, b.vertexCount);
}

}  // namespace

}  // namespace mqo::detail

// The public call, declared by mqo/MqoModelShaded.h.
using namespace mqo::detail;

void mqoDrawShadedModel(MqoShadedModel* shaded, const float modelview[16],
                        const float projection[16], const MqoShadeLight* light) {
    if (shaded == nullptr || modelview == nullptr || projection == nullptr) return;
    MqoShadeLight defaults;
    mqoShadeDefaultLight(&defaults);
    const SavedState saved = saveState();
    // Both programs get the frame's uniforms; the textured one is left in use.
    for (int t = 0; t < 2; ++t) {
        const ShadeUniforms& u = shaded->uniforms[t];
        glUseProgram(shaded->programs[t]);
        setMatrices(u, modelview, projection);
        setLight(u, light != nullptr ? *light : defaults);
        glUniform1i(u.sampler, 0);
    }
    int current = 1;
    // The mesh builder's face normals point to the side from which corners
    // run clockwise.
    glFrontFace(GL_CW);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // Double precision keeps alpha 255 at exactly 1.
    const double alphaFactor = shaded->model->alpha * (1.0 / 255.0);
    for (int i = 0; i < shaded->batchCount; ++i)
        drawBatch(*shaded, shaded->batches[i], alphaFactor, &current);
    restoreState(saved);
}
