// The pixel rows as the image reader first read them, one getc per byte: the
// reference that the row-at-a-time reader must match pixel for pixel.
#include <cstdio>

#include "mqo/image/image_internal.h"

namespace mqo::detail {

namespace {

unsigned char lowered(int value, unsigned char alpha) {
    return value > alpha ? alpha : static_cast<unsigned char>(value);
}

// The file stores its rows bottom-up, B G R (A), back to back. Reading stops
// where the file ends: pixels it does not supply keep the block's zeros.
void readColourBytes(FILE* file, unsigned char* block, int width, bool fileAlpha,
                     unsigned char alpha) {
    size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int y = 0; y < width; ++y) {
        unsigned char* pixel = block + static_cast<size_t>(width - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x, pixel += 4) {
            int b = std::getc(file), g = std::getc(file), r = std::getc(file);
            int a = fileAlpha ? std::getc(file) : alpha;
            if (b == EOF || g == EOF || r == EOF || a == EOF) return;
            pixel[0] = static_cast<unsigned char>(r);
            pixel[1] = static_cast<unsigned char>(g);
            pixel[2] = static_cast<unsigned char>(b);
            pixel[3] = lowered(a, alpha);
        }
    }
}

// An alpha plane writes A only; 32-bit planes carry it in their fourth byte.
void readAlphaBytes(FILE* file, unsigned char* block, int width, int depth, unsigned char alpha) {
    size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int y = 0; y < width; ++y) {
        unsigned char* pixel = block + static_cast<size_t>(width - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x, pixel += 4) {
            if (depth == 32) {
                std::getc(file);
                std::getc(file);
                std::getc(file);
            }
            int a = std::getc(file);
            if (a == EOF) return;
            pixel[3] = lowered(a, alpha);
        }
    }
}

}  // namespace

bool mqoReadColourPixels(FILE* file, unsigned char* block, int width, bool fileAlpha,
                         unsigned char alpha) {
    readColourBytes(file, block, width, fileAlpha, alpha);
    return true;
}

bool mqoReadAlphaPixels(FILE* file, unsigned char* block, int width, int depth,
                        unsigned char alpha) {
    readAlphaBytes(file, block, width, depth, alpha);
    return true;
}

}  // namespace mqo::detail
