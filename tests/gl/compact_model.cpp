// The compact model (MQO_FEATURE_COMPACT) over the fake GL: how many corners
// a known document merges into, that merging keeps every triangle, what is
// uploaded and freed, the draw sequence, and what the other consumers do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "mqo/MqoModelGL.h"
#include "mqo/MqoModelGltf.h"
#include "support/corpus_files.h"
#include "support/draw_files.h"
#include "support/fake_gl.h"
#include "support/reader_files.h"
#include "support/temp_dir.h"

namespace {

using Calls = std::vector<std::string>;

// A cube of six quadrilaterals of one material; facet 0 gives every corner
// its face's normal, a large one the vertex's smoothed normal.
std::string cube(double facet, int extraVertices = 0) {
    std::string d =
        "Metasequoia Document\nFormat Text Ver 1.0\n\nMaterial 1 {\n"
        "\t\"m\" col(1 1 1 1) dif(0.8) amb(0.6) emi(0) spc(0) power(5)\n}\n"
        "Object \"cube\" {\n\tvisible 15\n\tshading 1\n\tfacet " +
        std::to_string(facet) + "\n\tvertex " + std::to_string(8 + extraVertices) + " {\n";
    for (int v = 0; v < 8; ++v) {
        d += "\t\t" + std::to_string(v & 1 ? 1 : -1) + " " + std::to_string(v & 2 ? 1 : -1) + " " +
             std::to_string(v & 4 ? 1 : -1) + "\n";
    }
    // Triangles of their own, each corner a vertex of its own.
    for (int v = 0; v < extraVertices; ++v) d += "\t\t" + std::to_string(v) + " 5 0\n";
    d += "\t}\n\tface " + std::to_string(6 + extraVertices / 3) + " {\n";
    const char* quads[6] = {"0 2 3 1", "4 5 7 6", "0 1 5 4", "2 6 7 3", "0 4 6 2", "1 3 7 5"};
    for (const char* q : quads) d += std::string("\t\t4 V(") + q + ") M(0)\n";
    for (int t = 0; t + 2 < extraVertices; t += 3) {
        d += "\t\t3 V(" + std::to_string(8 + t) + " " + std::to_string(9 + t) + " " +
             std::to_string(10 + t) + ") M(0)\n";
    }
    return d + "\t}\n}\nEof\n";
}

bool parse(const std::string& text, uint32_t features, MqoParsedModel* parsed) {
    return mqoParseDocumentMemory(text.data(), text.size(), nullptr, 1.0, 255, features, parsed) ==
           1;
}

size_t strideOf(const MaterialBatch& b) {
    return b.hasTexture ? sizeof(TexturedVertex) : sizeof(PlainVertex);
}

const unsigned char* vertexBytes(const MaterialBatch& b) {
    return b.hasTexture ? reinterpret_cast<const unsigned char*>(b.texturedVertices)
                        : reinterpret_cast<const unsigned char*>(b.plainVertices);
}

uint32_t indexAt(const void* indices, int size, size_t i) {
    if (size == 2) return static_cast<const uint16_t*>(indices)[i];
    return static_cast<const uint32_t*>(indices)[i];
}

// Every triangle as the bytes of its three corners (-0 as +0, as merging
// reads them), turned to start at the least corner (so the winding counts,
// not where it starts); sorted.
std::vector<std::string> triangles(const unsigned char* vertices, size_t stride, size_t corners,
                                   const void* indices, int indexSize) {
    std::vector<std::string> out;
    for (size_t t = 0; t + 2 < corners; t += 3) {
        std::string c[3];
        for (size_t k = 0; k < 3; ++k) {
            const size_t v = indices ? indexAt(indices, indexSize, t + k) : t + k;
            std::vector<float> f(stride / sizeof(float));
            std::memcpy(f.data(), vertices + v * stride, stride);
            for (float& x : f) x += 0.0f;
            c[k].assign(reinterpret_cast<const char*>(f.data()), stride);
        }
        const size_t first = std::min_element(c, c + 3) - c;
        out.push_back(c[first] + c[(first + 1) % 3] + c[(first + 2) % 3]);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> batchTriangles(const MaterialBatch& b) {
    const size_t corners = static_cast<size_t>(b.indexCount > 0 ? b.indexCount : b.vertexCount);
    return triangles(vertexBytes(b), strideOf(b), corners, b.indices, b.indexSize);
}

// The compact batch holds the default one's triangles, from vertices that
// are all different.
void expectSameTriangles(const MaterialBatch& wide, const MaterialBatch& compact,
                         const std::string& where) {
    ASSERT_EQ(wide.indexCount, 0) << where;
    if (wide.vertexCount == 0) {
        EXPECT_EQ(compact.vertexCount, 0) << where;
        return;
    }
    ASSERT_EQ(compact.indexCount, wide.vertexCount) << where;
    EXPECT_EQ(compact.indexSize, compact.vertexCount <= 65535 ? 2 : 4) << where;
    EXPECT_TRUE(batchTriangles(wide) == batchTriangles(compact)) << where;
    std::set<std::string> distinct;
    const size_t stride = strideOf(compact);
    for (int v = 0; v < compact.vertexCount; ++v) {
        distinct.emplace(reinterpret_cast<const char*>(vertexBytes(compact)) + v * stride, stride);
    }
    EXPECT_EQ(distinct.size(), static_cast<size_t>(compact.vertexCount)) << where;
}

struct Counts {
    const char* what;
    double facet;
    int extraVertices;
    int vertices, indices, indexSize;
};

TEST(CompactCounts, KnownDocumentsMergeTheirCorners) {
    const Counts table[] = {
        {"smooth cube: a vertex per cube corner", 60.0, 0, 8, 36, 2},
        {"faceted cube: a vertex per face corner", 0.0, 0, 24, 36, 2},
        {"past 65535 vertices: 4-byte indices", 60.0, 65535, 8 + 65535, 36 + 65535, 4},
    };
    for (const Counts& c : table) {
        MqoParsedModel parsed;
        ASSERT_TRUE(parse(cube(c.facet, c.extraVertices), MQO_FEATURE_COMPACT, &parsed));
        ASSERT_EQ(parsed.objectCount, 1) << c.what;
        const MeshObject& o = parsed.objects[0].object;
        ASSERT_EQ(o.batchCount, 1) << c.what;
        EXPECT_EQ(o.batches[0].vertexCount, c.vertices) << c.what;
        EXPECT_EQ(o.batches[0].indexCount, c.indices) << c.what;
        EXPECT_EQ(o.batches[0].indexSize, c.indexSize) << c.what;
        EXPECT_NE(o.batches[0].indices, nullptr) << c.what;
        mqoReleaseParsedModel(&parsed);
    }
}

// Every batch of two parses of one document, default and compact, in order.
void expectSameModel(const std::string& text, uint32_t features, const std::string& where) {
    MqoParsedModel wide, compact;
    ASSERT_TRUE(parse(text, features, &wide)) << where;
    ASSERT_TRUE(parse(text, features | MQO_FEATURE_COMPACT, &compact)) << where;
    ASSERT_EQ(wide.objectCount, compact.objectCount) << where;
    for (int i = 0; i < wide.objectCount; ++i) {
        const MeshObject& a = wide.objects[i].object;
        const MeshObject& b = compact.objects[i].object;
        ASSERT_EQ(a.batchCount, b.batchCount) << where;
        for (int k = 0; k < a.batchCount; ++k) {
            expectSameTriangles(a.batches[k], b.batches[k], where + " " + a.name);
        }
    }
    mqoReleaseParsedModel(&wide);
    mqoReleaseParsedModel(&compact);
}

TEST(CompactCounts, MergingKeepsEveryTriangleOfTheCorpus) {
    drawfiles::Square textured;
    textured.texture = "t.bmp";
    expectSameModel(drawfiles::document(textured), 0, "textured square");
    expectSameModel(cube(60.0), 0, "cube");
    std::error_code ec;
    if (!std::filesystem::is_directory(corpusfiles::folder(), ec)) GTEST_SKIP() << "no corpus";
    int documents = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(corpusfiles::folder())) {
        if (e.path().extension() != ".mqo") continue;
        expectSameModel(testsupport::readFile(e.path().string()), MQO_FEATURE_ALL,
                        e.path().string());
        ++documents;
    }
    EXPECT_GT(documents, 0);
}

class CompactGl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        ASSERT_TRUE(testsupport::writeFile(dir_.file("t.bmp"), readerfiles::tinyBmp()));
    }
    void TearDown() override { mqoCleanupLibrary(); }

