// Library state over the fake GL: the extension test, initialisation, and
// allocation and release of model arrays.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "mqo/MqoModelGL.h"
#include "mqo/MqoModelStages.h"
#include "support/fake_gl.h"

namespace {

const char* const VBO = "GL_ARB_vertex_buffer_object";

int countCalls(const char* name) { return static_cast<int>(fakegl::callsNamed({name}).size()); }

bool allEntryPointsNull() {
    return !mqo::glGenBuffersARB && !mqo::glBindBufferARB && !mqo::glBufferDataARB &&
           !mqo::glDeleteBuffersARB;
}

class LibraryState : public ::testing::Test {
protected:
    void SetUp() override {
        fakegl::reset();
        libraryInitialised = 0;
        vboSupported = 0;
        std::memset(texturePool, 0, sizeof texturePool);
        texturePoolCount = 0;
    }
};

TEST_F(LibraryState, ExtensionMustBeAWholeToken) {
    struct Case {
        const char* extensions;
        const char* name;
        int expected;
    } cases[] = {
        {"GL_ARB_vertex_buffer_object GL_EXT_a GL_EXT_b", VBO, 1},      // first
        {"GL_EXT_a GL_ARB_vertex_buffer_object GL_EXT_b", VBO, 1},      // middle
        {"GL_EXT_a GL_EXT_b GL_ARB_vertex_buffer_object", VBO, 1},      // last
        {"GL_ARB_vertex_buffer_object", VBO, 1},                        // only
        {"GL_EXT_a GL_ARB_vertex_buffer_object_ext GL_EXT_b", VBO, 0},  // longer token, its prefix
        {"GL_EXT_a GL_XGL_ARB_vertex_buffer_object", VBO, 0},           // longer token, its suffix
        {"GL_ARB_vertex_buffer_objects GL_ARB_vertex_buffer_object", VBO, 1},  // second occurrence
        {"GL_XGL_ARB_vertex_buffer_object GL_ARB_vertex_buffer_object_x", VBO, 0},
        {"GL_ARB_vertex_buffer_object", "GL_ARB_vertex", 0},  // only the first part of a token
        {"GL_ARB_vertex_buffer_object", "buffer", 0},         // only the middle
        {"", VBO, 0},
    };
    for (const Case& c : cases) {
        fakegl::setExtensions(c.extensions);
        EXPECT_EQ(mqoHasExtension(c.name), c.expected)
            << c.name << " in \"" << c.extensions << "\"";
    }
}

TEST_F(LibraryState, BadNamesAnswerZeroWithoutAskingTheDriver) {
    fakegl::setExtensions("GL_A GL_B");
    fakegl::clear();
    EXPECT_EQ(mqoHasExtension(""), 0);
    EXPECT_EQ(mqoHasExtension("GL_A GL_B"), 0);
    EXPECT_EQ(mqoHasExtension(" "), 0);
    EXPECT_EQ(mqoHasExtension(nullptr), 0);
    EXPECT_TRUE(fakegl::calls().empty());
}

TEST_F(LibraryState, NoExtensionStringAnswersZero) {
    fakegl::setExtensions(nullptr);
    EXPECT_EQ(mqoHasExtension(VBO), 0);
    EXPECT_EQ(fakegl::calls(), std::vector<std::string>{"glGetString(GL_EXTENSIONS)"});
}

TEST_F(LibraryState, InitWithTheExtensionLooksUpFourEntryPointsInOrder) {
    fakegl::setExtensions("GL_EXT_a GL_ARB_vertex_buffer_object");
    mqoInitLibrary();
    EXPECT_EQ(libraryInitialised, 1);
    EXPECT_EQ(vboSupported, 1);
    EXPECT_TRUE(mqo::glGenBuffersARB && mqo::glBindBufferARB && mqo::glBufferDataARB &&
                mqo::glDeleteBuffersARB);
    EXPECT_EQ(fakegl::calls(), (std::vector<std::string>{
                                   "glGetString(GL_EXTENSIONS)",
                                   "glXGetProcAddressARB(glGenBuffersARB)",
                                   "glXGetProcAddressARB(glBindBufferARB)",
                                   "glXGetProcAddressARB(glBufferDataARB)",
                                   "glXGetProcAddressARB(glDeleteBuffersARB)",
                               }));
}

TEST_F(LibraryState, InitWithoutTheExtensionLooksNothingUp) {
    // Pointers left from an earlier initialisation must not survive.
    mqoInitLibrary();
    ASSERT_EQ(vboSupported, 1);
    fakegl::setExtensions("GL_EXT_a GL_ARB_vertex_buffer_object_x");
    fakegl::clear();
    mqoInitLibrary();
    EXPECT_EQ(libraryInitialised, 1);
    EXPECT_EQ(vboSupported, 0);
    EXPECT_TRUE(allEntryPointsNull());
    EXPECT_EQ(fakegl::calls(), std::vector<std::string>{"glGetString(GL_EXTENSIONS)"});
}

TEST_F(LibraryState, AnyFailedLookupSwitchesBufferObjectsOff) {
    const char* names[] = {"glGenBuffersARB", "glBindBufferARB", "glBufferDataARB",
                           "glDeleteBuffersARB"};
    for (const char* failing : names) {
        fakegl::reset();
        fakegl::setLookupSucceeds(failing, false);
        mqoInitLibrary();
        EXPECT_EQ(vboSupported, 0) << failing;
        EXPECT_TRUE(allEntryPointsNull()) << failing;
        EXPECT_EQ(libraryInitialised, 1);
    }
}

TEST_F(LibraryState, InitEmptiesThePoolWithoutDeletingItsTextures) {
    texturePoolCount = 2;
    texturePool[0].textureName = 5;
    std::strcpy(texturePool[1].texturePath, "/t/a.bmp");
    texturePool[99].alpha = 7;
    mqoInitLibrary();
    EXPECT_EQ(texturePoolCount, 0);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(texturePool);
    for (size_t i = 0; i < sizeof texturePool; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
    EXPECT_EQ(countCalls("glDeleteTextures"), 0);
}

TEST_F(LibraryState, CleanupDeletesPoolTexturesAndNothingElse) {
    mqoInitLibrary();
    texturePoolCount = 2;
    texturePool[0].textureName = 4;
    texturePool[1].textureName = 9;
    fakegl::clear();
    mqoCleanupLibrary();
    EXPECT_EQ(fakegl::deletedTextures(), (std::vector<GLuint>{4, 9}));
    EXPECT_EQ(texturePoolCount, 0);
    EXPECT_EQ(vboSupported, 1);
    EXPECT_NE(mqo::glDeleteBuffersARB, nullptr);
}

TEST_F(LibraryState, AllocInitialisesOnceAndZeroesEveryRecord) {
    MeshModel* first = mqoAllocModels(3);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(libraryInitialised, 1);
    EXPECT_EQ(countCalls("glGetString"), 1);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(first);
    for (size_t i = 0; i < 3 * sizeof(MeshModel); ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;

    texturePoolCount = 1;  // a later allocation must not empty the pool again
    texturePool[0].textureName = 3;
    fakegl::clear();
    MeshModel* second = mqoAllocModels(1);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(fakegl::calls().empty());
    EXPECT_EQ(texturePoolCount, 1);
    EXPECT_EQ(texturePool[0].textureName, 3u);
    mqoFreeModels(first, 3);
    mqoFreeModel(second);
}

TEST_F(LibraryState, AllocOfNoModelsGivesNull) {
    EXPECT_EQ(mqoAllocModels(0), nullptr);
    EXPECT_EQ(mqoAllocModels(-4), nullptr);
}

// ---- release of hand-built batches ----

MaterialBatch texturedBatch(int vertexCount, GLuint buffer) {
    MaterialBatch b{};
    b.hasTexture = 1;
    b.textureName = 42;
    b.bufferName = buffer;
    b.vertexCount = vertexCount;
    if (vertexCount > 0)
        b.texturedVertices =
            static_cast<TexturedVertex*>(std::calloc(vertexCount, sizeof(TexturedVertex)));
    return b;
}

MaterialBatch plainBatch(int vertexCount, GLuint buffer) {
    MaterialBatch b{};
    b.bufferName = buffer;
    b.vertexCount = vertexCount;
    if (vertexCount > 0)
        b.plainVertices = static_cast<PlainVertex*>(std::calloc(vertexCount, sizeof(PlainVertex)));
    return b;
}

void giveBatches(MeshObject& object, std::vector<MaterialBatch> batches, const char* name) {
    std::strcpy(object.name, name);
    object.visible = 1;
    object.batchCount = static_cast<int32_t>(batches.size());
    object.batches =
        static_cast<MaterialBatch*>(std::calloc(batches.size(), sizeof(MaterialBatch)));
    for (size_t k = 0; k < batches.size(); ++k) object.batches[k] = batches[k];
}

TEST_F(LibraryState, ReleaseDeletesBuffersInOrderAndFreesEachSlotsObjects) {
    MeshModel* models = mqoAllocModels(3);
    ASSERT_NE(models, nullptr);
    ASSERT_EQ(vboSupported, 1);
    models[0].objectCount = 2;
    giveBatches(models[0].objects[0], {texturedBatch(3, 5), plainBatch(0, 99), plainBatch(6, 7)},
                "body");
    giveBatches(models[0].objects[1], {plainBatch(3, 8)}, "head");
    models[1].objectCount = 1;
    giveBatches(models[1].objects[0], {texturedBatch(9, 11)}, "arm");
    models[2].objectCount = 1;
    giveBatches(models[2].objects[0], {plainBatch(3, 12)}, "leg");

    fakegl::clear();
    mqoReleaseModelSlots(models, 0, 2);
    EXPECT_EQ(fakegl::deletedBuffers(), (std::vector<GLuint>{5, 7, 8, 11}));
    EXPECT_EQ(countCalls("glDeleteBuffersARB"), 4);
    EXPECT_EQ(countCalls("glDeleteTextures"), 0);  // textures belong to the pool
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < models[i].objectCount; ++j) {
            EXPECT_EQ(models[i].objects[j].batchCount, 0);
            EXPECT_EQ(models[i].objects[j].batches, nullptr);
        }
    }
    EXPECT_EQ(models[0].objectCount, 2);
    EXPECT_STREQ(models[0].objects[1].name, "head");
    EXPECT_EQ(models[0].objects[1].visible, 1);
    EXPECT_EQ(models[2].objects[0].batchCount, 1);  // outside the range

    fakegl::clear();
    mqoReleaseModelSlots(models, 0, 2);  // a second release finds nothing left
    EXPECT_TRUE(fakegl::calls().empty());

    mqoFreeModels(models, 3);
    EXPECT_EQ(fakegl::deletedBuffers(), std::vector<GLuint>{12});
}

TEST_F(LibraryState, ReleaseWithoutBufferObjectsFreesArraysOnly) {
    fakegl::setExtensions("GL_EXT_other");
    MeshModel* model = mqoAllocModels(1);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(vboSupported, 0);
    model->objectCount = 1;
    giveBatches(model->objects[0], {texturedBatch(3, 0), plainBatch(3, 0)}, "o");
    fakegl::clear();
    mqoFreeModel(model);  // leak detection checks that both arrays went back
    EXPECT_TRUE(fakegl::calls().empty());
}

TEST_F(LibraryState, ReleaseSkipsEmptyAndDamagedBatchLists) {
    MeshModel* model = mqoAllocModels(1);
    ASSERT_NE(model, nullptr);
    model->objectCount = 3;
    model->objects[0].batchCount = 4;  // count without an array
    model->objects[1].batchCount = -2;
    giveBatches(model->objects[2], {plainBatch(0, 3)}, "empty");
    fakegl::clear();
    mqoReleaseModelSlots(model, 0, 1);
    EXPECT_TRUE(fakegl::calls().empty());
    for (int j = 0; j < 3; ++j) EXPECT_EQ(model->objects[j].batchCount, 0);
    mqoFreeModel(model);
}

TEST_F(LibraryState, ReleaseTakesTheUncountedObjectBeyondTheLimit) {
    MeshModel* model = mqoAllocModels(1);
    ASSERT_NE(model, nullptr);
    model->objectCount = MQO_MAX_OBJECTS - 1;
    giveBatches(model->objects[MQO_MAX_OBJECTS - 1], {plainBatch(3, 21)}, "fiftieth");
    mqoFreeModel(model);
    EXPECT_EQ(fakegl::deletedBuffers(), std::vector<GLuint>{21});
}

TEST_F(LibraryState, NullArraysAndEmptyRangesDoNothing) {
    mqoInitLibrary();
    fakegl::clear();
    mqoReleaseModelSlots(nullptr, 0, 5);
    mqoFreeModels(nullptr, 5);
    mqoFreeModel(nullptr);

    MeshModel* models = mqoAllocModels(2);
    ASSERT_NE(models, nullptr);
    models[0].objectCount = 1;
    giveBatches(models[0].objects[0], {plainBatch(3, 6)}, "o");
    mqoReleaseModelSlots(models, 0, 0);
    mqoReleaseModelSlots(models, 0, -3);
    mqoReleaseModelSlots(models, -1, 2);
    EXPECT_TRUE(fakegl::calls().empty());
    EXPECT_EQ(models[0].objects[0].batchCount, 1);
    mqoReleaseModelSlots(models, 0, 1);
    mqoFreeModels(models, 0);  // still frees the block
    EXPECT_EQ(fakegl::deletedBuffers(), std::vector<GLuint>{6});
}

}  // namespace
