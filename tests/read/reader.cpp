// The document reader over the recording fake GL: material lines, Object
// chunks, vertex and face lists, texture paths, the three cases where real
// documents need more than a plain line-by-line read, and the load calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mqo/read/read_internal.h"
#include "support/fake_gl.h"
#include "support/reader_files.h"
#include "support/reader_fixture.h"

using namespace mqo::detail;

namespace {

class Reader : public ReaderFixture {
protected:
    std::vector<MaterialEntry> materials(const std::string& lines, int count) {
        std::vector<MaterialEntry> out(static_cast<size_t>(count));
        MqoStream* s = mqoOpenStream(dir.write("m.txt", lines).c_str());
        EXPECT_NE(s, nullptr);
        mqoReadMaterialChunk(s, out.data(), count);
        mqoCloseStream(s);
        return out;
    }

    std::vector<FaceEntry> faces(const std::string& lines, int count) {
        std::vector<FaceEntry> out(static_cast<size_t>(count));
        MqoStream* s = mqoOpenStream(dir.write("f.txt", lines).c_str());
        mqoReadFaceChunk(s, out.data(), count);
        mqoCloseStream(s);
        return out;
    }
};

std::string captured() {
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

const char* kCube =
    "Metasequoia Document\n"
    "Format Text Ver 1.0\n"
    "Material 2 {\n"
    "\t\"red\" col(1.000 0.000 0.000 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) "
    "power(5.00)\n"
    "\t\"blue\" col(0.000 0.000 1.000 0.500) dif(0.500) amb(0.250) emi(0.100) spc(1.000) "
    "power(30.00)\n"
    "}\n"
    "Object \"quad\" {\n"
    "\tvisible 15\n"
    "\tshading 1\n"
    "\tfacet 59.5\n"
    "\tvertex 4 {\n"
    "\t\t0 0 0\n\t\t2 0 0\n\t\t2 2 0\n\t\t0 2 0\n"
    "\t}\n"
    "\tface 2 {\n"
    "\t\t3 V(0 1 2) M(0)\n"
    "\t\t3 V(0 2 3) M(1)\n"
    "\t}\n"
    "}\n"
    "Eof\n";

}  // namespace

TEST_F(Reader, MaterialLineGivesColourDerivedColoursAndPower) {
    auto m = materials(
        "\t\"mat\" col(0.5 0.25 1.0 0.75) dif(0.8) amb(0.6) emi(0.2) spc(0.1) power(12.5)\n}\n", 1);
    EXPECT_FLOAT_EQ(m[0].color[0], 0.5f);
    EXPECT_FLOAT_EQ(m[0].color[3], 0.75f);
    EXPECT_FLOAT_EQ(m[0].diffuse[0], 0.8f * 0.5f);
    EXPECT_FLOAT_EQ(m[0].diffuse[2], 0.8f * 1.0f);
    EXPECT_FLOAT_EQ(m[0].diffuse[3], 0.75f);  // alpha copied, not scaled
    EXPECT_FLOAT_EQ(m[0].ambient[1], 0.6f * 0.25f);
    EXPECT_FLOAT_EQ(m[0].emission[0], 0.2f * 0.5f);
    EXPECT_FLOAT_EQ(m[0].specular[2], 0.1f * 1.0f);
    EXPECT_FLOAT_EQ(m[0].specular[3], 0.75f);
    EXPECT_FLOAT_EQ(m[0].power, 12.5f);
    EXPECT_EQ(m[0].useTexture, 0);
    EXPECT_STREQ(m[0].textureFile, "");
    EXPECT_EQ(m[0].textureId, 0);
}

TEST_F(Reader, ColourIsReadFromTheAttributeNotFromVcol) {
    auto m = materials(
        "\t\"mat1\" vcol(1) col(1.000 0.282 0.298 0.762) dif(0.863) amb(0.625) emi(0.325) "
        "spc(0.325) power(3.75) reflect(0.188) refract(1.300)\n"
        "\t\"b\"col(0.1 0.2 0.3 0.4) dif (0.5) amb(0.5) emi(0.5) spc(0.5) power(2)\n"
        "col(0.9 0.9 0.9 1) dif(1) amb(1) emi(1) spc(1) power(1)\n"
        "\t\"c\" shader(3) vcol(0)\tcol(0.6 0.6 0.6 1) dif(1) amb(0) emi(0) spc(0) power(4)\n"
        "}\n",
        4);
    EXPECT_FLOAT_EQ(m[0].color[0], 1.0f);
    EXPECT_FLOAT_EQ(m[0].color[1], 0.282f);
    EXPECT_FLOAT_EQ(m[0].color[3], 0.762f);
    EXPECT_FLOAT_EQ(m[0].diffuse[1], 0.863f * 0.282f);
    EXPECT_FLOAT_EQ(m[0].power, 3.75f);
    // Right after the closing quote, with "dif (" written with a blank.
    EXPECT_FLOAT_EQ(m[1].color[2], 0.3f);
    EXPECT_FLOAT_EQ(m[1].diffuse[0], 0.05f);
    EXPECT_FLOAT_EQ(m[1].power, 2.0f);
    EXPECT_FLOAT_EQ(m[2].color[0], 0.9f);  // at the line start
    EXPECT_FLOAT_EQ(m[3].color[0], 0.6f);  // after a tab
    EXPECT_FLOAT_EQ(m[3].power, 4.0f);
}

TEST_F(Reader, NamesWithBlanksAndKeywordsDoNotHideTheColour) {
    auto m = materials(
        "\t\"my col(0) mat\" col(0.25 0.5 0.75 1) dif(1) amb(1) emi(1) spc(1) power(9)\n}\n", 1);
    EXPECT_FLOAT_EQ(m[0].color[0], 0.25f);
    EXPECT_FLOAT_EQ(m[0].color[2], 0.75f);
    EXPECT_FLOAT_EQ(m[0].power, 9.0f);
}

TEST_F(Reader, MissingAttributesTakeNewMaterialValuesNotThePreviousLine) {
    auto m = materials(
        "\t\"a\" col(0.1 0.2 0.3 0.4) dif(0.1) amb(0.1) emi(0.9) spc(0.9) power(50)\n"
        "\t\"b\"\n"
        "\t\"c\" col(0.5 0.5 0.5 1) dif(0.5)\n"
        "}\n",
        3);
    EXPECT_FLOAT_EQ(m[1].color[0], 1.0f);
    EXPECT_FLOAT_EQ(m[1].color[3], 1.0f);
    EXPECT_FLOAT_EQ(m[1].diffuse[0], 0.8f);
    EXPECT_FLOAT_EQ(m[1].ambient[0], 0.6f);
    EXPECT_FLOAT_EQ(m[1].emission[0], 0.0f);
    EXPECT_FLOAT_EQ(m[1].power, 5.0f);
    // The scan stops where the line ends: later fields keep their defaults.
    EXPECT_FLOAT_EQ(m[2].diffuse[0], 0.25f);
    EXPECT_FLOAT_EQ(m[2].ambient[0], 0.3f);
    EXPECT_FLOAT_EQ(m[2].power, 5.0f);
}

TEST_F(Reader, TextureAndAlphaPlaneNamesAreCutFromTheirQuotes) {
    auto m = materials(
        "\"t\" col(1 1 1 1) dif(1) amb(1) emi(1) spc(1) power(5) tex(\"wood grain.bmp\") "
        "aplane(\"sub\\alpha.tga\")\n"
        "\"u\" col(1 1 1 1) aplane(\"ignored.tga\")\n"
        "\"v\" col(1 1 1 1) tex(\"only.bmp\")\n"
        "\"w\" col(1 1 1 1) tex(\"open.bmp\n"
        "\"x\" col(1 1 1 1) tex()\n"
        "\"y\" col(1 1 1 1) tex(bare.bmp) aplane(\")\n"
        "}\n",
        6);
    EXPECT_EQ(m[0].useTexture, 1);
    EXPECT_STREQ(m[0].textureFile, "wood grain.bmp");
    EXPECT_STREQ(m[0].alphaFile, "sub\\alpha.tga");
    EXPECT_EQ(m[1].useTexture, 0);  // aplane without tex is ignored
    EXPECT_STREQ(m[1].alphaFile, "");
    EXPECT_EQ(m[2].useTexture, 1);
    EXPECT_STREQ(m[2].alphaFile, "");
    // Without ")" or without room for a name, the name is empty.
    EXPECT_EQ(m[3].useTexture, 1);
    EXPECT_STREQ(m[3].textureFile, "");
    EXPECT_STREQ(m[4].textureFile, "");
    // Without quotes the cut still drops one character at each end.
    EXPECT_STREQ(m[5].textureFile, "are.bm");
    EXPECT_STREQ(m[5].alphaFile, "");
}

// Lines longer than 255 characters are one entry each: nothing after them
// moves down a place, and names longer than their records are cut.
TEST_F(Reader, LongLinesAreOneEntryAndLongNamesAreCutToTheirRecords) {
    const std::string attributes =
        " shader(3) vcol(1) col(0.9 0.1 0.1 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000)"
        " power(5.00) reflect(0.500) refract(1.000) proj_type(0) proj_pos(0.000 0.000 0.000)"
        " proj_scale(1.000 1.000 1.000) proj_angle(0.000 0.000 0.000)";
    const std::string longName(300, 'n');
    auto m =
        materials("\t\"first\"" + attributes + " tex(\"" + longName + ".bmp\")\n" +
                      "\t\"second\" col(0.1 0.9 0.1 1) dif(1)\n\t\"third\" col(0.1 0.1 0.9 1)\n}\n",
                  3);
    EXPECT_FLOAT_EQ(m[0].color[0], 0.9f);
    EXPECT_EQ(std::string(m[0].textureFile), longName.substr(0, 255));
    EXPECT_FLOAT_EQ(m[1].color[1], 0.9f);
    EXPECT_FLOAT_EQ(m[2].color[2], 0.9f);

    std::string corners = "140 V(", uv = " UV(";
    for (int i = 0; i < 140; ++i) {
        corners += std::to_string(i % 3) + (i < 139 ? " " : ")");
        uv += "0.5 0.5 ";
    }
    auto f = faces(corners + " M(0)" + uv + ")\n3 V(0 1 2) M(1)\n3 V(2 1 0) M(2)\n}\n", 3);
    EXPECT_EQ(f[0].vertexCount, 140);
    EXPECT_EQ(f[1].material, 1);
    EXPECT_EQ(f[2].material, 2);
    EXPECT_EQ(f[2].vertex[0], 2);

    MeshModel* model = load("Object \"" + longName +
                            "\" {\n\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n\t}\n"
                            "\tface 1 {\n3 V(0 1 2) M(0)\n\t}\n}\n");
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->objectCount, 1);
    EXPECT_EQ(std::string(model->objects[0].name), "\"" + longName.substr(0, 254));
    mqoFreeModel(model);
}

