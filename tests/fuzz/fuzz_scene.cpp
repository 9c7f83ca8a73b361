// Fuzz target: arbitrary bytes as a document (first byte even) or a .mqoz
// package (odd) read for its Scene camera and Thumbnail. The result is 1 or
// 0, the camera's read values are finite, and a thumbnail has sides within
// the limit, pixels for all of them, and no more pixels than the file had
// digits for.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mqo/MqoModelStages.h"
#include "support/temp_dir.h"

namespace {

const testsupport::TempDir& folder() {
    static const testsupport::TempDir dir("fuzz_scene", "/dev/shm");
    return dir;
}

bool finite(const float* v, int n) {
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(v[i])) return false;
    }
    return true;
}

void check(const MqoScene& s, int result, size_t size, bool package) {
    if (result != 0 && result != 1) std::abort();
    const float angles[4] = {s.head, s.pich, s.bank, s.zoom2};
    if (!finite(s.pos, 3) || !finite(s.lookat, 3) || !finite(angles, 4)) std::abort();
    if (s.ortho != 0 && s.ortho != 1) std::abort();
    if ((s.thumbnail == nullptr) != (s.thumbnailWidth == 0) ||
        (s.thumbnailWidth == 0) != (s.thumbnailHeight == 0))
        std::abort();
    if (s.thumbnail == nullptr) return;
    if (s.thumbnailWidth < 0 || s.thumbnailWidth > MQO_THUMBNAIL_MOST_SIDE ||
        s.thumbnailHeight < 0 || s.thumbnailHeight > MQO_THUMBNAIL_MOST_SIDE)
        std::abort();
    const size_t bytes = static_cast<size_t>(s.thumbnailWidth) * s.thumbnailHeight * 3;
    // Two digits a byte: a plain file cannot give more. (A package inflates.)
    if (!package && bytes > size / 2) std::abort();
    volatile unsigned char sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum = sum + s.thumbnail[i];  // every pixel readable
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || folder().path().empty()) return 0;
    const bool package = (data[0] & 1) != 0;
    const std::string path = folder().file(package ? "doc.mqoz" : "doc.mqo");
    if (!testsupport::writeFile(path, data + 1, size - 1)) std::abort();
    MqoScene scene;
    const int result = mqoReadScene(path.c_str(), &scene);
    check(scene, result, size - 1, package);
    mqoReleaseScene(&scene);
    mqoReleaseScene(&scene);  // twice: the first left nothing to free
    return 0;
}