    MeshModel* load(const std::string& text, bool buffers) {
        fakegl::reset();
        if (!buffers) fakegl::setExtensions("GL_ARB_multitexture");
        mqoInitLibrary();
        EXPECT_TRUE(testsupport::writeFile(dir_.file("doc.mqo"), text));
        MqoLoadOptions options{};
        options.features = MQO_FEATURE_COMPACT;
        options.quiet = 1;
        return mqoLoadModelEx(dir_.file("doc.mqo").c_str(), 1.0, &options);
    }

    testsupport::TempDir dir_{"compact_model"};
};

TEST_F(CompactGl, BuffersHoldTheOnlyCopiesAndFreeingDeletesBoth) {
    MeshModel* m = load(cube(60.0), true);
    ASSERT_NE(m, nullptr);
    const MaterialBatch& b = m->objects[0].batches[0];
    EXPECT_EQ(b.plainVertices, nullptr);
    EXPECT_EQ(b.indices, nullptr);
    ASSERT_NE(b.bufferName, 0u);
    ASSERT_NE(b.indexBufferName, 0u);
    const std::vector<unsigned char>& vertices = fakegl::bufferData(b.bufferName);
    const std::vector<unsigned char>& indices = fakegl::bufferData(b.indexBufferName);
    ASSERT_EQ(vertices.size(), 8 * sizeof(PlainVertex));
    ASSERT_EQ(indices.size(), 36 * sizeof(uint16_t));
    // What GL was given draws the default model's triangles.
    MqoParsedModel wide;
    ASSERT_TRUE(parse(cube(60.0), 0, &wide));
    EXPECT_TRUE(triangles(vertices.data(), sizeof(PlainVertex), 36, indices.data(), 2) ==
                batchTriangles(wide.objects[0].object.batches[0]));
    mqoReleaseParsedModel(&wide);
    float lo[3], hi[3];
    EXPECT_EQ(mqoModelBounds(m, 0, lo, hi), 0) << "no arrays are left to count";
    const GLuint names[2] = {b.bufferName, b.indexBufferName};
    fakegl::clear();
    mqoFreeModel(m);
    EXPECT_EQ(fakegl::deletedBuffers(), std::vector<GLuint>(names, names + 2));
}