TEST_F(Reader, MaterialChunkIgnoresLinesBeyondItsCountAndEndsAtEof) {
    auto m = materials("col(0.1 0 0 1)\ncol(0.2 0 0 1)\ncol(0.3 0 0 1)\n}\n", 2);
    EXPECT_FLOAT_EQ(m[1].color[0], 0.2f);
    m = materials("col(0.4 0 0 1)\n", 3);
    EXPECT_FLOAT_EQ(m[0].color[0], 0.4f);
    EXPECT_FLOAT_EQ(m[1].color[0], 0.0f);  // never reached: still zeroed
}

TEST_F(Reader, FaceLinesGiveCountsIndicesMaterialAndUv) {
    auto f = faces(
        "\t\t3 V(0 1 2) M(1) UV(0.1 0.2 0.3 0.4 0.5 0.6)\n"
        "\t\t4 V(3 2 1 0) UV(1 2 3 4 5 6 7 8)\n"
        "\t\t5 V(0 1 2 3 4) M(0) UV(1 1 1 1 1 1 1 1 1 1)\n"
        "\t\t2 V(4 5) M(2)\n"
        "\t\t3 V(7 8 9) M(\n"
        "\t}\n",
        5);
    EXPECT_EQ(f[0].vertexCount, 3);
    EXPECT_EQ(f[0].material, 1);
    EXPECT_EQ(f[0].vertex[2], 2);
    EXPECT_FLOAT_EQ(f[0].uv[5], 0.6f);
    EXPECT_FLOAT_EQ(f[0].uv[6], 0.0f);
    EXPECT_EQ(f[1].vertexCount, 4);
    EXPECT_EQ(f[1].material, -1);  // no M(
    EXPECT_EQ(f[1].vertex[0], 3);
    EXPECT_EQ(f[1].vertex[3], 0);
    EXPECT_FLOAT_EQ(f[1].uv[7], 8.0f);
    EXPECT_EQ(f[2].vertexCount, 5);  // other counts keep zero indices and uv
    EXPECT_EQ(f[2].material, 0);
    EXPECT_EQ(f[2].vertex[1], 0);
    EXPECT_FLOAT_EQ(f[2].uv[0], 0.0f);
    EXPECT_EQ(f[3].vertexCount, 2);
    EXPECT_EQ(f[3].vertex[0], 0);
    EXPECT_EQ(f[4].material, 0);  // "M(" whose scan fails keeps the 0
}

