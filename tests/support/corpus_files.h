// Finding documents in the corpus of real files beside the project
// (../shared/corpus), which a fresh clone does not have: tests skip then;
// and the plain reading the corpus tests count with, apart from the library.
#ifndef MQO_TESTS_SUPPORT_CORPUS_FILES_H
#define MQO_TESTS_SUPPORT_CORPUS_FILES_H

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace corpusfiles {

inline std::filesystem::path folder() {
    return std::filesystem::path(MQO_SOURCE_DIR) / ".." / "shared" / "corpus";
}

// The first file (in path order) whose name is name and whose text holds
// mark (when not empty); "" when there is none.
inline std::string find(const std::string& name, const std::string& mark = "") {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder(), ec)) return "";
    std::string found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder(), ec)) {
        if (entry.path().filename() != name) continue;
        if (!mark.empty()) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::string text((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
            if (text.find(mark) == std::string::npos) continue;
        }
        if (found.empty() || entry.path().string() < found) found = entry.path().string();
    }
    return found;
}

// Every document (.mqo, .MQO, .mqoz) below folder, in path order; none when
// the folder is not there.
inline std::vector<std::string> documentsIn(const std::filesystem::path& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder, ec)) {
        const std::string ext = e.path().extension().string();
        if (ext == ".mqo" || ext == ".mqoz" || ext == ".MQO") files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A document's lines as the library sees them: all up to a line feed,
// however long, and ending at a NUL byte.
class Lines {
public:
    explicit Lines(std::string bytes) : bytes_(std::move(bytes)) {}
    bool next(std::string& line) {
        if (pos_ >= bytes_.size()) return false;
        size_t end = bytes_.find('\n', pos_);
        end = end == std::string::npos ? bytes_.size() : end + 1;
        line = bytes_.substr(pos_, end - pos_);
        line.resize(std::strlen(line.c_str()));
        pos_ = end;
        return true;
    }
    // The next n bytes (fewer at the end), as a binary block follows a line.
    std::string take(size_t n) {
        n = std::min(n, bytes_.size() - pos_);
        std::string out = bytes_.substr(pos_, n);
        pos_ += n;
        return out;
    }

private:
    std::string bytes_;
    size_t pos_ = 0;
};

inline bool has(const std::string& line, const char* s) {
    return line.find(s) != std::string::npos;
}

// The numbers after key (as "V(" or "[") in line, up to the first that is not one.
template <typename T>
std::vector<T> numbersAfter(const std::string& line, const std::string& key) {
    std::vector<T> out;
    size_t at = line.find(key);
    if (at == std::string::npos) return out;
    std::istringstream in(line.substr(at + key.size()));
    T v;
    while (in >> v) out.push_back(v);
    return out;
}

// Skips lines up to the "}" closing a block opened depth times, following
// blocks opened on the way.
inline void skipBlock(Lines& lines, int depth = 1) {
    std::string line;
    while (depth > 0 && lines.next(line)) {
        if (has(line, "}"))
            --depth;
        else if (has(line, "{"))
            ++depth;
    }
}

}  // namespace corpusfiles

#endif  // MQO_TESTS_SUPPORT_CORPUS_FILES_H
