// mqo2gltf: MQO documents to binary glTF files, no display or GL needed.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "batch/inputs.h"
#include "batch/output_file.h"
#include "batch/picture_names.h"
#include "batch/progress.h"
#include "batch/system.h"
#include "mqo2gltf/options.h"

namespace {

void complain(const std::string& path, const std::string& what) {
    std::fprintf(stderr, "mqo2gltf: %s: %s\n", path.c_str(), what.c_str());
}

const char* failureText(int result) {
    switch (result) {
        case MQO_GLTF_NOT_READ:
            return "cannot be opened or read";
        case MQO_GLTF_TOO_LARGE:
            return "the glTF would be far larger than the document (damaged?)";
        case MQO_GLTF_OUT_OF_MEMORY:
            return "out of memory";
        default:
            return "cannot be written";
    }
}

// What was left out, in one line; "" when nothing was.
std::string leftOut(const MqoGltfReport& r) {
    std::string out;
    auto add = [&](long long n, const char* what) {
        if (n > 0) out += (out.empty() ? "" : ", ") + std::to_string(n) + " " + what;
    };
    add(r.load.facesBadCorners + r.load.facesBadVertices + r.load.facesBadMaterial,
        "damaged faces dropped");
    add(r.texturesNotRead, "textures not read");
    add(r.hiddenObjects, "hidden objects left out (--hidden writes them)");
    return out.empty() ? out : "warning: " + out;
}

// Converts one document; false (having said why, in one line) on failure.
bool convert(const GltfToolOptions& options, const std::string& input, const std::string& output) {
    MqoGltfReport report;
    unsigned char* bytes = nullptr;
    size_t size = 0;
    const int result = mqoWriteGltf(input.c_str(), &options.gltf, &bytes, &size, &report);
    if (result != MQO_GLTF_OK) {
        complain(input, failureText(result));
        return false;
    }
    bool ok = report.load.result != MQO_LOAD_NOT_DOCUMENT;
    if (!ok && options.gltf.features == 0 && isPackagePath(input)) {
        complain(input, "a .mqoz package needs the complete reading (drop --exact)");
    } else if (!ok) {
        complain(input, "not an MQO document (no \"Metasequoia Document\" line)");
    }
    std::string error;
    if (ok && !writeOutputFile(output, bytes, size, &error)) {
        complain(output, error);
        ok = false;
    }
    mqoFreeGltf(bytes);
    if (ok && !leftOut(report).empty()) complain(input, leftOut(report));
    return ok;
}

int convertAll(const GltfToolOptions& options) {
    const bool terminal = outputIsTerminal();
    const size_t total = options.inputs.size();
    PictureNames names;
    names.extension = ".glb";
    names.noun = "glTF";
    int failed = 0;
    for (size_t i = 0; i < total; ++i) {
        const std::string& input = options.inputs[i];
        // A complaint gets a clean line; the bar is drawn again below it.
        if (terminal && i > 0) std::printf("\r\033[K");
        std::fflush(stdout);
        const std::string output = freePictureName(names, options.outDir, input);
        if (convert(options, input, output)) {
            const std::string renamed = notePicture(&names, options.outDir, input, output);
            if (!renamed.empty()) complain(input, renamed);
        } else {
            ++failed;
        }
        showProgress(terminal, i + 1, total, input);
    }
    if (failed > 0) std::fprintf(stderr, "mqo2gltf: %d of %zu failed\n", failed, total);
    return failed;
}

}  // namespace

int main(int argc, char** argv) {
    GltfToolOptions options;
    std::string error;
    if (!parseGltfOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "mqo2gltf: %s\n%s", error.c_str(), kGltfUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kGltfUsage, stdout);
        return 0;
    }
    if (options.outDir.empty()) {
        return convert(options, options.inputs[0], options.output) ? 0 : 1;
    }
    if (const int failed = makeFolder(options.outDir)) {
        complain(options.outDir, std::strerror(failed));
        return 1;
    }
    return convertAll(options) > 0 ? 1 : 0;
}
