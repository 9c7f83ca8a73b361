// The GL call stream of model drawing, recorded by the fake GL: order and
// arguments, what is restored, what is left set, with and without buffer
// objects.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "mqo/MqoModelGL.h"
#include "support/fake_gl.h"

namespace {

using Calls = std::vector<std::string>;

struct Colours {
    float diffuse[4] = {0.8f, 0.1f, 0.1f, 0.5f};
    float ambient[4] = {0.2f, 0.0f, 0.0f, 0.25f};
    float emission[4] = {0.0f, 0.0f, 0.1f, 0.75f};
    float specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float power = 5.0f;
};

void setBatch(MaterialBatch* b, bool textured, int vertexCount, GLuint buffer, bool material) {
    b->hasMaterial = material ? 1 : 0;
    b->hasTexture = textured ? 1 : 0;
    b->vertexCount = vertexCount;
    b->bufferName = buffer;
    b->color[0] = 1.0f;
    b->color[1] = 0.5f;
    b->color[2] = 0.25f;
    b->color[3] = 0.5f;
    Colours c;
    for (int i = 0; i < 4; ++i) {
        b->diffuse[i] = c.diffuse[i];
        b->ambient[i] = c.ambient[i];
        b->emission[i] = c.emission[i];
        b->specular[i] = c.specular[i];
    }
    b->power = c.power;
    if (vertexCount <= 0) return;
    if (textured) {
        b->textureName = 7;
        b->texturedVertices =
            static_cast<TexturedVertex*>(calloc(vertexCount, sizeof(TexturedVertex)));
    } else {
        b->plainVertices = static_cast<PlainVertex*>(calloc(vertexCount, sizeof(PlainVertex)));
    }
}

// Appends an object with `count` zeroed batches and returns them.
MaterialBatch* addObject(MeshModel* m, int visible, int flat, int count) {
    MeshObject& o = m->objects[m->objectCount++];
    o.visible = visible;
    o.flatShading = flat;
    o.batchCount = count;
    o.batches = static_cast<MaterialBatch*>(calloc(count, sizeof(MaterialBatch)));
    return o.batches;
}

class DrawCalls : public ::testing::Test {
protected:
    void SetUp() override { start(true); }
    void TearDown() override { mqoFreeModels(models_, 2); }

    // Initialises the library over a fresh fake, with or without the
    // extension, and forgets the calls that made.
    void start(bool buffers) {
        fakegl::reset();
        if (!buffers) fakegl::setExtensions("GL_ARB_multitexture");
        mqoInitLibrary();
        ASSERT_EQ(vboSupported, buffers ? 1 : 0);
        mqoFreeModels(models_, 2);
        models_ = mqoAllocModels(2);
        ASSERT_NE(models_, nullptr);
        models_[0].alpha = 255;
        fakegl::setInteger(GL_FRONT_FACE, GL_CCW);
        fakegl::setInteger(GL_TEXTURE_BINDING_2D, 3);
        fakegl::clear();
    }

    MeshModel* models_ = nullptr;
};

const Calls kPrologue = {"glPushMatrix()", "glGetIntegerv(GL_FRONT_FACE, ptr)",
                         "glFrontFace(GL_CW)"};
const Calls kEpilogue = {"glFrontFace(GL_CCW)", "glPopMatrix()"};

const Calls kMaterial = {
    "glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, ptr)",
    "glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ptr)",
    "glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, ptr)",
    "glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, ptr)",
    "glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 5)",
};

Calls join(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// The floats of every glMaterialfv call, in order.
std::vector<std::vector<float>> materialValues() {
    std::vector<std::vector<float>> out;
    const Calls& calls = fakegl::calls();
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].rfind("glMaterialfv(", 0) == 0) out.push_back(fakegl::callValues(i));
    return out;
}

TEST(DrawNull, NullModelMakesNoGlCall) {
    fakegl::reset();
    mqoDrawModel(nullptr);
    mqoDrawModelSlot(nullptr, 4);
    EXPECT_TRUE(fakegl::calls().empty());
}

