// Model sequences over the fake GL: the fade's alpha table, repeated last
// files, the failure rules, pattern checking, long names, frame drawing and
// per-alpha textures. Runs with leak detection on, so every sequence here
// is also checked to free everything it loaded.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "mqo/MqoModelStages.h"
#include "support/draw_files.h"
#include "support/fake_gl.h"

namespace {

using drawfiles::Square;
using drawfiles::TempDir;

class Sequence : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        fakegl::reset();
        mqoInitLibrary();
        fakegl::clear();
    }

    // Writes files name0 .. name(count-1) whose objects are named f0, f1...
    void writeFiles(int count, const std::string& texture = "") {
        for (int i = 0; i < count; ++i) {
            Square s;
            s.objectName = "f" + std::to_string(i);
            s.texture = texture;
            ASSERT_TRUE(drawfiles::writeFile(name(i), drawfiles::document(s)));
        }
    }
    std::string name(int i) const { return dir_.file("frame" + std::to_string(i) + ".mqo"); }
    std::string pattern() const { return dir_.file("frame%d.mqo"); }

    static std::vector<int> alphas(const ModelSequence& s) {
        std::vector<int> out;
        for (int i = 0; i < s.frameCount; ++i) out.push_back(s.models[i].alpha);
        return out;
    }
    // The object name of every frame: which file it was loaded from.
    static std::vector<std::string> sources(const ModelSequence& s) {
        std::vector<std::string> out;
        for (int i = 0; i < s.frameCount; ++i) out.push_back(s.models[i].objects[0].name);
        return out;
    }

    TempDir dir_;
};

struct FadeCase {
    int files;
    int fade;
    int alpha;
    std::vector<int> expected;
};

TEST_F(Sequence, FadeGivesEveryFrameItsAlphaFromTheTable) {
    const FadeCase cases[] = {
        {10, 4, 255, {0, 63, 126, 189, 252, 255, 255, 255, 255, 255}},
        {10, -4, 255, {255, 255, 255, 255, 255, 255, 255, 192, 129, 0}},
        {3, 5, 255, {0, 51, 102, 153, 255}},
        {3, -5, 255, {255, 204, 153, 102, 0}},
        // A / fade is 0: flat until the last frame.
        {3, 5, 3, {0, 0, 0, 0, 3}},
        {3, -5, 3, {3, 3, 3, 3, 0}},
        // One frame is the last frame.
        {1, 1, 200, {200}},
        {1, -1, 200, {0}},
        {3, 0, 77, {77, 77, 77}},
        // A fade shorter than the files starts late and still ends on 0.
        {4, -2, 100, {100, 100, 100, 0}},
    };
    writeFiles(10);
    for (const FadeCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.files << " files, fade " << c.fade << ", A " << c.alpha);
        ModelSequence s = mqoLoadSequence(pattern().c_str(), c.files, 1.0, c.fade,
                                          static_cast<unsigned char>(c.alpha));
        ASSERT_NE(s.models, nullptr);
        EXPECT_EQ(s.frameCount, static_cast<int>(c.expected.size()));
        EXPECT_EQ(alphas(s), c.expected);
        mqoFreeSequence(s);
    }
}

TEST_F(Sequence, NoFadeLoadsEveryFileWithFullAlpha) {
    writeFiles(4);
    ModelSequence s = mqoLoadSequenceNoFade(pattern().c_str(), 4, 2.0);
    EXPECT_EQ(alphas(s), (std::vector<int>{255, 255, 255, 255}));
    EXPECT_EQ(sources(s), (std::vector<std::string>{"\"f0\"", "\"f1\"", "\"f2\"", "\"f3\""}));
    // The scale reached the loader: the square's first corner at -0.5 * 2.
    ASSERT_NE(s.models[3].objects[0].batches[0].plainVertices, nullptr);
    EXPECT_EQ(s.models[3].objects[0].batches[0].plainVertices[0].position[0], -1.0f);
    mqoFreeSequence(s);
}

