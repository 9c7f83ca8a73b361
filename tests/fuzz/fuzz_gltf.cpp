// Fuzz target: arbitrary bytes as a document beside a BMP and a PNG
// texture, written as glb. What comes out must be a GLB tinygltf reads back,
// and no larger than the bound mqo/MqoModelGltf.h promises.
#include <tiny_gltf.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mqo/MqoModelGltf.h"
#include "support/temp_dir.h"

namespace {

// A 2 x 1 24-bit BMP and a 1 x 1 PNG, the names seeds use.
const unsigned char kBmp[] = {'B', 'M', 62, 0, 0, 0, 0,   0, 0, 0, 54,  0, 0,  0, 40, 0,
                              0,   0,   2,  0, 0, 0, 1,   0, 0, 0, 1,   0, 24, 0, 0,  0,
                              0,   0,   8,  0, 0, 0, 0,   0, 0, 0, 0,   0, 0,  0, 0,  0,
                              0,   0,   0,  0, 0, 0, 255, 0, 0, 0, 255, 0, 0,  0};
const unsigned char kPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
    0x00, 0x90, 0x77, 0x53, 0xde, 0x00, 0x00, 0x00, 0x0c, 0x49, 0x44, 0x41, 0x54, 0x78,
    0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0xc9, 0xfe, 0x92,
    0xef, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

const testsupport::TempDir& folder() {
    static const testsupport::TempDir dir("fuzz_gltf", "/dev/shm");
    static const bool textures = [] {
        dir.write("t.bmp", kBmp, sizeof kBmp);
        dir.write("t.png", kPng, sizeof kPng);
        return true;
    }();
    (void)textures;
    return dir;
}

uint32_t little32(const unsigned char* b) {
    return b[0] | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

void check(const unsigned char* glb, size_t size, size_t inputSize, const MqoGltfReport& r) {
    // Each image reads at most a texture and an alpha file.
    const uint64_t read = inputSize + uint64_t{2} * r.images * (sizeof kBmp + sizeof kPng);
    if (size > MQO_GLTF_OUTPUT_FACTOR * read + MQO_GLTF_OUTPUT_SLACK) std::abort();
    if (size < 20 || std::memcmp(glb, "glTF", 4) != 0 || little32(glb + 4) != 2 ||
        little32(glb + 8) != size || static_cast<size_t>(r.bytes) != size) {
        std::abort();
    }
    tinygltf::Model model;
    tinygltf::TinyGLTF loader;
    std::string error, warning;
    if (!loader.LoadBinaryFromMemory(&model, &error, &warning, glb, static_cast<unsigned>(size)))
        std::abort();
    size_t triangles = 0;
    for (const auto& mesh : model.meshes)
        for (const auto& p : mesh.primitives) triangles += model.accessors[p.indices].count / 3;
    if (static_cast<int64_t>(triangles) != r.triangles) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = folder().write("doc.mqo", data, size);
    unsigned char* glb = nullptr;
    size_t glbSize = 0;
    MqoGltfReport report;
    if (mqoWriteGltf(path.c_str(), nullptr, &glb, &glbSize, &report) == MQO_GLTF_OK) {
        check(glb, glbSize, size, report);
    } else if (glb != nullptr || glbSize != 0) {
        std::abort();
    }
    mqoFreeGltf(glb);
    return 0;
}
