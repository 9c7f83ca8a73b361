// A load's report and message sink over the recording fake GL: what each
// kind of document reports, and that a sink takes exactly what standard
// output would have printed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/reader_fixture.h"

namespace {

std::string object(const std::string& name, const std::string& faces, int faceCount) {
    return "Object \"" + name + "\" {\n\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t0 1 0\n\t}\n" +
           "\tface " + std::to_string(faceCount) + " {\n" + faces + "\t}\n}\n";
}

std::string document(const std::string& body, const std::string& texture = "") {
    std::string tex = texture.empty() ? "" : " tex(\"" + texture + "\")";
    return "Metasequoia Document\nFormat Text Ver 1.0\nMaterial 1 {\n\t\"m\" col(1 1 1 1)" + tex +
           "\n}\n" + body + "Eof\n";
}

std::string objects(int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += object("o" + std::to_string(i), "\t\t3 V(0 1 2) M(0)\n", 1);
    return out;
}

struct Expected {
    const char* label;
    std::string file;  // written as doc.mqo unless name says otherwise
    const char* name;  // the path in the folder; "" names the folder "sub"
    uint32_t features;
    MqoLoadResult result;
    bool loads;
    int fewCorners, badMaterial, badVertices, textures, pastLimit, missingEof;
};

class LoadReport : public ReaderFixture {
protected:
    MeshModel* loadWith(const std::string& path, MqoLoadOptions* options) {
        return mqoLoadModelEx(path.c_str(), 1.0, options);
    }
};

TEST_F(LoadReport, EachDocumentReportsItsResultAndCounts) {
    const std::string faces =
        "\t\t2 V(0 1) M(0)\n\t\t5 V(0 1 2 0 1) M(0)\n\t\t3 V(0 1 9) M(0)\n\t\t3 V(0 1 2) M(4)\n"
        "\t\t3 V(0 1 2)\n\t\t3 V(0 1 2) M(0)\n";
    const std::string cut = "Metasequoia Document\nObject \"a\" {\n\tvertex 3 {\n\t\t0 0 0\n";
    const Expected table[] = {
        {"plain", document(objects(1)), "doc.mqo", 0, MQO_LOAD_OK, true, 0, 0, 0, 0, 0, 0},
        {"missing", "", "none.mqo", 0, MQO_LOAD_NOT_FOUND, false, 0, 0, 0, 0, 0, 0},
        {"folder", "", "", 0, MQO_LOAD_FOLDER, false, 0, 0, 0, 0, 0, 0},
        {"no header", "hello\nEof\n", "doc.mqo", 0, MQO_LOAD_NOT_DOCUMENT, true, 0, 0, 0, 0, 0, 0},
        {"empty", "", "doc.mqo", 0, MQO_LOAD_NOT_DOCUMENT, true, 0, 0, 0, 0, 0, 1},
        {"damaged package", "not a zip", "doc.mqoz", MQO_FEATURE_MQOZ, MQO_LOAD_DAMAGED_PACKAGE,
         false, 0, 0, 0, 0, 0, 0},
        {"package, exact", "not a zip", "doc.mqoz", 0, MQO_LOAD_NOT_DOCUMENT, true, 0, 0, 0, 0, 0,
         1},
        {"faces", document(object("f", faces, 6)), "doc.mqo", 0, MQO_LOAD_OK, true, 2, 1, 1, 0, 0,
         0},
        {"texture", document(objects(1), "none.bmp"), "doc.mqo", 0, MQO_LOAD_OK, true, 0, 0, 0, 1,
         0, 0},
        {"60 objects", document(objects(60)), "doc.mqo", 0, MQO_LOAD_OK, true, 0, 0, 0, 0, 11, 0},
        {"60, many", document(objects(60)), "doc.mqo", MQO_FEATURE_MANY_OBJECTS, MQO_LOAD_OK, true,
         0, 0, 0, 0, 0, 0},
        {"no Eof", cut, "doc.mqo", 0, MQO_LOAD_OK, true, 0, 0, 0, 0, 0, 1},
    };
    ASSERT_EQ(mkdir((dir.path() + "/sub").c_str(), 0700), 0);
    for (const Expected& e : table) {
        SCOPED_TRACE(e.label);
        std::string path = dir.path() + "/" + (e.name[0] != '\0' ? e.name : "sub");
        if (std::strcmp(e.name, "none.mqo") != 0 && e.name[0] != '\0') dir.write(e.name, e.file);
        MqoLoadReport report;
        std::memset(&report, 0xab, sizeof report);  // the load clears it
        MqoLoadOptions options = {e.features, &report, nullptr, nullptr, 1};
        MeshModel* model = loadWith(path, &options);
        EXPECT_EQ(model != nullptr, e.loads);
        mqoFreeModel(model);
        EXPECT_EQ(report.result, e.result);
        EXPECT_EQ(report.facesBadCorners, e.fewCorners);
        EXPECT_EQ(report.facesBadMaterial, e.badMaterial);
        EXPECT_EQ(report.facesBadVertices, e.badVertices);
        EXPECT_EQ(report.texturesNotRead, e.textures);
        if (e.textures > 0) EXPECT_STREQ(report.textureNames[0], "none.bmp");
        EXPECT_EQ(report.objectsPastLimit, e.pastLimit);
        EXPECT_EQ(report.missingEof, e.missingEof);
    }
}

TEST_F(LoadReport, NamesAreBoundedAndTheTotalKept) {
    std::string materials = "Metasequoia Document\nMaterial 10 {\n";
    for (int i = 0; i < 10; ++i) {
        materials += "\t\"m\" col(1 1 1 1) tex(\"" + std::string(300, 'a' + i) + ".bmp\")\n";
    }
    std::string path = dir.write("doc.mqo", materials + "}\nEof\n");
    MqoLoadReport report;
    MqoLoadOptions options = {0, &report, nullptr, nullptr, 1};
    mqoFreeModel(loadWith(path, &options));
    EXPECT_EQ(report.texturesNotRead, 10);
    // As the material holds it: the reader keeps 255 bytes of a name.
    EXPECT_EQ(std::strlen(report.textureNames[7]), 255u);
    EXPECT_EQ(report.textureNames[7][0], 'h');
}

void collect(void* context, const char* text) {
    static_cast<std::vector<std::string>*>(context)->push_back(text);
}

// A document that prints: a texture that cannot be read, then the object limit.
TEST_F(LoadReport, SinkTakesExactlyWhatStandardOutputPrints) {
    std::string path = dir.write("doc.mqo", document(objects(51), "none.bmp"));
    testing::internal::CaptureStdout();
    mqoFreeModel(loadWith(path, nullptr));
    std::fflush(stdout);
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_NE(printed.find("none.bmp"), std::string::npos);

    mqoCleanupLibrary();  // the texture is asked for afresh
    mqoInitLibrary();
    std::vector<std::string> texts;
    MqoLoadOptions sink = {0, nullptr, collect, &texts, 0};
    MqoLoadOptions quiet = {0, nullptr, nullptr, nullptr, 1};
    testing::internal::CaptureStdout();
    mqoFreeModel(loadWith(path, &sink));
    mqoFreeModel(loadWith(path, &quiet));
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    std::string joined;
    for (const std::string& t : texts) joined += t;
    EXPECT_EQ(joined, printed);
    EXPECT_EQ(texts.size(), 2u);
}

}  // namespace
