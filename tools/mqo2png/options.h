// mqo2png's command line.
#ifndef MQO_TOOLS_MQO2PNG_OPTIONS_H
#define MQO_TOOLS_MQO2PNG_OPTIONS_H

#include <string>
#include <vector>

struct Options {
    int size = 256;
    bool exact = false;  // the exact subset instead of the complete profile
    float yaw = 30.0f, pitch = 20.0f;
    bool scene = false;               // the document's own camera instead of yaw and pitch
    bool core = false;                // the shaded path in a 3.3 core context
    std::string outDir;               // the batch form when not empty
    std::vector<std::string> inputs;  // the documents
    std::string output;               // the single form's picture
    bool help = false;
};

// Reads argv into *options; false with *error set on a usage mistake.
bool parseOptions(int argc, char** argv, Options* options, std::string* error);

extern const char* const kUsage;

#endif  // MQO_TOOLS_MQO2PNG_OPTIONS_H
