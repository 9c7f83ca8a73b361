// mqoWriteGltf's choices: options and results, materials, images, index
// widths and the same bytes for the same input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiny_gltf.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <string>

#include "mqo/MqoModelGltf.h"
#include "support/temp_dir.h"
#include "support/zip_files.h"

namespace {

std::string fixture(const char* name) {
    return std::string(MQO_SOURCE_DIR) + "/tests/export/fixtures/" + name;
}

struct Written {
    int result = -1;
    std::string bytes;
    MqoGltfReport report = {};
    tinygltf::Model model;
};

Written write(const std::string& path, const MqoGltfOptions* options = nullptr) {
    Written w;
    unsigned char* bytes = nullptr;
    size_t size = 0;
    w.result = mqoWriteGltf(path.c_str(), options, &bytes, &size, &w.report);
    if (bytes != nullptr) w.bytes.assign(reinterpret_cast<char*>(bytes), size);
    mqoFreeGltf(bytes);
    std::string error, warning;
    tinygltf::TinyGLTF loader;
    if (w.result == MQO_GLTF_OK) {
        EXPECT_TRUE(loader.LoadBinaryFromMemory(
            &w.model, &error, &warning, reinterpret_cast<const unsigned char*>(w.bytes.data()),
            static_cast<unsigned>(w.bytes.size())))
            << error;
    }
    return w;
}

const tinygltf::Material* named(const tinygltf::Model& m, const std::string& name) {
    for (const auto& material : m.materials) {
        if (material.name == name) return &material;
    }
    return nullptr;
}

TEST(GltfWriter, RefusesWhatItCannotWrite) {
    MqoGltfOptions zero = mqoGltfDefaultOptions(), notANumber = zero;
    zero.scale = 0;
    notANumber.scale = std::nan("");
    const struct {
        const char* path;
        const MqoGltfOptions* options;
        int result;
    } cases[] = {{nullptr, nullptr, MQO_GLTF_BAD_OPTIONS},
                 {"materials.mqo", &zero, MQO_GLTF_BAD_OPTIONS},
                 {"materials.mqo", &notANumber, MQO_GLTF_BAD_OPTIONS},
                 {"no such file.mqo", nullptr, MQO_GLTF_NOT_READ}};
    for (const auto& c : cases) {
        const std::string path = c.path != nullptr ? fixture(c.path) : "";
        unsigned char* bytes = reinterpret_cast<unsigned char*>(&zero);
        size_t size = 1;
        MqoGltfReport report;
        EXPECT_EQ(mqoWriteGltf(c.path ? path.c_str() : nullptr, c.options, &bytes, &size, &report),
                  c.result);
        EXPECT_EQ(report.result, c.result);
        EXPECT_EQ(bytes, nullptr);
        EXPECT_EQ(size, 0u);
    }
    MqoGltfReport report;
    EXPECT_EQ(mqoWriteGltfFile(fixture("materials.mqo").c_str(), "/no/such/folder/x.glb", nullptr,
                               &report),
              MQO_GLTF_WRITE_FAILED);
    mqoFreeGltf(nullptr);
}

TEST(GltfWriter, SameInputSameBytesInMemoryAndInAFile) {
    testsupport::TempDir dir;
    for (const char* name : {"materials.mqo", "textures.mqo", "shapes.mqo"}) {
        const Written a = write(fixture(name)), b = write(fixture(name));
        ASSERT_EQ(a.result, MQO_GLTF_OK) << name;
        EXPECT_EQ(a.bytes, b.bytes) << name;
        EXPECT_EQ(a.report.bytes, static_cast<int64_t>(a.bytes.size()));
        const std::string out = dir.file(std::string(name) + ".glb");
        ASSERT_EQ(mqoWriteGltfFile(fixture(name).c_str(), out.c_str(), nullptr, nullptr), 0);
        EXPECT_EQ(testsupport::readFile(out), a.bytes) << name;
    }
}

#ifndef _WIN32  // the device and the size limit are this system's
// What a folder holds, by name.
std::vector<std::string> listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// No room: a device that is always full (as root a node of the test's own,
// so a writer that removes what it failed to write cannot take the system's),
// and a file-size limit below the output (write fails with EFBIG).
TEST(GltfWriter, AFullDiskIsAFailureAndKeepsTheOldFile) {
    testsupport::TempDir dir;
    const std::string doc = fixture("shapes.mqo");
    std::string full = "/dev/full";
    if (getuid() == 0 && mknod(dir.file("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
        full = dir.file("full");
    }
    MqoGltfReport report;
    EXPECT_EQ(mqoWriteGltfFile(doc.c_str(), full.c_str(), nullptr, &report), MQO_GLTF_WRITE_FAILED);
    EXPECT_EQ(report.result, MQO_GLTF_WRITE_FAILED);
    struct stat node = {};
    EXPECT_TRUE(stat(full.c_str(), &node) == 0 && S_ISCHR(node.st_mode)) << "device removed";

    const std::string out = dir.file("out.glb");
    ASSERT_TRUE(testsupport::writeFile(out, std::string("old contents")));
    const auto before = listing(dir.path());
    rlimit saved = {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    void (*was)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = mqoWriteGltfFile(doc.c_str(), out.c_str(), nullptr, &report);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, was);
    EXPECT_EQ(result, MQO_GLTF_WRITE_FAILED);
    EXPECT_EQ(testsupport::readFile(out), "old contents");
    EXPECT_EQ(listing(dir.path()), before) << "a temporary was left behind";
}
#endif

TEST(GltfWriter, MaterialsAsTheTableSays) {
    const Written w = write(fixture("materials.mqo"));
    ASSERT_EQ(w.result, MQO_GLTF_OK);
    const tinygltf::Material* plain = named(w.model, "plain");
    const tinygltf::Material* glass = named(w.model, "glass");
    const tinygltf::Material* unlit = named(w.model, "\xE3\x82\xAC\xE3\x83\xA9\xE3\x82\xB9");
    const tinygltf::Material* both = named(w.model, "both");
    ASSERT_TRUE(plain && glass && unlit && both);
    EXPECT_EQ(plain->pbrMetallicRoughness.baseColorFactor, (std::vector<double>{0.8, 0.2, 0.2, 1}));
    EXPECT_EQ(plain->emissiveFactor, (std::vector<double>{0.16, 0.04, 0.04}));
    EXPECT_NEAR(plain->pbrMetallicRoughness.roughnessFactor, std::pow(2.0 / 32, 0.25), 1e-6);
    EXPECT_EQ(plain->pbrMetallicRoughness.metallicFactor, 0);
    EXPECT_EQ(plain->alphaMode, "OPAQUE");
    EXPECT_EQ(glass->alphaMode, "BLEND");
    EXPECT_EQ(glass->pbrMetallicRoughness.roughnessFactor, 1);  // spc 0: no highlight
    EXPECT_EQ(unlit->extensions.count("KHR_materials_unlit"), 1u);
    EXPECT_EQ(w.model.extensionsUsed, (std::vector<std::string>{"KHR_materials_unlit"}));
    EXPECT_TRUE(both->doubleSided);
    EXPECT_FALSE(plain->doubleSided);
    // The CP932 object name in UTF-8; the hidden object left out, and told.
    ASSERT_EQ(w.model.nodes.size(), 1u);
    EXPECT_EQ(w.model.nodes[0].name, "\xE3\x82\xAD\xE3\x83\xA5\xE3\x83\xBC\xE3\x83\x96");
    EXPECT_EQ(w.report.hiddenObjects, 1);
    MqoGltfOptions hidden = mqoGltfDefaultOptions();
    hidden.includeHidden = 1;
    const Written all = write(fixture("materials.mqo"), &hidden);
    EXPECT_EQ(all.model.nodes.size(), 2u);
    EXPECT_EQ(all.report.hiddenObjects, 0);
}

TEST(GltfWriter, EachImageOnceCopiedOrEncoded) {
    const Written w = write(fixture("textures.mqo"));
    ASSERT_EQ(w.result, MQO_GLTF_OK);
    // checker.bmp serves two materials; the BMP, the TGA and the texture
    // with an alpha plane are encoded, the PNG copied as it is.
    EXPECT_EQ(w.report.images, 4);
    EXPECT_EQ(w.report.imagesEncoded, 3);
    EXPECT_EQ(w.report.imagesCopied, 1);
    const tinygltf::Material* bmp = named(w.model, "bmp");
    const tinygltf::Material* again = named(w.model, "bmp again");
    const tinygltf::Material* png = named(w.model, "png");
    ASSERT_TRUE(bmp && again && png);
    EXPECT_EQ(bmp->pbrMetallicRoughness.baseColorTexture.index,
              again->pbrMetallicRoughness.baseColorTexture.index);
    EXPECT_EQ(bmp->alphaMode, "OPAQUE");
    EXPECT_EQ(named(w.model, "tga alpha")->alphaMode, "BLEND");
    EXPECT_EQ(named(w.model, "plane")->alphaMode, "BLEND");
    const int image = w.model.textures[png->pbrMetallicRoughness.baseColorTexture.index].source;
    const tinygltf::BufferView& view = w.model.bufferViews[w.model.images[image].bufferView];
    const auto* data = w.model.buffers[0].data.data() + view.byteOffset;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), view.byteLength),
              testsupport::readFile(fixture("dots.png")));
}

