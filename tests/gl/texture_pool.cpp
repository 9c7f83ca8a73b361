// The texture pool over the fake GL: matching, slots, upload calls, release
// and the messages it prints.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "mqo/gl/gl_internal.h"
#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"
#include "support/encoded_images.h"
#include "support/fake_gl.h"
#include "support/image_files.h"

using namespace mqo::detail;

namespace {

using testimages::Bytes;
using testimages::PathBuffer;

class TexturePool : public ::testing::Test {
protected:
    void SetUp() override {
        fakegl::reset();
        mqoInitLibrary();
        fakegl::clear();
        texture = dir.write("skin.bmp", testimages::bmp(2, 2, testimages::counting(12)));
        grey = dir.write("skin_a.tga", testimages::tga(2, 2, 3, 8, Bytes{10, 200, 30, 250}));
    }
    void TearDown() override { mqoReleaseTexturePool(); }

    // Runs a pool request and returns what it printed.
    std::string request(const std::string& tex, const char* alphaPath, unsigned char alpha,
                        int* result) {
        PathBuffer t(tex);
        std::optional<PathBuffer> a;
        if (alphaPath) a.emplace(alphaPath);
        testing::internal::CaptureStdout();
        *result = mqoSetTexturePool(t.get(), a ? a->get() : nullptr, alpha);
        return testing::internal::GetCapturedStdout();
    }
    int request(const std::string& tex, const char* alphaPath = nullptr,
                unsigned char alpha = 255) {
        int result;
        std::string printed = request(tex, alphaPath, alpha, &result);
        EXPECT_EQ(printed, "");
        return result;
    }

