// The 150 generated frames loaded with the library, as ambletoe loads them:
// silent loads, the parts and materials of the figure, its size in the
// viewer's picture, outward-facing parts, looping cycles and planted feet.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "support/character_support.h"
#include "support/egl_context.h"

using namespace charactertest;

namespace {

// Objects of every frame, in drawing order, with the materials (batch
// indices) each one's triangles use.
struct Expected {
    const char* name;
    std::vector<int> materials;
    int flat;
};
enum { Skin, Face, Hair, Shirt, Jeans, Shoe, Sole, Belt, Buckle, Shadow, MaterialCount };
const Expected kObjects[] = {
    {"\"hips\"", {Jeans}, 0},
    {"\"belt\"", {Belt, Buckle}, 1},
    {"\"torso\"", {Shirt}, 0},
    {"\"neck\"", {Skin}, 0},
    {"\"head\"", {Skin, Face}, 0},
    {"\"hair\"", {Hair}, 0},
    {"\"upperarm_L\"", {Skin, Shirt}, 0},
    {"\"forearm_L\"", {Skin}, 0},
    {"\"hand_L\"", {Skin}, 0},
    {"\"upperarm_R\"", {Skin, Shirt}, 0},
    {"\"forearm_R\"", {Skin}, 0},
    {"\"hand_R\"", {Skin}, 0},
    {"\"thigh_L\"", {Jeans}, 0},
    {"\"shin_L\"", {Jeans}, 0},
    {"\"shoe_L\"", {Shoe, Sole}, 0},
    {"\"thigh_R\"", {Jeans}, 0},
    {"\"shin_R\"", {Jeans}, 0},
    {"\"shoe_R\"", {Shoe, Sole}, 0},
    {"\"shadow\"", {Shadow}, 1},
};
const int kObjectCount = sizeof kObjects / sizeof kObjects[0];
const bool kTextured[MaterialCount] = {false, true,  false, true,  true,
                                       false, false, false, false, true};

// Document units are halved at load: the ground and a playback step.
const float kGround = -725.0f;
const float kStep = 40.0f;

class CharacterModels : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        context = new EglContext(64, 64);
        if (!context->ok() || generated().empty()) return;
        mqoInitLibrary();
        for (int m = 0; m < 3; ++m)
            for (int f = 0; f < kMotions[m].frames; ++f) {
                std::string printed;
                models[m].push_back(loadFrame(m, f, &printed));
                messages[m].push_back(printed);
            }
    }
    static void TearDownTestSuite() {
        for (auto& motion : models)
            for (MeshModel* m : motion) mqoFreeModel(m);
        mqoCleanupLibrary();
        delete context;
        context = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(context->ok());
        ASSERT_FALSE(generated().empty()) << "make_character failed";
    }

    static EglContext* context;
    static std::vector<MeshModel*> models[3];
    static std::vector<std::string> messages[3];
};
EglContext* CharacterModels::context = nullptr;
std::vector<MeshModel*> CharacterModels::models[3];
std::vector<std::string> CharacterModels::messages[3];

TEST_F(CharacterModels, EveryFrameLoadsSilentlyWithTheFiguresPartsAndMaterials) {
    for (int m = 0; m < 3; ++m)
        for (int f = 0; f < kMotions[m].frames; ++f) {
            SCOPED_TRACE(std::string(kMotions[m].name) + " frame " + std::to_string(f));
            const MeshModel* model = models[m][f];
            ASSERT_NE(model, nullptr);
            EXPECT_EQ(messages[m][f], "");
            ASSERT_EQ(model->objectCount, kObjectCount);
            int triangles = 0;
            for (int o = 0; o < kObjectCount; ++o) {
                const MeshObject& object = model->objects[o];
                const Expected& want = kObjects[o];
                EXPECT_STREQ(object.name, want.name);
                EXPECT_NE(object.visible, 0);
                EXPECT_EQ(object.flatShading, want.flat) << object.name;
                std::vector<int> used;
                for (int b = 0; b < object.batchCount; ++b) {
                    const MaterialBatch& batch = object.batches[b];
                    if (batch.vertexCount == 0) continue;
                    used.push_back(b);
                    triangles += batch.vertexCount / 3;
                    EXPECT_EQ(batch.hasMaterial, 1);
                    EXPECT_EQ(batch.hasTexture, kTextured[b] ? 1 : 0) << object.name << " " << b;
                    if (batch.hasTexture) {
                        EXPECT_TRUE(glIsTexture(batch.textureName)) << object.name << " " << b;
                    }
                }
                EXPECT_EQ(used, want.materials) << object.name;
            }
            EXPECT_GE(triangles, 2000);
            EXPECT_LE(triangles, 10000);
        }
    // Three face pictures, shirt, jeans and the shadow with its alpha plane:
    // each read and uploaded once for all 150 frames.
    EXPECT_EQ(texturePoolCount, 6);
}