// The one-pass forms take the usual lines and leave every other line to the
// general path untouched; where they take a line they must agree with it.
TEST(ListLines, OnePassFormsTakeUsualLinesAndAgreeWithTheGeneralPath) {
    struct Case {
        const char* line;
        bool taken;
    };
    const Case faceLines[] = {
        {"\t\t3 V(2 1 0) M(4) UV(0.10000 0.21673 0.00000 0.21673 0.05000 0.00000)\n", true},
        {"\t\t4 V(0 1 2 3) M(1)\n", true},
        {"4 V( 0  1 2 3) M( 1 ) UV(0 0 1 0 1 1 0 1) COL(1 2 3 4)\r\n", false},  // ' )' after M
        {" 3 V(1 2 3) M(0) UV(1e3 nan -inf 0x1p4 .5 5.) V(9 9 9)\n", true},
        {"3 V(1 2 3) M(0)\tUV(1 2 3 4 5 6)}\n", false},  // ends the list
        {"3 V(1 2 3) M(0) X UV(1 2 3 4 5 6)\n", false},  // UV( further on
        {"3 V(1 2 3) UV(1 2 3 4 5 6)\n", false},         // no M(
        {"3 V(1 2) M(0)\n", false},
        {"3 V(1 2 3 ) M(0)\n", false},
        {"5 V(0 1 2 3 4) M(0)\n", false},
        {"3 V(1 2 3) M(0) UV(1 2 3 4 5)\n", false},
        {"", false},
    };
    for (const Case& c : faceLines) {
        SCOPED_TRACE(c.line);
        FaceEntry start;
        std::memset(&start, 0x5a, sizeof start);
        FaceEntry ours = start, general = start;
        EXPECT_EQ(mqoScanFaceLine(c.line, &ours), c.taken);
        mqoReadFaceLine(c.line, &general);
        EXPECT_EQ(std::memcmp(&ours, c.taken ? &general : &start, sizeof ours), 0);
    }
    const Case vertexLines[] = {
        {"\t\t-46.3525 -65.0000 -99.8609\n", true},
        {"1e-3 +inf 0x1.8p1\r\n", true},
        {"1 2 3 }\n", false},
        {"1 2 x\n", false},
        {"\t}\n", false},
    };
    for (const Case& c : vertexLines) {
        SCOPED_TRACE(c.line);
        float start[3] = {-7.0f, -8.0f, -9.0f};
        float ours[3] = {-7.0f, -8.0f, -9.0f}, general[3] = {-7.0f, -8.0f, -9.0f};
        EXPECT_EQ(mqoScanVertexLine(c.line, ours), c.taken);
        mqoScanVertex(c.line, general);
        EXPECT_EQ(std::memcmp(ours, c.taken ? general : start, sizeof ours), 0);
    }
}

