// The shaded path's GL calls on a 3.3 core debug context: preparing,
// drawing (every batch kind: plain, textured, flat, smooth, hidden) and
// releasing raise no GL_KHR_debug message of type error, and leave the
// caller's state as they found it. The load before it
// is not watched: the library's own set-up asks for the extension string,
// which a core context refuses.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mqo/MqoModelShaded.h"
#include "support/corpus_files.h"
#include "support/egl_context.h"

namespace {

std::vector<std::string> errors;

void GLAPIENTRY onMessage(GLenum, GLenum type, GLuint, GLenum, GLsizei, const GLchar* text,
                          const void*) {
    if (type == GL_DEBUG_TYPE_ERROR) errors.push_back(text);
}

TEST(ShadeDebug, CoreContextRaisesNoError) {
    EglContext context(64, 64, OffscreenApi::Core33Debug);
    ASSERT_TRUE(context.ok());
    ASSERT_TRUE(epoxy_has_gl_extension("GL_KHR_debug"));
    mqoInitLibrary();
    // Textured, smooth and flat objects, several materials.
    std::vector<MeshModel*> models;
    MqoLoadOptions options{};
    options.features = MQO_FEATURE_ALL;
    options.quiet = 1;
    for (const char* name : {"texture.mqo", "multiple_materials.mqo", "miku01.mqo"}) {
        const std::string path = corpusfiles::find(name);
        if (!path.empty()) models.push_back(mqoLoadModelEx(path.c_str(), 1.0, &options));
    }
    if (models.empty()) GTEST_SKIP() << "no corpus";
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(onMessage, nullptr);
    // The callback hears errors at all: a fixed-function call is one here.
    glEnable(GL_LIGHTING);
    ASSERT_EQ(errors.size(), 1u) << "no debug output on this context";
    errors.clear();
    // The caller's state, which every draw must leave as it found it.
    GLuint callerArray = 0, callerTexture = 0;
    glGenVertexArrays(1, &callerArray);
    glBindVertexArray(callerArray);
    glGenTextures(1, &callerTexture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, callerTexture);
    glActiveTexture(GL_TEXTURE1);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDepthMask(GL_FALSE);
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (MeshModel* model : models) {
        ASSERT_NE(model, nullptr);
        if (mqoModelObjectCount(model) > 1) mqoModelObject(model, 0)->visible = 0;
        for (int mode : {MQO_SHADE_GOURAUD, MQO_SHADE_PER_PIXEL}) {
            MqoShadedModel* shaded = mqoPrepareShadedModel(model, mode);
            ASSERT_NE(shaded, nullptr);
            mqoDrawShadedModel(shaded, identity, identity, nullptr);
            mqoReleaseShadedModel(shaded);
        }
    }
    GLint array = 0, program = -1, unit = 0, texture = 0, source = 0, depthMask = 1, front = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &array);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    glGetIntegerv(GL_BLEND_SRC_RGB, &source);
    glGetIntegerv(GL_DEPTH_WRITEMASK, &depthMask);
    glGetIntegerv(GL_FRONT_FACE, &front);
    EXPECT_EQ(array, static_cast<GLint>(callerArray));
    EXPECT_EQ(program, 0);
    EXPECT_EQ(unit, GL_TEXTURE1);
    EXPECT_EQ(texture, static_cast<GLint>(callerTexture));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(source, GL_ONE);
    EXPECT_EQ(depthMask, GL_FALSE);
    EXPECT_EQ(front, GL_CCW);
    glDebugMessageCallback(nullptr, nullptr);
    glDisable(GL_DEBUG_OUTPUT);
    for (MeshModel* model : models) mqoFreeModel(model);
    mqoCleanupLibrary();
    for (const std::string& e : errors) ADD_FAILURE() << e;
}

}  // namespace
