// Braces inside quoted names and paths: in Shift_JIS the second byte of many
// characters is "{" or "}", and such a byte must neither end nor open a
// chunk, a list or a nested block, in the exact reading and the complete one.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "mqo/read/read_internal.h"
#include "support/reader_files.h"

using namespace mqo::detail;

namespace {

// The katakana words MATERIARU, MAUSU and BOMA: MA is 0x83 0x7D ("}"), BO is
// 0x83 0x7B ("{").
const std::string kMaterialName = "\x83\x7D\x83\x65\x83\x8A\x83\x41\x83\x8B";
const std::string kMouseFolder = "\x83\x7D\x83\x45\x83\x58";
const std::string kBo = "\x83\x7B";
const std::string kBoMa = kBo + "\x83\x7D";

std::string materialChunk(const std::string& name, const std::string& extra) {
    return "Material 2 {\r\n\t\"" + name +
           "\" col(1.000 0.000 0.000 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) "
           "power(5.00)" +
           extra +
           "\r\n\t\"blue\" col(0.000 0.000 1.000 0.500) dif(0.500) amb(0.250) emi(0.100) "
           "spc(1.000) power(30.00)\r\n}\r\n";
}

// A quad of two triangles, one per material, with lines of its own (a
// nested block) after its vertex list.
std::string quad(const std::string& name, const std::string& vertices, const std::string& more) {
    return "Object \"" + name + "\" {\r\n\tvisible 15\r\n\tshading 1\r\n\tfacet 59.5\r\n" +
           vertices + more +
           "\tface 2 {\r\n\t\t3 V(0 1 2) M(0)\r\n\t\t3 V(0 2 3) M(1)\r\n\t}\r\n}\r\n";
}

const std::string kTextVertices =
    "\tvertex 4 {\r\n\t\t0 0 0\r\n\t\t2 0 0\r\n\t\t2 2 0\r\n\t\t0 2 0\r\n\t}\r\n";

std::string binaryVertices(const std::string& more) {
    return "\tBVertex 4 {\r\n\t\tVector 4 [48]\r\n" +
           readerfiles::floatBytes({0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0}) + "\r\n" + more +
           "\t}\r\n";
}

// What follows the shape under test: an object that a chunk closed early, or
// a block left open, would lose.
const std::string kAfter =
    "Object \"after\" {\r\n\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t0 1 0\r\n\t}\r\n"
    "\tface 1 {\r\n\t\t3 V(0 1 2) M(1)\r\n\t}\r\n}\r\nEof\r\n";

const std::string kHeader = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n";
const std::string kPlainMaterials = materialChunk("red", "");
const std::string kTexturePath = kMouseFolder + "\\wood.bmp";

struct Shape {
    const char* what;
    std::string document;
    const char* texture;  // materials[0]'s texture name, null when untextured
};

const Shape kShapes[] = {
    {"material name",
     kHeader + materialChunk(kMaterialName, "") + quad("q", kTextVertices, "") + kAfter, nullptr},
    {"texture path",
     kHeader + materialChunk("wood", " tex(\"" + kTexturePath + "\")") +
         quad("q", kTextVertices, "") + kAfter,
     "\x83\x7D\x83\x45\x83\x58\\wood.bmp"},
    {"object name", kHeader + kPlainMaterials + quad(kBoMa, kTextVertices, "") + kAfter, nullptr},
    {"nested block",
     kHeader + kPlainMaterials +
         quad("q", kTextVertices,
              "\tvertexattr {\r\n\t\tweit {\r\n\t\t\t0 1.0\r\n\t\t}\r\n\t\tlayer \"" +
                  kMouseFolder + "\" {\r\n\t\t\t1 0.5\r\n\t\t}\r\n\t\tname \"" + kBo +
                  "\"\r\n\t}\r\n") +
         kAfter,
     nullptr},
    {"block after binary vertices",
     kHeader + kPlainMaterials +
         quad("q", binaryVertices("\t\tlayer \"" + kBoMa + "\" {\r\n\t\t}\r\n"), "") + kAfter,
     nullptr},
};

void expectBatch(const MqoStagedObject& staged, int k, float red, float blue, const char* what) {
    ASSERT_EQ(staged.state, MQO_STAGED_BUILT) << what;
    ASSERT_EQ(staged.object.batchCount, 2) << what;
    const MaterialBatch& b = staged.object.batches[k];
    EXPECT_EQ(b.hasMaterial, 1) << what;
    EXPECT_EQ(b.vertexCount, 3) << what;
    EXPECT_FLOAT_EQ(b.color[0], red) << what;
    EXPECT_FLOAT_EQ(b.color[2], blue) << what;
}

}  // namespace

TEST(QuotedBraces, AreNoBracesInEitherReading) {
    readerfiles::TempDir dir;
    for (const Shape& shape : kShapes) {
        std::string path = dir.write("doc.mqo", shape.document);
        for (uint32_t features : {0u, MQO_FEATURE_ALL}) {
            SCOPED_TRACE(std::string(shape.what) + (features ? ", complete" : ", exact"));
            auto parsed = std::make_unique<MqoParsedModel>();
            ASSERT_EQ(mqoParseDocumentEx(path.c_str(), 1.0, 255, features, parsed.get()), 1);
            ASSERT_EQ(parsed->materialCount, 2);
            EXPECT_FLOAT_EQ(parsed->materials[0].color[0], 1.0f);
            EXPECT_FLOAT_EQ(parsed->materials[1].color[3], 0.5f);
            EXPECT_EQ(parsed->materials[0].useTexture, shape.texture != nullptr);
            if (shape.texture) EXPECT_STREQ(parsed->materials[0].textureFile, shape.texture);
            ASSERT_EQ(parsed->objectCount, 2);
            expectBatch(parsed->objects[0], 0, 1.0f, 0.0f, "first triangle");
            expectBatch(parsed->objects[0], 1, 0.0f, 1.0f, "second triangle");
            expectBatch(parsed->objects[1], 1, 0.0f, 1.0f, "the object after");
            mqoReleaseParsedModel(parsed.get());
        }
    }
}

// Only a closed pair hides its braces: a quote left open hides nothing, so
// it cannot swallow the brace that closes a chunk.
TEST(QuotedBraces, OnlyAClosedPairOfQuotesHidesABrace) {
    const struct {
        const char* line;
        char brace;
        int at;  // -1: none
    } cases[] = {
        {"\t}\n", '}', 1},
        {"\"a}b\" col(1 0 0 1)\n", '}', -1},
        {"\"a}b\" }\n", '}', 6},
        {"layer \"a{\" {\n", '{', 11},
        {"\"a\" \"b}\"\n", '}', -1},
        {"\"open }\n", '}', 6},
        {"\"a}\" \"open }\n", '}', 11},
        {"\"a}\" \"open {\n", '}', -1},
    };
    for (const auto& c : cases) {
        const char* found = mqoFindBrace(c.line, c.brace);
        EXPECT_EQ(found == nullptr ? -1 : static_cast<int>(found - c.line), c.at) << c.line;
    }
}
