// Parsing from memory against parsing the same bytes from a file: every
// parse fuzz seed and kept crash, under the exact reading and the complete
// profile, must stage the same model, arrays byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "mqo/MqoModelStages.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> parseInputs() {
    std::vector<fs::path> inputs;
    for (const char* kind : {"corpus", "regressions"}) {
        const fs::path root = fs::path(MQO_SOURCE_DIR) / "tests/fuzz" / kind;
        for (const auto& folder : fs::directory_iterator(root)) {
            if (folder.path().filename().string().rfind("fuzz_parse", 0) != 0) continue;
            for (const auto& file : fs::directory_iterator(folder.path())) {
                if (file.is_regular_file()) inputs.push_back(file.path());
            }
        }
    }
    return inputs;
}

void expectSameBatch(const MaterialBatch& a, const MaterialBatch& b, const std::string& where) {
    EXPECT_EQ(a.hasMaterial, b.hasMaterial) << where;
    EXPECT_EQ(a.hasTexture, b.hasTexture) << where;
    ASSERT_EQ(a.vertexCount, b.vertexCount) << where;
    EXPECT_EQ(0, std::memcmp(a.color, b.color, sizeof a.color)) << where;
    EXPECT_EQ(0, std::memcmp(a.diffuse, b.diffuse, sizeof a.diffuse * 4 + sizeof a.power))
        << where;  // diffuse, ambient, emission, specular and power lie together
    const size_t bytes = static_cast<size_t>(a.vertexCount) *
                         (a.hasTexture ? sizeof(TexturedVertex) : sizeof(PlainVertex));
    const void* va = a.hasTexture ? static_cast<const void*>(a.texturedVertices) : a.plainVertices;
    const void* vb = b.hasTexture ? static_cast<const void*>(b.texturedVertices) : b.plainVertices;
    ASSERT_EQ(va == nullptr, vb == nullptr) << where;
    if (bytes != 0) EXPECT_EQ(0, std::memcmp(va, vb, bytes)) << where;
}

void expectSameObject(const MqoStagedObject& a, const MqoStagedObject& b,
                      const std::string& where) {
    EXPECT_EQ(a.state, b.state) << where;
    EXPECT_STREQ(a.object.name, b.object.name) << where;
    EXPECT_EQ(a.object.visible, b.object.visible) << where;
    EXPECT_EQ(a.object.flatShading, b.object.flatShading) << where;
    ASSERT_EQ(a.object.batchCount, b.object.batchCount) << where;
    for (int k = 0; k < a.object.batchCount; ++k) {
        expectSameBatch(a.object.batches[k], b.object.batches[k],
                        where + " batch " + std::to_string(k));
    }
}

void expectSameModel(const MqoParsedModel& a, const MqoParsedModel& b, const std::string& where) {
    EXPECT_EQ(a.alpha, b.alpha) << where;
    EXPECT_EQ(a.features, b.features) << where;
    EXPECT_STREQ(a.directory, b.directory) << where;
    EXPECT_EQ(a.directoryFits, b.directoryFits) << where;
    EXPECT_STREQ(a.package, b.package) << where;
    ASSERT_EQ(a.materialCount, b.materialCount) << where;
    if (a.materialCount > 0) {
        EXPECT_EQ(0, std::memcmp(a.materials, b.materials, a.materialCount * sizeof *a.materials))
            << where;
    }
    ASSERT_EQ(a.objectCount, b.objectCount) << where;
    ASSERT_EQ(a.extraObjectCount, b.extraObjectCount) << where;
    for (int i = 0; i < a.objectCount; ++i) {
        expectSameObject(a.objects[i], b.objects[i], where + " object " + std::to_string(i));
    }
    for (int i = 0; i < a.extraObjectCount; ++i) {
        expectSameObject(a.extraObjects[i], b.extraObjects[i],
                         where + " extra object " + std::to_string(i));
    }
}

struct Parsed {
    MqoParsedModel* model = static_cast<MqoParsedModel*>(std::calloc(1, sizeof(MqoParsedModel)));
    ~Parsed() {
        mqoReleaseParsedModel(model);
        std::free(model);
    }
};

// Leaves freed memory full of list lines and braces: the next file's read
// block is likely the one this parse just freed, so a parse that strayed
// past its file's end would take them.
void dirtyReadBlock(const std::string& path) {
    std::string lines = "Object \"stale\" {\n\tvertex 90000 {\n";
    while (lines.size() < 200 * 1024) lines += "9 9 9\n3 V(0 1 2) M(0) UV(1 1 1 1 1 1)\n}\n";
    ASSERT_TRUE(testsupport::writeFile(path, lines));
    Parsed stale;
    mqoParseDocumentEx(path.c_str(), 1, 255, 0, stale.model);
}

}  // namespace

