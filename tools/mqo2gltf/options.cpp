#include "mqo2gltf/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "batch/inputs.h"

const char* const kGltfUsage =
    "usage: mqo2gltf [--scale S] [--hidden] [--exact] INPUT OUTPUT.glb\n"
    "       mqo2gltf [--scale S] [--hidden] [--exact] --out-dir DIR FILES...\n"
    "Writes MQO documents (.mqo, .mqoz) as binary glTF 2.0 (.glb), with their\n"
    "materials and textures, as the library draws them.\n"
    "  --scale S        metres per document unit (default 0.001: millimetres)\n"
    "  --hidden         write hidden objects (visible 0) too\n"
    "  --exact          read only the exact subset (no PNG/JPEG, mirrors, polygons...)\n"
    "  --out-dir DIR    write DIR/NAME.glb for each FILE\n"
    "                   (NAME-2.glb, the next free number, for a name already\n"
    "                   written in this run, with a line on standard error)\n"
    "  -h, --help       show this help\n";

namespace {

bool positive(const char* text, double* out) {
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(value) || !(value > 0)) {
        return false;
    }
    *out = value;
    return true;
}

}  // namespace

bool parseGltfOptions(int argc, char** argv, GltfToolOptions* options, std::string* error) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--scale" || arg == "--out-dir") && i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        if (arg == "-h" || arg == "--help") {
            options->help = true;
        } else if (arg == "--hidden") {
            options->gltf.includeHidden = 1;
        } else if (arg == "--exact") {
            options->gltf.features = 0;
        } else if (arg == "--scale") {
            if (!positive(argv[++i], &options->gltf.scale)) {
                *error = "the scale must be a number above 0";
                return false;
            }
        } else if (arg == "--out-dir") {
            options->outDir = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option " + arg;
            return false;
        } else {
            positional.push_back(arg);
        }
    }
    return options->help || takeInputs(positional, options->outDir, "OUTPUT.glb", &options->inputs,
                                       &options->output, error);
}