TEST_F(CharacterModels, TheShadowsAlphaPlaneReachesTheTexture) {
    int withAlpha = 0;
    for (int i = 0; i < texturePoolCount; ++i)
        if (std::strstr(texturePool[i].texturePath, "shadow.tga")) {
            EXPECT_NE(std::strstr(texturePool[i].alphaPath, "shadow_a.tga"), nullptr);
            ++withAlpha;
        }
    EXPECT_EQ(withAlpha, 1);
}

// The figure without its shadow, projected as ambletoe shows it at start.
struct Span {
    double bottom = 1e9, top = -1e9, left = 1e9, right = -1e9;
};
Span projectedSpan(const MeshModel* model) {
    Span s;
    for (int o = 0; o < model->objectCount; ++o) {
        if (std::strstr(model->objects[o].name, "shadow")) continue;
        std::vector<float> c = objectTriangles(model->objects[o]);
        for (size_t i = 0; i < c.size(); i += 3) {
            double x, y;
            projectToWindow(&c[i], &x, &y);
            s.bottom = std::min(s.bottom, y);
            s.top = std::max(s.top, y);
            s.left = std::min(s.left, x);
            s.right = std::max(s.right, x);
        }
    }
    return s;
}

TEST_F(CharacterModels, TheFigureFitsTheViewerAndStandsAtItsShareOfTheHeight) {
    for (int m = 0; m < 3; ++m) {
        for (int f = 0; f < kMotions[m].frames; ++f) {
            SCOPED_TRACE(std::string(kMotions[m].name) + " frame " + std::to_string(f));
            Span s = projectedSpan(models[m][f]);
            // Always wholly in the picture, whatever the pose.
            EXPECT_GT(s.bottom, 0.03);
            EXPECT_LT(s.top, 0.97);
            EXPECT_GT(s.left, 0.1);
            EXPECT_LT(s.right, 0.9);
            Box box = modelBox(models[m][f], "shadow");
            EXPECT_NEAR(box.min[1], kGround, f == 0 || m != 2 ? 1.0f : 150.0f)
                << "feet on the ground";
        }
        // The first frame of each motion: 35 to 50 percent of the height,
        // roughly centred.
        Span s = projectedSpan(models[m][0]);
        SCOPED_TRACE(kMotions[m].name);
        EXPECT_GE(s.top - s.bottom, 0.35);
        EXPECT_LE(s.top - s.bottom, 0.50);
        EXPECT_NEAR((s.top + s.bottom) / 2, 0.5, 0.06);
        EXPECT_NEAR((s.left + s.right) / 2, 0.5, 0.05);
    }
}

// Welds a triangle soup by exact position: the builder writes each document
// vertex as the same floats wherever it is used.
struct Welded {
    std::vector<std::array<float, 3>> points;
    std::vector<int> corners;  // three per triangle
};
Welded weld(const std::vector<float>& soup) {
    Welded w;
    std::map<std::array<float, 3>, int> index;
    for (size_t i = 0; i < soup.size(); i += 3) {
        std::array<float, 3> p = {soup[i], soup[i + 1], soup[i + 2]};
        auto it = index.find(p);
        if (it == index.end()) {
            it = index.emplace(p, static_cast<int>(w.points.size())).first;
            w.points.push_back(p);
        }
        w.corners.push_back(it->second);
    }
    return w;
}