TEST_F(DrawCalls, TexturedBatchWithBufferObjectsRunsInOrderAndRestores) {
    setBatch(addObject(models_, 1, 0, 1), true, 6, 12, true);
    mqoDrawModel(models_);
    const Calls expected = join({kPrologue,
                                 {"glShadeModel(GL_SMOOTH)"},
                                 kMaterial,
                                 {
                                     "glEnableClientState(GL_VERTEX_ARRAY)",
                                     "glEnableClientState(GL_NORMAL_ARRAY)",
                                     "glEnableClientState(GL_TEXTURE_COORD_ARRAY)",
                                     "glIsEnabled(GL_TEXTURE_2D)",
                                     "glIsEnabled(GL_BLEND)",
                                     "glGetIntegerv(GL_TEXTURE_BINDING_2D, ptr)",
                                     "glEnable(GL_TEXTURE_2D)",
                                     "glEnable(GL_BLEND)",
                                     "glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)",
                                     "glBindTexture(GL_TEXTURE_2D, 7)",
                                     "glBindBufferARB(GL_ARRAY_BUFFER_ARB, 12)",
                                     "glVertexPointer(3, GL_FLOAT, 32, 0)",
                                     "glTexCoordPointer(2, GL_FLOAT, 32, 24)",
                                     "glNormalPointer(GL_FLOAT, 32, 12)",
                                     "glColor4f(1, 0.5, 0.25, 0.5)",
                                     "glDrawArrays(GL_TRIANGLES, 0, 6)",
                                     "glBindTexture(GL_TEXTURE_2D, 3)",
                                     "glDisable(GL_BLEND)",
                                     "glDisable(GL_TEXTURE_2D)",
                                     "glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0)",
                                     "glDisableClientState(GL_VERTEX_ARRAY)",
                                     "glDisableClientState(GL_NORMAL_ARRAY)",
                                     "glDisableClientState(GL_TEXTURE_COORD_ARRAY)",
                                 },
                                 kEpilogue});
    EXPECT_EQ(fakegl::calls(), expected);
}

TEST_F(DrawCalls, PlainFlatBatchWithBufferObjectsLeavesTexturingAlone) {
    setBatch(addObject(models_, 1, 1, 1), false, 3, 4, true);
    mqoDrawModel(models_);
    const Calls expected = join({kPrologue,
                                 {"glShadeModel(GL_FLAT)"},
                                 kMaterial,
                                 {
                                     "glEnableClientState(GL_VERTEX_ARRAY)",
                                     "glEnableClientState(GL_NORMAL_ARRAY)",
                                     "glIsEnabled(GL_BLEND)",
                                     "glEnable(GL_BLEND)",
                                     "glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)",
                                     "glBindBufferARB(GL_ARRAY_BUFFER_ARB, 4)",
                                     "glVertexPointer(3, GL_FLOAT, 24, 0)",
                                     "glNormalPointer(GL_FLOAT, 24, 12)",
                                     "glColor4f(1, 0.5, 0.25, 0.5)",
                                     "glDrawArrays(GL_TRIANGLES, 0, 3)",
                                     "glDisable(GL_BLEND)",
                                     "glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0)",
                                     "glDisableClientState(GL_VERTEX_ARRAY)",
                                     "glDisableClientState(GL_NORMAL_ARRAY)",
                                 },
                                 kEpilogue});
    EXPECT_EQ(fakegl::calls(), expected);
}

TEST_F(DrawCalls, WithoutTheExtensionPointersAddressMemoryAndNoBufferCallIsMade) {
    start(false);
    setBatch(addObject(models_, 1, 0, 2), true, 3, 0, false);
    setBatch(&models_[0].objects[0].batches[1], false, 6, 0, false);
    mqoDrawModel(models_);
    const Calls expected = join({kPrologue,
                                 {
                                     "glShadeModel(GL_SMOOTH)",
                                     "glEnableClientState(GL_VERTEX_ARRAY)",
                                     "glEnableClientState(GL_NORMAL_ARRAY)",
                                     "glEnableClientState(GL_TEXTURE_COORD_ARRAY)",
                                     "glIsEnabled(GL_TEXTURE_2D)",
                                     "glIsEnabled(GL_BLEND)",
                                     "glGetIntegerv(GL_TEXTURE_BINDING_2D, ptr)",
                                     "glEnable(GL_TEXTURE_2D)",
                                     "glEnable(GL_BLEND)",
                                     "glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)",
                                     "glBindTexture(GL_TEXTURE_2D, 7)",
                                     "glVertexPointer(3, GL_FLOAT, 32, ptr)",
                                     "glTexCoordPointer(2, GL_FLOAT, 32, ptr)",
                                     "glNormalPointer(GL_FLOAT, 32, ptr)",
                                     "glColor4f(1, 0.5, 0.25, 0.5)",
                                     "glDrawArrays(GL_TRIANGLES, 0, 3)",
                                     "glBindTexture(GL_TEXTURE_2D, 3)",
                                     "glDisable(GL_BLEND)",
                                     "glDisable(GL_TEXTURE_2D)",
                                     "glDisableClientState(GL_VERTEX_ARRAY)",
                                     "glDisableClientState(GL_NORMAL_ARRAY)",
                                     "glDisableClientState(GL_TEXTURE_COORD_ARRAY)",
                                     "glEnableClientState(GL_VERTEX_ARRAY)",
                                     "glEnableClientState(GL_NORMAL_ARRAY)",
                                     "glIsEnabled(GL_BLEND)",
                                     "glEnable(GL_BLEND)",
                                     "glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)",
                                     "glVertexPointer(3, GL_FLOAT, 24, ptr)",
                                     "glNormalPointer(GL_FLOAT, 24, ptr)",
                                     "glColor4f(1, 0.5, 0.25, 0.5)",
                                     "glDrawArrays(GL_TRIANGLES, 0, 6)",
                                     "glDisable(GL_BLEND)",
                                     "glDisableClientState(GL_VERTEX_ARRAY)",
                                     "glDisableClientState(GL_NORMAL_ARRAY)",
                                 },
                                 kEpilogue});
    EXPECT_EQ(fakegl::calls(), expected);
}

