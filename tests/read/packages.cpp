// .mqoz packages: the document and its textures read from inside the zip,
// and the packages that must fail as a missing file does.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"
#include "support/corpus_files.h"
#include "support/fake_gl.h"
#include "support/reader_files.h"
#include "support/reader_fixture.h"
#include "support/zip_files.h"

using namespace mqo::detail;

namespace {

const MqoLoadOptions kPackages = {MQO_FEATURE_MQOZ};

const char* kDocument =
    "Metasequoia Document\nFormat Text Ver 1.0\n"
    "Material 2 {\n"
    "\t\"plain\" col(1 0 0 1) dif(0.8) amb(0.6) emi(0) spc(0) power(5)\n"
    "\t\"tex\" col(1 1 1 1) dif(0.8) amb(0.6) emi(0) spc(0) power(5) tex(\"Tex.BMP\")\n"
    "}\n"
    "Object \"quad\" {\n\tshading 1\n\tfacet 59.5\n"
    "\tvertex 4 {\n\t\t0 0 0\n\t\t2 0 0\n\t\t2 2 0\n\t\t0 2 0\n\t}\n"
    "\tface 2 {\n\t\t3 V(0 1 2) M(0)\n\t\t3 V(0 2 3) M(1) UV(0 0 1 0 1 1)\n\t}\n"
    "}\nEof\n";

// kDocument with its texture named name.
std::string documentNaming(const std::string& name) {
    std::string text = kDocument;
    const std::string written = "tex(\"Tex.BMP\")";
    return text.replace(text.find(written), written.size(), "tex(\"" + name + "\")");
}

std::string capturedOutput() {
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

std::string readAll(FILE* file) {
    std::string bytes;
    char buffer[512];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

class Packages : public ReaderFixture {
protected:
    // The package most tests read: a thumbnail, a decoy document, and the
    // document in a folder with its texture beside it in another case.
    std::string package() {
        const std::string path = dir.file("Pack.MQOZ");
        EXPECT_TRUE(zipfiles::write(path, {{"thumbnail.jpg", ""},
                                           {"decoy.mqo", "Object \"decoy\" {\n}\n"},
                                           {"models/pack.mqo", kDocument},
                                           {"models/tex.bmp", readerfiles::tinyBmp()}}));
        return path;
    }
};

}  // namespace

TEST_F(Packages, DocumentInsideReadsAsTheSameDocumentOnDisk) {
    const std::string packaged = package();
    const std::string plain = dir.write("models/pack.mqo", kDocument);
    MeshModel* fromPackage = mqoLoadModelEx(packaged.c_str(), 1.0, &kPackages);
    MeshModel* fromDisk = mqoLoadModelEx(plain.c_str(), 1.0, &kPackages);
    ASSERT_NE(fromPackage, nullptr);
    ASSERT_NE(fromDisk, nullptr);
    ASSERT_EQ(fromPackage->objectCount, 1);  // the document named after the package
    ASSERT_EQ(fromDisk->objectCount, 1);
    const MeshObject &a = fromPackage->objects[0], &b = fromDisk->objects[0];
    EXPECT_STREQ(a.name, b.name);
    ASSERT_EQ(a.batchCount, 2);
    ASSERT_EQ(b.batchCount, 2);
    ASSERT_EQ(a.batches[1].vertexCount, b.batches[1].vertexCount);
    EXPECT_EQ(std::memcmp(a.batches[0].plainVertices, b.batches[0].plainVertices,
                          3 * sizeof(PlainVertex)),
              0);
    EXPECT_EQ(std::memcmp(a.batches[1].texturedVertices, b.batches[1].texturedVertices,
                          3 * sizeof(TexturedVertex)),
              0);
    mqoFreeModel(fromPackage);
    mqoFreeModel(fromDisk);

    MqoParsedModel parsed;
    ASSERT_EQ(mqoParseDocumentEx(packaged.c_str(), 1.0, 255, MQO_FEATURE_MQOZ, &parsed), 1);
    EXPECT_STREQ(parsed.package, packaged.c_str());
    EXPECT_STREQ(parsed.directory, "models/");
    mqoReleaseParsedModel(&parsed);
}

TEST_F(Packages, TextureIsFoundInsideByTheNamesDocumentsWrite) {
    const std::string path = package();
    const MqoReadContext read = {MQO_FEATURE_MQOZ, path.c_str()};
    const struct {
        const char* name;
        bool found;
    } cases[] = {
        {"models/tex.bmp", true},        {"models/Tex.BMP", true},        {"models\\TEX.bmp", true},
        {"./models/x/../tex.bmp", true}, {"models/../../tex.bmp", false}, {"tex.bmp", false},
        {"../models/tex.bmp", false},
    };
    for (const auto& c : cases) {
        FILE* file = mqoOpenTextureSource(c.name, read);
        EXPECT_EQ(file != nullptr, c.found) << c.name;
        if (file != nullptr) EXPECT_EQ(readAll(file), readerfiles::tinyBmp()) << c.name;
    }
}

// The texture comes from inside the package, with no other bit set.
TEST_F(Packages, TextureInsideIsUploaded) {
    MeshModel* model = mqoLoadModelEx(package().c_str(), 1.0, &kPackages);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(fakegl::callsNamed({"glTexImage2D"}).size(), 1u);
    EXPECT_NE(model->objects[0].batches[1].textureName, static_cast<uint32_t>(-1));
    mqoFreeModel(model);
}

TEST_F(Packages, PackagesWithoutAReadableDocumentFailAsAMissingFile) {
    std::string big;
    {
        const std::string path = dir.file("big.mqoz");
        ASSERT_TRUE(zipfiles::write(path, {{"big.mqo", kDocument}}, true));
        big = testsupport::readFile(path);
        zipfiles::declareSize(big, 0x7FFFFFFF);  // beyond the document limit
    }
    std::string cut;
    {
        const std::string path = dir.file("cut.mqoz");
        ASSERT_TRUE(zipfiles::write(path, {{"cut.mqo", kDocument}}));
        cut = testsupport::readFile(path);
        cut.resize(cut.size() - 10);  // the end of the central directory lost
    }
    const std::string noDocument = dir.file("none.mqoz");
    ASSERT_TRUE(zipfiles::write(noDocument, {{"thumbnail.jpg", ""}, {"readme.txt", "x"}}));
    const std::string cases[] = {
        noDocument,
        dir.write("big.mqoz", big),
        dir.write("cut.mqoz", cut),
        dir.write("garbage.mqoz", std::string("PK\x03\x04", 4) + std::string(200, 'x')),
        dir.file("missing.mqoz"),
    };
    for (const std::string& path : cases) {
        testing::internal::CaptureStdout();
        MeshModel* model = mqoLoadModelEx(path.c_str(), 1.0, &kPackages);
        EXPECT_EQ(model, nullptr) << path;
        EXPECT_EQ(capturedOutput(), "") << path;
        mqoFreeModel(model);
    }
}

TEST_F(Packages, ReadingStopsAtTheLimitWhateverTheHeaderClaims) {
    std::string zip;
    {
        const std::string path = dir.file("entry.zip");
        ASSERT_TRUE(zipfiles::write(path, {{"a", std::string(1000, 'a')}}));
        zip = testsupport::readFile(path);
    }
    std::string understated = zip;
    zipfiles::declareSize(understated, 10);
    const struct {
        std::string zip;
        size_t limit;
        bool read;
    } cases[] = {{zip, 1000, true}, {zip, 999, false}, {understated, 100, false}};
    for (const auto& c : cases) {
        zip_t* archive = mqoOpenArchive(dir.write("case.zip", c.zip).c_str());
        ASSERT_NE(archive, nullptr);
        unsigned char* bytes = nullptr;
        size_t size = 0;
        EXPECT_EQ(mqoReadArchiveEntry(archive, 0, c.limit, &bytes, &size), c.read) << c.limit;
        EXPECT_EQ(size, c.read ? 1000u : 0u);
        std::free(bytes);
        zip_discard(archive);
    }
}

TEST_F(Packages, RealPackageLoads) {
    const std::string file = corpusfiles::find("single_object.mqoz");
    if (file.empty()) GTEST_SKIP() << "no corpus package beside the project";
    MeshModel* model = mqoLoadModelEx(file.c_str(), 1.0, &kPackages);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->objectCount, 1);
    EXPECT_STREQ(model->objects[0].name, "\"obj1\"");
    mqoFreeModel(model);
}

// Inside the package first, in the document's folder there too, then beside
// the package: by the name, and by its last component.
TEST_F(Packages, SearchLooksInsideThenBesideThePackage) {
    const std::string path = dir.file("pkg/Pack.mqoz");
    dir.write("pkg/both.bmp", "beside both");
    dir.write("pkg/beside.bmp", "beside");
    dir.write("pkg/models/deep.bmp", "beside deep");
    dir.write("textures/up.bmp", "up");
    ASSERT_TRUE(zipfiles::write(path, {{"models/pack.mqo", kDocument},
                                       {"models/inside.bmp", "inside"},
                                       {"models/both.bmp", "inside both"}}));
    const uint32_t search = MQO_FEATURE_MQOZ | MQO_FEATURE_TEXTURE_SEARCH;
    const struct {
        std::string name;  // as the document wrote it
        uint32_t features;
        std::string opened;
    } cases[] = {
        {"both.bmp", search, "inside both"},
        {"beside.bmp", search, "beside"},
        {"beside.bmp", MQO_FEATURE_MQOZ, ""},
        {"C:\\Users\\someone\\Desktop\\inside.bmp", search, "inside"},
        {"C:\\Users\\someone\\Desktop\\BESIDE.BMP", search, "beside"},
        {"deep.bmp", search, "beside deep"},
        {"..\\..\\textures\\up.bmp", search, "up"},
        {"missing.bmp", search, ""},
    };
    for (const auto& c : cases) {
        // Joined to the document's folder as texture requests join it.
        const std::string request =
            c.name.find(':') != std::string::npos ? c.name : "models/" + c.name;
        const MqoReadContext read = {c.features, path.c_str(), "models/"};
        FILE* file = mqoOpenTextureSource(request.c_str(), read);
        EXPECT_EQ(file != nullptr ? readAll(file) : "", c.opened) << c.name;
    }
}

// Loaded whole: a texture beside the package (or beside a plain document,
// by an absolute name) is uploaded under the bit; what is found nowhere is
// reported by the last place tried.
TEST_F(Packages, SearchedTexturesLoadAndMissingOnesNameWhereTheyWereLookedFor) {
    dir.write("tex.bmp", readerfiles::tinyBmp());
    const std::string packaged = dir.file("p.mqoz"), missing = dir.file("m.mqoz");
    ASSERT_TRUE(zipfiles::write(packaged, {{"p.mqo", documentNaming("tex.bmp")}}));
    ASSERT_TRUE(zipfiles::write(missing, {{"m.mqo", documentNaming("missing.bmp")}}));
    const std::string plain =
        dir.write("doc.mqo", documentNaming("C:\\Users\\someone\\Desktop\\tex.bmp"));
    const uint32_t search = MQO_FEATURE_MQOZ | MQO_FEATURE_TEXTURE_SEARCH;
    const std::string error = "MqoModel:テクスチャ読み込みエラー[";
    const struct {
        std::string path;
        uint32_t features;
        std::string printed;
    } cases[] = {
        {packaged, search, ""},
        {packaged, MQO_FEATURE_MQOZ, error + "tex.bmp]\n"},
        {plain, search, ""},
        {plain, MQO_FEATURE_MQOZ, error + "C:\\Users\\someone\\Desktop\\tex.bmp]\n"},
        {missing, search, error + dir.file("missing.bmp") + "]\n"},
        {missing, MQO_FEATURE_MQOZ, error + "missing.bmp]\n"},
    };
    for (const auto& c : cases) {
        mqoReleaseTexturePool();
        const MqoLoadOptions options = {c.features};
        testing::internal::CaptureStdout();
        MeshModel* model = mqoLoadModelEx(c.path.c_str(), 1.0, &options);
        EXPECT_EQ(capturedOutput(), c.printed) << c.path << " " << c.features;
        ASSERT_NE(model, nullptr);
        const bool found = c.printed.empty();
        EXPECT_EQ(model->objects[0].batches[1].textureName != static_cast<uint32_t>(-1), found)
            << c.path << " " << c.features;
        mqoFreeModel(model);
    }
}
