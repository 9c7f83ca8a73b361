// The glTF writer's pieces, one per file of mqo/export/: the document's
// material lines, indexed primitives, materials, images and the container.
// CPU stage, no GL; not installed.
#ifndef MQO_EXPORT_EXPORT_INTERNAL_H
#define MQO_EXPORT_EXPORT_INTERNAL_H

#include <tiny_gltf.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mqo/MqoModelGltf.h"
#include "mqo/MqoModelStages.h"

namespace mqo::detail {

// What a Material chunk line says beyond MaterialEntry: its name (UTF-8 as
// mqoGltfUtf8Name gives it), shader(n) and dbls(n).
struct MqoMaterialLine {
    std::string name;
    int shader = 3;  // the modelling tool's default (Phong)
    bool doubleSided = false;
};

// The lines of the document's Material chunk (the last one, as the reader
// takes the last), and the bytes the document holds (for the output bound).
// A package is read for the document inside it. False when it cannot be
// opened or reading it fails; lines beyond count are not kept.
bool mqoReadMaterialLines(const char* path, uint32_t features, int count,
                          std::vector<MqoMaterialLine>* lines, uint64_t* documentBytes);

// name as UTF-8: kept when it is, else read as CP932; bytes that still do
// not convert become '?' (and *replaced is set). Quotes around it dropped.
std::string mqoGltfUtf8Name(const char* name, bool* replaced);

// One batch's triangles, indexed: unique corners and the triangles over
// them, counter-clockwise.
struct MqoIndexedPrimitive {
    std::vector<float> positions, normals, uvs;  // 3, 3 and (textured) 2 per vertex
    std::vector<uint32_t> indices;
    float min[3], max[3];  // of positions
};

// Builds batch's triangles as mqoDrawModel draws them: flat (GL_FLAT) gives
// each triangle its last corner's normal; corners merged, cache-ordered. A
// zero normal (the library's "no normal") becomes its triangle's, or +Z for
// a triangle of no area, since glTF wants unit normals. False when out of
// memory.
bool mqoIndexBatch(const MaterialBatch& batch, bool flat, MqoIndexedPrimitive* out);

// The texture images of a document, each read once.
struct MqoGltfImage {
    std::vector<unsigned char> bytes;
    std::string mimeType;
    bool copied = false;
};

class MqoGltfImages {
public:
    explicit MqoGltfImages(const MqoParsedModel* parsed) : parsed_(parsed) {}
    // The image of a textured material, as the library would draw it; -1
    // when it does not read. *hasAlpha: some texel is not opaque.
    int imageFor(const MaterialEntry& material, bool* hasAlpha);
    const std::vector<MqoGltfImage>& images() const { return images_; }
    uint64_t bytesRead() const { return bytesRead_; }
    bool outOfMemory() const { return outOfMemory_; }

private:
    struct Entry {
        std::string key;
        int image;
        bool hasAlpha;
    };
    int readImage(char* texturePath, char* alphaPath, bool* hasAlpha);
    const MqoParsedModel* parsed_;
    std::vector<Entry> seen_;
    std::vector<MqoGltfImage> images_;
    uint64_t bytesRead_ = 0;
    bool outOfMemory_ = false;
};

// size x size RGBA rows (top first) as PNG bytes; RGB when opaque. False
// when the encoder fails.
bool mqoEncodePng(const unsigned char* rgba, int size, bool opaque,
                  std::vector<unsigned char>* png);

// The glTF material for a batch's material (null: the GL default, which
// faces drawn without a material get): texture the image index or -1.
void mqoGltfMaterial(const MaterialEntry* material, const MqoMaterialLine& line, int texture,
                     bool textureHasAlpha, tinygltf::Material* out);

// Appends data to the model's one buffer as a new buffer view (4-byte
// aligned), returning its index. target 0 for image data.
int mqoAddBufferView(tinygltf::Model* model, const void* data, size_t bytes, int target);

// Appends a primitive's accessors and the primitive to mesh.
void mqoAddPrimitive(tinygltf::Model* model, const MqoIndexedPrimitive& p, int material,
                     tinygltf::Mesh* mesh);

// The model as GLB bytes; false when writing fails.
bool mqoSerialiseGlb(const tinygltf::Model& model, std::string* glb);

}  // namespace mqo::detail

#endif  // MQO_EXPORT_EXPORT_INTERNAL_H
