// Writing pictures as PNG files.
#ifndef MQO_TOOLS_PNG_FILE_H
#define MQO_TOOLS_PNG_FILE_H

#include <string>

// Writes width x height RGBA pixels (top row first) as an 8-bit RGBA PNG.
// Written whole or not at all (see writeOutputFile). False with *error set
// (the system's reason) when the file cannot be written.
bool writePng(const std::string& path, const unsigned char* rgba, int width, int height,
              std::string* error);

#endif  // MQO_TOOLS_PNG_FILE_H
