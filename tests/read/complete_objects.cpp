// Documents of many objects and names with spaces under the complete profile:
// every object is built, drawn and released, and the exact reading keeps its
// limit; object names are the whole quoted text.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "mqo/MqoModelStages.h"
#include "support/fake_gl.h"
#include "support/reader_files.h"

namespace {

// count objects of one triangle each, named o0, o1, ..., sharing one material.
std::string manyObjects(int count) {
    std::string doc =
        "Metasequoia Document\nFormat Text Ver 1.0\n\nMaterial 1 {\n"
        "\t\"m\" col(1 1 1 1) dif(0.8) amb(0.6) emi(0) spc(0) power(5)\n}\n";
    for (int i = 0; i < count; ++i) {
        doc += "Object \"o" + std::to_string(i) + "\" {\n\tvisible 15\n\tvertex 3 {\n\t\t0 0 " +
               std::to_string(i) +
               "\n\t\t1 0 0\n\t\t0 1 0\n\t}\n\tface 1 {\n"
               "\t\t3 V(0 1 2) M(0)\n\t}\n}\n";
    }
    return doc + "Eof\n";
}

const MqoLoadOptions kMany = {MQO_FEATURE_MANY_OBJECTS};

class ManyObjects : public ::testing::Test {
protected:
    void SetUp() override {
        fakegl::reset();
        mqoInitLibrary();
        path = dir.write("many.mqo", manyObjects(143));
    }
    void TearDown() override { mqoCleanupLibrary(); }
    readerfiles::TempDir dir;
    std::string path;
};

}  // namespace

TEST_F(ManyObjects, ExactReadingKeepsItsLimitAndMessage) {
    ::testing::internal::CaptureStdout();
    MeshModel* model = mqoLoadModel(path.c_str(), 1.0);
    const std::string out = ::testing::internal::GetCapturedStdout();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->objectCount, 49);
    EXPECT_EQ(model->extraObjectCount, 0);
    EXPECT_EQ(model->extraObjects, nullptr);
    EXPECT_EQ(mqoModelObjectCount(model), 49);
    EXPECT_NE(out.find("[50]"), std::string::npos) << out;
    mqoFreeModel(model);
}

TEST_F(ManyObjects, EveryObjectIsBuiltDrawnAndReleased) {
    ::testing::internal::CaptureStdout();
    MeshModel* model = mqoLoadModelEx(path.c_str(), 1.0, &kMany);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    ASSERT_NE(model, nullptr);
    // objects[] reads as it always did; the rest follow in document order.
    EXPECT_EQ(model->objectCount, 49);
    ASSERT_EQ(model->extraObjectCount, 94);
    ASSERT_EQ(mqoModelObjectCount(model), 143);
    for (int i = 0; i < 143; ++i) {
        const MeshObject* object = mqoModelObject(model, i);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(std::string(object->name), "\"o" + std::to_string(i) + "\"");
        EXPECT_EQ(object->batchCount, 1);
    }
    EXPECT_EQ(mqoModelObject(model, 143), nullptr);
    EXPECT_EQ(mqoModelObject(model, -1), nullptr);

    fakegl::clear();
    mqoDrawModel(model);
    EXPECT_EQ(fakegl::callsNamed({"glDrawArrays"}).size(), 143u);

    fakegl::clear();
    mqoFreeModel(model);
    EXPECT_EQ(fakegl::deletedBuffers().size(), 143u);
}

TEST_F(ManyObjects, ASecondDocumentAppendsAfterTheExtraObjects) {
    MeshModel* models = mqoAllocModels(1);
    ASSERT_EQ(mqoLoadModelSlotEx(models, 0, path.c_str(), 1.0, 255, &kMany), 0);
    ASSERT_EQ(mqoLoadModelSlotEx(models, 0, path.c_str(), 1.0, 255, &kMany), 0);
    EXPECT_EQ(mqoModelObjectCount(models), 286);
    EXPECT_STREQ(mqoModelObject(models, 143)->name, "\"o0\"");
    mqoReleaseModelSlots(models, 0, 1);
    EXPECT_EQ(models->extraObjectCount, 0);
    EXPECT_EQ(models->extraObjects, nullptr);
    mqoReleaseModelSlots(models, 0, 1);  // twice does nothing more
    mqoFreeModels(models, 1);
}

