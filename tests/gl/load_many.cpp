// Loading a list of documents on worker threads: the models, console
// messages and GL calls must be those of loading them one after another.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mqo/MqoModelStages.h"
#include "support/fake_gl.h"
#include "support/reader_files.h"

namespace {

// Everything a load leaves behind, in order: GL calls, messages, models.
struct Outcome {
    std::vector<std::string> calls;
    std::string printed;
    std::string models;
};

void appendModel(std::string* out, const MeshModel* m) {
    if (m == nullptr) {
        *out += "null;";
        return;
    }
    *out += std::to_string(m->alpha) + "," + std::to_string(m->objectCount) + ";";
    for (int i = 0; i < m->objectCount; ++i) {
        const MeshObject& o = m->objects[i];
        out->append(o.name, sizeof o.name);
        out->append(reinterpret_cast<const char*>(&o.visible), 3 * sizeof(int32_t));
        for (int k = 0; k < o.batchCount; ++k) {
            const MaterialBatch& b = o.batches[k];
            // The record up to its array pointers, then the array itself.
            out->append(reinterpret_cast<const char*>(&b), offsetof(MaterialBatch, plainVertices));
            const void* array = b.hasTexture ? static_cast<const void*>(b.texturedVertices)
                                             : static_cast<const void*>(b.plainVertices);
            size_t stride = b.hasTexture ? sizeof(TexturedVertex) : sizeof(PlainVertex);
            if (array != nullptr)
                out->append(static_cast<const char*>(array), stride * b.vertexCount);
        }
    }
}

// Writes the documents: textured and plain, one past the object limit, one
// that does not exist and a null path.
std::vector<std::string> writeDocuments(readerfiles::TempDir& dir) {
    EXPECT_TRUE(testsupport::writeFile(dir.file("t.bmp"), readerfiles::tinyBmp()));
    const std::string triangle =
        "\tvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n\t}\n\tface 2 {\n3 V(0 1 2) M(0) UV(0 0 1 0 0 1)\n"
        "3 V(0 2 1) M(1)\n\t}\n}\n";
    const std::string materials =
        "Material 2 {\n\"a\" col(1 0 0 1) tex(\"t.bmp\")\n\"b\" col(0 1 0 0.5) "
        "tex(\"missing.bmp\")\n}\n";
    std::string many = materials;
    for (int i = 0; i < 52; ++i) many += "Object \"o" + std::to_string(i) + "\" {\n" + triangle;
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i) {
        std::string doc = materials + "Object \"x\" {\n" + triangle;
        if (i == 2) doc = many;
        if (i == 4) doc = "Object \"plain\" {\n" + triangle;
        paths.push_back(dir.write("d" + std::to_string(i) + ".mqo", doc));
    }
    paths.insert(paths.begin() + 3, dir.file("absent.mqo"));
    return paths;
}

enum class Way { OneByOne, Together, InTwoHalves };

Outcome load(const std::vector<const char*>& paths, Way way) {
    fakegl::reset();
    libraryInitialised = 0;  // each way starts the library itself
    Outcome r;
    std::vector<MeshModel*> models(paths.size(), nullptr);
    testing::internal::CaptureStdout();
    const int count = static_cast<int>(paths.size());
    if (way != Way::OneByOne) {
        int loaded =
            way == Way::Together
                ? mqoLoadModels(paths.data(), count, 0.5, models.data())
                : mqoFinishLoadModels(mqoStartLoadModels(paths.data(), count, 0.5), models.data());
        int expected = 0;
        for (MeshModel* m : models) expected += m != nullptr;
        EXPECT_EQ(loaded, expected);
    } else {
        for (size_t i = 0; i < paths.size(); ++i) models[i] = mqoLoadModel(paths[i], 0.5);
    }
    for (MeshModel* m : models) appendModel(&r.models, m);
    for (MeshModel* m : models) mqoFreeModel(m);
    mqoCleanupLibrary();
    r.printed = testing::internal::GetCapturedStdout();
    r.calls = fakegl::calls();
    return r;
}

}  // namespace

TEST(LoadMany, GivesTheModelsMessagesAndGlCallsOfLoadsOneAfterAnother) {
    readerfiles::TempDir dir;
    std::vector<std::string> files = writeDocuments(dir);
    std::vector<const char*> paths;
    for (const std::string& f : files) paths.push_back(f.c_str());
    paths.push_back(nullptr);

    Outcome one = load(paths, Way::OneByOne);
    EXPECT_NE(one.printed.find("missing.bmp"), std::string::npos);  // the lists hold messages
    EXPECT_NE(one.printed.find("[50]"), std::string::npos);
    for (Way way : {Way::Together, Way::InTwoHalves}) {
        Outcome many = load(paths, way);
        EXPECT_EQ(many.printed, one.printed);
        EXPECT_EQ(many.calls, one.calls);
        EXPECT_EQ(many.models, one.models);
    }

    // Started but discarded: nothing printed, no GL call, nothing left over.
    fakegl::reset();
    testing::internal::CaptureStdout();
    EXPECT_EQ(mqoFinishLoadModels(mqoStartLoadModels(paths.data(), 7, 0.5), nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(fakegl::calls().empty());
    EXPECT_EQ(mqoStartLoadModels(paths.data(), 0, 0.5), nullptr);

    MeshModel* none[1] = {reinterpret_cast<MeshModel*>(1)};
    EXPECT_EQ(mqoLoadModels(paths.data(), 0, 0.5, none), 0);
    EXPECT_EQ(mqoLoadModels(nullptr, 1, 0.5, none), 0);
    EXPECT_EQ(none[0], reinterpret_cast<MeshModel*>(1));  // untouched
}
