// Procedural textures of the character and the BMP/TGA files they go into.
#ifndef APP_CHARACTER_TEXTURES_H
#define APP_CHARACTER_TEXTURES_H

#include <string>
#include <vector>

namespace character {

// A square picture, row 0 at the top (where v = 0 lands), three floats
// 0..1 per pixel.
struct Image {
    int size = 0;
    std::vector<float> rgb;
};

// A square single-channel picture (alpha plane), row 0 at the top.
struct GrayImage {
    int size = 0;
    std::vector<float> value;
};

enum FaceVariant { FaceOpen = 0, FaceBlink = 1, FaceYawn = 2 };

// The face picture spans x, y in [-1, 1] (y up), which the head projects
// straight onto its front; its border is plain skin.
Image drawFace(FaceVariant variant);
Image drawShirt();
Image drawJeans();
Image drawShadowColour();
GrayImage drawShadowAlpha();

// Uncompressed 24-bit files, bottom row stored first, no row padding (sizes
// are powers of two of at least 4). Return false when the file cannot be
// written.
bool writeBmp(const std::string& path, const Image& image);
bool writeTga(const std::string& path, const Image& image);
// An 8-bit grey TGA (image type 3): the alpha plane of a texture.
bool writeTgaGray(const std::string& path, const GrayImage& image);

// The file names the documents use, and one call writing them all into a
// folder; returns false on the first failure.
extern const char* const kFaceFiles[3];
extern const char* const kShirtFile;
extern const char* const kJeansFile;
extern const char* const kShadowFile;
extern const char* const kShadowAlphaFile;
bool writeTextures(const std::string& folder);

}  // namespace character

#endif  // APP_CHARACTER_TEXTURES_H
