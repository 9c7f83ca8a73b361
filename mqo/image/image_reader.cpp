// MqoModel: the BMP/TGA image reader: names, the order of the files, the
// block, and the bytes each file gives; image_square.cpp turns them into
// the block's pixels.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/file_bytes.h"
#include "mqo/file_read.h"
#include "mqo/image/image_internal.h"
#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

enum FileType { TYPE_BMP, TYPE_TGA, TYPE_PNG, TYPE_JPG };

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

// What the files read so far have made: the block, the width to report and
// whether the read has failed. The texture limit is asked once, the first
// time a header has been read.
struct Reading {
    Reading(int (*widestTexture)(void), unsigned char alphaByte)
        : limits(widestTexture), alpha(alphaByte) {}
    MqoImageLimits limits;
    unsigned char alpha;
    unsigned char* block = nullptr;
    int width = -1;
    bool error = false;
    bool unreadable = false;  // reading the file failed (not a short or damaged file)
};

// Fails the read; clearWidth when no width is to be reported.
bool fail(Reading* r, bool clearWidth) {
    r->error = true;
    if (clearWidth) r->width = -1;
    return false;
}

// The stored rows the header promises, as far as the file holds them and
// never more: a file longer than its picture is not read whole. A file
// that does not seek there gives none. False when out of memory or when
// reading fails (a file cut short reads as far as it goes).
bool readRows(FILE* file, long length, const MqoSquareHeader& header, unsigned char** rows,
              size_t* held) {
    if (std::fseek(file, static_cast<long>(header.offset), SEEK_SET) != 0) return true;
    // width <= 32767 and 4 bytes a pixel at most: within 32 bits.
    const size_t width = static_cast<size_t>(header.width);
    const size_t promised = width * width * static_cast<size_t>(header.bytesPerPixel);
    const size_t there = static_cast<size_t>(length);
    const size_t left = there > header.offset ? there - header.offset : 0;
    const size_t wanted = promised < left ? promised : left;
    if (wanted == 0) return true;
    *rows = static_cast<unsigned char*>(mqoMalloc(wanted));
    if (*rows == nullptr) return false;
    bool failed = false;
    *held = mqoFileRead(file, *rows, wanted, &failed);
    return !failed;
}

// The block for the first file whose pixels are read: zeroed, since pixels
// a short file lacks, and R G B of a block made from the alpha file alone,
// must not be left undefined.
bool makeBlock(Reading* r, long length) {
    const size_t bytes = static_cast<size_t>(r->width) * static_cast<size_t>(r->width) * 4;
    if (!mqoBlockFitsFile(bytes, static_cast<size_t>(length))) return fail(r, true);
    r->block = static_cast<unsigned char*>(mqoCalloc(bytes, 1));
    // Out of memory: null, with the width that was read, like any other
    // failure after a header.
    return r->block != nullptr || fail(r, false);
}

// Reads an open BMP or TGA's header and the bytes of its rows (rows and
// held, null and 0 when none); false when the read stops here.
bool readSquareFile(FILE* file, bool tga, bool isAlpha, Reading* r, MqoSquareHeader* header,
                    unsigned char** rows, size_t* held) {
    const long length = fileSize(file);
    unsigned char head[54];
    const size_t want = mqoSquareHeaderBytes(tga);
    bool failed = false;
    const bool headerRead =
        length >= 0 && std::fseek(file, 0, SEEK_SET) == 0 &&
        mqoReadSquareHeader(head, mqoFileRead(file, head, want, &failed),
                            static_cast<size_t>(length), tga, isAlpha, header) &&
        !failed;
    r->unreadable = failed;
    if (headerRead) r->limits.widest();
    const int w = header->width;
    // A file shorter than its header, or a width that cannot become a
    // texture, fails the whole read.
    if (!headerRead || w <= 0 || w > r->limits.widest()) return fail(r, true);
    const int textureWidth = r->width;
    r->width = w;
    if (textureWidth >= 0 && textureWidth != w) return fail(r, false);
    if (header->skipped) return false;
    if (r->block == nullptr && !makeBlock(r, length)) return false;
    if (readRows(file, length, *header, rows, held)) return true;
    r->unreadable = *rows != nullptr;  // the rows were allocated: reading them failed
    return fail(r, false);
}

// Reads one texture or alpha file into the block; false when the read
// stops here (failed, or an alpha plane not read).
bool readFile(char* name, bool isAlpha, Reading* r) {
    // Without three characters there is no type to tell, and no file to read.
    if (std::strlen(name) < 3) {
        mqoMessage(MQO_MSG_READ_ERROR, MQO_LIBRARY_NAME, name);
        return fail(r, true);
    }
    const FileType type = typeByName(name);
    if (isAlpha && type != TYPE_TGA && type != TYPE_PNG) {
        mqoMessage(MQO_MSG_ALPHA_TYPE, name);
        return false;
    }
    FILE* file = mqoOpenTextureFile(name);
    if (file == nullptr) {
        mqoMessage(MQO_MSG_READ_ERROR, MQO_LIBRARY_NAME, name);
        return true;
    }
    if (type == TYPE_PNG || type == TYPE_JPG) {
        mqoMessage(MQO_MSG_FORMAT, name);
        std::fclose(file);
        return true;
    }
    MqoSquareHeader header;
    unsigned char* rows = nullptr;
    size_t held = 0;
    const bool read = readSquareFile(file, type == TYPE_TGA, isAlpha, r, &header, &rows, &held);
    std::fclose(file);
    if (r->unreadable) mqoMessage(MQO_MSG_READ_ERROR, MQO_LIBRARY_NAME, name);
    if (read) mqoSquarePixels(rows, held, header, r->alpha, r->block);
    std::free(rows);
    return read;
}

}  // namespace

unsigned char* mqoDecodeTextureImage(char* texturePath, char* alphaPath, int* size,
                                     unsigned char alpha, int (*widestTexture)(void)) {
    Reading r(widestTexture, alpha);
    char* names[2] = {texturePath, alphaPath};
    for (int i = 0; i < 2; ++i)
        if (names[i] != nullptr && !readFile(names[i], i == 1, &r)) break;
    if (r.error || r.width < 0) {
        std::free(r.block);
        r.block = nullptr;
    }
    if (size != nullptr) *size = r.width;
    return r.block;
}

}  // namespace mqo::detail