TEST_F(Reader, TextDocumentLoadsIntoBatchesPerMaterial) {
    MeshModel* m = load(kCube, 0.5);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->alpha, 255);
    ASSERT_EQ(m->objectCount, 1);
    const MeshObject& o = m->objects[0];
    EXPECT_STREQ(o.name, "\"quad\"");
    EXPECT_EQ(o.visible, 15);
    EXPECT_EQ(o.flatShading, 0);
    ASSERT_EQ(o.batchCount, 2);
    EXPECT_EQ(o.batches[0].vertexCount, 3);
    EXPECT_EQ(o.batches[1].vertexCount, 3);
    EXPECT_FLOAT_EQ(o.batches[1].color[2], 1.0f);
    EXPECT_FLOAT_EQ(o.batches[1].color[3], 0.5f);
    EXPECT_FLOAT_EQ(o.batches[1].emission[2], 0.1f);
    EXPECT_FLOAT_EQ(o.batches[1].power, 30.0f);
    const PlainVertex* v = o.batches[1].plainVertices;
    EXPECT_FLOAT_EQ(v[1].position[0], 1.0f);  // (2, 2, 0) at scale 0.5
    EXPECT_FLOAT_EQ(v[1].position[1], 1.0f);
    EXPECT_FLOAT_EQ(v[0].normal[2], -1.0f);
    mqoFreeModel(m);
}

