// A document written the way modelling tools write them (header lines, a
// Scene chunk with nested blocks, CRLF, tab indentation, Shift_JIS names, a
// textured material), loaded into a Mesa context and drawn: the pixels show
// both objects in the right places and colours.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mqo/MqoModel.h"
#include "support/egl_context.h"
#include "support/reader_files.h"

namespace {

// Shift_JIS bytes: 表 (its second byte is a backslash), 赤, 木目, 木.
const std::string kOmote = "\x95\x5c";
const std::string kAka = "\x90\xd4";
const std::string kMokume = "\x96\xd8\x96\xda";
const std::string kKi = "\x96\xd8";

std::string crlf(const std::string& lf) {
    std::string out;
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string toolDocument() {
    return crlf(
        "Metasequoia Document\n"
        "Format Text Ver 1.0\n"
        "\n"
        "Scene {\n"
        "\tpos 0.0000 0.0000 1500.0000\n"
        "\tlookat 0.0000 0.0000 0.0000\n"
        "\thead -0.5236\n"
        "\tpich 0.5236\n"
        "\tortho 0\n"
        "\tzoom2 5.0000\n"
        "\tamb 0.250 0.250 0.250\n"
        "\tdirlights 1 {\n"
        "\t\tlight {\n"
        "\t\t\tdir 0.408 0.408 0.816\n"
        "\t\t\tcolor 1.000 1.000 1.000\n"
        "\t\t}\n"
        "\t}\n"
        "}\n"
        "Material 2 {\n"
        "\t\"" +
        kAka +
        "\" col(1.000 0.000 0.000 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) power(5.00)\n"
        "\t\"" +
        kMokume +
        "\" shader(3) col(1.000 1.000 1.000 1.000) dif(0.800) amb(0.600) emi(0.000) "
        "spc(0.000) power(5.00) tex(\"tex\\wood.bmp\")\n"
        "}\n"
        "Object \"" +
        kOmote +
        "\" {\n"
        "\tdepth 0\n"
        "\tfolding 0\n"
        "\tscale 1.000000 1.000000 1.000000\n"
        "\trotation 0.000000 0.000000 0.000000\n"
        "\ttranslation 0.000000 0.000000 0.000000\n"
        "\tvisible 15\n"
        "\tlocking 0\n"
        "\tshading 1\n"
        "\tfacet 59.5\n"
        "\tcolor 0.898 0.498 0.698\n"
        "\tcolor_type 0\n"
        "\tvertex 4 {\n"
        "\t\t-90.0000 -90.0000 0.0000\n"
        "\t\t-90.0000 90.0000 0.0000\n"
        "\t\t-10.0000 90.0000 0.0000\n"
        "\t\t-10.0000 -90.0000 0.0000\n"
        "\t}\n"
        "\tvertexattr {\n"
        "\t\tuid {\n"
        "\t\t\t1\n\t\t\t2\n\t\t\t3\n\t\t\t4\n"
        "\t\t}\n"
        "\t}\n"
        "\tface 1 {\n"
        "\t\t4 V(0 1 2 3) M(0) UID(1)\n"
        "\t}\n"
        "}\n"
        "Object \"" +
        kKi +
        "\" {\n"
        "\tvisible 15\n"
        "\tshading 0\n"
        "\tfacet 59.5\n"
        "\tvertex 4 {\n"
        "\t\t10.0000 -90.0000 0.0000\n"
        "\t\t10.0000 90.0000 0.0000\n"
        "\t\t90.0000 90.0000 0.0000\n"
        "\t\t90.0000 -90.0000 0.0000\n"
        "\t}\n"
        "\tface 1 {\n"
        "\t\t4 V(0 1 2 3) M(1) UV(0.00000 1.00000 0.00000 0.00000 1.00000 0.00000 1.00000 "
        "1.00000)\n"
        "\t}\n"
        "}\n"
        "Eof\n");
}

}  // namespace

TEST(ToolDocument, LoadsAndDrawsBothObjects) {
    EglContext context(64, 64);
    ASSERT_TRUE(context.ok());
    mqoInitLibrary();
    readerfiles::TempDir dir;
    // The name is written with a backslash; on this system that is part of
    // the file name, as the document's own separators are used unchanged.
    dir.write("tex\\wood.bmp", readerfiles::tinyBmp());
    std::string path = dir.write("walk_00000.mqo", toolDocument());

    MeshModel* m = mqoLoadModel(path.c_str(), 0.01);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objectCount, 2);
    EXPECT_EQ(std::string(m->objects[0].name), "\"" + kOmote + "\"");
    EXPECT_EQ(std::string(m->objects[1].name), "\"" + kKi + "\"");
    EXPECT_EQ(m->objects[0].flatShading, 0);
    EXPECT_EQ(m->objects[1].flatShading, 1);
    ASSERT_EQ(m->objects[0].batchCount, 1);
    EXPECT_EQ(m->objects[0].batches[0].vertexCount, 6);
    EXPECT_FLOAT_EQ(m->objects[0].batches[0].color[0], 1.0f);
    ASSERT_EQ(m->objects[1].batchCount, 2);
    EXPECT_EQ(m->objects[1].batches[0].vertexCount, 0);
    const MaterialBatch& wood = m->objects[1].batches[1];
    ASSERT_EQ(wood.vertexCount, 6);
    EXPECT_EQ(wood.hasTexture, 1);
    EXPECT_NE(wood.textureName, static_cast<uint32_t>(-1));
    EXPECT_NE(wood.bufferName, 0u);
    EXPECT_FLOAT_EQ(wood.texturedVertices[2].uv[0], 1.0f);
    EXPECT_FLOAT_EQ(wood.texturedVertices[2].position[0], 0.9f);

    glClearColor(0, 0, 0.2f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    mqoDrawModel(m);
    glFinish();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    std::vector<unsigned char> rgb = context.readRgb();
    context.savePng("reader_tool_document.png");
    auto px = [&](int x, int y) { return &rgb[(static_cast<size_t>(y) * 64 + x) * 3]; };
    const unsigned char* left = px(16, 32);
    EXPECT_EQ(left[0], 255);
    EXPECT_EQ(left[1], 0);
    EXPECT_EQ(left[2], 0);
    const unsigned char* right = px(48, 32);
    EXPECT_NEAR(right[0], 128, 2);
    EXPECT_NEAR(right[1], 128, 2);
    EXPECT_NEAR(right[2], 128, 2);
    const unsigned char* gap = px(32, 32);  // between the two objects
    EXPECT_EQ(gap[0], 0);
    EXPECT_EQ(gap[2], 51);
    mqoFreeModel(m);
    mqoCleanupLibrary();
}
