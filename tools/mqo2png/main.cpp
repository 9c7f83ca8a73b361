// mqo2png: MQO documents to PNG pictures, headless. One context serves a
// whole batch, since making it costs more than drawing a model.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "batch/picture_names.h"
#include "batch/progress.h"
#include "batch/system.h"
#include "mqo/MqoModelStages.h"
#include "mqo2png/options.h"
#include "view/document_check.h"
#include "view/framing.h"
#include "view/offscreen.h"
#include "view/png_file.h"
#include "view/scene_camera.h"
#include "view/see_through.h"
#include "view/shaded_framing.h"

namespace {

void complain(const std::string& path, const std::string& what) {
    std::fprintf(stderr, "mqo2png: %s: %s\n", path.c_str(), what.c_str());
}

// Loads, draws and writes one picture; false (having said why) on failure.
bool render(Offscreen& target, const Options& options, const std::string& input,
            const std::string& output) {
    MeshModel* model = nullptr;
    DocumentCheck check = loadDocument(input, options.exact, &model);
    if (!check.ok) {
        complain(input, check.error + (check.needsCompleteReading ? " (drop --exact)" : ""));
        return false;
    }
    if (!check.warning.empty()) complain(input, "warning: " + check.warning);
    if (!check.dropped.empty()) complain(input, check.dropped);
    ModelSummary summary = summariseModel(model);
    if (summary.empty) complain(input, "warning: nothing visible to draw");
    SceneView scene;
    if (options.scene) scene = readSceneView(input);
    if (options.scene && !scene.usable) complain(input, "warning: " + scene.why);
    Camera camera;
    camera.yaw = options.yaw;
    camera.pitch = options.pitch;
    const int side = target.size();
    MqoShadedModel* shaded =
        options.core ? mqoPrepareShadedModel(model, MQO_SHADE_GOURAUD) : nullptr;
    if (options.core && shaded == nullptr) {
        complain(input, "cannot prepare the model for the shaded path");
        mqoFreeModel(model);
        mqoReleaseTexturePool();
        return false;
    }
    std::vector<unsigned char> pixels = drawSeeThrough(target, [&](const float* background) {
        if (shaded != nullptr) {
            drawFramedShaded(shaded, summary, camera, side, side, background);
        } else if (scene.usable) {
            drawFromScene(model, scene.scene, side, side, background);
        } else {
            drawFramed(model, summary, camera, side, side, background);
        }
    });
    mqoReleaseShadedModel(shaded);
    mqoFreeModel(model);
    // Each document's textures go with it: a batch would fill the pool.
    mqoReleaseTexturePool();
    returnFreeMemory();
    std::string error;
    if (!writePng(output, pixels.data(), target.size(), target.size(), &error)) {
        complain(output, error);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    keepLargeBlocksMapped();
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "mqo2png: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (const int failed = options.outDir.empty() ? 0 : makeFolder(options.outDir)) {
        complain(options.outDir, std::strerror(failed));
        return 1;
    }
    Offscreen target;
    const OffscreenApi api = options.core ? OffscreenApi::Core33 : OffscreenApi::Compatibility;
    if (!target.open(options.size, options.size, api, &error)) {
        std::fprintf(stderr, "mqo2png: %s\n", error.c_str());
        return 1;
    }
    mqoInitLibrary();
    int failed = 0;
    if (options.outDir.empty()) {
        failed = render(target, options, options.inputs[0], options.output) ? 0 : 1;
    } else {
        const bool terminal = outputIsTerminal();
        const size_t total = options.inputs.size();
        PictureNames names;
        for (size_t i = 0; i < total; ++i) {
            const std::string& input = options.inputs[i];
            // A complaint gets a clean line; the bar is drawn again below it.
            if (terminal && i > 0) std::printf("\r\033[K");
            std::fflush(stdout);
            const std::string output = freePictureName(names, options.outDir, input);
            if (render(target, options, input, output)) {
                const std::string renamed = notePicture(&names, options.outDir, input, output);
                if (!renamed.empty()) complain(input, renamed);
            } else {
                ++failed;
            }
            showProgress(terminal, i + 1, total, input);
        }
        if (failed > 0) std::fprintf(stderr, "mqo2png: %d of %zu failed\n", failed, total);
    }
    mqoCleanupLibrary();
    return failed > 0 ? 1 : 0;
}
