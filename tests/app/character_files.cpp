// The generator's files themselves: the same bytes on every run, documents
// laid out as the reader expects them, and textures in the formats the
// image reader takes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "support/character_support.h"

using namespace charactertest;

namespace {

uint32_t le16(const std::string& s, size_t at) {
    return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8;
}
uint32_t le32(const std::string& s, size_t at) { return le16(s, at) | le16(s, at + 2) << 16; }
bool powerOfTwo(uint32_t n) { return n >= 4 && (n & (n - 1)) == 0; }

int countOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string documentOf(int motion, int frame) { return readFile(framePath(motion, frame)); }

TEST(CharacterFiles, TwoRunsWriteTheSameBytes) {
    std::string a = generateInto("first"), b = generateInto("second");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    auto filesA = readFolder(a + "/vindle"), filesB = readFolder(b + "/vindle");
    EXPECT_EQ(filesA.size(), 157u) << "150 documents and 7 pictures";
    ASSERT_EQ(filesA.size(), filesB.size());
    for (size_t i = 0; i < filesA.size(); ++i) {
        EXPECT_EQ(filesA[i].first, filesB[i].first);
        EXPECT_TRUE(filesA[i].second == filesB[i].second) << filesA[i].first << " differs";
    }
}

TEST(CharacterFiles, DocumentsAreLaidOutAsTheReaderReadsThem) {
    ASSERT_FALSE(generated().empty());
    for (int m = 0; m < 3; ++m)
        for (int f = 0; f < kMotions[m].frames; ++f) {
            SCOPED_TRACE(std::string(kMotions[m].name) + " frame " + std::to_string(f));
            std::string doc = documentOf(m, f);
            ASSERT_FALSE(doc.empty());
            EXPECT_EQ(doc.compare(0, 43, "Metasequoia Document\r\nFormat Text Ver 1.0\r\n"), 0);
            EXPECT_NE(doc.find("\r\nScene {\r\n"), std::string::npos);
            EXPECT_NE(doc.find("\r\nMaterial 10 {\r\n"), std::string::npos);
            EXPECT_EQ(doc.compare(doc.size() - 5, 5, "Eof\r\n"), 0);
            EXPECT_EQ(countOf(doc, "\r\nObject \""), 19);
            EXPECT_EQ(countOf(doc, "\tvisible 15\r\n"), 19);
            EXPECT_GT(countOf(doc, "\t\t3 V("), 0) << "triangles";
            EXPECT_GT(countOf(doc, "\t\t4 V("), 0) << "quadrilaterals";
            EXPECT_EQ(countOf(doc, " V("), countOf(doc, " UV(")) << "every face has UVs";
            // Smoothing angles are written in radians, as the library reads them.
            for (size_t at = doc.find("\tfacet "); at != std::string::npos;
                 at = doc.find("\tfacet ", at + 1)) {
                double facet = std::atof(doc.c_str() + at + 7);
                EXPECT_GT(facet, 0.0);
                EXPECT_LT(facet, 3.1416);
            }
            EXPECT_EQ(countOf(doc, "\tshading 0\r\n"), 2) << "the belt and the shadow are flat";
            bool binary = m == 2;
            EXPECT_EQ(countOf(doc, "\tBVertex "), binary ? 19 : 0);
            EXPECT_EQ(countOf(doc, "\tvertex "), binary ? 0 : 19);
        }
}

TEST(CharacterFiles, BinaryVertexBlocksHoldTheirCountOfFloatsThenClose) {
    ASSERT_FALSE(generated().empty());
    for (int f = 0; f < kMotions[2].frames; ++f) {
        std::string doc = documentOf(2, f);
        int blocks = 0;
        for (size_t at = doc.find("\tBVertex "); at != std::string::npos;
             at = doc.find("\tBVertex ", at)) {
            int count = -1, vectors = -2, bytes = -1;
            ASSERT_EQ(std::sscanf(doc.c_str() + at, "\tBVertex %d {\r\n\t\tVector %d [%d]", &count,
                                  &vectors, &bytes),
                      3);
            EXPECT_EQ(vectors, count);
            EXPECT_EQ(bytes, 12 * count);
            // The block starts right after the Vector line's line feed.
            size_t data = doc.find('\n', doc.find("Vector", at)) + 1;
            ASSERT_LE(data + bytes + 4, doc.size());
            // Little-endian floats within the figure's reach.
            for (int i = 0; i < 3 * count; ++i) {
                uint32_t bits = le32(doc, data + 4 * i);
                float v;
                std::memcpy(&v, &bits, 4);
                ASSERT_TRUE(std::isfinite(v));
                ASSERT_LT(std::fabs(v), 3000.0f);
            }
            EXPECT_EQ(doc.compare(data + bytes, 4, "\t}\r\n"), 0);
            at = data + bytes;
            ++blocks;
        }
        EXPECT_EQ(blocks, 19);
    }
}

// Texture and alpha-plane names the documents use.
std::set<std::string> namesIn(const std::string& doc, const std::string& key) {
    std::set<std::string> names;
    for (size_t at = doc.find(key); at != std::string::npos; at = doc.find(key, at + 1)) {
        size_t from = at + key.size(), to = doc.find('"', from);
        names.insert(doc.substr(from, to - from));
    }
    return names;
}

TEST(CharacterFiles, TexturesAreSquarePowerOfTwoPicturesTheReaderTakes) {
    ASSERT_FALSE(generated().empty());
    std::set<std::string> textures, planes;
    for (int m = 0; m < 3; ++m)
        for (int f = 0; f < kMotions[m].frames; ++f) {
            std::string doc = documentOf(m, f);
            for (const std::string& n : namesIn(doc, "tex(\"")) textures.insert(n);
            for (const std::string& n : namesIn(doc, "aplane(\"")) planes.insert(n);
        }
    EXPECT_EQ(textures.size(), 6u) << "a handful shared by all frames";
    EXPECT_EQ(planes, std::set<std::string>({"shadow_a.tga"}));
    std::map<std::string, uint32_t> widths;
    for (const std::string& name : textures) {
        SCOPED_TRACE(name);
        std::string file = readFile(generated() + "/vindle/" + name);
        ASSERT_GE(file.size(), 18u);
        uint32_t width;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0) {
            EXPECT_EQ(file.compare(0, 2, "BM"), 0);
            width = le32(file, 18);
            EXPECT_EQ(le32(file, 22), width) << "square";
            EXPECT_EQ(le16(file, 28), 24u);
            EXPECT_EQ(le32(file, 30), 0u) << "uncompressed";
            EXPECT_EQ(le32(file, 10), 54u) << "pixels where the reader starts";
            EXPECT_EQ(file.size(), 54 + width * width * 3) << "no row padding";
        } else {
            EXPECT_EQ(static_cast<uint8_t>(file[2]), 2) << "true colour";
            EXPECT_EQ(static_cast<uint8_t>(file[16]), 24);
            width = le16(file, 12);
            EXPECT_EQ(le16(file, 14), width);
            EXPECT_EQ(file.size(), 18 + width * width * 3);
        }
        EXPECT_TRUE(powerOfTwo(width)) << width;
        widths[name] = width;
    }
    // The shadow's alpha plane: 8-bit grey, as wide as its picture, and
    // doing real work: opaque-ish in the middle, clear at the rim.
    std::string plane = readFile(generated() + "/vindle/shadow_a.tga");
    ASSERT_GE(plane.size(), 18u);
    EXPECT_EQ(static_cast<uint8_t>(plane[2]), 3);
    EXPECT_EQ(static_cast<uint8_t>(plane[16]), 8);
    uint32_t width = le16(plane, 12);
    EXPECT_EQ(width, widths["shadow.tga"]);
    ASSERT_EQ(plane.size(), 18 + width * width);
    uint8_t centre = plane[18 + (width / 2) * width + width / 2], corner = plane[18];
    EXPECT_GT(centre, 128);
    EXPECT_EQ(corner, 0);
}