TEST_F(CompactGl, TexturedBatchDrawsThroughItsElementBuffer) {
    drawfiles::Square s;
    s.texture = "t.bmp";
    MeshModel* m = load(drawfiles::document(s), true);
    ASSERT_NE(m, nullptr);
    const MaterialBatch& b = m->objects[0].batches[0];
    ASSERT_EQ(b.vertexCount, 4);
    ASSERT_EQ(b.indexCount, 6);
    ASSERT_NE(b.textureName, static_cast<uint32_t>(-1));
    fakegl::setInteger(GL_FRONT_FACE, GL_CCW);
    fakegl::setInteger(GL_TEXTURE_BINDING_2D, 3);
    fakegl::setEnabled(GL_TEXTURE_2D, false);
    fakegl::setEnabled(GL_BLEND, false);
    fakegl::clear();
    mqoDrawModel(m);
    const std::string array =
        "glBindBufferARB(GL_ARRAY_BUFFER_ARB, " + std::to_string(b.bufferName) + ")";
    const std::string element =
        "glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, " + std::to_string(b.indexBufferName) + ")";
    const std::string texture =
        "glBindTexture(GL_TEXTURE_2D, " + std::to_string(b.textureName) + ")";
    const Calls expected = {
        "glPushMatrix()",
        "glGetIntegerv(GL_FRONT_FACE, ptr)",
        "glFrontFace(GL_CW)",
        "glShadeModel(GL_SMOOTH)",
        "glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, ptr)",
        "glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ptr)",
        "glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, ptr)",
        "glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, ptr)",
        "glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 5)",
        "glEnableClientState(GL_VERTEX_ARRAY)",
        "glEnableClientState(GL_NORMAL_ARRAY)",
        "glEnableClientState(GL_TEXTURE_COORD_ARRAY)",
        "glIsEnabled(GL_TEXTURE_2D)",
        "glIsEnabled(GL_BLEND)",
        "glGetIntegerv(GL_TEXTURE_BINDING_2D, ptr)",
        "glEnable(GL_TEXTURE_2D)",
        "glEnable(GL_BLEND)",
        "glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)",
        texture,
        array,
        "glVertexPointer(3, GL_FLOAT, 32, 0)",
        "glTexCoordPointer(2, GL_FLOAT, 32, 24)",
        "glNormalPointer(GL_FLOAT, 32, 12)",
        "glColor4f(1, 0, 0, 1)",
        element,
        "glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_SHORT, 0)",
        "glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0)",
        "glBindTexture(GL_TEXTURE_2D, 3)",
        "glDisable(GL_BLEND)",
        "glDisable(GL_TEXTURE_2D)",
        "glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0)",
        "glDisableClientState(GL_VERTEX_ARRAY)",
        "glDisableClientState(GL_NORMAL_ARRAY)",
        "glDisableClientState(GL_TEXTURE_COORD_ARRAY)",
        "glFrontFace(GL_CCW)",
        "glPopMatrix()",
    };
    EXPECT_EQ(fakegl::calls(), expected);
    mqoFreeModel(m);
}

