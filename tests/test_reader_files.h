// Documents for the reader tests, written by the tests into a temporary
// folder that is removed afterwards.
#ifndef MQO_TESTS_TEST_READER_FILES_H
#define MQO_TESTS_TEST_READER_FILES_H

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace readerfiles {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "mqo_reader_XXXXXX").string();
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (mkdtemp(buf.data()) != nullptr) path_ = buf.data();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }

    // Writes bytes to name (subfolders are made) and returns the full path.
    std::string write(const std::string& name, const std::string& bytes) const {
        std::filesystem::path full = std::filesystem::path(path_) / name;
        std::filesystem::create_directories(full.parent_path());
        FILE* f = std::fopen(full.string().c_str(), "wb");
        if (f != nullptr) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return full.string();
    }

private:
    std::string path_;
};

// Little-endian float bytes, as a binary vertex block holds them.
inline std::string floatBytes(const std::vector<float>& values) {
    std::string out;
    for (float v : values) {
        unsigned char b[4];
        std::memcpy(b, &v, 4);
        out.append(reinterpret_cast<const char*>(b), 4);
    }
    return out;
}

// A 2 x 2 24-bit BMP, enough for the texture pool to accept a file.
inline std::string tinyBmp() {
    std::string b(54 + 16, '\0');
    auto put32 = [&](size_t at, unsigned v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<unsigned>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    b[26] = 1;
    b[28] = 24;
    put32(34, 16);
    for (size_t i = 54; i < b.size(); ++i) b[i] = static_cast<char>(0x80);
    return b;
}

}  // namespace readerfiles

#endif  // MQO_TESTS_TEST_READER_FILES_H
