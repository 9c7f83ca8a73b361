// Writes the shaded path's GLSL, both dialects, every variant (mode, textured or
// not) and both stages, into the
// folder given, for glslangValidator (glsl_check.sh) to compile.
#include <cstdio>
#include <string>

#include "mqo/shade/shade_internal.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    using namespace mqo::detail;
    const char* const dialects[2] = {"330", "300es"};
    const char* const variants[4] = {"gouraud", "perpixel", "gouraud_tex", "perpixel_tex"};
    const char* const stages[2] = {"vert", "frag"};
    for (int d = 0; d < 2; ++d) {
        for (int variant = 0; variant < 4; ++variant) {
            for (int stage = 0; stage < 2; ++stage) {
                const std::string path = std::string(argv[1]) + "/shade_" + dialects[d] + "_" +
                                         variants[variant] + "." + stages[stage];
                const char* text = mqoShadeSource(static_cast<ShadeDialect>(d), variant, stage);
                FILE* out = std::fopen(path.c_str(), "w");
                const bool written = out != nullptr && std::fputs(text, out) >= 0;
                if (out != nullptr && std::fclose(out) != 0) return 1;
                if (!written) {
                    std::perror(path.c_str());
                    return 1;
                }
            }
        }
    }
    return 0;
}
