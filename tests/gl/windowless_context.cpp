// The windowless Mesa context: a real driver that draws and reads back.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <spng.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/egl_context.h"

TEST(EglContext, GivesACompatibilityContextWithBufferObjects) {
    EglContext gl(64, 32);
    ASSERT_TRUE(gl.ok());
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ASSERT_NE(extensions, nullptr);
    EXPECT_NE(std::string(extensions).find("GL_ARB_vertex_buffer_object"), std::string::npos);
    glClearColor(0, 0, 0.2f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    std::vector<unsigned char> rgb = gl.readRgb();
    ASSERT_EQ(rgb.size(), 64u * 32u * 3u);
    EXPECT_EQ(rgb[0], 0);
    EXPECT_EQ(rgb[2], 51);
    EXPECT_EQ(rgb[rgb.size() - 1], 51);
}

// The saved file is what readRgb gave, top row first: one PNG writer for
// the tests and the tools, read back through libspng.
TEST(EglContext, SavesAPngThatDecodesToTheColourBuffer) {
    EglContext gl(64, 32);
    ASSERT_TRUE(gl.ok());
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);  // a lower-left block tells the rows apart
    glScissor(0, 0, 8, 4);
    glClearColor(0, 1, 0.5f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    std::string path = testing::TempDir() + "egl_context_test.png";
    ASSERT_TRUE(gl.savePng(path));
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_file(ctx, f);
    spng_ihdr header = {};
    ASSERT_EQ(spng_get_ihdr(ctx, &header), 0);
    EXPECT_EQ(header.width, 64u);
    EXPECT_EQ(header.height, 32u);
    std::vector<unsigned char> decoded(64 * 32 * 4);
    ASSERT_EQ(spng_decode_image(ctx, decoded.data(), decoded.size(), SPNG_FMT_RGBA8, 0), 0);
    spng_ctx_free(ctx);
    std::fclose(f);
    std::remove(path.c_str());
    std::vector<unsigned char> rgb = gl.readRgb();
    size_t differing = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            for (int c = 0; c < 3; ++c)
                differing += decoded[((31 - y) * 64 + x) * 4 + c] != rgb[(y * 64 + x) * 3 + c];
    EXPECT_EQ(differing, 0u);
    EXPECT_EQ(rgb[1], 255);                      // the block is at GL's row 0
    EXPECT_EQ(decoded[(31 * 64) * 4 + 1], 255);  // and at the file's last row
}