TEST(ParseMemory, StagesWhatTheFileParseStagesForEverySeed) {
    const std::vector<fs::path> inputs = parseInputs();
    ASSERT_GE(inputs.size(), 7u);  // the seeds of both parse targets at least
    testsupport::TempDir folder("parse_memory");
    const std::string path = folder.file("doc.mqo");
    char directory[256];
    ASSERT_EQ(mqoDirectoryOf(path.c_str(), directory), 1);
    const uint32_t profiles[] = {0, MQO_FEATURE_ALL & ~MQO_FEATURE_MQOZ, MQO_FEATURE_ALL};
    for (const fs::path& input : inputs) {
        const std::string bytes = testsupport::readFile(input.string());
        ASSERT_TRUE(testsupport::writeFile(path, bytes));
        for (uint32_t features : profiles) {
            const std::string where =
                input.filename().string() + " features " + std::to_string(features);
            Parsed fromFile, fromMemory;
            dirtyReadBlock(folder.file("stale.mqo"));
            ASSERT_EQ(mqoParseDocumentEx(path.c_str(), 0.5, 200, features, fromFile.model), 1);
            // A copy freed before the parse is looked at: the call keeps its own.
            char* copy = static_cast<char*>(std::malloc(bytes.size() + 1));
            std::memcpy(copy, bytes.data(), bytes.size());
            ASSERT_EQ(mqoParseDocumentMemory(copy, bytes.size(), directory, 0.5, 200, features,
                                             fromMemory.model),
                      1);
            std::free(copy);
            expectSameModel(*fromFile.model, *fromMemory.model, where);
        }
    }
}

// Every cut of a document, longest first, read from a file into (most
// likely) the block the longer cut just freed: the bytes past its end there
// are the very ones it lacks, and must change nothing.
TEST(ParseMemory, ACutFileReadAfterALongerOneStagesOnlyItsOwnBytes) {
    testsupport::TempDir folder("parse_cuts");
    const std::string path = folder.file("doc.mqo");
    char directory[256];
    ASSERT_EQ(mqoDirectoryOf(path.c_str(), directory), 1);
    std::string doc = "Material 1 {\n\"m\" col(1 0 0 1)\n}\nObject \"o\" {\n\tvertex 40 {\n";
    for (int i = 0; i < 40; ++i) doc += std::to_string(i) + " " + std::to_string(i % 7) + " 1.5\n";
    doc += "\t}\n\tface 38 {\n";
    for (int i = 0; i < 38; ++i) {
        doc += "3 V(" + std::to_string(i) + " " + std::to_string(i + 1) + " " +
               std::to_string(i + 2) + ") M(0) UV(0 0 1 0 0 1)\n";
    }
    doc += "\t}\n}\nEof\n";
    for (size_t n = doc.size() + 1; n-- > 0;) {
        ASSERT_TRUE(testsupport::writeFile(path, doc.substr(0, n)));
        Parsed fromFile, fromMemory;
        const int read = mqoParseDocumentEx(path.c_str(), 1, 255, 0, fromFile.model);
        ASSERT_EQ(mqoParseDocumentMemory(doc.data(), n, directory, 1, 255, 0, fromMemory.model),
                  read);
        expectSameModel(*fromFile.model, *fromMemory.model, "cut at " + std::to_string(n));
        if (HasFailure()) break;
    }
}

TEST(ParseMemory, RefusesWhatItCannotReadAndKeepsShortDirectories) {
    Parsed parsed;
    EXPECT_EQ(mqoParseDocumentMemory("Object", 6, "", 1, 255, 0, nullptr), 0);
    EXPECT_EQ(mqoParseDocumentMemory(nullptr, 1, "", 1, 255, 0, parsed.model), 0);
    EXPECT_EQ(mqoParseDocumentMemory("x", MQO_PARSE_MEMORY_MAX_BYTES + size_t{1}, "", 1, 255, 0,
                                     parsed.model),
              0);
    EXPECT_EQ(parsed.model->objectCount, 0);
    // Nothing at all is an empty document, as an empty file is.
    ASSERT_EQ(mqoParseDocumentMemory(nullptr, 0, nullptr, 1, 255, 0, parsed.model), 1);
    EXPECT_EQ(parsed.model->objectCount, 0);
    EXPECT_EQ(parsed.model->directoryFits, 1);
    EXPECT_STREQ(parsed.model->directory, "");
    const std::string longest(255, 'd'), tooLong(256, 'd');
    ASSERT_EQ(mqoParseDocumentMemory("", 0, longest.c_str(), 1, 255, 0, parsed.model), 1);
    EXPECT_EQ(parsed.model->directoryFits, 1);
    EXPECT_EQ(longest, parsed.model->directory);
    ASSERT_EQ(mqoParseDocumentMemory("", 0, tooLong.c_str(), 1, 255, 0, parsed.model), 1);
    EXPECT_EQ(parsed.model->directoryFits, 0);
    EXPECT_STREQ(parsed.model->directory, "");
}
