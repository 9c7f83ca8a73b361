// mqoReadScene: the author's camera and thumbnail as a document gives them,
// defaults where it does not, and damaged chunks that read as nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "mqo/MqoModelStages.h"
#include "support/temp_dir.h"
#include "support/zip_files.h"

namespace {

const char* const kHead = "Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\n";

const char* const kScene =
    "Scene {\r\n\tpos 1.5 -2 2400\r\n\tlookat 0 0.25 -3\r\n\thead 442.5\r\n\tpich 0.1\r\n"
    "\tbank -0.06\r\n\tortho 1\r\n\tdirlights 1 {\r\n\t\tlight {\r\n\t\t\tdir 0.4 0.4 0.8\r\n"
    "\t\t}\r\n\t}\r\n\tzoom2 3.125\r\n\tfrontclip 360\r\n\tbackclip 72000\r\n}\r\n";

struct Read {
    int result = -1;
    MqoScene scene = {};
};

Read readText(const std::string& text) {
    testsupport::TempDir dir("scene_reader");
    const std::string path = dir.file("doc.mqo");
    Read r;
    if (!testsupport::writeFile(path, text)) return r;
    r.result = mqoReadScene(path.c_str(), &r.scene);
    return r;
}

void expectDefaultCamera(const MqoScene& s) {
    EXPECT_EQ(s.pos[2], 1500);
    EXPECT_EQ(s.lookat[0], 0);
    EXPECT_FLOAT_EQ(s.head, -0.5236f);
    EXPECT_FLOAT_EQ(s.pich, 0.5236f);
    EXPECT_EQ(s.ortho, 0);
    EXPECT_EQ(s.zoom2, 5);
    EXPECT_FLOAT_EQ(s.frontclip, 225);
    EXPECT_FLOAT_EQ(s.backclip, 45000);
}

TEST(SceneReader, ReadsEveryKeyPastNestedBlocks) {
    Read r = readText(std::string(kHead) + kScene + "Object \"o\" {\r\n}\r\nEof\r\n");
    ASSERT_EQ(r.result, 1);
    const MqoScene& s = r.scene;
    EXPECT_EQ(std::vector<float>(s.pos, s.pos + 3), (std::vector<float>{1.5f, -2, 2400}));
    EXPECT_EQ(std::vector<float>(s.lookat, s.lookat + 3), (std::vector<float>{0, 0.25f, -3}));
    EXPECT_FLOAT_EQ(s.head, 442.5f);
    EXPECT_FLOAT_EQ(s.pich, 0.1f);
    EXPECT_FLOAT_EQ(s.bank, -0.06f);
    EXPECT_EQ(s.ortho, 1);
    // After the dirlights block: its "}" lines did not end the chunk.
    EXPECT_FLOAT_EQ(s.zoom2, 3.125f);
    EXPECT_FLOAT_EQ(s.frontclip, 360);
    EXPECT_FLOAT_EQ(s.backclip, 72000);
    EXPECT_EQ(s.thumbnail, nullptr);
    EXPECT_EQ(s.thumbnailWidth, 0);
}

TEST(SceneReader, MissingOrBadValuesKeepTheDefaults) {
    struct Case {
        const char* what;
        std::string text;
        int result;
    } cases[] = {
        {"no Scene chunk", std::string(kHead) + "Eof\r\n", 0},
        {"a Scene after the first Object",
         std::string(kHead) + "Object \"o\" {\r\n}\r\n" + kScene + "Eof\r\n", 0},
        {"an empty Scene", std::string(kHead) + "Scene {\r\n}\r\nEof\r\n", 1},
        {"values that do not scan or are not finite",
         std::string(kHead) + "Scene {\r\n\tpos nan 0 900\r\n\thead inf\r\n\tpich\r\n\tzoom2 x\r\n"
                              "\tlookat 5 5\r\n\tortho\r\n\tfrontclip -inf\r\n}\r\n",
         1},
        {"an indented Scene is no chunk", std::string(kHead) + "\t" + kScene, 0},
        {"no such file", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Read r;
        if (c.text.empty()) {
            r.result = mqoReadScene("/nonexistent/doc.mqo", &r.scene);
        } else {
            r = readText(c.text);
        }
        EXPECT_EQ(r.result, c.result);
        expectDefaultCamera(r.scene);
    }
    EXPECT_EQ(mqoReadScene("/nonexistent/doc.mqo", nullptr), 0);
    mqoReleaseScene(nullptr);
}

TEST(SceneReader, ClipsFollowTheDistanceWhenAbsent) {
    Read r = readText(std::string(kHead) + "Scene {\r\n\tpos 0 0 2000\r\n}\r\n");
    ASSERT_EQ(r.result, 1);
    EXPECT_FLOAT_EQ(r.scene.frontclip, 300);
    EXPECT_FLOAT_EQ(r.scene.backclip, 60000);
}

// A 2 x 2 thumbnail: red, green / blue, white, split over lines as a writer may.
const char* const kPicture = "\tFF000000FF00\r\n\t0000FF\r\n\tffffff\r\n";

TEST(SceneReader, ThumbnailReadsOrIsDropped) {
    struct Case {
        const char* what;
        std::string header, body;
        bool read;
    } cases[] = {
        {"as written", "Thumbnail 2 2 24 rgb raw {", kPicture, true},
        {"cut short", "Thumbnail 2 2 24 rgb raw {", "\tFF000000FF00\r\n\t0000FF\r\n", false},
        {"a stray character", "Thumbnail 2 2 24 rgb raw {", "\tFF000000FF00\r\n\t0000FG\r\n",
         false},
        {"32 bits", "Thumbnail 2 2 32 rgb raw {", kPicture, false},
        {"another order", "Thumbnail 2 2 24 bgr raw {", kPicture, false},
        {"compressed", "Thumbnail 2 2 24 rgb zip {", kPicture, false},
        {"no width", "Thumbnail 0 2 24 rgb raw {", kPicture, false},
        {"too wide", "Thumbnail 1025 1 24 rgb raw {", kPicture, false},
        {"more than the file holds", "Thumbnail 1024 1024 24 rgb raw {", kPicture, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Read r = readText(std::string(kHead) + c.header + "\r\n" + c.body + "}\r\n" + kScene);
        // A thumbnail, read or not, leaves the Scene after it readable.
        EXPECT_EQ(r.result, 1);
        EXPECT_FLOAT_EQ(r.scene.zoom2, 3.125f);
        ASSERT_EQ(r.scene.thumbnail != nullptr, c.read);
        if (c.read) {
            EXPECT_EQ(r.scene.thumbnailWidth, 2);
            EXPECT_EQ(r.scene.thumbnailHeight, 2);
            const std::vector<unsigned char> want = {255, 0, 0,   0,   255, 0,
                                                     0,   0, 255, 255, 255, 255};
            EXPECT_EQ(std::vector<unsigned char>(r.scene.thumbnail, r.scene.thumbnail + 12), want);
        } else {
            EXPECT_EQ(r.scene.thumbnailWidth, 0);
        }
        mqoReleaseScene(&r.scene);
        EXPECT_EQ(r.scene.thumbnail, nullptr);
    }
}

TEST(SceneReader, PackageGivesTheSceneOfItsDocument) {
    testsupport::TempDir dir("scene_reader");
    const std::string path = dir.file("a.MQOZ");
    ASSERT_TRUE(zipfiles::write(
        path, {{"thumbnail.jpg", ""}, {"a.mqo", std::string(kHead) + kScene + "Eof\r\n"}}));
    MqoScene s;
    ASSERT_EQ(mqoReadScene(path.c_str(), &s), 1);
    EXPECT_FLOAT_EQ(s.zoom2, 3.125f);
    EXPECT_EQ(s.ortho, 1);
    const std::string notZip = dir.file("b.mqoz");
    ASSERT_TRUE(testsupport::writeFile(notZip, std::string(kHead) + kScene));
    EXPECT_EQ(mqoReadScene(notZip.c_str(), &s), 0);
}

}  // namespace
