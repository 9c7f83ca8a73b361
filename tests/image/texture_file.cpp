// Finding texture files named the Windows way: backslash folders, any letter
// case, and the names that must still fail.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"
#include "support/fake_gl.h"
#include "support/image_files.h"

using namespace mqo::detail;

namespace {

using testimages::Bytes;
using testimages::PathBuffer;

// Every file holds its own name, so a read tells which file was opened.
void makeTree(const testsupport::TempDir& dir, const std::vector<std::string>& files) {
    for (const std::string& name : files) {
        const std::string made = dir.write(name, name);
        ASSERT_EQ(testsupport::readFile(made), name) << made;
    }
}

// What mqoOpenTextureFile opened, by its content; "" for null.
std::string openedFile(const std::string& request) {
    PathBuffer asked(request);
    FILE* file = mqoOpenTextureFile(asked.get());
    EXPECT_EQ(asked.str(), request) << "the caller's name was written to";
    if (file == nullptr) return "";
    std::string content(300, '\0');
    content.resize(std::fread(&content[0], 1, content.size(), file));
    std::fclose(file);
    return content.empty() ? "(empty)" : content;
}

// Runs the enclosing block in another working folder.
class InFolder {
public:
    explicit InFolder(const std::string& folder) {
        char buf[4096];
        if (getcwd(buf, sizeof buf) != nullptr) previous_ = buf;
        EXPECT_EQ(chdir(folder.c_str()), 0) << folder;
    }
    ~InFolder() { EXPECT_EQ(chdir(previous_.c_str()), 0) << previous_; }

private:
    std::string previous_;
};

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct Case {
    const char* what;
    std::vector<std::string> files;  // made below the scratch folder
    std::string request;             // below it too (relative when inFolder)
    bool inFolder;                   // asked relative to the working folder
    std::string opened;              // the file expected, "" for none
};

TEST(TextureFile, FindsWindowsNamesAndRefusesWhatIsNotThere) {
    const std::vector<Case> cases = {
        {"backslash folders, case differs in folder and file",
         {"model/Texture/skin2.BMP"},
         "model\\texture\\Skin2.bmp",
         false,
         "model/Texture/skin2.BMP"},
        {"relative from the working folder",
         {"Model/tex/A.bmp"},
         "model\\TEX\\a.bmp",
         true,
         "Model/tex/A.bmp"},
        {"extension lowered by the type rename", {"WOOD.BMP"}, "WOOD.bmp", false, "WOOD.BMP"},
        {"exact folder preferred to its case variants",
         {"DIR/a.BMP", "Dir/a.BMP", "dir/a.BMP"},
         "Dir/a.bmp",
         false,
         "Dir/a.BMP"},
        {"case variants: first in strcmp order",
         {"sub/sKin.bmp", "sub/Skin.bmp", "sub/SKIN.bmp"},
         "sub\\skIN.bmp",
         false,
         "sub/SKIN.bmp"},
        {"dot and empty components skipped, .. kept",
         {"a/B.bmp", "c/x.bmp"},
         "c\\\\.\\..\\A\\b.bmp",
         false,
         "a/B.bmp"},
        {"missing file", {"a.bmp"}, "b.bmp", false, ""},
        {"drive-qualified name is not mended", {"c:/tex.bmp"}, "C:\\tex.bmp", true, ""},
        {"file used as a folder", {"skin.bmp"}, "SKIN.BMP\\x.bmp", false, ""},
        {"a folder is not a texture", {"Tex.bmp/inner.bmp"}, "tex.bmp", false, ""},
        {"a folder is not a texture, backslash form",
         {"t/Tex.bmp/inner.bmp"},
         "t\\Tex.bmp",
         false,
         ""},
        {"64 components are looked up",
         {repeat("a/", 63) + "B.bmp"},
         repeat("a/", 63) + "b.bmp",
         true,
         repeat("a/", 63) + "B.bmp"},
        {"65 components are not",
         {repeat("a/", 64) + "B.bmp"},
         repeat("a/", 64) + "b.bmp",
         true,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir("mqo_paths");
        ASSERT_FALSE(dir.path().empty());
        makeTree(dir, c.files);
        if (c.inFolder) {
            InFolder in(dir.path());
            EXPECT_EQ(openedFile(c.request), c.opened);
        } else {
            EXPECT_EQ(openedFile(dir.path() + "/" + c.request), c.opened);
        }
    }
}

// Names as authors' machines wrote them, in Shift_JIS (CP932) and CP949.
const std::string kSjisStudy = "\x95\xd7\x8b\xad";                             // 勉強
const std::string kSjisTextures = "\x83\x65\x83\x4e\x83\x58\x83\x60\x83\x83";  // テクスチャ
const std::string kSjisTable = "\x95\x5c";                              // 表, ending in 0x5C
const std::string kSjisTrails = "\x83\x5c\x95\x5c\x94\x5c";             // ソ表能, all three
const std::string kCp949Desktop = "\xb9\xd9\xc5\xc1 \xc8\xad\xb8\xe9";  // 바탕 화면

// What mqoOpenTextureSource opened for a name a document in folder wrote,
// joined as texture requests join it; "" for null.
std::string searched(const testsupport::TempDir& dir, const std::string& folder,
                     const std::string& name, uint32_t features) {
    const std::string documentFolder = dir.path() + "/" + folder;
    const std::string request = name.find(':') != std::string::npos ? name : documentFolder + name;
    const MqoReadContext read = {features, nullptr, documentFolder.c_str()};
    FILE* file = mqoOpenTextureSource(request.c_str(), read);
    if (file == nullptr) return "";
    std::string content(300, '\0');
    content.resize(std::fread(&content[0], 1, content.size(), file));
    std::fclose(file);
    return content;
}

TEST(TextureFile, SearchFindsTexturesMovedWithTheirDocument) {
    const uint32_t search = MQO_FEATURE_TEXTURE_SEARCH;
    const uint32_t others = MQO_FEATURE_ALL & ~MQO_FEATURE_TEXTURE_SEARCH;
    const struct {
        const char* what;
        std::vector<std::string> files;
        std::string folder, name;  // the document's folder, the name it wrote
        uint32_t features;
        std::string opened;
    } cases[] = {
        {"Windows absolute path",
         {"tex.png"},
         "",
         "C:\\Users\\someone\\Desktop\\tex.png",
         search,
         "tex.png"},
        {"... not without the bit",
         {"tex.png"},
         "",
         "C:\\Users\\someone\\Desktop\\tex.png",
         others,
         ""},
        {"Shift_JIS folder, base in another case",
         {"tex.png"},
         "",
         "E:\\" + kSjisStudy + "\\TEX.PNG",
         search,
         "tex.png"},
        {"base of 0x5C trail bytes, not the plain cut",
         {kSjisTrails + ".png", ".png"},
         "",
         "C:\\" + kSjisStudy + "\\" + kSjisTrails + ".png",
         search,
         kSjisTrails + ".png"},
        {"Shift_JIS folder and file, relative",
         {kSjisTextures + "/" + kSjisTable + ".png"},
         "",
         kSjisTextures + "\\" + kSjisTable + ".png",
         search,
         kSjisTextures + "/" + kSjisTable + ".png"},
        {"... not without the bit",
         {kSjisTextures + "/" + kSjisTable + ".png"},
         "",
         kSjisTextures + "\\" + kSjisTable + ".png",
         others,
         ""},
        {"CP949 folder pairing up as Shift_JIS",
         {"tex.png"},
         "",
         "C:\\" + kCp949Desktop + "\\tex.png",
         search,
         "tex.png"},
        {"relative folder that is gone",
         {"doc/Tex.png"},
         "doc/",
         "..\\textures\\tex.png",
         search,
         "doc/Tex.png"},
        {"name as written still comes first",
         {"doc/sub/tex.png", "doc/tex.png"},
         "doc/",
         "sub\\tex.png",
         search,
         "doc/sub/tex.png"},
        {"nothing beside the document", {"other.png"}, "", "C:\\x\\tex.png", search, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir("mqo_search");
        ASSERT_FALSE(dir.path().empty());
        makeTree(dir, c.files);
        EXPECT_EQ(searched(dir, c.folder, c.name, c.features), c.opened);
    }
}

// A document folder and base name that do not fit a pool slot together are
// not searched: cut, the place would name another file (tex.pn here).
TEST(TextureFile, SearchedPlaceMustFitWhole) {
    testsupport::TempDir dir("mqo_search");
    ASSERT_FALSE(dir.path().empty());
    const size_t base = std::string("/tex.png").size();
    for (const size_t placeLength : {size_t{MQO_POOL_PATH_SIZE} - 1, size_t{MQO_POOL_PATH_SIZE}}) {
        const std::string folder(placeLength - dir.path().size() - 1 - base, 'd');
        makeTree(dir, {folder + "/tex.png", folder + "/tex.pn"});
        const std::string found = placeLength < MQO_POOL_PATH_SIZE ? folder + "/tex.png" : "";
        EXPECT_EQ(searched(dir, folder + "/", "C:\\tex.png", MQO_FEATURE_TEXTURE_SEARCH), found)
            << placeLength;
    }
}

// A folder too large to search is passed through only by its exact name.
TEST(TextureFile, TooLargeFolderIsNotSearched) {
    testsupport::TempDir dir("mqo_paths");
    ASSERT_FALSE(dir.path().empty());
    makeTree(dir, {"big/Sub/Skin.bmp"});
    for (int i = 0; i < 4100; ++i) {
        ASSERT_TRUE(testsupport::writeFile(dir.file("big/f" + std::to_string(i)), "", 0));
    }
    EXPECT_EQ(openedFile(dir.file("big\\Sub\\skin.bmp")), "big/Sub/Skin.bmp");
    EXPECT_EQ(openedFile(dir.file("big\\sub\\skin.bmp")), "");
}

// Mending never lengthens a name, so a request that fits no pool slot is not
// mended at all, even when its shorter form would be found.
TEST(TextureFile, NameTooLongForAPoolSlotIsNotMended) {
    testsupport::TempDir dir("mqo_paths");
    ASSERT_FALSE(dir.path().empty());
    ASSERT_LT(dir.path().size(), 200u);
    const std::string folder = std::string(250 - dir.path().size(), 'd');
    makeTree(dir, {folder + "/A.bmp"});
    const std::string fits = dir.file(folder + "/a.bmp");
    ASSERT_LT(fits.size(), size_t{MQO_POOL_PATH_SIZE});
    EXPECT_EQ(openedFile(fits), folder + "/A.bmp");
    const std::string padded =
        dir.path() + std::string(MQO_POOL_PATH_SIZE - fits.size() + 1, '/') + folder + "/a.bmp";
    ASSERT_EQ(padded.size(), size_t{MQO_POOL_PATH_SIZE});
    EXPECT_EQ(openedFile(padded), "");
}

// Through the pool: the mended names load, and the slot keeps the request.
TEST(TextureFile, PoolLoadsMendedNamesAndKeepsTheRequest) {
    struct PoolCase {
        const char* what;
        std::string texture, alpha;  // files made
        std::string askTexture, askAlpha;
        std::string stored;  // texture path the slot keeps
    };
    const std::vector<PoolCase> cases = {
        {"backslash and case", "model/Texture/SKIN2.bmp", "model/Texture/Skin2_A.TGA",
         "model\\texture\\skin2.bmp", "model\\TEXTURE\\skin2_a.tga", "model\\texture\\skin2.bmp"},
        {"upper-case extension", "WOOD.BMP", "", "WOOD.BMP", "", "WOOD.bmp"},
    };
    const Bytes texture = testimages::bmp(2, 2, testimages::counting(12));
    const Bytes alpha = testimages::tga(2, 2, 3, 8, Bytes{10, 200, 30, 250});
    for (const PoolCase& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir("mqo_paths");
        ASSERT_FALSE(dir.path().empty());
        const bool hasAlpha = !c.alpha.empty();
        const std::string realTexture = dir.write(c.texture, texture);
        const std::string realAlpha = hasAlpha ? dir.write(c.alpha, alpha) : "";

        // The block expected: the same files read by their real names.
        fakegl::reset();
        PathBuffer t(realTexture), a(realAlpha);
        int size = 0;
        unsigned char* block =
            mqoReadTextureImage(t.get(), hasAlpha ? a.get() : nullptr, &size, 200);
        ASSERT_NE(block, nullptr);
        const Bytes expected(block, block + 2 * 2 * 4);
        std::free(block);

        fakegl::reset();
        mqoInitLibrary();
        PathBuffer askT(dir.file(c.askTexture)), askA(dir.file(c.askAlpha));
        testing::internal::CaptureStdout();
        const int name = mqoSetTexturePool(askT.get(), hasAlpha ? askA.get() : nullptr, 200);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(name, 1);
        EXPECT_EQ(fakegl::lastTextureImage(), expected);
        EXPECT_EQ(texturePoolCount, 1);
        EXPECT_STREQ(texturePool[0].texturePath, dir.file(c.stored).c_str());
        EXPECT_STREQ(texturePool[0].alphaPath, hasAlpha ? dir.file(c.askAlpha).c_str() : "");
        // Asked again by the name the slot keeps: the same slot, no second read.
        PathBuffer again(dir.file(c.stored)), againA(dir.file(c.askAlpha));
        EXPECT_EQ(mqoSetTexturePool(again.get(), hasAlpha ? againA.get() : nullptr, 200), name);
        EXPECT_EQ(texturePoolCount, 1);
        mqoReleaseTexturePool();
    }
}

}  // namespace