TEST_F(Sequence, FadeLongerThanTheFilesRepeatsTheLastFile) {
    writeFiles(3);
    for (int fade : {5, -5}) {
        ModelSequence s = mqoLoadSequence(pattern().c_str(), 3, 1.0, fade, 255);
        EXPECT_EQ(sources(s),
                  (std::vector<std::string>{"\"f0\"", "\"f1\"", "\"f2\"", "\"f2\"", "\"f2\""}));
        mqoFreeSequence(s);
    }
}

TEST_F(Sequence, MissingMiddleFileDropsTheFrameBeforeIt) {
    writeFiles(10);
    std::remove(name(5).c_str());
    ModelSequence s = mqoLoadSequence(pattern().c_str(), 10, 1.0, -4, 255);
    ASSERT_NE(s.models, nullptr);
    EXPECT_EQ(s.frameCount, 4);
    EXPECT_EQ(sources(s), (std::vector<std::string>{"\"f0\"", "\"f1\"", "\"f2\"", "\"f3\""}));
    // Frame 4 was loaded, then released: no batches left to leak or draw.
    EXPECT_EQ(s.models[4].objects[0].batchCount, 0);
    EXPECT_EQ(s.models[4].objects[0].batches, nullptr);
    EXPECT_EQ(s.models[5].objectCount, 0);
    EXPECT_GT(s.models[3].objects[0].batchCount, 0);

    fakegl::clear();
    mqoDrawSequenceFrame(s, 4);
    EXPECT_TRUE(fakegl::calls().empty());
    mqoFreeSequence(s);
}

TEST_F(Sequence, MissingSecondFileLeavesNoFrame) {
    writeFiles(1);
    ModelSequence s = mqoLoadSequence(pattern().c_str(), 3, 1.0, 0, 255);
    EXPECT_EQ(s.frameCount, 0);
    EXPECT_EQ(s.models[0].objects[0].batches, nullptr);
    mqoFreeSequence(s);
}

TEST_F(Sequence, MissingFirstFileGivesMinusOneAndDrawsNothing) {
    ModelSequence s = mqoLoadSequence(pattern().c_str(), 3, 1.0, 2, 255);
    EXPECT_NE(s.models, nullptr);
    EXPECT_EQ(s.frameCount, -1);
    fakegl::clear();
    mqoDrawSequenceFrame(s, -1);
    mqoDrawSequenceFrame(s, 0);
    EXPECT_TRUE(fakegl::calls().empty());
    mqoFreeSequence(s);
}

TEST_F(Sequence, DrawsOnlyFramesInsideTheSequence) {
    writeFiles(3);
    ModelSequence s = mqoLoadSequenceNoFade(pattern().c_str(), 3, 1.0);
    ASSERT_EQ(s.frameCount, 3);
    fakegl::clear();
    for (int frame : {-1, 3, 4, INT_MIN, INT_MAX}) mqoDrawSequenceFrame(s, frame);
    EXPECT_TRUE(fakegl::calls().empty());
    mqoDrawSequenceFrame(s, 0);
    mqoDrawSequenceFrame(s, 2);
    EXPECT_EQ(fakegl::callsNamed({"glPushMatrix", "glDrawArrays"}),
              (std::vector<std::string>{"glPushMatrix()", "glDrawArrays(GL_TRIANGLES, 0, 6)",
                                        "glPushMatrix()", "glDrawArrays(GL_TRIANGLES, 0, 6)"}));
    mqoFreeSequence(s);
}

