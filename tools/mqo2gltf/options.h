// mqo2gltf's command line.
#ifndef MQO_TOOLS_MQO2GLTF_OPTIONS_H
#define MQO_TOOLS_MQO2GLTF_OPTIONS_H

#include <string>
#include <vector>

#include "mqo/MqoModelGltf.h"

struct GltfToolOptions {
    MqoGltfOptions gltf = mqoGltfDefaultOptions();
    std::string outDir;               // the batch form when not empty
    std::vector<std::string> inputs;  // the documents
    std::string output;               // the single form's .glb
    bool help = false;
};

// Reads argv into *options; false with *error set on a usage mistake.
bool parseGltfOptions(int argc, char** argv, GltfToolOptions* options, std::string* error);

extern const char* const kGltfUsage;

#endif  // MQO_TOOLS_MQO2GLTF_OPTIONS_H