TEST_F(Reader, ObjectLinesAnywhereStartAChunkAndNamesStopAtABlank) {
    MeshModel* m = load(
        "  Object \"indented\" {\n\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n\t}\n\tface 1 {\n3 V(0 1 "
        "2)\n\t}\n}\n"
        "Object \"two words\" {\n}\n"
        "Object \"Material box\" {\n\tshading 0\n}\n");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objectCount, 3);
    EXPECT_STREQ(m->objects[0].name, "");
    EXPECT_EQ(m->objects[0].batchCount, 0);  // its face has no M(
    EXPECT_STREQ(m->objects[1].name, "\"two");
    // A name containing "Material" is still an Object line.
    EXPECT_STREQ(m->objects[2].name, "\"Material");
    EXPECT_EQ(m->objects[2].flatShading, 1);
    mqoFreeModel(m);
}

TEST_F(Reader, BinaryVertexListIsReadInOnePieceWhateverItsBytes) {
    // 10.0f is 00 00 20 41 and 125.0f is 00 00 fa 42; -0.0f and the bytes of
    // 1.7e-38 and the like give "}", LF and CR inside the block.
    std::vector<float> xyz = {0, 0, 0, 10, 0, 0, 0, 10, 0};
    float tricky;
    const unsigned char bytes[4] = {'}', '\n', '\r', 0x01};
    std::memcpy(&tricky, bytes, 4);
    xyz[2] = tricky;
    std::string doc = "Object \"b\" {\r\n\tBVertex 3 {\r\n\t\tVector 3 [36]\r\n" +
                      readerfiles::floatBytes(xyz) +
                      "\r\n\t}\r\n\tface 1 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t}\r\n}\r\n";
    std::string path = dir.write("b.mqo", doc);
    MeshModel* m = mqoLoadModel(path.c_str(), 1.0);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objectCount, 1);
    ASSERT_EQ(m->objects[0].batchCount, 1);
    const PlainVertex* v = m->objects[0].batches[0].plainVertices;
    EXPECT_EQ(std::memcmp(&v[0].position[2], bytes, 4), 0);
    EXPECT_FLOAT_EQ(v[1].position[0], 10.0f);
    EXPECT_FLOAT_EQ(v[2].position[1], 10.0f);
    mqoFreeModel(m);
}

TEST_F(Reader, BinaryVertexListWithoutVectorLineReadsNothing) {
    std::string path = dir.write("nv.txt", "\t\tnot a vector line\n\t}\n");
    float v[2][3] = {{7, 7, 7}, {7, 7, 7}};
    MqoStream* s = mqoOpenStream(path.c_str());
    EXPECT_EQ(mqoReadBinaryVertexChunk(s, v, 2), -1);
    EXPECT_FLOAT_EQ(v[0][0], 7.0f);
    mqoCloseStream(s);

    // Inside a document the vertices stay zero, and the list's "}" then ends
    // the object (the lines after the first are the object's).
    MeshModel* m =
        load("Object \"o\" {\n\tBVertex 3 {\n\t}\n\tface 1 {\n3 V(0 1 2) M(0)\n\t}\n}\n");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->objectCount, 1);
    EXPECT_EQ(m->objects[0].batchCount, 0);
    mqoFreeModel(m);
}

