// The mesh builder over the recording fake GL: normals, batch layout, colours,
// buffer objects, the object limit and faces that name missing data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "mqo/MqoModelStages.h"
#include "support/fake_gl.h"

namespace {

struct Face {
    int corners;
    int material;
    std::vector<int> vertex;
    std::vector<float> uv;
};

// An ObjectEntry over vectors that outlive it.
struct Object {
    std::vector<float> positions;  // x y z per vertex
    std::vector<FaceEntry> faces;
    ObjectEntry entry{};

    Object(std::vector<float> xyz, const std::vector<Face>& list, float facet = 59.5f) {
        positions = std::move(xyz);
        for (const Face& f : list) {
            FaceEntry e{};
            e.vertexCount = f.corners;
            e.material = f.material;
            for (size_t i = 0; i < f.vertex.size() && i < 4; ++i) e.vertex[i] = f.vertex[i];
            for (size_t i = 0; i < f.uv.size() && i < 8; ++i) e.uv[i] = f.uv[i];
            faces.push_back(e);
        }
        std::strcpy(entry.name, "\"obj\"");
        entry.visible = 15;
        entry.shading = 1;
        entry.facet = facet;
        entry.vertexCount = static_cast<int>(positions.size() / 3);
        entry.faceCount = static_cast<int>(faces.size());
        entry.vertices = reinterpret_cast<float(*)[3]>(positions.data());
        entry.faces = faces.data();
    }
};

MaterialEntry material(float r, float g, float b, float a, int textured = 0, int textureId = 0) {
    MaterialEntry m{};
    const float c[4] = {r, g, b, a};
    for (int i = 0; i < 4; ++i) {
        m.color[i] = c[i];
        m.diffuse[i] = i < 3 ? 0.5f * c[i] : a;
        m.ambient[i] = i < 3 ? 0.25f * c[i] : a;
        m.emission[i] = i < 3 ? 0.125f * c[i] : a;
        m.specular[i] = i < 3 ? 0.0625f * c[i] : a;
    }
    m.power = 7.0f;
    m.useTexture = textured;
    m.textureId = textureId;
    return m;
}

class Builder : public ::testing::Test {
protected:
    void SetUp() override { withBuffers(true); }
    void TearDown() override { mqoFreeModels(model, 1); }

    void withBuffers(bool on) {
        fakegl::reset();
        if (!on) fakegl::setExtensions("GL_EXT_texture_object");
        mqoInitLibrary();
        fakegl::clear();
    }

    MeshModel* model = mqoAllocModels(1);

    void build(Object& o, std::vector<MaterialEntry>* materials = nullptr, double scale = 1.0,
               unsigned char alpha = 255) {
        mqoBuildObjects(model, &o.entry, 1, materials ? materials->data() : nullptr,
                        materials ? static_cast<int>(materials->size()) : 0, scale, alpha);
    }
    MeshObject& last() { return model->objects[model->objectCount - 1]; }
};

void expectVec(const float* got, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(got[0], x, tolerance);
    EXPECT_NEAR(got[1], y, tolerance);
    EXPECT_NEAR(got[2], z, tolerance);
}

// Two triangles folded 90 degrees along the edge (0,0,0)-(1,0,0): one in the
// z = 0 plane, one in the y = 0 plane. Vertices 0 and 1 are shared.
Object fold(float facet) {
    return Object({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1},
                  {{3, 0, {0, 1, 2}, {}}, {3, 0, {0, 1, 3}, {}}}, facet);
}

}  // namespace

TEST(FaceNormal, PointsToTheClockwiseSideAndIsUnitOrZero) {
    const float a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 1, 0};
    float n[3];
    mqoFaceNormal(a, b, c, n);
    expectVec(n, 0, 0, -1);

    const float big[3] = {0, 7, 0}, wide[3] = {3, 0, 0};
    mqoFaceNormal(a, wide, big, n);
    expectVec(n, 0, 0, -1);

    mqoFaceNormal(a, b, b, n);  // degenerate: two corners equal
    expectVec(n, 0, 0, 0, 0);
    const float line[3] = {2, 0, 0};
    mqoFaceNormal(a, b, line, n);  // degenerate: collinear
    expectVec(n, 0, 0, 0, 0);
}

