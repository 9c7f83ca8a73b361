// Damaged and hostile documents: the reader loads what a file really holds,
// reads and writes nothing outside its arrays, allocates nothing far beyond
// the file's size and leaks nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "mqo/read/read_internal.h"
#include "support/asan.h"
#include "support/fake_gl.h"
#include "support/reader_files.h"
#include "support/reader_fixture.h"

#ifdef MQO_TESTS_ASAN
#include <sanitizer/lsan_interface.h>

using namespace mqo::detail;
// Any single allocation above 64 MB in this program is a failure: the
// documents here are a few hundred bytes, whatever counts they declare.
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=64"; }
#endif

using readerfiles::TempDir;

namespace {

class Limits : public ReaderFixture {};

const std::string kTriangle =
    "\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n\t}\n\tface 1 {\n3 V(0 1 2) M(0)\n\t}\n";

// Every position of every batch lies in the box the document's vertices
// span: nothing was taken from outside the vertex lists.
void expectPositionsWithin(const MeshModel* m, float lo, float hi) {
    for (int i = 0; i < m->objectCount; ++i) {
        const MeshObject& o = m->objects[i];
        for (int k = 0; k < o.batchCount; ++k) {
            const MaterialBatch& b = o.batches[k];
            for (int j = 0; j < b.vertexCount; ++j) {
                const float* p =
                    b.hasTexture ? b.texturedVertices[j].position : b.plainVertices[j].position;
                for (int c = 0; c < 3; ++c) {
                    ASSERT_GE(p[c], lo);
                    ASSERT_LE(p[c], hi);
                }
            }
        }
    }
}

}  // namespace

// Lines of every length come whole, whatever block they cross, and a binary
// block starts right after its line's line feed.
TEST(LineModel, ALineIsEverythingUpToItsLineFeedWhateverTheBlockSize) {
    TempDir dir;
    const std::string longLine(300, 'a'), hugeLine(70000, 'b');
    const std::string text = longLine + "\r\n\n" + hugeLine + "\nVector 1 [4]\nDATA}\nlast";
    std::string path = dir.write("l.txt", text);
    for (size_t blockSize : {size_t{1}, size_t{3}, size_t{255}, size_t{4096}, size_t{256 * 1024}}) {
        SCOPED_TRACE(blockSize);
        MqoStream* s = mqoOpenStreamBuffered(path.c_str(), blockSize);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(std::string(mqoReadLine(s)), longLine + "\r\n");
        EXPECT_EQ(std::string(mqoReadLine(s)), "\n");
        EXPECT_EQ(std::string(mqoReadLine(s)), hugeLine + "\n");
        EXPECT_EQ(std::string(mqoReadLine(s)), "Vector 1 [4]\n");
        char block[4];
        ASSERT_EQ(mqoReadBlock(s, block, 4), 4u);
        EXPECT_EQ(std::string(block, 4), "DATA");
        EXPECT_EQ(std::string(mqoReadLine(s)), "}\n");
        EXPECT_EQ(std::string(mqoReadLine(s)), "last");
        EXPECT_EQ(mqoReadLine(s), nullptr);
        EXPECT_EQ(mqoStreamRemaining(s), 0);
        mqoCloseStream(s);
    }
    EXPECT_EQ(mqoOpenStream(nullptr), nullptr);
    mqoCloseStream(nullptr);
}

// Streams open together on one thread: whichever closes first, a stream
// opened next reads its own file and the other's lines stay whole.
TEST(LineModel, StreamsOpenTogetherReadTheirOwnFiles) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "a1\na2\n"), b = dir.write("b.txt", "b1\nb2\n");
    const std::string c = dir.write("c.txt", "c1\nc2\n");
    for (bool firstClosesFirst : {true, false}) {
        SCOPED_TRACE(firstClosesFirst);
        MqoStream* s = mqoOpenStream(a.c_str());
        MqoStream* t = mqoOpenStream(b.c_str());
        ASSERT_TRUE(s != nullptr && t != nullptr);
        EXPECT_EQ(std::string(mqoReadLine(s)), "a1\n");
        EXPECT_EQ(std::string(mqoReadLine(t)), "b1\n");
        MqoStream* open = firstClosesFirst ? t : s;
        mqoCloseStream(firstClosesFirst ? s : t);
        MqoStream* u = mqoOpenStream(c.c_str());
        ASSERT_NE(u, nullptr);
        EXPECT_EQ(std::string(mqoReadLine(u)), "c1\n");
        EXPECT_EQ(std::string(mqoReadLine(open)), firstClosesFirst ? "b2\n" : "a2\n");
        EXPECT_EQ(std::string(mqoReadLine(u)), "c2\n");
        mqoCloseStream(open);
        mqoCloseStream(u);
    }
}