TEST_F(Reader, BinaryVertexCountsBeyondTheListOrBlockAreIgnored) {
    std::vector<float> six = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    float v[4][3] = {};
    // Vector says 6 vertices but the object has room for 2.
    std::string path =
        dir.write("a.txt", "Vector 6 [72]\n" + readerfiles::floatBytes(six) + "\n}\nafter\n");
    MqoStream* s = mqoOpenStream(path.c_str());
    EXPECT_EQ(mqoReadBinaryVertexChunk(s, v, 2), 6);
    EXPECT_FLOAT_EQ(v[1][2], 6.0f);
    EXPECT_FLOAT_EQ(v[2][0], 0.0f);
    const char* next = mqoReadLine(s);  // the list's "}" was consumed
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(next, "after\n");
    mqoCloseStream(s);

    // A block of 20 bytes for 4 vertices holds one whole vertex.
    float w[4][3] = {};
    path = dir.write("b.txt",
                     "Vector 4 [20]\n" + readerfiles::floatBytes(six).substr(0, 20) + "\n}\n");
    s = mqoOpenStream(path.c_str());
    EXPECT_EQ(mqoReadBinaryVertexChunk(s, w, 4), 4);
    EXPECT_FLOAT_EQ(w[0][2], 3.0f);
    EXPECT_FLOAT_EQ(w[1][0], 0.0f);
    mqoCloseStream(s);

    // A block that the end of the file cuts short.
    float x[4][3] = {};
    path = dir.write("c.txt", "Vector 4 [48]\n" + readerfiles::floatBytes(six).substr(0, 30));
    s = mqoOpenStream(path.c_str());
    EXPECT_EQ(mqoReadBinaryVertexChunk(s, x, 4), 4);
    EXPECT_FLOAT_EQ(x[1][2], 6.0f);
    EXPECT_FLOAT_EQ(x[2][0], 0.0f);
    mqoCloseStream(s);
}

TEST_F(Reader, NestedBlocksInsideAnObjectAreSkippedWhole) {
    MeshModel* m = load(
        "Object \"obj1\" {\n"
        "\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n\t}\n"
        "\tvertexattr {\n\t\tweit {\n\t\t\t0 1.0\n\t\t}\n\t\tcolor {\n\t\t}\n\t}\n"
        "\tface 1 {\n\t\t3 V(0 1 2) M(0)\n\t}\n"
        "\tfacet 0.5\n"
        "}\n"
        "Object \"after\" {\n}\n");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objectCount, 2);
    ASSERT_EQ(m->objects[0].batchCount, 1);
    EXPECT_EQ(m->objects[0].batches[0].vertexCount, 3);
    EXPECT_STREQ(m->objects[1].name, "\"after\"");
    mqoFreeModel(m);

    // The same after a binary vertex block.
    std::vector<float> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    std::string doc = "Object \"b\" {\n\tBVertex 3 {\n\t\tVector 3 [36]\n" +
                      readerfiles::floatBytes(xyz) +
                      "\n\t\textra {\n\t\t}\n\t}\n\tface 1 {\n3 V(0 1 2) M(0)\n\t}\n}\n";
    m = load(doc);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objects[0].batchCount, 1);
    EXPECT_EQ(m->objects[0].batches[0].vertexCount, 3);
    mqoFreeModel(m);
}

