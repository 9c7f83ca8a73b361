// The recording fake GL itself: what the library tests rely on it to record.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include "mqo/gl/gl_internal.h"
#include "support/fake_gl.h"

using namespace mqo::detail;

using fakegl::calls;

TEST(FakeGl, RecordsCallsAsTextInOrder) {
    fakegl::reset();
    glBindTexture(GL_TEXTURE_2D, 7);
    glColor4f(1, 0.5f, 0, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glVertexPointer(3, GL_FLOAT, 32, nullptr);
    glEnable(0x1234);
    std::vector<std::string> expected = {
        "glBindTexture(GL_TEXTURE_2D, 7)",
        "glColor4f(1, 0.5, 0, 1)",
        "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR)",
        "glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)",
        "glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA)",
        "glVertexPointer(3, GL_FLOAT, 32, 0)",
        "glEnable(0x1234)"};
    EXPECT_EQ(calls(), expected);
    EXPECT_EQ(fakegl::callsNamed({"glColor4f", "glEnable"}),
              (std::vector<std::string>{"glColor4f(1, 0.5, 0, 1)", "glEnable(0x1234)"}));
}

TEST(FakeGl, AnswersQueriesFromConfiguredState) {
    fakegl::reset();
    EXPECT_STREQ(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                 "GL_ARB_vertex_buffer_object");
    fakegl::setExtensions(nullptr);
    EXPECT_EQ(glGetString(GL_EXTENSIONS), nullptr);
    GLint v = -1;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &v);
    EXPECT_EQ(v, 16384);
    fakegl::setMaxTextureSize(64);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &v);
    EXPECT_EQ(v, 64);
    glFrontFace(GL_CW);
    glGetIntegerv(GL_FRONT_FACE, &v);
    EXPECT_EQ(v, GL_CW);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    glEnable(GL_LIGHTING);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}

TEST(FakeGl, LookupHandsOutRecordingBufferFunctions) {
    fakegl::reset();
    auto gen = reinterpret_cast<PFNGLGENBUFFERSARBPROC>(mqoLookupGLFunction("glGenBuffersARB"));
    auto bind = reinterpret_cast<PFNGLBINDBUFFERARBPROC>(mqoLookupGLFunction("glBindBufferARB"));
    auto data = reinterpret_cast<PFNGLBUFFERDATAARBPROC>(mqoLookupGLFunction("glBufferDataARB"));
    auto del =
        reinterpret_cast<PFNGLDELETEBUFFERSARBPROC>(mqoLookupGLFunction("glDeleteBuffersARB"));
    ASSERT_TRUE(gen && bind && data && del);
    fakegl::clear();
    GLuint name = 0;
    gen(1, &name);
    EXPECT_EQ(name, 1u);
    bind(GL_ARRAY_BUFFER_ARB, name);
    const unsigned char bytes[3] = {9, 8, 7};
    data(GL_ARRAY_BUFFER_ARB, 3, bytes, GL_STATIC_DRAW_ARB);
    glVertexPointer(3, GL_FLOAT, 32, reinterpret_cast<const void*>(12));
    del(1, &name);
    EXPECT_EQ(fakegl::bufferData(1), (std::vector<unsigned char>{9, 8, 7}));
    EXPECT_EQ(fakegl::deletedBuffers(), std::vector<GLuint>{1});
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           "glGenBuffersARB(1, ptr)", "glBindBufferARB(GL_ARRAY_BUFFER_ARB, 1)",
                           "glBufferDataARB(GL_ARRAY_BUFFER_ARB, 3, ptr, GL_STATIC_DRAW_ARB)",
                           "glVertexPointer(3, GL_FLOAT, 32, 12)", "glDeleteBuffersARB(1, ptr)"}));
    fakegl::setLookupSucceeds("glBufferDataARB", false);
    EXPECT_EQ(mqoLookupGLFunction("glBufferDataARB"), nullptr);
    EXPECT_EQ(mqoLookupGLFunction("glNoSuchFunction"), nullptr);
}

TEST(FakeGl, CopiesTextureImagesAndPointedValues) {
    fakegl::reset();
    unsigned char pixels[2 * 2 * 4];
    for (int i = 0; i < 16; ++i) pixels[i] = static_cast<unsigned char>(i);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    EXPECT_EQ(fakegl::lastTextureImage(), std::vector<unsigned char>(pixels, pixels + 16));
    EXPECT_EQ(fakegl::lastTextureWidth(), 2);
    const float diffuse[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    EXPECT_EQ(calls().back(), "glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, ptr)");
    EXPECT_EQ(fakegl::callValues(calls().size() - 1), std::vector<float>(diffuse, diffuse + 4));
}
