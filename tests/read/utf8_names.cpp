// Shift_JIS names under MQO_FEATURE_UTF8_NAMES: object names come out as
// UTF-8, and texture files named in UTF-8 are found from Shift_JIS names.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"
#include "support/corpus_files.h"
#include "support/reader_files.h"
#include "support/zip_files.h"

using namespace mqo::detail;

namespace {

const std::string kSjisA = "\x82\xa0";                            // "あ" in Shift_JIS
const std::string kUtf8A = "\xe3\x81\x82";                        // and in UTF-8
const std::string kSjisTexture = "\x83\x65\x83\x4e.bmp";          // "テク.bmp"
const std::string kUtf8Texture = "\xe3\x83\x86\xe3\x82\xaf.bmp";  // the same in UTF-8

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// The first object's name as parsed with the given features.
std::string parsedName(const readerfiles::TempDir& dir, const std::string& name,
                       uint32_t features) {
    const std::string path = dir.write("doc.mqo", "Object " + name + " {\n}\n");
    MqoParsedModel parsed;
    if (mqoParseDocumentEx(path.c_str(), 1.0, 255, features, &parsed) != 1) return "(unread)";
    std::string out = parsed.objectCount > 0 ? parsed.objects[0].object.name : "(none)";
    mqoReleaseParsedModel(&parsed);
    return out;
}

}  // namespace

TEST(Utf8Names, ObjectNamesComeOutAsUtf8) {
    readerfiles::TempDir dir;
    const uint32_t on = MQO_FEATURE_UTF8_NAMES;
    const struct {
        std::string written, expected;
        uint32_t features;
    } cases[] = {
        {"\"" + kSjisA + "\"", "\"" + kUtf8A + "\"", on},
        {"\"" + kSjisA + "\"", "\"" + kSjisA + "\"", 0},
        {"\"" + kUtf8A + "\"", "\"" + kUtf8A + "\"", on},
        {"\"\xff\xfe\"", "\"\xff\xfe\"", on},  // converts to nothing: kept
        // Cut to 255 bytes by the reader inside a character, then to 255
        // again after conversion at a character boundary.
        {"\"a" + repeat(kSjisA, 130) + "\"", "\"a" + repeat(kUtf8A, 84), on},
    };
    for (const auto& c : cases) EXPECT_EQ(parsedName(dir, c.written, c.features), c.expected);
}

TEST(Utf8Names, TextureNamedInUtf8IsFoundFromAShiftJisName) {
    readerfiles::TempDir dir;
    dir.write(kUtf8Texture, readerfiles::tinyBmp());
    const std::string package = dir.file("p.mqoz");
    ASSERT_TRUE(zipfiles::write(package, {{"t/" + kUtf8Texture, readerfiles::tinyBmp()}}));
    const struct {
        std::string name;
        MqoReadContext read;
        bool found;
    } cases[] = {
        {dir.file(kSjisTexture), {MQO_FEATURE_UTF8_NAMES, nullptr}, true},
        {dir.file(kSjisTexture), {0, nullptr}, false},
        {"t/" + kSjisTexture, {MQO_FEATURE_MQOZ | MQO_FEATURE_UTF8_NAMES, package.c_str()}, true},
        {"t/" + kSjisTexture, {MQO_FEATURE_MQOZ, package.c_str()}, false},
    };
    for (const auto& c : cases) {
        FILE* file = mqoOpenTextureSource(c.name.c_str(), c.read);
        EXPECT_EQ(file != nullptr, c.found) << c.name << " features " << c.read.features;
        if (file != nullptr) std::fclose(file);
    }
}

TEST(Utf8Names, RealShiftJisDocument) {
    // The corpus's Shift_JIS document says so in its CodePage line.
    const std::string file = corpusfiles::find("test.mqo", "CodePage 932");
    if (file.empty()) GTEST_SKIP() << "no Shift_JIS document in a corpus beside the project";
    MqoParsedModel parsed;
    ASSERT_EQ(mqoParseDocumentEx(file.c_str(), 1.0, 255, MQO_FEATURE_UTF8_NAMES, &parsed), 1);
    ASSERT_GT(parsed.objectCount, 0);
    // "でかいほう"
    EXPECT_STREQ(parsed.objects[0].object.name,
                 "\"\xe3\x81\xa7\xe3\x81\x8b\xe3\x81\x84\xe3\x81\xbb\xe3\x81\x86\"");
    mqoReleaseParsedModel(&parsed);
}