TEST_F(Reader, OnlyAMaterialCountLineStartsAMaterialChunk) {
    // MaterialEx2 after the real chunk must not replace its materials.
    std::string doc = std::string(
                          "Material 1 {\n"
                          "\t\"mat1\" vcol(1) col(1.000 0.282 0.298 0.762) dif(0.863) amb(0.625) "
                          "emi(0.325) spc(0.325) power(3.75)\n"
                          "}\n"
                          "MaterialEx2 1 {\n\tmaterial 0 {\n\t\tshadertype \"hlsl\"\n\t}\n}\n") +
                      "Object \"o\" {\n\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n\t}\n\tface 1 {\n3 V(0 1 "
                      "2) M(0)\n\t}\n}\n";
    MeshModel* m = load(doc);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objects[0].batchCount, 1);
    EXPECT_EQ(m->objects[0].batches[0].hasMaterial, 1);
    EXPECT_FLOAT_EQ(m->objects[0].batches[0].color[1], 0.282f);
    mqoFreeModel(m);
}

TEST_F(Reader, ALaterMaterialChunkReplacesTheEarlierOne) {
    MeshModel* m = load(
        "Material 2 {\ncol(1 0 0 1)\ncol(0 1 0 1)\n}\n"
        "Material 1 {\ncol(0 0 1 1)\n}\n"
        "Object \"o\" {\n\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n\t}\n\tface 2 {\n3 V(0 1 2) M(0)\n3 "
        "V(0 1 2) M(1)\n\t}\n}\n");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objects[0].batchCount, 1);  // M(1) names no material now
    EXPECT_FLOAT_EQ(m->objects[0].batches[0].color[2], 1.0f);
    mqoFreeModel(m);

    // A count of 0 is no material list: the default material applies.
    m = load(
        "Material 0 {\n}\nObject \"o\" {\n\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n\t}\n\tface 1 {\n3 "
        "V(0 1 2) M(0)\n\t}\n}\n");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objects[0].batchCount, 1);
    EXPECT_EQ(m->objects[0].batches[0].hasMaterial, 0);
    mqoFreeModel(m);
}

TEST(DirectoryOf, EndsAtTheLaterOfTheLastSlashAndBackslash) {
    char d[256];
    EXPECT_EQ(mqoDirectoryOf("models/walk.mqo", d), 1);
    EXPECT_STREQ(d, "models/");
    mqoDirectoryOf("C:\\models\\walk.mqo", d);
    EXPECT_STREQ(d, "C:\\models\\");
    mqoDirectoryOf("a\\b/c\\d.mqo", d);
    EXPECT_STREQ(d, "a\\b/c\\");
    mqoDirectoryOf("a/b\\c/d.mqo", d);
    EXPECT_STREQ(d, "a/b\\c/");
    mqoDirectoryOf("walk.mqo", d);
    EXPECT_STREQ(d, "");
    std::string deep(300, 'x');
    deep[280] = '/';
    EXPECT_EQ(mqoDirectoryOf(deep.c_str(), d), 0);
    EXPECT_STREQ(d, "");
    std::string fits(254, 'y');
    fits += "/m.mqo";
    EXPECT_EQ(mqoDirectoryOf(fits.c_str(), d), 1);
    EXPECT_EQ(std::strlen(d), 255u);
}

