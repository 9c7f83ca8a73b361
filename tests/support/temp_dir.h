// A private temporary folder for the tests and fuzz targets, removed with
// everything in it, and whole-file reads and writes. Header only and free of
// GoogleTest, so fuzz targets and child-process tests can use it too.
#ifndef MQO_TESTS_SUPPORT_TEMP_DIR_H
#define MQO_TESTS_SUPPORT_TEMP_DIR_H

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace testsupport {

// A name as the library takes it (UTF-8; bytes as they are elsewhere) made a
// path the system opens: on Windows the narrow calls would read it in the
// system's code page instead.
inline std::filesystem::path systemPath(const std::string& name) {
    try {
        return std::filesystem::u8path(name);
    } catch (const std::exception&) {
        return std::filesystem::path(name);
    }
}

// Replaces the file at path with size bytes; false unless all were written.
inline bool writeFile(const std::string& path, const void* data, size_t size) {
    std::ofstream out(systemPath(path), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    if (size > 0) out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    return !out.fail();
}
inline bool writeFile(const std::string& path, const std::string& bytes) {
    return writeFile(path, bytes.data(), bytes.size());
}
inline bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    return writeFile(path, bytes.data(), bytes.size());
}

// The whole file; "" when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream in(systemPath(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class TempDir {
public:
    // Makes a new folder <parent>/<tag>_XXXXXX. Without a parent, or when
    // the parent refuses, it goes in the system's temp folder; path() is ""
    // when no folder could be made, so callers can fail cleanly.
    explicit TempDir(const std::string& tag = "mqo_test", const std::string& parent = "") {
        if (!parent.empty()) make(parent + "/" + tag + "_XXXXXX");
        if (path_.empty()) {
            std::error_code ec;
            std::string system = std::filesystem::temp_directory_path(ec).string();
            make((ec || system.empty() ? std::string("/tmp") : system) + "/" + tag + "_XXXXXX");
        }
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    // Writes bytes as name (its subfolders are made) and returns the full
    // path, written or not: a later open then reports the failure.
    std::string write(const std::string& name, const void* data, size_t size) const {
        const std::string full = file(name);
        std::error_code ignored;
        std::filesystem::create_directories(systemPath(full).parent_path(), ignored);
        writeFile(full, data, size);
        return full;
    }
    std::string write(const std::string& name, const std::string& bytes) const {
        return write(name, bytes.data(), bytes.size());
    }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        return write(name, bytes.data(), bytes.size());
    }

private:
    // As mkdtemp does, on every system: a random name in place of the X's,
    // made by a call that fails when the folder is already there.
    void make(const std::string& pattern) {
        static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = pattern;
            for (size_t i = name.size() - 6; i < name.size(); ++i) {
                name[i] = letters[random() % (sizeof letters - 1)];
            }
            std::error_code ec;
            if (std::filesystem::create_directory(name, ec)) {
                std::filesystem::permissions(name, std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::replace, ec);
                path_ = name;
                return;
            }
            if (ec && ec != std::errc::file_exists) return;
        }
    }

    std::string path_;
};

}  // namespace testsupport

#endif  // MQO_TESTS_SUPPORT_TEMP_DIR_H