int findRoot(std::vector<int>& parent, int i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

TEST_F(CharacterModels, EveryClosedPartFacesOutward) {
    for (int m = 0; m < 3; ++m)
        for (int f = 0; f < kMotions[m].frames; ++f)
            for (int o = 0; o < models[m][f]->objectCount; ++o) {
                const MeshObject& object = models[m][f]->objects[o];
                if (std::strstr(object.name, "shadow")) continue;  // a one-sided sheet
                SCOPED_TRACE(std::string(kMotions[m].name) + " " + std::to_string(f) + " " +
                             object.name);
                Welded w = weld(objectTriangles(object));
                // Split into shells and check each is closed: every directed
                // edge is met once, in the other direction, by a neighbour.
                std::vector<int> parent(w.points.size());
                for (size_t i = 0; i < parent.size(); ++i) parent[i] = static_cast<int>(i);
                std::map<std::pair<int, int>, int> edges;
                for (size_t t = 0; t < w.corners.size(); t += 3)
                    for (int k = 0; k < 3; ++k) {
                        int a = w.corners[t + k], b = w.corners[t + (k + 1) % 3];
                        edges[{a, b}] += 1;
                        parent[findRoot(parent, a)] = findRoot(parent, b);
                    }
                int open = 0;
                for (const auto& e : edges)
                    if (e.second != 1 || edges.count({e.first.second, e.first.first}) == 0 ||
                        edges[{e.first.second, e.first.first}] != 1)
                        ++open;
                EXPECT_EQ(open, 0) << "every part is a closed shell";
                // Volume as the library sees the triangles: positive when the
                // normal (P0 - P1) x (P2 - P1) of every face points out.
                std::map<int, double> volume;
                for (size_t t = 0; t < w.corners.size(); t += 3) {
                    const auto& p0 = w.points[w.corners[t]];
                    const auto& p1 = w.points[w.corners[t + 1]];
                    const auto& p2 = w.points[w.corners[t + 2]];
                    double u[3], v[3];
                    for (int k = 0; k < 3; ++k) {
                        u[k] = p0[k] - p1[k];
                        v[k] = p2[k] - p1[k];
                    }
                    double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                   u[0] * v[1] - u[1] * v[0]};
                    volume[findRoot(parent, w.corners[t])] +=
                        (p1[0] * n[0] + p1[1] * n[1] + p1[2] * n[2]) / 6;
                }
                for (const auto& shell : volume) EXPECT_GT(shell.second, 0) << "shell faces inward";
            }
}

TEST_F(CharacterModels, StoredNormalsPointOutOfEachTriangle) {
    // The normals the library stored (smoothed or facet) agree with the
    // triangle's own side: no part is lit from inside.
    for (int m = 0; m < 3; ++m)
        for (int frame = 0; frame < kMotions[m].frames; ++frame) {
            const MeshModel* model = models[m][frame];
            for (int o = 0; o < model->objectCount; ++o) {
                const MeshObject& object = model->objects[o];
                int against = 0;
                for (int b = 0; b < object.batchCount; ++b) {
                    const MaterialBatch& batch = object.batches[b];
                    for (int i = 0; i + 2 < batch.vertexCount; i += 3) {
                        const float* p[3];
                        const float* n[3];
                        for (int k = 0; k < 3; ++k) {
                            p[k] = batch.hasTexture ? batch.texturedVertices[i + k].position
                                                    : batch.plainVertices[i + k].position;
                            n[k] = batch.hasTexture ? batch.texturedVertices[i + k].normal
                                                    : batch.plainVertices[i + k].normal;
                        }
                        double u[3], v[3];
                        for (int k = 0; k < 3; ++k) {
                            u[k] = p[0][k] - p[1][k];
                            v[k] = p[2][k] - p[1][k];
                        }
                        double f[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                       u[0] * v[1] - u[1] * v[0]};
                        for (int k = 0; k < 3; ++k)
                            if (f[0] * n[k][0] + f[1] * n[k][1] + f[2] * n[k][2] <= 0) ++against;
                    }
                }
                EXPECT_EQ(against, 0) << kMotions[m].name << " " << frame << " " << object.name;
            }
        }
}

// Largest corner movement between two frames of one motion (same layout).
double largestMove(const MeshModel* a, const MeshModel* b) {
    double most = 0;
    for (int o = 0; o < a->objectCount; ++o) {
        std::vector<float> pa = objectTriangles(a->objects[o]), pb = objectTriangles(b->objects[o]);
        if (pa.size() != pb.size()) return 1e9;
        for (size_t i = 0; i < pa.size(); i += 3) {
            double dx = pa[i] - pb[i], dy = pa[i + 1] - pb[i + 1], dz = pa[i + 2] - pb[i + 2];
            most = std::max(most, std::sqrt(dx * dx + dy * dy + dz * dz));
        }
    }
    return most;
}

