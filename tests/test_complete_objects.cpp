// Documents of many objects and names with spaces under the complete profile:
// every object is built, drawn and released, and the exact reading keeps its
// limit; object names are the whole quoted text.
#include <gtest/gtest.h>

#include <string>

#include "mqo/internal.h"
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
