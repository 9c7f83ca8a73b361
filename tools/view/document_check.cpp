#include "view/document_check.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

struct File {
    FILE* f;
    explicit File(const std::string& path) : f(std::fopen(path.c_str(), "rb")) {}
    ~File() {
        if (f != nullptr) std::fclose(f);
    }
};

// The last bytes of the file hold "Eof" (followed by line ends, perhaps
// a NUL or two that some writers add).
bool endsWithEof(FILE* f, long size) {
    char tail[32] = {};
    long from = size > 31 ? size - 31 : 0;
    if (std::fseek(f, from, SEEK_SET) != 0) return false;
    size_t got = std::fread(tail, 1, sizeof tail - 1, f);
    while (got > 0 && (tail[got - 1] == '\n' || tail[got - 1] == '\r' || tail[got - 1] == '\0' ||
                       tail[got - 1] == ' ')) {
        --got;
    }
    return got >= 3 && std::memcmp(tail + got - 3, "Eof", 3) == 0;
}

}  // namespace

bool isPackagePath(const std::string& path) {
    if (path.size() < 5) return false;
    std::string end = path.substr(path.size() - 5);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".mqoz";
}

DocumentCheck checkDocument(const std::string& path, bool packagesRead) {
    DocumentCheck check;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        check.error = std::strerror(errno);
        return check;
    }
    if (S_ISDIR(st.st_mode)) {
        check.error = "is a folder";
        return check;
    }
    File file(path);
    if (file.f == nullptr) {
        check.error = std::strerror(errno);
        return check;
    }
    char head[20] = {};
    size_t got = std::fread(head, 1, sizeof head, file.f);
    if (packagesRead && isPackagePath(path)) {
        check.ok = got >= 4 && std::memcmp(head, "PK\x03\x04", 4) == 0;
        if (!check.ok) check.error = "not an MQO package (no zip header)";
        return check;
    }
    if (isPackagePath(path) && got >= 4 && std::memcmp(head, "PK\x03\x04", 4) == 0) {
        check.error = "a .mqoz package needs the complete reading";
        check.needsCompleteReading = true;
        return check;
    }
    if (got < sizeof head || std::memcmp(head, "Metasequoia Document", sizeof head) != 0) {
        check.error = "not an MQO document (no \"Metasequoia Document\" line)";
        return check;
    }
    check.ok = true;
    if (!endsWithEof(file.f, static_cast<long>(st.st_size)))
        check.warning = "damaged: the document ends early (no Eof line); drawn as far as it reads";
    return check;
}