TEST_F(Limits, EveryTruncationOfADocumentLoadsWhatItHolds) {
    std::vector<float> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
    std::string doc =
        "Metasequoia Document\r\nFormat Text Ver 1.0\r\n"
        "Scene {\r\n\tpos 0 0 1500\r\n\tdirlights 1 {\r\n\t\tlight {\r\n\t\t}\r\n\t}\r\n}\r\n"
        "Material 2 {\r\n\t\"a\" col(1 0 0 1) dif(0.8) amb(0.6) emi(0) spc(0) power(5)\r\n"
        "\t\"b\" vcol(1) col(0 1 0 1) dif(0.8) amb(0.6) emi(0) spc(0) power(5)\r\n}\r\n"
        "Object \"text\" {\r\n\tvisible 15\r\n\tshading 1\r\n\tfacet 59.5\r\n"
        "\tvertex 4 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t1 1 0\r\n\t\t0 1 0\r\n\t}\r\n"
        "\tvertexattr {\r\n\t\tweit {\r\n\t\t\t0 1\r\n\t\t}\r\n\t}\r\n"
        "\tface 2 {\r\n\t\t4 V(0 1 2 3) M(0) UV(0 0 1 0 1 1 0 1)\r\n\t\t3 V(0 2 3) "
        "M(1)\r\n\t}\r\n}\r\n"
        "Object \"binary\" {\r\n\tBVertex 4 {\r\n\t\tVector 4 [48]\r\n" +
        readerfiles::floatBytes(xyz) +
        "\r\n\t}\r\n\tface 1 {\r\n\t\t4 V(0 1 3 2) M(1)\r\n\t}\r\n}\r\nEof\r\n";
    for (size_t n = 0; n <= doc.size(); ++n) {
        MeshModel* m = load(doc.substr(0, n));
        ASSERT_NE(m, nullptr) << "prefix " << n;
        ASSERT_LE(m->objectCount, 2);
        expectPositionsWithin(m, 0.0f, 1.0f);
        for (int i = 0; i < m->objectCount; ++i) {
            for (int k = 0; k < m->objects[i].batchCount; ++k) {
                // 9 where a cut "M(" leaves the last face on material 0.
                ASSERT_LE(m->objects[i].batches[k].vertexCount, 9) << "prefix " << n;
            }
        }
        if (n == doc.size()) {
            ASSERT_EQ(m->objectCount, 2);
            EXPECT_EQ(m->objects[0].batches[0].vertexCount, 6);
            EXPECT_EQ(m->objects[0].batches[1].vertexCount, 3);
            EXPECT_EQ(m->objects[1].batches[1].vertexCount, 6);
        }
        mqoFreeModel(m);
    }
}

TEST_F(Limits, LinesBeyondDeclaredCountsAreIgnoredAndTheirFacesSkipped) {
    MeshModel* m = load(
        "Material 1 {\ncol(1 0 0 1)\ncol(0 1 0 1)\ncol(0 0 1 1)\n}\n"
        "Object \"o\" {\n\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n9 9 9\n9 9 9\n\t}\n"
        "\tface 1 {\n3 V(0 1 2) M(0)\n3 V(0 1 2) M(0)\n3 V(0 1 2) M(0)\n\t}\n}\n"
        "Object \"p\" {\n\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n\t}\n"
        "\tface 4 {\n3 V(0 1 3) M(0)\n3 V(0 1 2) M(1)\n3 V(0 1 2) M(-4)\n4 V(0 1 2 2000000000) "
        "M(0)\n\t}\n}\n");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objectCount, 2);
    ASSERT_EQ(m->objects[0].batchCount, 1);
    EXPECT_EQ(m->objects[0].batches[0].vertexCount, 3);
    EXPECT_FLOAT_EQ(m->objects[0].batches[0].color[0], 1.0f);
    expectPositionsWithin(m, 0.0f, 1.0f);
    EXPECT_EQ(m->objects[1].batchCount, 0);  // every face names missing data
    mqoFreeModel(m);
}

TEST_F(Limits, AbsurdDeclaredCountsAllocateNoMoreThanTheFileCouldFill) {
    std::string doc =
        "Material 2000000000 {\ncol(0 0 1 1)\n}\nObject \"o\" {\n\tvertex 2000000000 {\n"
        "0 0 0\n1 0 0\n0 1 0\n\t}\n\tface 2147483647 {\n3 V(0 1 2) M(0)\n\t}\n}\n";
    ASSERT_LT(doc.size(), 200u);
    MeshModel* m = load(doc);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objectCount, 1);
    ASSERT_EQ(m->objects[0].batchCount, 1);
    EXPECT_EQ(m->objects[0].batches[0].vertexCount, 3);
    EXPECT_FLOAT_EQ(m->objects[0].batches[0].color[2], 1.0f);
    mqoFreeModel(m);

    // The counts the chunk reader keeps are bounded by the bytes that follow.
    std::string path =
        dir.write("o.txt", "\tface 2000000000 {\n3 V(0 1 2)\n\t}\n\tvertex 1999999999 {\n\t}\n}\n");
    MqoStream* s = mqoOpenStream(path.c_str());
    ObjectEntry o{};
    mqoReadObjectChunk(s, &o);
    mqoCloseStream(s);
    EXPECT_GT(o.faceCount, 0);
    EXPECT_LE(o.faceCount, 60);
    EXPECT_EQ(o.faces[0].vertexCount, 3);
    EXPECT_LE(o.vertexCount, 10);
    std::free(o.faces);
    std::free(o.vertices);

    std::vector<float> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    m = load("Object \"b\" {\n\tBVertex 2000000000 {\n\t\tVector 2000000000 [2147483647]\n" +
             readerfiles::floatBytes(xyz) + "\n\t}\n\tface 1 {\n3 V(0 1 2) M(0)\n\t}\n}\n");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objectCount, 1);  // the block ran to the end of the file
    mqoFreeModel(m);
}