TEST_F(CharacterModels, EveryMotionLoopsFromItsLastFrameIntoItsFirst) {
    for (int m = 0; m < 3; ++m) {
        SCOPED_TRACE(kMotions[m].name);
        int n = kMotions[m].frames;
        double fastest = 0, slowest = 1e9;
        for (int f = 0; f + 1 < n; ++f) {
            double move = largestMove(models[m][f], models[m][f + 1]);
            fastest = std::max(fastest, move);
            slowest = std::min(slowest, move);
        }
        double wrap = largestMove(models[m][n - 1], models[m][0]);
        // The last frame is one ordinary step from the first: no jump, and
        // not a repeat of it either.
        EXPECT_LE(wrap, fastest * 1.1);
        EXPECT_GE(wrap, slowest * 0.5);
        EXPECT_GT(wrap, 0.5);
        if (m != 0) {
            EXPECT_GT(slowest, 5.0) << "a cycle keeps moving";
        }
    }
}

TEST_F(CharacterModels, PlantedFeetMoveBackOnePlaybackStepPerFrame) {
    // Playback moves the figure 40 units forward per walk or run frame; a
    // sole point on the ground in two frames running must move back just as
    // far. The idle motion stays on the spot, so its soles stay put.
    for (int m = 0; m < 3; ++m) {
        const float step = m == 0 ? 0.0f : kStep;
        int n = kMotions[m].frames, framesWithContact = 0;
        for (int f = 0; f < n; ++f) {
            SCOPED_TRACE(std::string(kMotions[m].name) + " frame " + std::to_string(f));
            const MeshModel* a = models[m][f];
            const MeshModel* b = models[m][(f + 1) % n];
            int planted = 0;
            for (const char* shoe : {"\"shoe_L\"", "\"shoe_R\""}) {
                std::vector<float> pa = objectTriangles(*findObject(a, shoe));
                std::vector<float> pb = objectTriangles(*findObject(b, shoe));
                ASSERT_EQ(pa.size(), pb.size());
                for (size_t i = 0; i < pa.size(); i += 3) {
                    if (std::fabs(pa[i + 1] - kGround) > 0.05f ||
                        std::fabs(pb[i + 1] - kGround) > 0.05f)
                        continue;
                    ++planted;
                    EXPECT_NEAR(pb[i + 2] - pa[i + 2], -step, 0.05) << shoe << " slides";
                    EXPECT_NEAR(pb[i] - pa[i], 0.0, 0.05) << shoe << " slides sideways";
                }
            }
            if (planted) ++framesWithContact;
        }
        // Walking and idling never leave the ground; running has flight.
        if (m != 2) {
            EXPECT_EQ(framesWithContact, n);
        } else {
            EXPECT_GE(framesWithContact, n / 3);
        }
    }
}

TEST_F(CharacterModels, NoPoseSinksIntoTheGround) {
    for (int m = 0; m < 3; ++m)
        for (int f = 0; f < kMotions[m].frames; ++f) {
            Box box = modelBox(models[m][f], "shadow");
            EXPECT_GE(box.min[1], kGround - 0.05f) << kMotions[m].name << " " << f;
        }
}

TEST_F(CharacterModels, IdleFrameZeroStandsStillAndSquare) {
    // Turns show this frame: both soles flat on the ground, the figure
    // symmetric about its centre line, the head on top.
    const MeshModel* model = models[0][0];
    for (const char* shoe : {"\"shoe_L\"", "\"shoe_R\""}) {
        std::vector<float> c = objectTriangles(*findObject(model, shoe));
        int onGround = 0;
        for (size_t i = 0; i < c.size(); i += 3) onGround += std::fabs(c[i + 1] - kGround) < 0.05f;
        EXPECT_GE(onGround, 20) << shoe << " flat";
    }
    Box box = modelBox(model, "shadow");
    EXPECT_NEAR(box.min[0] + box.max[0], 0.0f, 10.0f);
    const MeshObject* hair = findObject(model, "\"hair\"");
    ASSERT_NE(hair, nullptr);
    std::vector<float> c = objectTriangles(*hair);
    float top = -1e9f;
    for (size_t i = 1; i < c.size(); i += 3) top = std::max(top, c[i]);
    EXPECT_FLOAT_EQ(top, box.max[1]);
}

}  // namespace
