// Load and free a textured document many times in a windowless Mesa
// context, the texture pool emptied every 100 cycles, with the resident
// memory sampled as it goes: a leak shows as growth after the first hundred.
//   bench_soak_cycles DOCUMENT [CYCLES [POOL_EVERY]]   (default 10,000 and 100)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "mqo/MqoModelStages.h"
#include "support/egl_context.h"

namespace {

long residentKiB() { return benchsupport::statusKiB("VmRSS"); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_soak_cycles DOCUMENT [CYCLES [POOL_EVERY]]\n");
        return 2;
    }
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int poolEvery = argc > 3 ? std::atoi(argv[3]) : 100;
    EglContext context(64, 64);
    if (!context.ok()) return 1;
    mqoInitLibrary();
    // Every texture format read, and no message per cycle.
    MqoLoadOptions options = {};
    options.features = MQO_FEATURE_ALL;
    options.quiet = 1;
    MqoLoadReport report = {};
    options.report = &report;
    long after100 = -1, last = -1;
    for (int i = 1; i <= cycles; ++i) {
        MeshModel* model = mqoLoadModelEx(argv[1], 1.0, &options);
        if (model == nullptr) {
            std::fprintf(stderr, "cycle %d: %s did not load\n", i, argv[1]);
            return 1;
        }
        if (i == 1) std::printf("textures not read: %d\n", report.texturesNotRead);
        mqoFreeModel(model);
        if (poolEvery > 0 && i % poolEvery == 0) mqoReleaseTexturePool();
        if (i == 1 || i % 1000 == 0 || i == 100 || i == cycles) {
            last = residentKiB();
            if (i == 100) after100 = last;
            std::printf("after %5d cycles: resident %ld KiB\n", i, last);
        }
    }
    mqoCleanupLibrary();
    if (after100 >= 0)
        std::printf("growth from cycle 100 to %d: %ld KiB\n", cycles, last - after100);
    return 0;
}
