// MqoModel glTF writer: the public calls. A document is parsed as a load
// would parse it (no GL), each drawn object becomes a node and mesh, each
// batch a primitive, and tinygltf writes the container.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>

#include "mqo/MqoModelStages.h"
#include "mqo/export/export_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// The reading's messages are dropped and its report kept, for this span
// (the image reads take it up as a load's texture requests do).
MqoReadContext quietRead(MqoLoadReport* report) {
    MqoReadContext read;
    read.report = report;
    read.quiet = true;
    return read;
}

// The objects a model realised from parsed holds, in mqoModelObject's order:
// without MANY_OBJECTS the first 49 (the limit mqoRealiseObjects applies).
std::vector<const MeshObject*> builtObjects(const MqoParsedModel& p) {
    std::vector<const MeshObject*> out;
    const bool many = (p.features & MQO_FEATURE_MANY_OBJECTS) != 0;
    for (int i = 0; i < p.objectCount && i < MQO_MAX_OBJECTS; ++i) {
        if (!many && out.size() >= MQO_MAX_OBJECTS - 1) break;
        if (p.objects[i].state == MQO_STAGED_BUILT) out.push_back(&p.objects[i].object);
    }
    for (int i = 0; many && p.extraObjects != nullptr && i < p.extraObjectCount; ++i) {
        if (p.extraObjects[i].state == MQO_STAGED_BUILT) out.push_back(&p.extraObjects[i].object);
    }
    return out;
}

bool drawable(const MaterialBatch& b) {
    if (b.vertexCount < 3) return false;
    return b.hasTexture ? b.texturedVertices != nullptr : b.plainVertices != nullptr;
}

void noteTexture(MqoGltfReport* report, const char* name) {
    if (report->texturesNotRead < MQO_REPORT_NAMES) {
        std::snprintf(report->textureNames[report->texturesNotRead], MQO_REPORT_NAME_SIZE, "%s",
                      name);
    }
    if (report->texturesNotRead < INT32_MAX) ++report->texturesNotRead;
}

struct Writer {
    const MqoParsedModel& parsed;
    const std::vector<MqoMaterialLine>& lines;
    MqoGltfReport* report;
    uint64_t bound;  // most bytes the buffer may reach
    MqoGltfImages images;
    tinygltf::Model model;
    std::map<int, int> materials;  // batch index (-1: none) to glTF material
    MqoGltfResult result = MQO_GLTF_OK;

    int materialFor(const MaterialBatch& batch, int k);
    bool addObject(const MeshObject& object);
    void addImages();
};

int Writer::materialFor(const MaterialBatch& batch, int k) {
    const int key =
        batch.hasMaterial && parsed.materials != nullptr && k < parsed.materialCount ? k : -1;
    auto found = materials.find(key);
    if (found != materials.end()) return found->second;
    const MaterialEntry* m = key >= 0 ? &parsed.materials[key] : nullptr;
    int texture = -1;
    bool hasAlpha = false;
    if (m != nullptr && batch.hasTexture && m->useTexture) {
        texture = images.imageFor(*m, &hasAlpha);
        if (texture < 0) noteTexture(report, m->textureFile);
    }
    const MqoMaterialLine line =
        key >= 0 && key < static_cast<int>(lines.size()) ? lines[key] : MqoMaterialLine();
    tinygltf::Material material;
    mqoGltfMaterial(m, line, texture, hasAlpha, &material);
    model.materials.push_back(material);
    const int index = static_cast<int>(model.materials.size()) - 1;
    materials[key] = index;
    return index;
}

