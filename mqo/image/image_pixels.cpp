// MqoModel: the pixel rows of BMP and TGA files, a row at a time, into the
// square RGBA block of the image reader.
#include <cstdio>
#include <cstdlib>

#include "mqo/image/image_internal.h"

namespace mqo::detail {

namespace {

unsigned char lowered(int value, unsigned char alpha) {
    return value > alpha ? alpha : static_cast<unsigned char>(value);
}

// Reads stored row y into row; returns the whole pixels it holds (fewer
// when the file ends inside the row: a pixel cut short is not used).
int readRow(FILE* file, unsigned char* row, int width, int bytesPerPixel) {
    size_t got = std::fread(row, 1, static_cast<size_t>(width) * bytesPerPixel, file);
    return static_cast<int>(got / static_cast<size_t>(bytesPerPixel));
}

// The file stores its rows bottom-up, B G R (A), back to back. Reading stops
// where the file ends: pixels it does not supply keep the block's zeros.
// row has room for width * 4 bytes.
void readColourPixels(FILE* file, unsigned char* block, unsigned char* row, int width,
                      bool fileAlpha, unsigned char alpha) {
    int bytesPerPixel = fileAlpha ? 4 : 3;
    size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int y = 0; y < width; ++y) {
        unsigned char* pixel = block + static_cast<size_t>(width - 1 - y) * rowBytes;
        int pixels = readRow(file, row, width, bytesPerPixel);
        const unsigned char* in = row;
        for (int x = 0; x < pixels; ++x, pixel += 4, in += bytesPerPixel) {
            pixel[0] = in[2];
            pixel[1] = in[1];
            pixel[2] = in[0];
            pixel[3] = fileAlpha ? lowered(in[3], alpha) : alpha;
        }
        if (pixels < width) return;
    }
}

// An alpha plane writes A only; 32-bit planes carry it in their fourth byte.
void readAlphaPixels(FILE* file, unsigned char* block, unsigned char* row, int width, int depth,
                     unsigned char alpha) {
    int bytesPerPixel = depth == 32 ? 4 : 1;
    size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int y = 0; y < width; ++y) {
        unsigned char* pixel = block + static_cast<size_t>(width - 1 - y) * rowBytes;
        int pixels = readRow(file, row, width, bytesPerPixel);
        const unsigned char* in = row + bytesPerPixel - 1;
        for (int x = 0; x < pixels; ++x, pixel += 4, in += bytesPerPixel)
            pixel[3] = lowered(*in, alpha);
        if (pixels < width) return;
    }
}

}  // namespace

bool mqoReadColourPixels(FILE* file, unsigned char* block, int width, bool fileAlpha,
                         unsigned char alpha) {
    // One row of the widest layout (4 bytes a pixel) serves every file.
    auto* row = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(width) * 4));
    if (row == nullptr) return false;
    readColourPixels(file, block, row, width, fileAlpha, alpha);
    std::free(row);
    return true;
}

bool mqoReadAlphaPixels(FILE* file, unsigned char* block, int width, int depth,
                        unsigned char alpha) {
    auto* row = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(width) * 4));
    if (row == nullptr) return false;
    readAlphaPixels(file, block, row, width, depth, alpha);
    std::free(row);
    return true;
}

}  // namespace mqo::detail