TEST(SafeAcos, IsZeroAtAndBeyondBothEnds) {
    EXPECT_EQ(mqoSafeAcos(-1.0), 0.0);
    EXPECT_EQ(mqoSafeAcos(1.0), 0.0);
    EXPECT_EQ(mqoSafeAcos(1.5), 0.0);
    EXPECT_EQ(mqoSafeAcos(-2.0), 0.0);
    EXPECT_DOUBLE_EQ(mqoSafeAcos(0.0), std::acos(0.0));
    EXPECT_DOUBLE_EQ(mqoSafeAcos(0.5), std::acos(0.5));
}

TEST(VertexNormals, FlatQuadGivesTheFaceNormalAtEveryCorner) {
    Object quad({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {{4, 0, {0, 1, 2, 3}, {}}});
    float(*n)[3] = mqoVertexNormals(&quad.entry, 1);
    ASSERT_NE(n, nullptr);
    for (int i = 0; i < 4; ++i) expectVec(n[i], 0, 0, -1);
    std::free(n);
}

TEST(VertexNormals, AreUnweightedSumsIncludingFacesWithoutMaterial) {
    // The second triangle has no material (-1) but still bends the shared
    // vertices; the unshared one keeps its own face's normal.
    Object o = fold(0);
    o.faces[1].material = -1;
    float(*n)[3] = mqoVertexNormals(&o.entry, 1);
    ASSERT_NE(n, nullptr);
    const float h = static_cast<float>(1 / std::sqrt(2.0));
    expectVec(n[0], 0, h, -h);
    expectVec(n[1], 0, h, -h);
    expectVec(n[2], 0, 0, -1);
    expectVec(n[3], 0, 1, 0);
    std::free(n);
}

TEST(VertexNormals, SkipFacesNamingMissingVerticesOrMaterials) {
    Object o = fold(0);
    o.faces[1].material = 1;  // only one material: out of range
    float(*n)[3] = mqoVertexNormals(&o.entry, 1);
    ASSERT_NE(n, nullptr);
    expectVec(n[0], 0, 0, -1);
    expectVec(n[3], 0, 0, 0, 0);
    std::free(n);

    o.faces[1].material = 0;
    o.faces[1].vertex[2] = 4;  // one past the last vertex
    n = mqoVertexNormals(&o.entry, 1);
    expectVec(n[0], 0, 0, -1);
    std::free(n);
    o.faces[1].vertex[2] = -1;
    n = mqoVertexNormals(&o.entry, 1);
    expectVec(n[1], 0, 0, -1);
    std::free(n);
}

TEST_F(Builder, QuadEmitsCornersZeroOneTwoZeroTwoThreeWithTheirUvAndHalfNormals) {
    // A bent quad (corner 3 lifted) and facet -1, so each half shows its own
    // normal.
    Object quad({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 1},
                {{4, 0, {0, 1, 2, 3}, {0.0f, 0.1f, 1.0f, 1.1f, 2.0f, 2.1f, 3.0f, 3.1f}}}, -1.0f);
    std::vector<MaterialEntry> mats = {material(1, 1, 1, 1, 1, 9)};
    build(quad, &mats);
    MaterialBatch& b = last().batches[0];
    ASSERT_EQ(b.vertexCount, 6);
    ASSERT_NE(b.texturedVertices, nullptr);
    EXPECT_EQ(b.plainVertices, nullptr);
    EXPECT_EQ(b.textureName, 9u);
    const int order[6] = {0, 1, 2, 0, 2, 3};
    for (int j = 0; j < 6; ++j) {
        const TexturedVertex& v = b.texturedVertices[j];
        const float* p = &quad.positions[3 * order[j]];
        expectVec(v.position, p[0], p[1], p[2]);
        EXPECT_FLOAT_EQ(v.uv[0], order[j] + 0.0f);
        EXPECT_FLOAT_EQ(v.uv[1], order[j] + 0.1f);
    }
    float first[3], second[3];
    mqoFaceNormal(&quad.positions[0], &quad.positions[3], &quad.positions[6], first);
    mqoFaceNormal(&quad.positions[0], &quad.positions[6], &quad.positions[9], second);
    for (int j = 0; j < 3; ++j)
        expectVec(b.texturedVertices[j].normal, first[0], first[1], first[2]);
    for (int j = 3; j < 6; ++j)
        expectVec(b.texturedVertices[j].normal, second[0], second[1], second[2]);
}

TEST_F(Builder, FacetIsAnAngleInRadians) {
    const float h = static_cast<float>(1 / std::sqrt(2.0));
    // facet 0: the shared corners keep each triangle's own normal.
    Object flat = fold(0.0f);
    build(flat);
    const PlainVertex* v = last().batches[0].plainVertices;
    for (int j = 0; j < 3; ++j) expectVec(v[j].normal, 0, 0, -1);
    for (int j = 3; j < 6; ++j) expectVec(v[j].normal, 0, 1, 0);

    // facet 2.0 (more than the 45 degrees between face and smoothed normal):
    // the shared corners get the normalised sum.
    Object smooth = fold(2.0f);
    build(smooth);
    v = last().batches[0].plainVertices;
    expectVec(v[0].normal, 0, h, -h);
    expectVec(v[1].normal, 0, h, -h);
    expectVec(v[3].normal, 0, h, -h);
    expectVec(v[4].normal, 0, h, -h);

    // facet 59.5 (read as radians, not degrees): every corner is smoothed.
    Object all = fold(59.5f);
    build(all);
    v = last().batches[0].plainVertices;
    expectVec(v[0].normal, 0, h, -h);
    expectVec(v[2].normal, 0, 0, -1);
    expectVec(v[5].normal, 0, 1, 0);

    // A facet just below the 45-degree fold keeps the face normals.
    Object almost = fold(0.78f);
    build(almost);
    expectVec(last().batches[0].plainVertices[0].normal, 0, 0, -1);
}

TEST_F(Builder, BatchesFollowMaterialIndicesWithEmptyOnesInBetween) {
    Object o({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, {{3, 2, {0, 1, 2}, {}},
                                                    {4, 0, {0, 1, 3, 2}, {}},
                                                    {3, -1, {0, 1, 2}, {}},
                                                    {2, 2, {0, 1}, {}}});
    std::vector<MaterialEntry> mats = {material(1, 0, 0, 1), material(0, 1, 0, 1),
                                       material(0, 0, 1, 0.5f)};
    build(o, &mats);
    MeshObject& obj = last();
    ASSERT_EQ(obj.batchCount, 3);
    EXPECT_EQ(obj.batches[0].vertexCount, 6);
    EXPECT_EQ(obj.batches[1].vertexCount, 0);
    EXPECT_EQ(obj.batches[1].plainVertices, nullptr);
    EXPECT_EQ(obj.batches[1].bufferName, 0u);
    EXPECT_EQ(obj.batches[1].hasMaterial, 1);
    EXPECT_EQ(obj.batches[2].vertexCount, 3);  // the 2-corner face adds none
    const MaterialBatch& blue = obj.batches[2];
    EXPECT_EQ(blue.hasMaterial, 1);
    EXPECT_EQ(blue.hasTexture, 0);
    EXPECT_FLOAT_EQ(blue.color[3], 0.5f);
    EXPECT_FLOAT_EQ(blue.diffuse[2], 0.5f);
    EXPECT_FLOAT_EQ(blue.ambient[2], 0.25f);
    EXPECT_FLOAT_EQ(blue.emission[2], 0.125f);
    EXPECT_FLOAT_EQ(blue.specular[2], 0.0625f);
    EXPECT_FLOAT_EQ(blue.power, 7.0f);
    EXPECT_STREQ(obj.name, "\"obj\"");
    EXPECT_EQ(obj.visible, 15);
    EXPECT_EQ(obj.flatShading, 0);
}

TEST_F(Builder, FacesNamingMissingVerticesOrMaterialsJoinNoBatch) {
    Object o({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{3, 0, {0, 1, 2}, {}},
                                           {3, 0, {0, 1, 3}, {}},
                                           {4, 0, {0, 1, 2, -7}, {}},
                                           {3, 5, {0, 1, 2}, {}},
                                           {3, 1, {0, 1, 2}, {}}});
    std::vector<MaterialEntry> mats = {material(1, 1, 1, 1), material(1, 0, 0, 1)};
    build(o, &mats);
    ASSERT_EQ(last().batchCount, 2);  // material 5 of 2 counts for nothing
    EXPECT_EQ(last().batches[0].vertexCount, 3);
    EXPECT_EQ(last().batches[1].vertexCount, 3);

    // Without materials only material 0 exists.
    Object bare({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{3, 0, {0, 1, 2}, {}}, {3, 1, {0, 1, 2}, {}}});
    build(bare);
    ASSERT_EQ(last().batchCount, 1);
    EXPECT_EQ(last().batches[0].vertexCount, 3);
}

TEST_F(Builder, ObjectWithoutVerticesIsKeptWithoutTriangles) {
    Object empty({}, {{3, 0, {0, 1, 2}, {}}, {5, 0, {}, {}}});
    build(empty);
    ASSERT_EQ(model->objectCount, 1);
    // The 5-corner face reads no index, so it still raises the batch count.
    ASSERT_EQ(last().batchCount, 1);
    EXPECT_EQ(last().batches[0].vertexCount, 0);
    EXPECT_TRUE(fakegl::callsNamed({"glGenBuffersARB"}).empty());
}

TEST_F(Builder, WithoutMaterialsTheDefaultColourTakesTheModelAlpha) {
    Object a({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{3, 0, {0, 1, 2}, {}}});
    build(a);
    MaterialBatch* b = &last().batches[0];
    EXPECT_EQ(b->hasMaterial, 0);
    EXPECT_EQ(b->hasTexture, 0);
    EXPECT_FLOAT_EQ(b->color[0], 1.0f);
    EXPECT_FLOAT_EQ(b->color[3], 1.0f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b->diffuse[i], 0.0f);
        EXPECT_EQ(b->specular[i], 0.0f);
    }
    build(a, nullptr, 1.0, 51);
    b = &last().batches[0];
    EXPECT_FLOAT_EQ(b->color[2], 1.0f);
    EXPECT_FLOAT_EQ(b->color[3], 51 * (1.0f / 255.0f));
}

TEST_F(Builder, ModelAlphaReplacesOnlyUntexturedAlpha) {
    Object o({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{3, 0, {0, 1, 2}, {}}, {3, 1, {0, 1, 2}, {}}});
    std::vector<MaterialEntry> mats = {material(1, 0, 0, 0.25f), material(0, 1, 0, 0.75f, 1, 3)};
    build(o, &mats, 1.0, 128);
    EXPECT_FLOAT_EQ(last().batches[0].color[3], 128 * (1.0f / 255.0f));
    EXPECT_FLOAT_EQ(last().batches[0].color[0], 1.0f);
    EXPECT_FLOAT_EQ(last().batches[1].color[3], 0.75f);
    build(o, &mats, 1.0, 255);
    EXPECT_FLOAT_EQ(last().batches[0].color[3], 0.25f);
}

TEST_F(Builder, PositionsAreScaledAndNormalsAreNot) {
    Object o({2, 4, 6, 4, 4, 6, 2, 8, 6}, {{3, 0, {0, 1, 2}, {}}});
    build(o, nullptr, 0.5);
    const PlainVertex* v = last().batches[0].plainVertices;
    expectVec(v[0].position, 1, 2, 3);
    expectVec(v[1].position, 2, 2, 3);
    expectVec(v[2].position, 1, 4, 3);
    expectVec(v[0].normal, 0, 0, -1);
}

TEST_F(Builder, EachNonEmptyBatchGetsAStaticBufferHoldingItsArray) {
    Object o({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{3, 0, {0, 1, 2}, {}}, {3, 2, {0, 1, 2}, {}}});
    std::vector<MaterialEntry> mats = {material(1, 1, 1, 1), material(1, 1, 1, 1),
                                       material(1, 1, 1, 1, 1, 4)};
    build(o, &mats);
    std::vector<std::string> expected = {
        "glGenBuffersARB(1, ptr)",
        "glBindBufferARB(GL_ARRAY_BUFFER_ARB, 1)",
        "glBufferDataARB(GL_ARRAY_BUFFER_ARB, 72, ptr, GL_STATIC_DRAW_ARB)",
        "glGenBuffersARB(1, ptr)",
        "glBindBufferARB(GL_ARRAY_BUFFER_ARB, 2)",
        "glBufferDataARB(GL_ARRAY_BUFFER_ARB, 96, ptr, GL_STATIC_DRAW_ARB)"};
    EXPECT_EQ(fakegl::calls(), expected);
    const MeshObject& obj = last();
    EXPECT_EQ(obj.batches[0].bufferName, 1u);
    EXPECT_EQ(obj.batches[1].bufferName, 0u);
    EXPECT_EQ(obj.batches[2].bufferName, 2u);
    const auto& plain = fakegl::bufferData(1);
    ASSERT_EQ(plain.size(), 72u);
    EXPECT_EQ(std::memcmp(plain.data(), obj.batches[0].plainVertices, 72), 0);
    const auto& textured = fakegl::bufferData(2);
    ASSERT_EQ(textured.size(), 96u);
    EXPECT_EQ(std::memcmp(textured.data(), obj.batches[2].texturedVertices, 96), 0);
}

TEST_F(Builder, WithoutTheExtensionNoBufferCallIsMade) {
    withBuffers(false);
    ASSERT_EQ(vboSupported, 0);
    Object o({0, 0, 0, 1, 0, 0, 0, 1, 0}, {{3, 0, {0, 1, 2}, {}}});
    build(o);
    EXPECT_TRUE(fakegl::calls().empty());
    EXPECT_EQ(last().batches[0].bufferName, 0u);
    EXPECT_NE(last().batches[0].plainVertices, nullptr);
}

TEST_F(Builder, ObjectLimitKeeps49AndReleasesEachDroppedObject) {
    std::vector<Object> objects;
    objects.reserve(51);
    for (int i = 0; i < 51; ++i) {
        objects.emplace_back(std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0},
                             std::vector<Face>{{3, 0, {0, 1, 2}, {}}});
        std::snprintf(objects.back().entry.name, 256, "o%d", i);
    }
    std::vector<ObjectEntry> entries;
    for (Object& o : objects) entries.push_back(o.entry);

    testing::internal::CaptureStdout();
    mqoBuildObjects(model, entries.data(), 51, nullptr, 0, 1.0, 255);
    std::fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    const std::string line = "MQOファイル読み込み：　最大オブジェクト数を超えました[50]\n";
    EXPECT_EQ(out, line + line);
    EXPECT_EQ(model->objectCount, 49);
    EXPECT_STREQ(model->objects[48].name, "o48");
    // Objects 49 and 50 got buffers 50 and 51, deleted as they were dropped.
    EXPECT_EQ(fakegl::deletedBuffers(), (std::vector<GLuint>{50, 51}));
    EXPECT_EQ(model->objects[49].batches, nullptr);
    EXPECT_EQ(model->objects[49].batchCount, 0);
    EXPECT_NE(model->objects[48].batches, nullptr);

    // A full slot drops every further object the same way.
    testing::internal::CaptureStdout();
    mqoBuildObjects(model, entries.data(), 1, nullptr, 0, 1.0, 255);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), line);
    EXPECT_EQ(model->objectCount, 49);
}