bool Writer::addObject(const MeshObject& object) {
    tinygltf::Mesh mesh;
    for (int k = 0; object.batches != nullptr && k < object.batchCount; ++k) {
        const MaterialBatch& batch = object.batches[k];
        if (!drawable(batch)) continue;
        MqoIndexedPrimitive p;
        if (!mqoIndexBatch(batch, object.flatShading != 0, &p)) {
            result = MQO_GLTF_OUT_OF_MEMORY;
            return false;
        }
        if (p.indices.empty()) continue;
        mqoAddPrimitive(&model, p, materialFor(batch, k), &mesh);
        report->triangles += static_cast<int64_t>(p.indices.size() / 3);
        report->vertices += static_cast<int64_t>(p.positions.size() / 3);
        if (model.buffers[0].data.size() > bound) {
            result = MQO_GLTF_TOO_LARGE;
            return false;
        }
    }
    if (mesh.primitives.empty()) {
        ++report->emptyObjects;
        return true;
    }
    bool replaced = false;
    mesh.name = mqoGltfUtf8Name(object.name, &replaced);
    if (replaced) ++report->namesReplaced;
    tinygltf::Node node;
    node.name = mesh.name;
    node.mesh = static_cast<int>(model.meshes.size());
    report->primitives += static_cast<int32_t>(mesh.primitives.size());
    model.meshes.push_back(mesh);
    model.nodes.push_back(node);
    return true;
}

void Writer::addImages() {
    if (images.images().empty()) return;
    tinygltf::Sampler sampler;
    sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
    sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR;
    model.samplers.push_back(sampler);
    for (const MqoGltfImage& from : images.images()) {
        tinygltf::Image image;
        image.mimeType = from.mimeType;
        image.bufferView = mqoAddBufferView(&model, from.bytes.data(), from.bytes.size(), 0);
        model.images.push_back(image);
        tinygltf::Texture texture;
        texture.source = static_cast<int>(model.images.size()) - 1;
        texture.sampler = 0;
        model.textures.push_back(texture);
        ++(from.copied ? report->imagesCopied : report->imagesEncoded);
    }
}

void finishModel(tinygltf::Model* model) {
    model->asset.version = "2.0";
    model->asset.generator = "MqoModel";
    // A scene must name a node: a document with nothing drawn has none.
    if (!model->nodes.empty()) {
        tinygltf::Scene scene;
        for (size_t i = 0; i < model->nodes.size(); ++i) scene.nodes.push_back(static_cast<int>(i));
        model->scenes.push_back(scene);
        model->defaultScene = 0;
    }
    for (const tinygltf::Material& m : model->materials) {
        if (m.extensions.count("KHR_materials_unlit") != 0) {
            model->extensionsUsed = {"KHR_materials_unlit"};
            break;
        }
    }
}

uint64_t outputBound(uint64_t bytesRead) {
    return MQO_GLTF_OUTPUT_FACTOR * bytesRead + MQO_GLTF_OUTPUT_SLACK;
}

MqoGltfResult writeParsed(const char* path, const MqoParsedModel& parsed, bool includeHidden,
                          MqoGltfReport* report, std::string* glb) {
    std::vector<MqoMaterialLine> lines;
    uint64_t documentBytes = 0;
    if (!mqoReadMaterialLines(path, parsed.features, parsed.materialCount, &lines,
                              &documentBytes)) {
        return MQO_GLTF_NOT_READ;
    }
    Writer w{parsed, lines, report, outputBound(documentBytes), MqoGltfImages(&parsed), {}, {}};
    for (const MeshObject* object : builtObjects(parsed)) {
        if (object->visible == 0 && !includeHidden) {
            ++report->hiddenObjects;
        } else if (!w.addObject(*object)) {
            return w.result;
        }
    }
    w.addImages();
    if (w.images.outOfMemory()) return MQO_GLTF_OUT_OF_MEMORY;
    finishModel(&w.model);
    if (!mqoSerialiseGlb(w.model, glb)) return MQO_GLTF_OUT_OF_MEMORY;
    if (glb->size() > outputBound(documentBytes + w.images.bytesRead())) {
        return MQO_GLTF_TOO_LARGE;
    }
    report->nodes = static_cast<int32_t>(w.model.nodes.size());
    report->materials = static_cast<int32_t>(w.model.materials.size());
    report->images = static_cast<int32_t>(w.model.images.size());
    return MQO_GLTF_OK;
}

bool usable(const MqoGltfOptions& o) { return std::isfinite(o.scale) && o.scale > 0; }