TEST_F(ManyObjects, ParsedOnAnotherThreadTheSameWay) {
    MqoParsedModel parsed;
    ASSERT_EQ(mqoParseDocumentEx(path.c_str(), 1.0, 255, MQO_FEATURE_MANY_OBJECTS, &parsed), 1);
    EXPECT_EQ(parsed.objectCount, MQO_MAX_OBJECTS);
    EXPECT_EQ(parsed.extraObjectCount, 93);
    mqoReleaseParsedModel(&parsed);
    EXPECT_EQ(parsed.extraObjects, nullptr);
    const char* paths[] = {path.c_str(), path.c_str()};
    MeshModel* models[2] = {};
    // mqoLoadModels reads exactly: the limit holds there.
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(mqoLoadModels(paths, 2, 1.0, models), 2);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(mqoModelObjectCount(models[0]), 49);
    for (MeshModel* m : models) mqoFreeModel(m);
}

// Object i of the document lies at z = i: the box ends where the walk ends.
TEST_F(ManyObjects, BoundsReachEveryObjectTheModelCounts) {
    for (const MqoLoadOptions* options : {static_cast<const MqoLoadOptions*>(nullptr), &kMany}) {
        ::testing::internal::CaptureStdout();
        MeshModel* model = mqoLoadModelEx(path.c_str(), 1.0, options);
        ::testing::internal::GetCapturedStdout();
        ASSERT_NE(model, nullptr);
        float min[3], max[3];
        ASSERT_EQ(mqoModelBounds(model, 1, min, max), 1);
        EXPECT_EQ(min[2], 0.0f);
        // The exact reading keeps an uncounted fiftieth object (z 49) in objects[].
        EXPECT_EQ(max[2], options != nullptr ? 142.0f : 48.0f);
        mqoFreeModel(model);
    }
}

namespace {

// A model made by hand with every kind of batch the bounds walk meets.
struct HandModel {
    PlainVertex plain[3] = {{{1, 2, 3}, {}}, {{-1, 0, 5}, {}}, {{NAN, 90, 90}, {}}};
    TexturedVertex textured[3] = {{{4, -2, 0}, {}, {}}, {}, {}};
    PlainVertex hidden[3] = {{{100, -100, 20}, {}}, {}, {}};
    PlainVertex stray[3] = {{{999, 999, 999}, {}}, {}, {}};
    TexturedVertex extra[3] = {{{0, 0, -7}, {}, {}}, {}, {}};
    PlainVertex hiddenExtra[3] = {{{-50, 0, 0}, {}}, {}, {}};
    MaterialBatch visibleBatches[4] = {};
    MaterialBatch hiddenBatch = {}, strayBatch = {}, extraBatch = {}, hiddenExtraBatch = {};
    MeshObject extraObjects[2] = {};
    MeshModel model = {};
    MeshModel hiddenOnly = {};
    MeshModel nothingToCount = {};

    static MaterialBatch batch(int32_t count, PlainVertex* plain, TexturedVertex* textured) {
        MaterialBatch b = {};
        b.hasTexture = textured != nullptr;
        b.vertexCount = count;
        b.plainVertices = plain;
        b.texturedVertices = textured;
        return b;
    }
    static void object(MeshObject* o, int visible, MaterialBatch* batches, int32_t count) {
        o->visible = visible;
        o->batches = batches;
        o->batchCount = count;
    }

    HandModel() {
        visibleBatches[0] = batch(3, plain, nullptr);
        visibleBatches[1] = batch(3, nullptr, textured);
        visibleBatches[2] = batch(0, stray, nullptr);  // no corners, whatever the array
        visibleBatches[3] = batch(3, stray, nullptr);
        visibleBatches[3].hasTexture = 1;  // textured, but only the plain array is there
        hiddenBatch = batch(3, hidden, nullptr);
        strayBatch = batch(3, stray, nullptr);
        extraBatch = batch(3, nullptr, extra);
        hiddenExtraBatch = batch(3, hiddenExtra, nullptr);
        model.objectCount = 49;
        object(&model.objects[0], 15, visibleBatches, 4);
        object(&model.objects[1], 0, &hiddenBatch, 1);
        object(&model.objects[49], 15, &strayBatch, 1);  // the uncounted fiftieth
        object(&extraObjects[0], 15, &extraBatch, 1);
        object(&extraObjects[1], 0, &hiddenExtraBatch, 1);
        model.extraObjects = extraObjects;
        model.extraObjectCount = 2;
        hiddenOnly.objectCount = 1;
        object(&hiddenOnly.objects[0], 0, &hiddenBatch, 1);
        nothingToCount.objectCount = 1;
        object(&nothingToCount.objects[0], 15, visibleBatches + 2, 2);
    }
};

}  // namespace