TEST_F(DrawCalls, CallerStateIsRestoredAndEnabledClientArraysEndDisabled) {
    setBatch(addObject(models_, 1, 0, 1), true, 3, 2, false);
    fakegl::setEnabled(GL_TEXTURE_2D, true);
    fakegl::setEnabled(GL_BLEND, true);
    fakegl::setEnabled(GL_VERTEX_ARRAY, true);
    fakegl::setEnabled(GL_NORMAL_ARRAY, true);
    fakegl::setEnabled(GL_TEXTURE_COORD_ARRAY, true);
    mqoDrawModel(models_);

    // Enabled before: no glDisable for either, the old texture bound again.
    EXPECT_TRUE(fakegl::callsNamed({"glDisable"}).empty());
    const Calls binds = fakegl::callsNamed({"glBindTexture"});
    ASSERT_FALSE(binds.empty());
    EXPECT_EQ(binds.back(), "glBindTexture(GL_TEXTURE_2D, 3)");
    fakegl::clear();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    GLint frontFace = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(frontFace, GL_CCW);
}

TEST_F(DrawCalls, ShadeModelMaterialColourAndBlendFunctionAreLeftAsDrawingSetThem) {
    // Two objects: the last batch with material, the last colour and the
    // last visible object's shade model win; nothing puts them back.
    setBatch(addObject(models_, 1, 0, 1), false, 3, 2, true);
    MaterialBatch* b = addObject(models_, 1, 1, 1);
    setBatch(b, false, 3, 3, false);
    b->color[0] = 0.0f;
    mqoDrawModel(models_);
    const Calls& calls = fakegl::calls();
    size_t lastDraw = 0;
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].rfind("glDrawArrays", 0) == 0) lastDraw = i;
    for (size_t i = lastDraw; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].find("glShadeModel"), std::string::npos) << calls[i];
        EXPECT_EQ(calls[i].find("glMaterial"), std::string::npos) << calls[i];
        EXPECT_EQ(calls[i].find("glColor"), std::string::npos) << calls[i];
        EXPECT_EQ(calls[i].find("glBlendFunc"), std::string::npos) << calls[i];
    }
    EXPECT_EQ(fakegl::callsNamed({"glShadeModel"}),
              (Calls{"glShadeModel(GL_SMOOTH)", "glShadeModel(GL_FLAT)"}));
    EXPECT_EQ(fakegl::callsNamed({"glColor4f"}).back(), "glColor4f(0, 0.5, 0.25, 0.5)");
    // A batch without material sets none.
    EXPECT_EQ(fakegl::callsNamed({"glMaterialfv"}).size(), 4u);
}

TEST_F(DrawCalls, InvisibleObjectsAndEmptyBatchesAreSkipped) {
    // Invisible flat object: no GL_FLAT, no draw.
    setBatch(addObject(models_, 0, 1, 1), false, 3, 5, true);
    // Visible object: an empty batch with material, then a drawn one.
    MaterialBatch* b = addObject(models_, 1, 0, 2);
    setBatch(&b[0], false, 0, 0, true);
    setBatch(&b[1], true, 9, 6, false);
    mqoDrawModel(models_);
    EXPECT_EQ(fakegl::callsNamed({"glShadeModel"}), Calls{"glShadeModel(GL_SMOOTH)"});
    EXPECT_TRUE(fakegl::callsNamed({"glMaterialfv", "glMaterialf"}).empty());
    EXPECT_EQ(fakegl::callsNamed({"glDrawArrays"}), Calls{"glDrawArrays(GL_TRIANGLES, 0, 9)"});
    EXPECT_EQ(fakegl::callsNamed({"glBindBufferARB"}),
              (Calls{"glBindBufferARB(GL_ARRAY_BUFFER_ARB, 6)",
                     "glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0)"}));
}

