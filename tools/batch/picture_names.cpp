#include "batch/picture_names.h"

namespace {

// DIR/ and NAME apart, so that a number can go between NAME and ".png".
std::string stem(const std::string& dir, const std::string& input) {
    size_t slash = input.find_last_of('/');
    std::string base = slash == std::string::npos ? input : input.substr(slash + 1);
    size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    return dir + (dir.empty() || dir.back() == '/' ? "" : "/") + base;
}

}  // namespace

std::string plainPictureName(const std::string& dir, const std::string& input,
                             const std::string& extension) {
    return stem(dir, input) + extension;
}

std::string freePictureName(const PictureNames& names, const std::string& dir,
                            const std::string& input) {
    const std::string plain = plainPictureName(dir, input, names.extension);
    if (names.written.count(plain) == 0) return plain;
    // Ends: among written.size() + 1 numbers one at least is free.
    for (size_t n = 2;; ++n) {
        std::string numbered = stem(dir, input) + "-" + std::to_string(n) + names.extension;
        if (names.written.count(numbered) == 0) return numbered;
    }
}

std::string notePicture(PictureNames* names, const std::string& dir, const std::string& input,
                        const std::string& output) {
    names->written[output] = input;
    const std::string plain = plainPictureName(dir, input, names->extension);
    if (output == plain) return "";
    auto first = names->written.find(plain);
    const std::string& owner = first != names->written.end() ? first->second : plain;
    return "written as " + output + ", since " + plain + " is the " + names->noun + " of " + owner;
}