TEST(ModelBounds, WalkCountedObjectsAndBatchesWithCorners) {
    auto hand = std::make_unique<HandModel>();
    MeshModel empty = {};
    const struct {
        const char* what;
        const MeshModel* model;
        int visibleOnly, result;
        float min[3], max[3];
    } cases[] = {
        {"visible", &hand->model, 1, 1, {-1, -2, -7}, {4, 2, 5}},
        {"all", &hand->model, 0, 1, {-50, -100, -7}, {100, 2, 20}},
        {"hidden only, visible asked", &hand->hiddenOnly, 1, 0, {}, {}},
        {"hidden only, all asked", &hand->hiddenOnly, 0, 1, {0, -100, 0}, {100, 0, 20}},
        {"no batch with corners", &hand->nothingToCount, 0, 0, {}, {}},
        {"empty model", &empty, 0, 0, {}, {}},
        {"null model", nullptr, 0, 0, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        float min[3] = {7, 7, 7}, max[3] = {7, 7, 7};
        ASSERT_EQ(mqoModelBounds(c.model, c.visibleOnly, min, max), c.result);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(min[k], c.result ? c.min[k] : 7.0f) << k;  // untouched on 0
            EXPECT_EQ(max[k], c.result ? c.max[k] : 7.0f) << k;
        }
    }
    float box[3];
    EXPECT_EQ(mqoModelBounds(&hand->model, 0, nullptr, box), 0);
    EXPECT_EQ(mqoModelBounds(&hand->model, 0, box, nullptr), 0);
}

TEST(QuotedNames, WholeQuotedTextWithoutQuotes) {
    readerfiles::TempDir dir;
    const std::string longName(300, 'x');
    const struct {
        std::string line, exact, quoted;
    } cases[] = {
        {"Object \"frying pan\" {", "\"frying", "frying pan"},
        {"Object \"obj1\" {", "\"obj1\"", "obj1"},
        {"Object \"\" {", "\"\"", ""},
        {"Object bare {", "bare", "bare"},
        {"Object \"open {", "\"open", "open"},  // no closing quote: the first word
        {"Object\t\"tab  and  spaces\"\t{", "\"tab", "tab  and  spaces"},
        {" Object \"indented\" {", "", ""},  // not at the line start: no name
        {"Object \"" + longName + "\" {", "\"" + longName.substr(0, 254), longName.substr(0, 255)},
    };
    for (const auto& c : cases) {
        const std::string path = dir.write("q.mqo", c.line + "\n}\n");
        for (uint32_t features : {0u, MQO_FEATURE_QUOTED_NAMES}) {
            MqoParsedModel parsed;
            ASSERT_EQ(mqoParseDocumentEx(path.c_str(), 1.0, 255, features, &parsed), 1);
            ASSERT_EQ(parsed.objectCount, 1) << c.line;
            EXPECT_EQ(std::string(parsed.objects[0].object.name), features ? c.quoted : c.exact)
                << c.line;
            mqoReleaseParsedModel(&parsed);
        }
    }
}

TEST(QuotedNames, ShiftJisNameWithASpaceConvertsWhole) {
    readerfiles::TempDir dir;
    // "あ い" in Shift_JIS, read whole and then converted.
    const std::string path = dir.write("s.mqo", "Object \"\x82\xa0 \x82\xa2\" {\n}\n");
    MqoParsedModel parsed;
    ASSERT_EQ(mqoParseDocumentEx(path.c_str(), 1.0, 255, MQO_FEATURE_ALL, &parsed), 1);
    EXPECT_EQ(std::string(parsed.objects[0].object.name), "\xe3\x81\x82 \xe3\x81\x84");
    mqoReleaseParsedModel(&parsed);
}