TEST_F(Reader, TexturePathsAreJoinedToTheDocumentsDirectory) {
    dir.write("sub/wood.bmp", readerfiles::tinyBmp());
    std::string doc =
        "Material 4 {\n"
        "\"a\" col(1 1 1 1) tex(\"wood.bmp\")\n"
        "\"b\" col(1 1 1 1) tex(\"nested\\missing.bmp\")\n"
        "\"c\" col(1 1 1 1) tex(\"Z:\\abs\\missing.bmp\") aplane(\"alpha.tga\")\n"
        "\"d\" col(1 1 1 1)\n"
        "}\n";
    std::string path = dir.write("sub/doc.mqo", doc);
    testing::internal::CaptureStdout();
    MeshModel* m = mqoLoadModel(path.c_str(), 1.0);
    std::string out = captured();
    ASSERT_NE(m, nullptr);
    const std::string base = dir.path() + "/sub/";
    EXPECT_NE(out.find("MqoModel:テクスチャ読み込みエラー[" + base + "nested\\missing.bmp]"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("[Z:\\abs\\missing.bmp]"), std::string::npos) << out;
    EXPECT_EQ(out.find("wood.bmp]"), std::string::npos) << out;
    ASSERT_GE(texturePoolCount, 1);
    EXPECT_EQ(std::string(texturePool[0].texturePath), base + "wood.bmp");
    mqoFreeModel(m);
}

TEST_F(Reader, TexturesAreRegisteredBeforeAnyBufferIsMade) {
    dir.write("t.bmp", readerfiles::tinyBmp());
    std::string doc =
        "Material 1 {\n\"a\" col(1 1 1 1) tex(\"t.bmp\")\n}\n"
        "Object \"o\" {\n\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n\t}\n\tface 1 {\n3 V(0 1 2) M(0) UV(0 "
        "0 1 0 0 1)\n\t}\n}\n";
    MeshModel* m = load(doc);
    ASSERT_NE(m, nullptr);
    const auto& calls = fakegl::calls();
    auto first = [&](const std::string& prefix) {
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i].rfind(prefix, 0) == 0) return static_cast<long>(i);
        return -1L;
    };
    ASSERT_GE(first("glTexImage2D"), 0);
    ASSERT_GE(first("glGenBuffersARB"), 0);
    EXPECT_LT(first("glTexImage2D"), first("glGenBuffersARB"));
    const MaterialBatch& b = m->objects[0].batches[0];
    EXPECT_EQ(b.hasTexture, 1);
    EXPECT_EQ(b.textureName, texturePool[0].textureName);
    EXPECT_FLOAT_EQ(b.texturedVertices[1].uv[0], 1.0f);
    mqoFreeModel(m);
}

TEST_F(Reader, OverlongTexturePathFailsLikeAMissingFile) {
    std::string name(240, 'n');
    name += ".bmp";
    std::string doc = "Material 1 {\ntex(\"" + name + "\")\n}\n";  // a line of 251 characters
    std::string sub(20, 's');
    std::string path = dir.write(sub + "/doc.mqo", doc);
    testing::internal::CaptureStdout();
    MeshModel* m = mqoLoadModel(path.c_str(), 1.0);
    std::string out = captured();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(out, "MqoModel:テクスチャ読み込みエラー[" + name + "]\n");
    EXPECT_EQ(texturePoolCount, 0);
    mqoFreeModel(m);
}

TEST_F(Reader, LoadCallsReportMissingFilesAndAppendToSlots) {
    EXPECT_EQ(mqoLoadModel((dir.path() + "/none.mqo").c_str(), 1.0), nullptr);
    EXPECT_EQ(mqoLoadModel(dir.path().c_str(), 1.0), nullptr);  // a directory
    EXPECT_EQ(mqoLoadModelSlot(nullptr, 0, "x.mqo", 1.0, 255), -1);

    MeshModel* models = mqoAllocModels(2);
    std::string path = dir.write("c.mqo", kCube);
    EXPECT_EQ(mqoLoadModelSlot(models, 1, (dir.path() + "/none.mqo").c_str(), 1.0, 77), -1);
    EXPECT_EQ(models[1].alpha, 0);  // untouched
    EXPECT_EQ(mqoLoadModelSlot(models, 1, path.c_str(), 1.0, 77), 0);
    EXPECT_EQ(mqoLoadModelSlot(models, 1, path.c_str(), 2.0, 128), 0);
    EXPECT_EQ(models[1].alpha, 128);
    ASSERT_EQ(models[1].objectCount, 2);
    EXPECT_FLOAT_EQ(models[1].objects[1].batches[0].plainVertices[1].position[0], 4.0f);
    EXPECT_FLOAT_EQ(models[1].objects[1].batches[0].color[3], 128 / 255.0f);
    EXPECT_EQ(models[0].objectCount, 0);

    // A document without objects still loads: the slot takes its alpha.
    std::string empty = dir.write("e.mqo", "Metasequoia Document\nFormat Text Ver 1.0\nEof\n");
    EXPECT_EQ(mqoLoadModelSlot(models, 0, empty.c_str(), 1.0, 9), 0);
    EXPECT_EQ(models[0].alpha, 9);
    EXPECT_EQ(models[0].objectCount, 0);
    mqoFreeModels(models, 2);
}
