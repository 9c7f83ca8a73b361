// Files as each system names them: UTF-8 names with characters beyond
// ASCII, names longer than the old 260-character limit, folders that are no
// file, and the in-memory files package entries are read through. The same
// cases run on Linux and, under Wine, on Windows.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "mqo/read/read_internal.h"
#include "support/temp_dir.h"

using namespace mqo::detail;

namespace {

struct NameCase {
    const char* what;
    std::string name;
};

// Writes name (UTF-8, its folders made) below dir through the standard
// library's own Unicode path, so the file on disk has the name the library
// must find; the full UTF-8 path.
std::string writeUnicode(const testsupport::TempDir& dir, const std::string& name) {
    const std::filesystem::path path = std::filesystem::u8path(dir.path() + "/" + name);
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream(path, std::ios::binary) << "bytes";
    return dir.path() + "/" + name;
}

// A name of about 300 bytes in folders of 100, so that no one part is
// longer than a file system takes.
std::string longName() {
    const std::string part(100, 'd');
    return part + "/" + part + "/" + part + ".mqo";
}

TEST(FileNames, OpenStatAndRemoveThroughTheSystemsCalls) {
    testsupport::TempDir dir("mqo_names");
    ASSERT_FALSE(dir.path().empty());
    const NameCase cases[] = {
        {"ASCII", "plain.mqo"},
        {"Japanese in UTF-8", "\xe3\x83\x86\xe3\x82\xaf\xe3\x82\xb9\xe3\x83\x81\xe3\x83\xa3.bmp"},
        {"accents in UTF-8", "caf\xc3\xa9 na\xc3\xafve.tga"},
        {"longer than 260", longName()},
    };
    for (const NameCase& c : cases) {
        const std::string path = writeUnicode(dir, c.name);
        FILE* out = mqoOpenFile(path.c_str(), "rb");
        ASSERT_NE(out, nullptr) << c.what << ": " << path;
        char got[8] = {};
        EXPECT_EQ(std::fread(got, 1, sizeof got, out), 5u) << c.what;
        EXPECT_STREQ(got, "bytes") << c.what;
        std::fclose(out);

        bool folder = true;
        EXPECT_EQ(mqoPathStatus(path.c_str(), &folder), 0) << c.what;
        EXPECT_FALSE(folder) << c.what;
        FILE* regular = mqoOpenRegularFile(path.c_str());
        EXPECT_NE(regular, nullptr) << c.what;
        if (regular != nullptr) std::fclose(regular);

        EXPECT_EQ(mqoRemoveFile(path.c_str()), 0) << c.what;
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(path))) << c.what;
        EXPECT_NE(mqoPathStatus(path.c_str(), &folder), 0) << c.what << ": still there";
        EXPECT_EQ(mqoOpenFile(path.c_str(), "rb"), nullptr) << c.what;
    }
}

TEST(FileNames, AFolderIsNoRegularFile) {
    testsupport::TempDir dir("mqo_names");
    bool folder = false;
    EXPECT_EQ(mqoPathStatus(dir.path().c_str(), &folder), 0);
    EXPECT_TRUE(folder);
    EXPECT_EQ(mqoOpenRegularFile(dir.path().c_str()), nullptr);
    EXPECT_NE(mqoPathStatus((dir.path() + "/missing.mqo").c_str(), &folder), 0);
}

TEST(FileNames, WritingGoesThroughTheSameCall) {
    testsupport::TempDir dir("mqo_names");
    const std::string path = dir.file("\xe5\x87\xba\xe5\x8a\x9b.glb");
    FILE* out = mqoOpenFile(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::fwrite("glTF", 1, 4, out), 4u);
    EXPECT_EQ(std::fclose(out), 0);
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    std::string got;
    in >> got;
    in.close();
    EXPECT_EQ(got, "glTF");
    EXPECT_EQ(mqoRemoveFile(path.c_str()), 0);
}

// Seeks and reads as on a file on disk, and closing frees the bytes (the
// sanitizers see to that on Linux).
TEST(FileNames, MemoryFilesSeekAndRead) {
    const char text[] = "0123456789";
    auto* bytes = static_cast<unsigned char*>(std::malloc(10));
    ASSERT_NE(bytes, nullptr);
    std::memcpy(bytes, text, 10);
    FILE* file = mqoOpenMemoryFile(bytes, 10);
    ASSERT_NE(file, nullptr);
    char got[4] = {};
    ASSERT_EQ(std::fseek(file, 6, SEEK_SET), 0);
    EXPECT_EQ(std::fread(got, 1, 3, file), 3u);
    EXPECT_STREQ(got, "678");
    ASSERT_EQ(std::fseek(file, -2, SEEK_END), 0);
    EXPECT_EQ(std::ftell(file), 8);
    EXPECT_EQ(std::fread(got, 1, 3, file), 2u);
    EXPECT_EQ(std::fgetc(file), EOF);
    EXPECT_EQ(std::fclose(file), 0);
    EXPECT_EQ(mqoOpenMemoryFile(nullptr, 4), nullptr);
}

}  // namespace
