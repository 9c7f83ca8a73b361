// Fuzz target: arbitrary bytes as a texture name below a fixed folder tree,
// opened as the image reader opens texture and alpha files.
//
// Input layout: the bytes up to the first NUL are the name; it is asked as
// TREE/name. ".." may climb out of the tree; nothing is written anywhere.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mqo/internal.h"
#include "support/temp_dir.h"

namespace {

// Mixed case, names differing in case only, a folder with a file's name, a
// file in a folder's place, a drive-like folder and Shift-JIS bytes (one
// pair ending in the backslash byte, so found only as written). Every
// file holds its own name, so the one opened can be told.
const char* const TREE_FILES[] = {
    "Model/Texture/Skin2.BMP",
    "Model/Texture/skin2.bmp",
    "Model/texture/SKIN2.bmp",
    "Model/wood.BMP",
    "model/Wood.bmp",
    "a/b/c/Deep.TGA",
    "Dir.bmp/x.tga",
    "file.bmp",
    "c:/tex.bmp",
    "UPPER/LOWER.PNG",
    "sp ace/\x82\xa0.BMP",
    "sp ace/\x95\x5c.bmp",
};

// Memory-backed when the system has it; removed when the fuzzer exits.
struct Tree {
    testsupport::TempDir dir{"fuzz_paths", "/dev/shm"};
    Tree() {
        if (dir.path().empty()) return;
        for (const char* name : TREE_FILES) dir.write(name, std::string(name));
        // A link to nowhere: present by name, yet no file to open.
        if (symlink("nowhere", dir.file("Gone.bmp").c_str()) != 0) abort();
    }
};

const Tree& tree() {
    static const Tree made;
    return made;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The name as folders would read it: backslashes as '/', empty and "."
// components dropped, ASCII letters lowered. Sets climbs for a ".." in it.
std::string normalised(const std::string& name, bool* climbs) {
    std::string out, part;
    *climbs = false;
    for (size_t i = 0; i <= name.size(); ++i) {
        char c = i < name.size() ? name[i] : '/';
        if (c != '/' && c != '\\') {
            part += asciiLower(c);
            continue;
        }
        if (part == "..") *climbs = true;
        if (!part.empty() && part != ".") out += (out.empty() ? "" : "/") + part;
        part.clear();
    }
    return out;
}

std::string lowered(std::string s) {
    for (char& c : s) c = asciiLower(c);
    return s;
}

bool plainOpens(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f != nullptr) std::fclose(f);
    return f != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (tree().dir.path().empty()) return 0;
    const std::string name(reinterpret_cast<const char*>(data),
                           strnlen(reinterpret_cast<const char*>(data), size));
    const std::string path = tree().dir.path() + "/" + name;
    const std::string asked = path;

    FILE* file = mqoOpenTextureFile(asked.c_str());
    if (asked != path) abort();  // the caller's name must stay as it was
    if (file == nullptr) return 0;

    struct stat st;
    if (fstat(fileno(file), &st) != 0) abort();
    std::string content(512, '\0');
    content.resize(std::fread(&content[0], 1, content.size(), file));
    std::fclose(file);

    // What opens as written opens as before. Otherwise only a regular file
    // may open, never for a drive-qualified name, and, without "..", only a
    // tree file the name matches in ASCII case.
    if (plainOpens(path)) return 0;
    if (!S_ISREG(st.st_mode) || name.find(':') != std::string::npos) abort();
    bool climbs;
    const std::string wanted = normalised(name, &climbs);
    if (!climbs && lowered(content) != wanted) abort();
    return 0;
}