TEST_F(Sequence, EveryAlphaOfAFadeGetsItsOwnPooledTexture) {
    const std::vector<uint8_t> rgb(2 * 2 * 3, 200);
    ASSERT_TRUE(drawfiles::writeFile(dir_.file("skin.bmp"), drawfiles::bmp(2, rgb)));
    writeFiles(10, "skin.bmp");
    ModelSequence s = mqoLoadSequence(pattern().c_str(), 10, 1.0, 4, 255);
    ASSERT_EQ(s.frameCount, 10);
    // Alphas 0, 63, 126, 189, 252 and 255: six combinations, six slots.
    EXPECT_EQ(texturePoolCount, 6);
    EXPECT_EQ(fakegl::callsNamed({"glTexImage2D"}).size(), 6u);
    for (int i = 0; i < s.frameCount; ++i) {
        SCOPED_TRACE(i);
        const MaterialBatch& b = s.models[i].objects[0].batches[0];
        ASSERT_EQ(b.hasTexture, 1);
        int slot = -1;
        for (int k = 0; k < texturePoolCount; ++k)
            if (texturePool[k].textureName == b.textureName) slot = k;
        ASSERT_GE(slot, 0);
        EXPECT_EQ(texturePool[slot].alpha, s.models[i].alpha);
    }
    // Frames 5 to 9 share alpha 255 and so one texture.
    EXPECT_EQ(s.models[5].objects[0].batches[0].textureName,
              s.models[9].objects[0].batches[0].textureName);
    EXPECT_NE(s.models[0].objects[0].batches[0].textureName,
              s.models[1].objects[0].batches[0].textureName);
    mqoFreeSequence(s);
    mqoReleaseTexturePool();
}

TEST_F(Sequence, NoFilesMeansAnEmptySequenceWithoutLoading) {
    writeFiles(2);
    struct Case {
        int files, fade;
    };
    for (Case c :
         {Case{0, 0}, Case{0, 3}, Case{0, -3}, Case{-2, 0}, Case{-2, 4}, Case{INT_MIN, -1}}) {
        SCOPED_TRACE(testing::Message() << c.files << " files, fade " << c.fade);
        ModelSequence s = mqoLoadSequence(pattern().c_str(), c.files, 1.0, c.fade, 255);
        EXPECT_EQ(s.models, nullptr);
        EXPECT_EQ(s.frameCount, 0);
        mqoDrawSequenceFrame(s, 0);
        mqoFreeSequence(s);
    }
    EXPECT_TRUE(fakegl::calls().empty());
}

TEST_F(Sequence, NullPatternGivesAnEmptySequence) {
    ModelSequence s = mqoLoadSequence(nullptr, 3, 1.0, 2, 255);
    EXPECT_EQ(s.models, nullptr);
    EXPECT_EQ(s.frameCount, 0);
    s = mqoLoadSequenceNoFade(nullptr, 3, 1.0);
    EXPECT_EQ(s.models, nullptr);
    EXPECT_EQ(s.frameCount, 0);
    mqoFreeSequence(s);
}

TEST_F(Sequence, PatternsThatDoNotTakeExactlyOneIntAreRejected) {
    writeFiles(2);
    // Files that a lenient formatter could reach for some of these.
    ASSERT_TRUE(drawfiles::writeFile(dir_.file("plain.mqo"), drawfiles::document(Square())));
    const char* bad[] = {"plain.mqo", "f%s.mqo",   "f%d%d.mqo", "f%n.mqo",  "f%*d.mqo",
                         "f%.*d.mqo", "f%ld.mqo",  "f%lld.mqo", "f%zd.mqo", "f%jd.mqo",
                         "f%1$d.mqo", "f%c.mqo",   "f%f.mqo",   "f%p.mqo",  "f%d%s.mqo",
                         "f%'d.mqo",  "f%Id.mqo",  "f%m%d.mqo", "f%d%",     "f%",
                         "f%hh",      "f%-%d.mqo", "f%5",       "f%%.mqo",  "f%.mqo"};
    for (const char* p : bad) {
        SCOPED_TRACE(p);
        const std::string full = dir_.file(p);
        ModelSequence s = mqoLoadSequence(full.c_str(), 2, 1.0, 0, 255);
        EXPECT_EQ(s.models, nullptr);
        EXPECT_EQ(s.frameCount, 0);
        mqoFreeSequence(s);
    }
    EXPECT_TRUE(fakegl::calls().empty());
}

