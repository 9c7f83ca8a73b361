#include <tiny_gltf.h>

#include <cstdio>
#include <sstream>

// Writes a model with one named node as a .glb to memory and reads it back.
int main() {
    tinygltf::Model model;
    model.asset.version = "2.0";
    tinygltf::Node node;
    node.name = "n\xc3\xa9";
    model.nodes.push_back(node);
    model.scenes.push_back(tinygltf::Scene());
    model.scenes[0].nodes.push_back(0);
    std::stringstream out;
    tinygltf::TinyGLTF gltf;
    if (!gltf.WriteGltfSceneToStream(&model, out, false, true)) return 1;
    std::string glb = out.str();
    tinygltf::Model back;
    std::string err, warn;
    if (!gltf.LoadBinaryFromMemory(&back, &err, &warn,
                                   reinterpret_cast<const unsigned char*>(glb.data()),
                                   static_cast<unsigned int>(glb.size()))) {
        std::printf("tinygltf: %s\n", err.c_str());
        return 1;
    }
    if (back.nodes.size() != 1 || back.nodes[0].name != node.name) return 1;
    std::printf("tinygltf %s: glb of %zu bytes round trip\n", TINYGLTF_VERSION, glb.size());
    return 0;
}