TEST(CharacterFiles, TheFacePictureFollowsTheMoodOfTheFrame) {
    ASSERT_FALSE(generated().empty());
    auto faceOf = [](int m, int f) { return *namesIn(documentOf(m, f), "tex(\"face").begin(); };
    EXPECT_EQ(faceOf(0, 0), ".bmp") << "frame 0 stands with open eyes";
    EXPECT_EQ(faceOf(0, 40), "_yawn.bmp");
    EXPECT_EQ(faceOf(0, 10), "_blink.bmp");
    for (int f = 0; f < 20; ++f) EXPECT_EQ(faceOf(1, f), ".bmp");
    for (int f = 0; f < 30; ++f) EXPECT_EQ(faceOf(2, f), ".bmp");
}

int exitStatus(const std::string& command) {
    int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CharacterFiles, TheGeneratorFailsClearlyWhereItCannotWrite) {
    EXPECT_EQ(exitStatus(MAKE_CHARACTER), 2) << "usage";
    EXPECT_EQ(exitStatus(std::string(MAKE_CHARACTER) + " a b"), 2);
    // A folder below a plain file cannot be made.
    EXPECT_EQ(exitStatus(std::string(MAKE_CHARACTER) + " /dev/null/character"), 1);
    std::string message;
    FILE* p = popen((std::string(MAKE_CHARACTER) + " /dev/null/character 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p)) message += buffer;
    pclose(p);
    EXPECT_NE(message.find("/dev/null/character/vindle"), std::string::npos) << message;
}

}  // namespace
