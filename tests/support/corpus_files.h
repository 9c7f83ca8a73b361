// Finding documents in the corpus of real files beside the project
// (../shared/corpus), which a fresh clone does not have: tests skip then.
#ifndef MQO_TESTS_SUPPORT_CORPUS_FILES_H
#define MQO_TESTS_SUPPORT_CORPUS_FILES_H

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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

}  // namespace corpusfiles

#endif  // MQO_TESTS_SUPPORT_CORPUS_FILES_H