    testimages::TempDir dir;
    std::string texture, grey;
};

TEST_F(TexturePool, UploadsWithTheDocumentedCallSequence) {
    int name = request(texture);
    EXPECT_EQ(name, 1);
    EXPECT_EQ(fakegl::calls(),
              (std::vector<std::string>{
                  "glGetIntegerv(GL_MAX_TEXTURE_SIZE, ptr)",
                  "glPixelStorei(GL_UNPACK_ALIGNMENT, 4)",
                  "glPixelStorei(GL_PACK_ALIGNMENT, 4)",
                  "glGenTextures(1, ptr)",
                  "glBindTexture(GL_TEXTURE_2D, 1)",
                  "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR)",
                  "glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR)",
                  "glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, "
                  "GL_UNSIGNED_BYTE, ptr)",
                  "glBindTexture(GL_TEXTURE_2D, 0)",
              }));
    EXPECT_EQ(fakegl::lastTextureImage().size(), 16u);
    EXPECT_EQ(texturePoolCount, 1);
    EXPECT_EQ(texturePool[0].textureName, 1u);
    EXPECT_EQ(texturePool[0].size, 2);
    EXPECT_STREQ(texturePool[0].texturePath, texture.c_str());
    EXPECT_STREQ(texturePool[0].alphaPath, "");
    EXPECT_EQ(texturePool[0].alpha, 255);
}

TEST_F(TexturePool, SameRequestSharesOneTextureAndReadsNothing) {
    int first = request(texture, grey.c_str(), 200);
    std::filesystem::remove(texture);  // a second read would now fail
    fakegl::clear();
    EXPECT_EQ(request(texture, grey.c_str(), 200), first);
    EXPECT_TRUE(fakegl::calls().empty());
    EXPECT_EQ(texturePoolCount, 1);
}

TEST_F(TexturePool, EachAlphaByteGetsItsOwnSlot) {
    int opaque = request(texture, nullptr, 255);
    int faded = request(texture, nullptr, 128);
    EXPECT_NE(opaque, faded);
    EXPECT_EQ(texturePoolCount, 2);
    EXPECT_EQ(texturePool[1].alpha, 128);
    EXPECT_EQ(fakegl::lastTextureImage()[3], 128);
    EXPECT_EQ(request(texture, nullptr, 255), opaque);
}

TEST_F(TexturePool, MissingAlphaPathMatchesAnAlphaMappedSlotButNotTheOtherWayRound) {
    int mapped = request(texture, grey.c_str(), 255);
    EXPECT_EQ(request(texture, nullptr, 255), mapped);
    EXPECT_EQ(texturePoolCount, 1);

    mqoReleaseTexturePool();
    int plain = request(texture, nullptr, 255);
    int mapped2 = request(texture, grey.c_str(), 255);
    EXPECT_NE(plain, mapped2);
    EXPECT_EQ(texturePoolCount, 2);
    EXPECT_STREQ(texturePool[1].alphaPath, grey.c_str());

    // A null texture path matches any stored one as well.
    PathBuffer a(grey);
    EXPECT_EQ(mqoSetTexturePool(nullptr, a.get(), 255), mapped2);
}

TEST_F(TexturePool, FullPoolPrintsItsMessageButStillFindsKnownTextures) {
    for (int alpha = 0; alpha < MQO_TEXTURE_POOL_SIZE; ++alpha)
        ASSERT_GT(request(texture, nullptr, static_cast<unsigned char>(alpha)), 0);
    ASSERT_EQ(texturePoolCount, 100);
    fakegl::clear();
    int result;
    std::string printed = request(texture, nullptr, 200, &result);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(printed, "MqoModel:mqoSetTexturePool テクスチャ読み込み領域不足\n");
    EXPECT_TRUE(fakegl::calls().empty());
    EXPECT_EQ(texturePoolCount, 100);
    EXPECT_EQ(request(texture, nullptr, 42), static_cast<int>(texturePool[42].textureName));
}

TEST_F(TexturePool, FailedReadLeavesTheSlotFreeForALaterTry) {
    std::string later = dir.path() + "/later.bmp";
    int result;
    std::string printed = request(later, nullptr, 255, &result);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(printed, "MqoModel:テクスチャ読み込みエラー[" + later + "]\n");
    EXPECT_EQ(texturePoolCount, 0);
    EXPECT_TRUE(fakegl::callsNamed({"glGenTextures", "glTexImage2D"}).empty());

    dir.write("later.bmp", testimages::bmp(1, 1, Bytes{1, 2, 3}));
    EXPECT_EQ(request(later), 1);
    EXPECT_EQ(texturePoolCount, 1);
}

TEST_F(TexturePool, UpperCaseBmpIsRenamedAndStoredSoAndTheOldNameTakesANewSlot) {
    dir.write("FACE.bmp", testimages::bmp(1, 1, Bytes{1, 2, 3}));
    std::string upper = dir.path() + "/FACE.BMP";
    PathBuffer path(upper);
    int first = mqoSetTexturePool(path.get(), nullptr, 255);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(path.str(), dir.path() + "/FACE.bmp");
    EXPECT_EQ(std::string(texturePool[0].texturePath), path.str());
    int second = request(upper);
    EXPECT_EQ(second, 2);
    EXPECT_EQ(texturePoolCount, 2);
    EXPECT_EQ(request(dir.path() + "/FACE.bmp"), first);
}

TEST_F(TexturePool, JpegNamesAreReadAsBmpFilesNamedJbmp) {
    dir.write("photo.jbmp", testimages::bmp(1, 1, Bytes{1, 2, 3}));
    PathBuffer path(dir.path() + "/photo.jpeg");
    EXPECT_EQ(mqoSetTexturePool(path.get(), nullptr, 255), 1);
    EXPECT_EQ(path.str(), dir.path() + "/photo.jbmp");
}

TEST_F(TexturePool, PngAndJpgTexturesPrintTheFormatMessageOnceTheFileOpens) {
    for (const char* name : {"pic.png", "pic.JPG"}) {
        std::string path = dir.write(name, Bytes(100, 1));
        int result;
        EXPECT_EQ(request(path, nullptr, 255, &result),
                  "このテクスチャは対応できないフォーマット→" + path + "\n");
        EXPECT_EQ(result, -1);
    }
    int result;
    std::string absent = dir.path() + "/absent.png";
    EXPECT_EQ(request(absent, nullptr, 255, &result),
              "MqoModel:テクスチャ読み込みエラー[" + absent + "]\n");
    EXPECT_EQ(texturePoolCount, 0);
}

TEST_F(TexturePool, AlphaFileNamedAsBmpIsRefusedWithAMessageAndTheTextureKept) {
    std::string alphaName = dir.path() + "/mask.gif";
    int result;
    std::string printed = request(texture, alphaName.c_str(), 200, &result);
    EXPECT_EQ(printed, "アルファのファイルに対応できない→" + dir.path() + "/mask.bmp\n");
    EXPECT_EQ(result, 1);
    const std::vector<unsigned char>& image = fakegl::lastTextureImage();
    ASSERT_EQ(image.size(), 16u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(image[i * 4 + 3], 200);
    EXPECT_STREQ(texturePool[0].alphaPath, (dir.path() + "/mask.bmp").c_str());
}

TEST_F(TexturePool, UnusableOrMissingAlphaFilesKeepTheConstantAlpha) {
    std::string rgb = dir.write("rgb.tga", testimages::tga(2, 2, 2, 24, Bytes(12, 9)));
    EXPECT_EQ(request(texture, rgb.c_str(), 77), 1);  // no message for a 24-bit plane
    for (int i = 0; i < 4; ++i) EXPECT_EQ(fakegl::lastTextureImage()[i * 4 + 3], 77);

    std::string missing = dir.path() + "/none.tga";
    int result;
    EXPECT_EQ(request(texture, missing.c_str(), 66, &result),
              "MqoModel:テクスチャ読み込みエラー[" + missing + "]\n");
    EXPECT_EQ(result, 2);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(fakegl::lastTextureImage()[i * 4 + 3], 66);
}

TEST_F(TexturePool, AlphaFileOfAnotherWidthTakesNoSlot) {
    std::string wide = dir.write("wide.tga", testimages::tga(3, 3, 3, 8, Bytes(9, 1)));
    int result;
    EXPECT_EQ(request(texture, wide.c_str(), 255, &result), "");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(texturePoolCount, 0);
    EXPECT_TRUE(fakegl::callsNamed({"glGenTextures"}).empty());
}

TEST_F(TexturePool, PathsTooLongForASlotAreRefusedBeforeReading) {
    // 259 characters fit a slot with its terminator; 260 do not.
    std::string folder = dir.path() + "/";
    std::string fits = folder + std::string(259 - folder.size() - 4, 'f') + ".bmp";
    ASSERT_EQ(fits.size(), 259u);
    dir.write(fits.substr(folder.size()), testimages::bmp(1, 1, Bytes{1, 2, 3}));
    EXPECT_EQ(request(fits), 1);
    EXPECT_EQ(std::strlen(texturePool[0].texturePath), 259u);

    std::string tooLong = folder + std::string(260 - folder.size() - 4, 'g') + ".bmp";
    dir.write(tooLong.substr(folder.size()), testimages::bmp(1, 1, Bytes{1, 2, 3}));
    fakegl::clear();
    int result;
    EXPECT_EQ(request(tooLong, nullptr, 255, &result),
              "MqoModel:テクスチャ読み込みエラー[" + tooLong + "]\n");
    EXPECT_EQ(result, -1);
    std::string tooLongAlpha = folder + std::string(400, 'a') + ".tga";
    EXPECT_EQ(request(texture, tooLongAlpha.c_str(), 255, &result),
              "MqoModel:テクスチャ読み込みエラー[" + tooLongAlpha + "]\n");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(texturePoolCount, 1);
    EXPECT_TRUE(fakegl::calls().empty());
}

TEST_F(TexturePool, ReleaseDeletesEverySlotsTextureAndEmptiesThePool) {
    request(texture, nullptr, 1);
    request(texture, nullptr, 2);
    request(texture, grey.c_str(), 3);
    fakegl::clear();
    mqoReleaseTexturePool();
    EXPECT_EQ(fakegl::calls(), std::vector<std::string>(3, "glDeleteTextures(1, ptr)"));
    EXPECT_EQ(fakegl::deletedTextures(), (std::vector<GLuint>{1, 2, 3}));
    EXPECT_EQ(texturePoolCount, 0);
    EXPECT_STREQ(texturePool[2].alphaPath, "");
    fakegl::clear();
    mqoReleaseTexturePool();
    EXPECT_TRUE(fakegl::calls().empty());
}

// A slot read under one profile is not handed to a request under another:
// the same tall BMP gives the exact 2 x 2 texture and then, asked complete,
// a second one of 5 x 5; a PNG is read only when asked complete.
TEST_F(TexturePool, ProfilesGetTexturesOfTheirOwn) {
    const MqoReadContext exact, complete = {MQO_FEATURE_PNG_JPEG | MQO_FEATURE_IMAGE_LAYOUT};
    PathBuffer tall(dir.write("tall.bmp", testimages::bmp(2, 5, testimages::counting(40))));
    PathBuffer png(dir.write("t.png", testimages::png(1, 1, SPNG_COLOR_TYPE_GRAYSCALE, {9})));
    testing::internal::CaptureStdout();
    const int names[4] = {mqoRequestTexture(tall.get(), nullptr, 255, exact),
                          mqoRequestTexture(tall.get(), nullptr, 255, complete),
                          mqoRequestTexture(png.get(), nullptr, 255, exact),
                          mqoRequestTexture(png.get(), nullptr, 255, complete)};
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "このテクスチャは対応できないフォーマット→" + png.str() + "\n");
    EXPECT_EQ((std::vector<int>(names, names + 4)), (std::vector<int>{1, 2, -1, 3}));
    std::vector<std::string> uploads;
    for (const std::string& call : fakegl::calls())
        if (call.rfind("glTexImage2D", 0) == 0) uploads.push_back(call);
    EXPECT_EQ(uploads, (std::vector<std::string>{
                           "glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, "
                           "GL_UNSIGNED_BYTE, ptr)",
                           "glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 5, 5, 0, GL_RGBA, "
                           "GL_UNSIGNED_BYTE, ptr)",
                           "glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, "
                           "GL_UNSIGNED_BYTE, ptr)"}));
    EXPECT_EQ(mqoRequestTexture(tall.get(), nullptr, 255, complete), 2);  // now shared
}

// A searched name finds the file of its document's folder: the same name
// from another folder, or read without the search, is another texture.
TEST_F(TexturePool, SearchedTexturesArePooledByTheirDocumentsFolder) {
    const std::string folders[2] = {dir.file("a/"), dir.file("b/")};
    for (const std::string& folder : folders) std::filesystem::create_directory(folder);
    dir.write("a/tex.bmp", testimages::bmp(2, 2, testimages::counting(12)));
    dir.write("b/tex.bmp", testimages::bmp(2, 2, Bytes(12, 7)));
    const uint32_t search = MQO_FEATURE_TEXTURE_SEARCH;
    const MqoReadContext sources[] = {
        {search, nullptr, folders[0].c_str()},
        {search, nullptr, folders[1].c_str()},
        {search, nullptr, folders[0].c_str()},
        {MQO_FEATURE_UTF8_NAMES, nullptr, folders[0].c_str()},
    };
    const int expected[] = {1, 2, 1, -1};
    std::vector<Bytes> uploads;
    testing::internal::CaptureStdout();
    for (size_t i = 0; i < 4; ++i) {
        PathBuffer name("C:\\tex.bmp");
        EXPECT_EQ(mqoRequestTexture(name.get(), nullptr, 255, sources[i]), expected[i]) << i;
        uploads.push_back(fakegl::lastTextureImage());
    }
    PathBuffer exact("C:\\tex.bmp");
    EXPECT_EQ(mqoSetTexturePool(exact.get(), nullptr, 255), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "MqoModel:テクスチャ読み込みエラー[C:\\tex.bmp]\n"
              "MqoModel:テクスチャ読み込みエラー[C:\\tex.bmp]\n");
    EXPECT_NE(uploads[0], uploads[1]);
    EXPECT_EQ(texturePoolCount, 2);
}

}  // namespace
