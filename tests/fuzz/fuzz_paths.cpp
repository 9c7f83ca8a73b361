// Fuzz target: arbitrary bytes as a texture name below a fixed folder tree,
// opened as the image reader opens texture and alpha files, and as the
// texture search looks for it beside its document.
//
// Input layout: the bytes up to the first NUL are the name; it is asked as
// TREE/name. A byte after the NUL, when there is one, asks for the search:
// bit 0 on, with the document in TREE/Model/ when bit 1 is set, else in
// TREE/. ".." may climb out of the tree; nothing is written anywhere.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"
#include "support/temp_dir.h"

using namespace mqo::detail;

namespace {

// Mixed case, names differing in case only, a folder with a file's name, a
// file in a folder's place, a drive-like folder and Shift-JIS bytes (one
// pair ending in the backslash byte, so found only as written or read as
// Shift_JIS, and a Shift_JIS folder so ending). Every file holds its own
// name, so the one opened can be told.
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
    "\x83\x5c/Skin.bmp",
    "Model/\x83\x5c\x95\x5c.tga",
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

bool shiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool shiftJisTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// The name split into components at '/' and at the backslashes that are
// separators: all of them, or with shiftJis those that do not end a
// double-byte character in a '/'-separated part that is not UTF-8.
std::vector<std::string> components(const std::string& name, bool shiftJis) {
    std::vector<std::string> out(1);
    size_t partStart = 0;
    bool pairs = false;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == partStart) {
            const size_t end = std::min(name.find('/', i), name.size());
            pairs = shiftJis && !mqoIsUtf8Bytes(name.data() + i, end - i);
        }
        const char c = i < name.size() ? name[i] : '/';
        if (c == '/' || c == '\\') {
            out.emplace_back();
            if (c == '/') partStart = i + 1;
            continue;
        }
        out.back() += c;
        const auto b = static_cast<unsigned char>(c);
        if (pairs && shiftJisLead(b) && i + 1 < name.size() && name[i + 1] != '/' &&
            shiftJisTrail(static_cast<unsigned char>(name[i + 1]))) {
            out.back() += name[++i];
        }
    }
    out.pop_back();  // the end marker's empty component
    return out;
}

// The name as folders would read it: empty and "." components dropped,
// ASCII letters lowered. Sets climbs for a ".." in it.
std::string normalised(const std::string& name, bool shiftJis, bool* climbs) {
    std::string out;
    for (const std::string& part : components(name, shiftJis)) {
        if (part == "..") *climbs = true;
        if (part.empty() || part == ".") continue;
        out += (out.empty() ? "" : "/");
        for (char c : part) out += asciiLower(c);
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

std::string plainContent(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    std::string content(512, '\0');
    content.resize(std::fread(&content[0], 1, content.size(), f));
    std::fclose(f);
    return content;
}

// What the search opens for path, the name of a document in folder.
FILE* searched(const std::string& path, const std::string& folder) {
    const MqoReadContext read = {MQO_FEATURE_TEXTURE_SEARCH, nullptr, folder.c_str()};
    return mqoOpenTextureSource(path.c_str(), read);
}

// The tree files a lookup may open for name (their paths lowered): the name
// in either reading, unless drive-qualified; searching, also its last
// component in either reading below folder.
std::vector<std::string> allowed(const std::string& name, bool search, const std::string& folder,
                                 bool* climbs) {
    std::vector<std::string> files;
    const bool drive = name.find(':') != std::string::npos;
    for (int shiftJis = 0; shiftJis <= (search ? 1 : 0); ++shiftJis) {
        if (!drive) files.push_back(normalised(name, shiftJis != 0, climbs));
        if (!search) continue;
        const std::vector<std::string> parts = components(name, shiftJis != 0);
        if (parts.empty()) continue;
        const std::string base = parts.back();
        if (base == "..") *climbs = true;
        files.push_back(lowered(folder + base));
    }
    return files;
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A last component of name (asked as path), in either reading, is a regular
// file in folder as it stands. Only for names the search takes: places
// that fit a pool slot.
bool baseNamesAFile(const std::string& name, const std::string& path, const std::string& folder) {
    if (path.size() >= MQO_POOL_PATH_SIZE) return false;
    for (int shiftJis = 0; shiftJis <= 1; ++shiftJis) {
        const std::vector<std::string> parts = components(name, shiftJis != 0);
        if (parts.empty() || folder.size() + parts.back().size() >= MQO_POOL_PATH_SIZE) continue;
        if (isRegularFile(folder + parts.back())) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (tree().dir.path().empty()) return 0;
    const std::string name(reinterpret_cast<const char*>(data),
                           strnlen(reinterpret_cast<const char*>(data), size));
    const uint8_t options = name.size() + 1 < size ? data[name.size() + 1] : 0;
    const bool search = (options & 1) != 0;
    const std::string folder = (options & 2) != 0 ? "Model/" : "";
    const std::string path = tree().dir.path() + "/" + name;
    const std::string asked = path;

    FILE* file = search ? searched(asked, tree().dir.path() + "/" + folder)
                        : mqoOpenTextureFile(asked.c_str());
    if (asked != path) abort();  // the caller's name must stay as it was
    if (file == nullptr) {
        // Searching, a tree file named exactly by a last component is found.
        if (search && baseNamesAFile(name, path, tree().dir.path() + "/" + folder)) abort();
        return 0;
    }

    struct stat st;
    if (fstat(fileno(file), &st) != 0) abort();
    std::string content(512, '\0');
    content.resize(std::fread(&content[0], 1, content.size(), file));
    std::fclose(file);

    // What opens as written opens as before, searched or not. Otherwise
    // only a regular file may open and, without "..", only a tree file that
    // one of the places tried matches in ASCII case.
    if (plainOpens(path)) {
        if (search && content != plainContent(path)) abort();
        return 0;
    }
    if (!S_ISREG(st.st_mode)) abort();
    bool climbs = false;
    const std::vector<std::string> files = allowed(name, search, folder, &climbs);
    if (!climbs && std::find(files.begin(), files.end(), lowered(content)) == files.end()) abort();
    return 0;
}
