// The windowless Mesa context: a real driver that draws and reads back.
#include <GL/gl.h>
#include <gtest/gtest.h>

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

TEST(EglContext, SavesAPngThatStartsWithItsSignatureAndHeader) {
    EglContext gl(300, 300);  // 270 kB of pixels: more than one stored block
    ASSERT_TRUE(gl.ok());
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    std::string path = testing::TempDir() + "egl_context_test.png";
    ASSERT_TRUE(gl.savePng(path));
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char head[24];
    ASSERT_EQ(std::fread(head, 1, sizeof head, f), sizeof head);
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    std::remove(path.c_str());
    EXPECT_EQ(0, std::memcmp(head, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x01\x2c\0\0\x01\x2c", 24));
    EXPECT_GT(size, 300L * 300 * 3);
}