MqoGltfResult writeGlb(const char* path, const MqoGltfOptions& options, MqoGltfReport* report,
                       std::string* glb) {
    if (path == nullptr || !usable(options)) return MQO_GLTF_BAD_OPTIONS;
    const MqoReadContext quiet = quietRead(&report->load);
    const MqoReadScope scope(quiet);
    std::unique_ptr<MqoParsedModel> parsed(new (std::nothrow) MqoParsedModel());
    if (!parsed) return MQO_GLTF_OUT_OF_MEMORY;
    if (mqoParseDocumentEx(path, options.scale, 255, options.features, parsed.get()) == 0) {
        return MQO_GLTF_NOT_READ;
    }
    MqoGltfResult result = MQO_GLTF_OUT_OF_MEMORY;
    try {
        result = writeParsed(path, *parsed, options.includeHidden != 0, report, glb);
    } catch (const std::bad_alloc&) {
        result = MQO_GLTF_OUT_OF_MEMORY;
    }
    mqoReleaseParsedModel(parsed.get());
    return result;
}

// Runs the writer with the report zeroed (a local one when report is null).
MqoGltfResult run(const char* path, const MqoGltfOptions* options, MqoGltfReport* report,
                  std::string* glb) {
    MqoGltfReport local;
    if (report == nullptr) report = &local;
    std::memset(report, 0, sizeof *report);
    const MqoGltfOptions chosen = options != nullptr ? *options : mqoGltfDefaultOptions();
    report->result = writeGlb(path, chosen, report, glb);
    if (report->result == MQO_GLTF_OK) {
        report->bytes = static_cast<int64_t>(glb->size());
    } else {
        // Nothing was written: only what was left out stays told.
        report->nodes = report->primitives = report->materials = report->images = 0;
        report->imagesCopied = report->imagesEncoded = 0;
        report->triangles = report->vertices = report->bytes = 0;
    }
    return report->result;
}

}  // namespace

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

MqoGltfOptions mqoGltfDefaultOptions(void) { return {MQO_FEATURE_ALL, MQO_GLTF_DEFAULT_SCALE, 0}; }

int mqoWriteGltf(const char* path, const MqoGltfOptions* options, unsigned char** bytes,
                 size_t* size, MqoGltfReport* report) {
    if (bytes != nullptr) *bytes = nullptr;
    if (size != nullptr) *size = 0;
    if (bytes == nullptr || size == nullptr) {
        if (report != nullptr) std::memset(report, 0, sizeof *report);
        if (report != nullptr) report->result = MQO_GLTF_BAD_OPTIONS;
        return MQO_GLTF_BAD_OPTIONS;
    }
    std::string glb;
    MqoGltfResult result = run(path, options, report, &glb);
    if (result != MQO_GLTF_OK) return result;
    *bytes = static_cast<unsigned char*>(std::malloc(glb.size()));
    if (*bytes == nullptr) {
        if (report != nullptr) report->result = MQO_GLTF_OUT_OF_MEMORY;
        return MQO_GLTF_OUT_OF_MEMORY;
    }
    std::memcpy(*bytes, glb.data(), glb.size());
    *size = glb.size();
    return MQO_GLTF_OK;
}

int mqoWriteGltfFile(const char* path, const char* output, const MqoGltfOptions* options,
                     MqoGltfReport* report) {
    std::string glb;
    MqoGltfResult result =
        output == nullptr ? MQO_GLTF_BAD_OPTIONS : run(path, options, report, &glb);
    if (output == nullptr && report != nullptr) {
        std::memset(report, 0, sizeof *report);
        report->result = result;
    }
    if (result != MQO_GLTF_OK) return result;
    FILE* out = mqoOpenFile(output, "wb");
    bool written = out != nullptr && std::fwrite(glb.data(), 1, glb.size(), out) == glb.size();
    if (out != nullptr && std::fclose(out) != 0) written = false;
    if (!written) {
        if (out != nullptr) mqoRemoveFile(output);
        if (report != nullptr) report->result = MQO_GLTF_WRITE_FAILED;
        return MQO_GLTF_WRITE_FAILED;
    }
    return MQO_GLTF_OK;
}

void mqoFreeGltf(unsigned char* bytes) { std::free(bytes); }