TEST_F(DrawCalls, ModelAlphaScalesOnlyTheMaterialsFourthComponent) {
    setBatch(addObject(models_, 1, 0, 1), false, 3, 2, true);
    const Colours c;
    const float* sources[4] = {c.diffuse, c.ambient, c.specular, c.emission};
    for (int alpha : {255, 128, 0}) {
        SCOPED_TRACE(alpha);
        models_[0].alpha = static_cast<uint8_t>(alpha);
        fakegl::clear();
        mqoDrawModel(models_);
        const auto values = materialValues();
        ASSERT_EQ(values.size(), 4u);
        for (int k = 0; k < 4; ++k) {
            ASSERT_EQ(values[k].size(), 4u);
            EXPECT_EQ(values[k][0], sources[k][0]);
            EXPECT_EQ(values[k][1], sources[k][1]);
            EXPECT_EQ(values[k][2], sources[k][2]);
            const float expected = static_cast<float>(sources[k][3] * (alpha * (1.0 / 255.0)));
            EXPECT_EQ(values[k][3], expected);
        }
        if (alpha == 255) {
            EXPECT_EQ(values[0][3], 0.5f);
        }
        if (alpha == 0) {
            EXPECT_EQ(values[3][3], 0.0f);
        }
        if (alpha == 128) {
            EXPECT_NEAR(values[3][3], 0.75f * 0.50196f, 1e-5);
        }
        // The glColor4f colour and the batch's own record stay unscaled.
        EXPECT_EQ(fakegl::callsNamed({"glColor4f"}), Calls{"glColor4f(1, 0.5, 0.25, 0.5)"});
        EXPECT_EQ(models_[0].objects[0].batches[0].diffuse[3], 0.5f);
    }
}

TEST_F(DrawCalls, SlotIndexSelectsTheModelAndItsAlpha) {
    models_[1].alpha = 0;
    setBatch(addObject(&models_[1], 1, 1, 1), false, 3, 8, true);
    setBatch(addObject(&models_[0], 1, 0, 1), false, 6, 9, true);
    mqoDrawModelSlot(models_, 1);
    EXPECT_EQ(fakegl::callsNamed({"glDrawArrays"}), Calls{"glDrawArrays(GL_TRIANGLES, 0, 3)"});
    EXPECT_EQ(materialValues().at(0).at(3), 0.0f);
}

TEST_F(DrawCalls, ReleasedSlotOnlySetsAndRestoresFrameAndFrontFace) {
    setBatch(addObject(models_, 1, 0, 1), true, 3, 2, true);
    mqoReleaseModelSlots(models_, 0, 1);
    fakegl::clear();
    mqoDrawModel(models_);
    EXPECT_EQ(fakegl::calls(), join({kPrologue, {"glShadeModel(GL_SMOOTH)"}, kEpilogue}));
}

TEST_F(DrawCalls, BatchWithoutBufferObjectIsDrawnFromMemoryWithNoBufferBound) {
    // Built while buffer objects were off, drawn while they are on.
    setBatch(addObject(models_, 1, 0, 1), false, 3, 0, false);
    mqo::glBindBufferARB(GL_ARRAY_BUFFER_ARB, 5);  // as the mesh builder leaves it
    fakegl::clear();
    mqoDrawModel(models_);
    EXPECT_EQ(
        fakegl::callsNamed({"glBindBufferARB", "glVertexPointer", "glNormalPointer"}),
        (Calls{"glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0)", "glVertexPointer(3, GL_FLOAT, 24, ptr)",
               "glNormalPointer(GL_FLOAT, 24, ptr)", "glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0)"}));
}

TEST_F(DrawCalls, BatchWithNeitherArrayNorBufferIsSkippedWithoutBufferObjects) {
    start(false);
    MaterialBatch* b = addObject(models_, 1, 0, 1);
    b->hasMaterial = 1;
    b->vertexCount = 3;  // but no array: drawing it would read through null
    mqoDrawModel(models_);
    EXPECT_TRUE(fakegl::callsNamed({"glDrawArrays", "glMaterialfv"}).empty());
}

}  // namespace
