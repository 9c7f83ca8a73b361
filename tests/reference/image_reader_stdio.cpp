// The image reader as first written: the header and each pixel read from
// the FILE*, one getc per byte. The reference that the reader over bytes
// must match block for block, message for message.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/file_bytes.h"
#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

enum FileType { TYPE_BMP, TYPE_TGA, TYPE_PNG, TYPE_JPG };

// Widths from 32768 on would overflow 32-bit byte counts of the block.
const int WIDEST_IMAGE = 32767;

// Decides the type by the last three characters (name has at least three);
// anything else is read as BMP and renamed so in place.
FileType typeByName(char* name) {
    char* ext = name + std::strlen(name) - 3;
    char lower[4];
    for (int i = 0; i < 3; ++i)
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(ext[i])));
    lower[3] = '\0';
    if (!std::strcmp(lower, "tga")) return TYPE_TGA;
    if (!std::strcmp(lower, "png")) return TYPE_PNG;
    if (!std::strcmp(lower, "jpg")) return TYPE_JPG;
    std::memcpy(ext, "bmp", 3);
    return TYPE_BMP;
}

long fileSize(FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    return std::ftell(file);
}

// Reads n bytes at offset; false when the file ends before them.
bool readAt(FILE* file, long offset, unsigned char* out, size_t n) {
    return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(out, 1, n, file) == n;
}

// What the reader takes from a header: the width (both formats are read as
// square), the TGA's depth and image type, and where the pixel rows start.
struct ImageHeader {
    int width = 0, depth = 0, imageType = 0;
    long dataOffset = 0;
};

bool readTgaHeader(FILE* file, ImageHeader* header) {
    unsigned char b[18] = {};
    bool read = readAt(file, 0, b, 18);
    header->width = b[12] | b[13] << 8;
    header->depth = b[16];
    header->imageType = b[2];
    header->dataOffset = static_cast<long>(mqoTgaPixelOffset(b));
    return read;
}

bool readBmpHeader(FILE* file, long length, ImageHeader* header) {
    unsigned char b[12] = {};
    header->dataOffset = 54;
    if (length < 54 || !readAt(file, 10, b, 12)) return false;
    header->dataOffset =
        static_cast<long>(mqoBmpPixelOffset(mqoLittle32(b), static_cast<uint32_t>(length)));
    header->width = static_cast<int32_t>(mqoLittle32(b + 8));
    return true;
}

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

unsigned char* mqoDecodeTextureImage(char* texturePath, char* alphaPath, int* size,
                                     unsigned char alpha, int (*widestTexture)(void)) {
    unsigned char* block = nullptr;
    FILE* file = nullptr;
    bool error = false;
    int width = -1;
    int fileWidth[2] = {-1, -1};
    int widest = 0;  // asked once a width needs checking
    char* names[2] = {texturePath, alphaPath};

    for (int i = 0; i < 2 && !error; ++i) {
        char* name = names[i];
        if (name == nullptr) continue;
        bool isAlpha = i == 1;
        // Without three characters there is no type to tell, and no file to read.
        if (std::strlen(name) < 3) {
            mqoMessage(MQO_MSG_READ_ERROR, MQO_LIBRARY_NAME, name);
            error = true;
            width = -1;
            break;
        }
        FileType type = typeByName(name);
        if (isAlpha && type != TYPE_TGA && type != TYPE_PNG) {
            mqoMessage(MQO_MSG_ALPHA_TYPE, name);
            break;
        }
        file = mqoOpenTextureFile(name);
        if (file == nullptr) {
            mqoMessage(MQO_MSG_READ_ERROR, MQO_LIBRARY_NAME, name);
            continue;
        }
        if (type == TYPE_PNG || type == TYPE_JPG) {
            mqoMessage(MQO_MSG_FORMAT, name);
            std::fclose(file);
            file = nullptr;
            continue;
        }

        long length = fileSize(file);
        ImageHeader header;
        bool headerRead = length >= 0 && (type == TYPE_TGA ? readTgaHeader(file, &header)
                                                           : readBmpHeader(file, length, &header));
        const int w = header.width, depth = header.depth, imageType = header.imageType;
        const long dataOffset = header.dataOffset;
        if (headerRead && widest == 0) {
            int limit = widestTexture != nullptr ? widestTexture() : 0;
            widest = limit > 0 && limit < WIDEST_IMAGE ? limit : WIDEST_IMAGE;
        }
        // A file shorter than its header, or a width that cannot become a
        // texture, fails the whole read.
        if (!headerRead || w <= 0 || w > widest) {
            error = true;
            width = -1;
            break;
        }
        fileWidth[i] = w;
        width = w;
        if (fileWidth[0] >= 0 && fileWidth[1] >= 0 && fileWidth[0] != fileWidth[1]) {
            error = true;
            break;
        }
        if (isAlpha && !((depth == 8 && imageType == 3) || (depth == 32 && imageType == 2))) break;

        if (block == nullptr) {
            size_t bytes =
                static_cast<size_t>(w) * static_cast<size_t>(w) * 4;  // w <= 32767: no overflow
            if (!mqoBlockFitsFile(bytes, static_cast<size_t>(length))) {
                error = true;
                width = -1;
                break;
            }
            // Zeroed: pixels a short file lacks, and R G B of a block made
            // from the alpha file alone, must not be left undefined.
            block = static_cast<unsigned char*>(std::calloc(bytes, 1));
            // Out of memory: null, with the width that was read, like any
            // other failure after a header.
            if (block == nullptr) {
                error = true;
                break;
            }
        }
        if (std::fseek(file, dataOffset, SEEK_SET) == 0) {
            if (isAlpha)
                readAlphaBytes(file, block, w, depth, alpha);
            else
                readColourBytes(file, block, w, type == TYPE_TGA && depth == 32, alpha);
        }
        std::fclose(file);
        file = nullptr;
    }

    if (file != nullptr) std::fclose(file);
    if (error || width < 0) {
        std::free(block);
        block = nullptr;
    }
    if (size != nullptr) *size = width;
    return block;
}

}  // namespace mqo::detail
