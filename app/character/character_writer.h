// Writes the character's parts as an MQO document.
#ifndef APP_CHARACTER_WRITER_H
#define APP_CHARACTER_WRITER_H

#include <string>
#include <vector>

#include "character_body.h"

namespace character {

// The document text for one frame: header, Scene, the Material chunk (the
// face material names the picture for faceVariant), one Object chunk per
// part, "Eof". With binaryVertices the vertex lists are BVertex blocks of
// little-endian floats. Lines end in CR LF, as the modelling tools write.
std::string documentText(const std::vector<Part>& parts, int faceVariant, bool binaryVertices);

// Writes bytes to a file; false when it cannot be written.
bool writeBytes(const std::string& path, const std::string& bytes);

}  // namespace character

#endif  // APP_CHARACTER_WRITER_H