TEST_F(Limits, NegativeCountsGiveEmptyLists) {
    MeshModel* m = load(
        "Material -3 {\ncol(1 0 0 1)\n}\n"
        "Object \"o\" {\n\tvertex -5 {\n0 0 0\n\t}\n\tBVertex -1 {\n\t\tVector -4 [-48]\n\t}\n"
        "\tface -2 {\n3 V(0 1 2) M(0)\n\t}\n}\n" +
        std::string("Object \"ok\" {\n") + kTriangle + "}\n");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objectCount, 2);
    EXPECT_EQ(m->objects[0].batchCount, 0);
    ASSERT_EQ(m->objects[1].batchCount, 1);
    EXPECT_EQ(m->objects[1].batches[0].hasMaterial, 0);
    mqoFreeModel(m);
}

TEST_F(Limits, MoreThanFiftyObjectChunksKeepFortyNine) {
    std::string doc;
    for (int i = 0; i < 53; ++i)
        doc += "Object \"o" + std::to_string(i) + "\" {\n" + kTriangle + "}\n";
    testing::internal::CaptureStdout();
    MeshModel* m = load(doc);
    std::fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->objectCount, 49);
    EXPECT_STREQ(m->objects[48].name, "\"o48\"");
    // The table holds 50: only its last entry reaches the limit.
    EXPECT_EQ(out, "MQOファイル読み込み：　最大オブジェクト数を超えました[50]\n");
    mqoFreeModel(m);
}

TEST_F(Limits, ListsAndBytesThatBreakTheLineModelDoNotCrash) {
    std::string doc = "Object \"" + std::string(400, 'n') + "\" {\n" + kTriangle + "}\n";
    doc += "Object \"nul\" {\n\tvertex 3 {\n0 0";
    doc += '\0';
    doc += " 7\n1 0 0\n0 1 0\n\t}\n";
    doc += "\tface 1 {\n3 V(0 1 2) M(0) UV(\n\t}\n}\n";
    doc +=
        "Object {\n\tvertex 3 {\n\tvertex 1 {\n0 0 0\n}\n\tface 1 {\n\tface 1 {\n3 V(0 0 "
        "0)\n}\n}\n";
    doc += "Material 1 {\n\"m\" col(1 1 1 1) tex(\"" + std::string(260, 'x') + "\")\n}\n";
    testing::internal::CaptureStdout();
    MeshModel* m = load(doc);
    testing::internal::GetCapturedStdout();
    ASSERT_NE(m, nullptr);
    // The overlong Object line's second piece opens a block that runs on, so
    // how many objects survive is not the point; the bounds are.
    EXPECT_GE(m->objectCount, 1);
    EXPECT_LE(std::strlen(m->objects[0].name), 255u);
    expectPositionsWithin(m, 0.0f, 1.0f);
    mqoFreeModel(m);
}

TEST_F(Limits, RepeatedLoadsAndFreesLeakNothing) {
    dir.write("t.bmp", readerfiles::tinyBmp());
    std::vector<float> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    std::string doc =
        "Material 2 {\n\"a\" col(1 1 1 1) tex(\"t.bmp\")\n\"b\" col(1 0 0 1)\n}\n"
        "Material 2 {\n\"a\" col(1 1 1 1) tex(\"t.bmp\")\n\"b\" col(1 0 0 1)\n}\n"
        "Object \"o\" {\n" +
        kTriangle +
        "\tvertexattr {\n\t\tweit {\n\t\t}\n\t}\n}\n"
        "Object \"b\" {\n\tBVertex 3 {\n\t\tVector 3 [36]\n" +
        readerfiles::floatBytes(xyz) +
        "\n\t}\n\tface 2 {\n3 V(0 1 2) M(1)\n3 V(0 1 2) M(0) UV(0 0 1 0 0 1)\n\t}\n}\n";
    std::string path = dir.write("leak.mqo", doc);
    for (int i = 0; i < 200; ++i) {
        MeshModel* m = mqoLoadModel(path.c_str(), 1.0);
        ASSERT_NE(m, nullptr);
        ASSERT_EQ(m->objectCount, 2);
        mqoFreeModel(m);
    }
    // 27 loads per slot: 54 objects each, so the limit drops some in every slot.
    MeshModel* models = mqoAllocModels(3);
    testing::internal::CaptureStdout();
    for (int i = 0; i < 81; ++i) mqoLoadModelSlot(models, i % 3, path.c_str(), 1.0, 200);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(models[0].objectCount, 49);
    EXPECT_EQ(models[2].objectCount, 49);
    mqoFreeModels(models, 3);
#ifdef MQO_TESTS_ASAN
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}