TEST_F(CompactGl, WithoutBufferObjectsTheArraysStayAndIndicesComeFromMemory) {
    MeshModel* m = load(cube(0.0), false);
    ASSERT_NE(m, nullptr);
    const MaterialBatch& b = m->objects[0].batches[0];
    EXPECT_EQ(b.bufferName, 0u);
    EXPECT_EQ(b.indexBufferName, 0u);
    EXPECT_NE(b.plainVertices, nullptr);
    EXPECT_NE(b.indices, nullptr);
    float lo[3], hi[3];
    ASSERT_EQ(mqoModelBounds(m, 0, lo, hi), 1);
    EXPECT_EQ(lo[0], -1.0f);
    EXPECT_EQ(hi[2], 1.0f);
    fakegl::clear();
    mqoDrawModel(m);
    const Calls draws = fakegl::callsNamed({"glDrawElements", "glDrawArrays", "glBindBufferARB"});
    EXPECT_EQ(draws, Calls{"glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_SHORT, ptr)"});
    mqoFreeModel(m);
}

// Sorted names handed to a delete call equal 1..made, the names the fake
// hands out after a reset.
void expectAllDeleted(std::vector<GLuint> deleted, size_t made, const std::string& where) {
    std::sort(deleted.begin(), deleted.end());
    std::vector<GLuint> names(made);
    for (size_t i = 0; i < made; ++i) names[i] = static_cast<GLuint>(i + 1);
    EXPECT_EQ(deleted, names) << where;
}

// Loads, draws (twice, as a picture over black and over white) and frees one
// document; false when it does not load.
bool drawAndFree(const std::string& path, unsigned features) {
    fakegl::reset();
    mqoInitLibrary();
    MqoLoadOptions options{};
    options.features = features;
    options.quiet = 1;
    MeshModel* m = mqoLoadModelEx(path.c_str(), 1.0, &options);
    if (m == nullptr) return false;
    mqoDrawModel(m);
    mqoDrawModel(m);
    mqoFreeModel(m);
    mqoReleaseTexturePool();
    return true;
}

// A batch of pictures loads, draws and frees document after document under
// the complete reading: every buffer and texture name it makes must go, or
// the driver keeps each one's storage for the rest of the batch.
TEST(CompleteReadingNames, EveryNameMadeForACorpusDocumentIsDeleted) {
    std::error_code ec;
    if (!std::filesystem::is_directory(corpusfiles::folder(), ec)) GTEST_SKIP() << "no corpus";
    int documents = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(corpusfiles::folder(), ec)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".mqo" && ext != ".mqoz") continue;
        for (unsigned features : {MQO_FEATURE_ALL, MQO_FEATURE_ALL | MQO_FEATURE_COMPACT}) {
            const std::string where =
                entry.path().string() + " features " + std::to_string(features);
            if (!drawAndFree(entry.path().string(), features)) continue;
            ++documents;
            expectAllDeleted(fakegl::deletedBuffers(),
                             fakegl::callsNamed({"glGenBuffersARB"}).size(), where + ": buffers");
            expectAllDeleted(fakegl::deletedTextures(),
                             fakegl::callsNamed({"glGenTextures"}).size(), where + ": textures");
        }
    }
    EXPECT_GT(documents, 0);
}

TEST(CompactConsumers, GltfWriterIgnoresTheBit) {
    testsupport::TempDir dir("compact_gltf");
    ASSERT_TRUE(testsupport::writeFile(dir.file("cube.mqo"), cube(60.0)));
    MqoGltfOptions options = mqoGltfDefaultOptions();
    unsigned char* plain = nullptr;
    unsigned char* compact = nullptr;
    size_t plainSize = 0, compactSize = 0;
    ASSERT_EQ(mqoWriteGltf(dir.file("cube.mqo").c_str(), &options, &plain, &plainSize, nullptr), 0);
    options.features |= MQO_FEATURE_COMPACT;
    ASSERT_EQ(mqoWriteGltf(dir.file("cube.mqo").c_str(), &options, &compact, &compactSize, nullptr),
              0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(plain), plainSize),
              std::string(reinterpret_cast<char*>(compact), compactSize));
    mqoFreeGltf(plain);
    mqoFreeGltf(compact);
}

}  // namespace
