// MqoModel glTF writer: the binary buffer, its views and accessors, and the
// GLB container, whose bytes tinygltf writes.
#include <algorithm>
#include <cstring>
#include <limits>
#include <sstream>

#include "mqo/export/export_internal.h"

namespace mqo::detail {

int mqoAddBufferView(tinygltf::Model* model, const void* data, size_t bytes, int target) {
    if (model->buffers.empty()) model->buffers.emplace_back();
    std::vector<unsigned char>& buffer = model->buffers[0].data;
    // Every view starts 4-byte aligned, as float accessors need.
    buffer.resize((buffer.size() + 3) & ~size_t{3});
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = buffer.size();
    view.byteLength = bytes;
    view.target = target;
    const unsigned char* from = static_cast<const unsigned char*>(data);
    buffer.insert(buffer.end(), from, from + bytes);
    model->bufferViews.push_back(view);
    return static_cast<int>(model->bufferViews.size()) - 1;
}

namespace {

int addAccessor(tinygltf::Model* model, int view, int componentType, size_t count, int type) {
    tinygltf::Accessor a;
    a.bufferView = view;
    a.componentType = componentType;
    a.count = count;
    a.type = type;
    model->accessors.push_back(a);
    return static_cast<int>(model->accessors.size()) - 1;
}

template <typename T>
int addFloats(tinygltf::Model* model, const std::vector<T>& values, size_t count, int type) {
    const int view = mqoAddBufferView(model, values.data(), values.size() * sizeof(T),
                                      TINYGLTF_TARGET_ARRAY_BUFFER);
    return addAccessor(model, view, TINYGLTF_COMPONENT_TYPE_FLOAT, count, type);
}

int addIndices(tinygltf::Model* model, const MqoIndexedPrimitive& p) {
    const size_t vertices = p.positions.size() / 3;
    if (vertices <= std::numeric_limits<uint16_t>::max() + size_t{1}) {
        std::vector<uint16_t> narrow(p.indices.begin(), p.indices.end());
        const int view = mqoAddBufferView(model, narrow.data(), narrow.size() * 2,
                                          TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        return addAccessor(model, view, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, narrow.size(),
                           TINYGLTF_TYPE_SCALAR);
    }
    const int view = mqoAddBufferView(model, p.indices.data(), p.indices.size() * 4,
                                      TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
    return addAccessor(model, view, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, p.indices.size(),
                       TINYGLTF_TYPE_SCALAR);
}

}  // namespace

void mqoAddPrimitive(tinygltf::Model* model, const MqoIndexedPrimitive& p, int material,
                     tinygltf::Mesh* mesh) {
    const size_t vertices = p.positions.size() / 3;
    tinygltf::Primitive primitive;
    const int position = addFloats(model, p.positions, vertices, TINYGLTF_TYPE_VEC3);
    model->accessors[position].minValues = {p.min[0], p.min[1], p.min[2]};
    model->accessors[position].maxValues = {p.max[0], p.max[1], p.max[2]};
    primitive.attributes["POSITION"] = position;
    primitive.attributes["NORMAL"] = addFloats(model, p.normals, vertices, TINYGLTF_TYPE_VEC3);
    if (!p.uvs.empty()) {
        primitive.attributes["TEXCOORD_0"] = addFloats(model, p.uvs, vertices, TINYGLTF_TYPE_VEC2);
    }
    primitive.indices = addIndices(model, p);
    primitive.material = material;
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    mesh->primitives.push_back(primitive);
}

bool mqoSerialiseGlb(const tinygltf::Model& model, std::string* glb) {
    tinygltf::TinyGLTF writer;
    std::ostringstream out;
    if (!writer.WriteGltfSceneToStream(&model, out, false, true) || !out) return false;
    *glb = out.str();
    return true;
}

}  // namespace mqo::detail