TEST(GltfWriter, TexturesOfAPackageComeFromThePackage) {
    testsupport::TempDir dir;
    const std::string package = dir.file("boxed.mqoz");
    ASSERT_TRUE(
        zipfiles::write(package, {{"boxed.mqo", testsupport::readFile(fixture("textures.mqo"))},
                                  {"checker.bmp", testsupport::readFile(fixture("checker.bmp"))},
                                  {"stripes.tga", testsupport::readFile(fixture("stripes.tga"))},
                                  {"alpha.tga", testsupport::readFile(fixture("alpha.tga"))},
                                  {"dots.png", testsupport::readFile(fixture("dots.png"))}}));
    const Written packaged = write(package), plain = write(fixture("textures.mqo"));
    ASSERT_EQ(packaged.result, MQO_GLTF_OK);
    EXPECT_EQ(packaged.report.texturesNotRead, 0);
    EXPECT_EQ(packaged.report.images, 4);
    EXPECT_EQ(packaged.model.buffers[0].data, plain.model.buffers[0].data);
}

// A grid of n x n vertices, each with its own UV, so every one is a vertex
// of its own in the glb.
std::string grid(int n) {
    std::string doc =
        "Metasequoia Document\nFormat Text Ver 1.0\n\nMaterial 1 {\n\t\"m\" col(1 1 1 1)\n}\n"
        "Object \"grid\" {\n\tvisible 15\n\tshading 1\n\tvertex " +
        std::to_string(n * n) + " {\n";
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            doc += "\t\t" + std::to_string(x) + " 0 " + std::to_string(y) + "\n";
    doc += "\t}\n\tface " + std::to_string((n - 1) * (n - 1)) + " {\n";
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            const int a = y * n + x;
            doc += "\t\t4 V(" + std::to_string(a) + " " + std::to_string(a + 1) + " " +
                   std::to_string(a + n + 1) + " " + std::to_string(a + n) + ") M(0)\n";
        }
    }
    return doc + "\t}\n}\nEof\n";
}

TEST(GltfWriter, ShortIndicesWhereTheyFitAndScaleApplied) {
    testsupport::TempDir dir;
    const struct {
        int side;
        int componentType;
    } cases[] = {{256, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT},
                 {257, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT}};
    for (const auto& c : cases) {
        const std::string path = dir.write("grid.mqo", grid(c.side));
        const Written w = write(path);
        ASSERT_EQ(w.result, MQO_GLTF_OK);
        const tinygltf::Primitive& p = w.model.meshes.at(0).primitives.at(0);
        EXPECT_EQ(w.model.accessors[p.indices].componentType, c.componentType) << c.side;
        EXPECT_EQ(w.report.vertices, int64_t{c.side} * c.side);  // corners merged
        EXPECT_EQ(w.report.triangles, 2 * int64_t{c.side - 1} * (c.side - 1));
        // The default scale: millimetres to metres.
        EXPECT_FLOAT_EQ(w.model.accessors[p.attributes.at("POSITION")].maxValues[0],
                        (c.side - 1) * 0.001f);
    }
}

}  // namespace
