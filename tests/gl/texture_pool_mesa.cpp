// The pool and library state against the real Mesa driver in a windowless
// context: what a texture holds once uploaded, and the looked-up buffer calls.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "mqo/MqoModelGL.h"
#include "mqo/MqoModelStages.h"
#include "support/egl_context.h"
#include "support/image_files.h"

namespace {

using testimages::Bytes;

TEST(TextureOnMesa, FirstStoredRowBecomesTheLastRowOfTheTexture) {
    EglContext gl(16, 16);
    ASSERT_TRUE(gl.ok());
    mqoInitLibrary();
    testimages::TempDir dir;
    // Stored bottom row first: red, green; then blue, white.
    Bytes stored = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    testimages::PathBuffer path(dir.write("rgbw.bmp", testimages::bmp(2, 2, stored)));
    int name = mqoSetTexturePool(path.get(), nullptr, 128);
    ASSERT_GT(name, 0);

    Bytes texels(2 * 2 * 4, 0xEE);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(texels, (Bytes{0, 0, 255, 128, 255, 255, 255, 128,  // texture row 0: blue, white
                             255, 0, 0, 128, 0, 255, 0, 128}));   // row 1: red, green

    GLint unpack = 0, pack = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    EXPECT_EQ(unpack, 4);
    EXPECT_EQ(pack, 4);

    mqoCleanupLibrary();
    EXPECT_FALSE(glIsTexture(static_cast<GLuint>(name)));
}

TEST(TextureOnMesa, InitFindsWorkingBufferObjectEntryPoints) {
    EglContext gl(16, 16);
    ASSERT_TRUE(gl.ok());
    mqoInitLibrary();
    ASSERT_EQ(vboSupported, 1);
    ASSERT_NE(mqo::glGenBuffersARB, nullptr);
    GLuint buffer = 0;
    mqo::glGenBuffersARB(1, &buffer);
    EXPECT_NE(buffer, 0u);
    const float data[3] = {1, 2, 3};
    mqo::glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer);
    mqo::glBufferDataARB(GL_ARRAY_BUFFER_ARB, sizeof data, data, GL_STATIC_DRAW_ARB);
    mqo::glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    mqo::glDeleteBuffersARB(1, &buffer);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
