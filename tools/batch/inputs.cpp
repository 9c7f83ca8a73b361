#include "batch/inputs.h"

#include <cctype>

bool takeInputs(const std::vector<std::string>& positional, const std::string& outDir,
                const char* outputName, std::vector<std::string>* inputs, std::string* output,
                std::string* error) {
    if (!outDir.empty()) {
        *inputs = positional;
        if (positional.empty()) *error = "no documents given";
        return !positional.empty();
    }
    if (positional.size() != 2) {
        *error =
            std::string("give INPUT and ") + outputName + ", or --out-dir DIR and the documents";
        return false;
    }
    *inputs = {positional[0]};
    *output = positional[1];
    return true;
}

bool isPackagePath(const std::string& path) {
    if (path.size() < 5) return false;
    std::string end = path.substr(path.size() - 5);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".mqoz";
}
