// Frames per second of mqoview-style drawing (framed camera, one light,
// depth test, back faces culled) through the fixed-function path in a
// compatibility context against the shaded path in a 3.3 core context, for
// a character frame and the largest corpus document. Windowless (Mesa's
// surfaceless EGL): each run draws a fixed number of frames and ends with
// glFinish; the median of five runs is printed.
// Usage: bench_shaded VINDLE_FOLDER [DOCUMENT...]
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "mqo/MqoModelShaded.h"
#include "mqo/MqoModelStages.h"
#include "view/framing.h"
#include "view/offscreen.h"
#include "view/shaded_framing.h"

namespace {

using Clock = std::chrono::steady_clock;
const int kSize = 800, kHeight = 600, kFrames = 200, kRuns = 5;
const float kBackground[4] = {0.55f, 0.57f, 0.6f, 1.0f};

template <typename Draw>
double medianFps(Draw draw) {
    std::vector<double> fps;
    draw();  // the first frame compiles what the driver compiles lazily
    glFinish();
    for (int run = 0; run < kRuns; ++run) {
        const Clock::time_point start = Clock::now();
        for (int f = 0; f < kFrames; ++f) draw();
        glFinish();
        fps.push_back(kFrames / std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(fps.begin(), fps.end());
    return fps[kRuns / 2];
}

// One document in a context of the kind asked: frames per second, or -1.
double measure(const std::string& path, OffscreenApi api, long long* triangles) {
    Offscreen target;
    std::string error;
    if (!target.open(kSize, kHeight, api, &error)) {
        std::fprintf(stderr, "bench_shaded: %s\n", error.c_str());
        return -1;
    }
    mqoInitLibrary();
    MqoLoadOptions options{};
    options.features = MQO_FEATURE_ALL;
    options.quiet = 1;
    MeshModel* model = mqoLoadModelEx(path.c_str(), 1.0, &options);
    double fps = -1;
    if (model != nullptr) {
        const ModelSummary summary = summariseModel(model);
        *triangles = summary.triangles;
        const Camera camera;
        if (api == OffscreenApi::Compatibility) {
            fps =
                medianFps([&] { drawFramed(model, summary, camera, kSize, kHeight, kBackground); });
        } else {
            MqoShadedModel* shaded = mqoPrepareShadedModel(model, MQO_SHADE_GOURAUD);
            if (shaded != nullptr) {
                fps = medianFps([&] {
                    drawFramedShaded(shaded, summary, camera, kSize, kHeight, kBackground);
                });
            }
            mqoReleaseShadedModel(shaded);
        }
        mqoFreeModel(model);
    }
    mqoCleanupLibrary();
    return fps;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_shaded VINDLE_FOLDER [DOCUMENT...]\n");
        return 2;
    }
    std::vector<std::string> documents = {std::string(argv[1]) + "/walk_00000.mqo"};
    for (int i = 2; i < argc; ++i) documents.push_back(argv[i]);
    std::printf("%dx%d, median of %d runs of %d frames\n", kSize, kHeight, kRuns, kFrames);
    for (const std::string& path : documents) {
        long long triangles = 0;
        const double fixed = measure(path, OffscreenApi::Compatibility, &triangles);
        const double shaded = measure(path, OffscreenApi::Core33, &triangles);
        std::printf(
            "%-40s %7lld triangles  fixed-function %8.1f frames/s  shaded (core) %8.1f "
            "frames/s  ratio %.2f\n",
            path.substr(path.find_last_of('/') + 1).c_str(), triangles, fixed, shaded,
            fixed > 0 ? shaded / fixed : 0.0);
    }
    return 0;
}
