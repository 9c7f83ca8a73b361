#include "mqo2png/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "batch/inputs.h"

const char* const kUsage =
    "usage: mqo2png [-s SIZE] [--exact] [--yaw DEG] [--pitch DEG] INPUT OUTPUT.png\n"
    "       mqo2png [-s SIZE] [--exact] [--yaw DEG] [--pitch DEG] --out-dir DIR FILES...\n"
    "Renders MQO documents (.mqo, .mqoz) to square PNG pictures with a transparent\n"
    "background, framed to the model, without a display.\n"
    "  -s, --size SIZE  picture width and height in pixels (16-4096, default 256)\n"
    "  --exact          read only the exact subset (no PNG/JPEG, mirrors, polygons...)\n"
    "  --yaw DEG        turn about the vertical axis (default 30)\n"
    "  --pitch DEG      look down by this angle (default 20)\n"
    "  --scene          the camera the document was saved with (its Scene chunk);\n"
    "                   framed as usual, with a warning, when it has none\n"
    "  --core           draw through the library's shaded path in an OpenGL 3.3\n"
    "                   core context (the same picture; not with --scene)\n"
    "  --out-dir DIR    write DIR/NAME.png for each FILE\n"
    "                   (NAME-2.png, the next free number, for a name already\n"
    "                   written in this run, with a line on standard error)\n"
    "  -h, --help       show this help\n";

namespace {

bool number(const char* text, double low, double high, double* out) {
    errno = 0;
    char* end = nullptr;
    double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(value)) return false;
    if (value < low || value > high) return false;
    *out = value;
    return true;
}

}  // namespace

bool parseOptions(int argc, char** argv, Options* options, std::string* error) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const bool takesValue = arg == "-s" || arg == "--size" || arg == "--yaw" ||
                                arg == "--pitch" || arg == "--out-dir";
        if (takesValue && i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        double value = 0;
        if (arg == "-h" || arg == "--help") {
            options->help = true;
        } else if (arg == "--exact") {
            options->exact = true;
        } else if (arg == "--scene") {
            options->scene = true;
        } else if (arg == "--core") {
            options->core = true;
        } else if (arg == "-s" || arg == "--size") {
            if (!number(argv[++i], 16, 4096, &value) || value != std::floor(value)) {
                *error = "the size must be a whole number from 16 to 4096";
                return false;
            }
            options->size = static_cast<int>(value);
        } else if (arg == "--yaw" || arg == "--pitch") {
            if (!number(argv[++i], -360, 360, &value)) {
                *error = arg + " must be a number of degrees from -360 to 360";
                return false;
            }
            (arg == "--yaw" ? options->yaw : options->pitch) = static_cast<float>(value);
        } else if (arg == "--out-dir") {
            options->outDir = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option " + arg;
            return false;
        } else {
            positional.push_back(arg);
        }
    }
    if (options->help) return true;
    // The author's camera is drawn by the fixed-function path alone.
    if (options->core && options->scene) {
        *error = "--core and --scene do not go together";
        return false;
    }
    return takeInputs(positional, options->outDir, "OUTPUT.png", &options->inputs, &options->output,
                      error);
}
