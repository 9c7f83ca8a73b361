// The glb read back by tinygltf: every triangle the library builds is
// there, with its UVs, and nothing else; bounds as the accessors state them.
#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "mqo/MqoModelGltf.h"
#include "mqo/MqoModelStages.h"
#include "support/corpus_files.h"

namespace {

// A triangle as its corners' positions and UVs, rotated to start at its
// least corner, so the same triangle compares equal whichever corner leads.
using Corner = std::array<float, 5>;
using Triangle = std::array<Corner, 3>;

Triangle canonical(Triangle t) {
    const auto least = std::min_element(t.begin(), t.end()) - t.begin();
    std::rotate(t.begin(), t.begin() + least, t.end());
    return t;
}

// The library's triangles of the drawn objects, turned counter-clockwise.
std::vector<Triangle> libraryTriangles(const std::string& path) {
    MqoParsedModel parsed;
    std::vector<Triangle> out;
    if (mqoParseDocumentEx(path.c_str(), 1.0, 255, MQO_FEATURE_ALL, &parsed) == 0) return out;
    auto take = [&](const MqoStagedObject& s) {
        if (s.state != MQO_STAGED_BUILT || s.object.visible == 0) return;
        for (int k = 0; k < s.object.batchCount; ++k) {
            const MaterialBatch& b = s.object.batches[k];
            for (int v = 0; v + 2 < b.vertexCount; v += 3) {
                Triangle t;
                for (int c = 0; c < 3; ++c) {
                    const int i = v + (c == 0 ? 0 : 3 - c);  // 0, 2, 1
                    const float* p =
                        b.hasTexture ? b.texturedVertices[i].position : b.plainVertices[i].position;
                    const float* uv = b.hasTexture ? b.texturedVertices[i].uv : nullptr;
                    t[c] = {p[0], p[1], p[2], uv ? uv[0] : 0.0f, uv ? uv[1] : 0.0f};
                }
                out.push_back(canonical(t));
            }
        }
    };
    for (int i = 0; i < parsed.objectCount; ++i) take(parsed.objects[i]);
    for (int i = 0; i < parsed.extraObjectCount; ++i) take(parsed.extraObjects[i]);
    mqoReleaseParsedModel(&parsed);
    return out;
}

template <typename T>
const T* accessorData(const tinygltf::Model& m, int index) {
    const tinygltf::Accessor& a = m.accessors[index];
    const tinygltf::BufferView& v = m.bufferViews[a.bufferView];
    return reinterpret_cast<const T*>(m.buffers[v.buffer].data.data() + v.byteOffset +
                                      a.byteOffset);
}

uint32_t indexAt(const tinygltf::Model& m, int accessor, size_t i) {
    if (m.accessors[accessor].componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT)
        return accessorData<uint16_t>(m, accessor)[i];
    return accessorData<uint32_t>(m, accessor)[i];
}

void checkBounds(const tinygltf::Model& m, const tinygltf::Primitive& p) {
    const tinygltf::Accessor& a = m.accessors[p.attributes.at("POSITION")];
    const float* pos = accessorData<float>(m, p.attributes.at("POSITION"));
    for (int k = 0; k < 3; ++k) {
        float low = pos[k], high = pos[k];
        for (size_t i = 0; i < a.count; ++i) {
            low = std::min(low, pos[3 * i + k]);
            high = std::max(high, pos[3 * i + k]);
        }
        EXPECT_EQ(a.minValues[k], low);
        EXPECT_EQ(a.maxValues[k], high);
    }
}

std::vector<Triangle> glbTriangles(const tinygltf::Model& m) {
    std::vector<Triangle> out;
    for (const tinygltf::Mesh& mesh : m.meshes) {
        for (const tinygltf::Primitive& p : mesh.primitives) {
            checkBounds(m, p);
            const float* pos = accessorData<float>(m, p.attributes.at("POSITION"));
            auto uvs = p.attributes.find("TEXCOORD_0");
            const float* uv =
                uvs != p.attributes.end() ? accessorData<float>(m, uvs->second) : nullptr;
            const size_t n = m.accessors[p.indices].count;
            for (size_t i = 0; i + 2 < n; i += 3) {
                Triangle t;
                for (int c = 0; c < 3; ++c) {
                    const uint32_t v = indexAt(m, p.indices, i + c);
                    t[c] = {pos[3 * v], pos[3 * v + 1], pos[3 * v + 2], uv ? uv[2 * v] : 0.0f,
                            uv ? uv[2 * v + 1] : 0.0f};
                }
                out.push_back(canonical(t));
            }
        }
    }
    return out;
}

std::vector<std::string> documents() {
    std::vector<std::string> out;
    for (const char* name : {"materials.mqo", "textures.mqo", "shapes.mqo"}) {
        out.push_back(std::string(MQO_SOURCE_DIR) + "/tests/export/fixtures/" + name);
    }
    std::error_code ec;
    const auto corpus = corpusfiles::folder();
    if (std::filesystem::is_directory(corpus, ec)) {
        for (const auto& e : std::filesystem::recursive_directory_iterator(corpus, ec)) {
            const std::string ext = e.path().extension().string();
            if (ext == ".mqo" || ext == ".mqoz") out.push_back(e.path().string());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(GltfRoundTrip, EveryTriangleOfTheLibrarysModelIsThere) {
    MqoGltfOptions options = mqoGltfDefaultOptions();
    options.scale = 1;
    for (const std::string& path : documents()) {
        SCOPED_TRACE(path);
        unsigned char* bytes = nullptr;
        size_t size = 0;
        MqoGltfReport report;
        ASSERT_EQ(mqoWriteGltf(path.c_str(), &options, &bytes, &size, &report), MQO_GLTF_OK);
        tinygltf::Model model;
        tinygltf::TinyGLTF loader;
        std::string error, warning;
        ASSERT_TRUE(loader.LoadBinaryFromMemory(&model, &error, &warning, bytes,
                                                static_cast<unsigned>(size)))
            << error;
        mqoFreeGltf(bytes);
        std::vector<Triangle> ours = glbTriangles(model), theirs = libraryTriangles(path);
        std::sort(ours.begin(), ours.end());
        std::sort(theirs.begin(), theirs.end());
        EXPECT_EQ(static_cast<int64_t>(ours.size()), report.triangles);
        EXPECT_TRUE(ours == theirs)
            << ours.size() << " triangles written, " << theirs.size() << " built";
    }
}

}  // namespace