TEST_F(Sequence, PatternsWithOneIntConversionAreFormatted) {
    struct Case {
        const char* pattern;
        const char* file0;
        const char* file11;
    };
    const Case cases[] = {
        {"a%d.mqo", "a0.mqo", "a11.mqo"},           {"b%03d.mqo", "b000.mqo", "b011.mqo"},
        {"c%02x.mqo", "c00.mqo", "c0b.mqo"},        {"d%X.mqo", "d0.mqo", "dB.mqo"},
        {"e%o.mqo", "e0.mqo", "e13.mqo"},           {"100%%_%u.mqo", "100%_0.mqo", "100%_11.mqo"},
        {"g%+.2i%%.mqo", "g+00%.mqo", "g+11%.mqo"}, {"h%hd.mqo", "h0.mqo", "h11.mqo"},
        {"i%#-3hhx.mqo", "i0  .mqo", "i0xb.mqo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        const std::string full = dir_.file(c.pattern);
        std::vector<std::string> expected;
        for (int i = 0; i < 12; ++i) {
            char file[512];
            std::snprintf(file, sizeof file, full.c_str(), i);
            if (i == 0) {
                EXPECT_EQ(file, dir_.file(c.file0));
            }
            if (i == 11) {
                EXPECT_EQ(file, dir_.file(c.file11));
            }
            Square sq;
            sq.objectName = "n" + std::to_string(i);
            expected.push_back("\"n" + std::to_string(i) + "\"");
            ASSERT_TRUE(drawfiles::writeFile(file, drawfiles::document(sq)));
        }
        ModelSequence s = mqoLoadSequenceNoFade(full.c_str(), 12, 1.0);
        EXPECT_EQ(sources(s), expected);
        mqoFreeSequence(s);
    }
}

// Frames whose names need 256 characters or more fail like missing files,
// even though the (long) file exists: the name buffer holds 255.
TEST_F(Sequence, NamesLongerThan255CharactersFailLikeMissingFiles) {
    const std::string tail = "/f%d.mqo";
    std::string folder = dir_.path();
    const size_t room = 255 - (folder.size() + tail.size() - 1);  // f0.mqo is 255 long
    // Spread the padding over folders ("/" + name each) whose names stay
    // within the file system's 255-byte limit.
    const size_t folders = (room + 100) / 101;
    size_t letters = room - folders;
    for (size_t k = 0; k < folders; ++k) {
        const size_t part = letters / (folders - k);
        folder += "/" + std::string(part, 'p');
        letters -= part;
        ASSERT_TRUE(std::filesystem::create_directory(folder));
    }
    const std::string pattern = folder + tail;
    for (int i = 0; i <= 10; ++i) {
        char name[600];
        std::snprintf(name, sizeof name, pattern.c_str(), i);
        ASSERT_TRUE(drawfiles::writeFile(name, drawfiles::document(Square())));
        if (i == 9) {
            EXPECT_EQ(std::strlen(name), 255u);
        }
        if (i == 10) {
            EXPECT_EQ(std::strlen(name), 256u);
        }
    }
    // Frame 10 fails, frame 9 goes with it.
    ModelSequence s = mqoLoadSequence(pattern.c_str(), 12, 1.0, 0, 255);
    EXPECT_EQ(s.frameCount, 9);
    EXPECT_EQ(s.models[9].objects[0].batches, nullptr);
    mqoFreeSequence(s);

    // A width that alone overflows the name fails on the first frame.
    const std::string wide = dir_.file("w%300d.mqo");
    s = mqoLoadSequence(wide.c_str(), 2, 1.0, 0, 255);
    EXPECT_EQ(s.frameCount, -1);
    mqoFreeSequence(s);
    const std::string huge = dir_.file("w%.99999999999d.mqo");
    s = mqoLoadSequence(huge.c_str(), 2, 1.0, 0, 255);
    EXPECT_EQ(s.frameCount, -1);
    mqoFreeSequence(s);
}

TEST(SequenceFree, EmptyAndFailedSequencesFreeSafely) {
    mqoFreeSequence(ModelSequence{nullptr, 0});
    mqoFreeSequence(ModelSequence{nullptr, -1});
    mqoFreeSequence(ModelSequence{nullptr, 5});
    mqoDrawSequenceFrame(ModelSequence{nullptr, 5}, 0);
}

}  // namespace
