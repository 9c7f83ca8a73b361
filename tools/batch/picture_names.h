// The batch form's picture names: DIR/NAME.png after each document's file
// name, and never the name of a picture the same run has written.
#ifndef MQO_TOOLS_BATCH_PICTURE_NAMES_H
#define MQO_TOOLS_BATCH_PICTURE_NAMES_H

#include <map>
#include <string>

struct PictureNames {
    std::map<std::string, std::string> written;  // picture path -> its document
    std::string extension = ".png";              // of every name written
    std::string noun = "picture";                // what the messages call a file written
};

// DIR/NAME.png (or another extension), NAME being input's file name without
// its extension.
std::string plainPictureName(const std::string& dir, const std::string& input,
                             const std::string& extension = ".png");

// The plain name, or when this run has written a picture of that name, the
// first of DIR/NAME-2.png, DIR/NAME-3.png... it has not written.
std::string freePictureName(const PictureNames& names, const std::string& dir,
                            const std::string& input);

// Records that output (from freePictureName) was written for input. Returns
// what to tell the user when it is not the plain name, and "" otherwise.
std::string notePicture(PictureNames* names, const std::string& dir, const std::string& input,
                        const std::string& output);

#endif  // MQO_TOOLS_BATCH_PICTURE_NAMES_H
