// MqoModel: what the image readers' files (mqo/image/) define for one another
// and for the texture pool: texture file lookup, the exact BMP/TGA reader, the
// complete profile's decoders and resampler. CPU stage; not installed.
#ifndef MQO_IMAGE_IMAGE_INTERNAL_H
#define MQO_IMAGE_IMAGE_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "mqo/MqoModelStages.h"

namespace mqo::detail {

// ==== where texture files come from (texture_source.cpp) ====

// How a call reads (mqo/read/read_internal.h): here, its feature bits, the
// package and the document's folder, and the widest texture.
struct MqoReadContext;

// The bits that change what pixels (or which file) a texture name gives;
// the pool keeps textures read under different values of these apart, and
// under TEXTURE_SEARCH those of different document folders too.
#define MQO_IMAGE_FEATURES                                                                         \
    (MQO_FEATURE_PNG_JPEG | MQO_FEATURE_IMAGE_LAYOUT | MQO_FEATURE_MQOZ | MQO_FEATURE_UTF8_NAMES | \
     MQO_FEATURE_TEXTURE_SEARCH)

// Opens a texture or alpha file as read says: from its package when it
// has one, else from the file system as mqoOpenTextureFile does (and, with
// MQO_FEATURE_UTF8_NAMES, with the name converted to UTF-8 when that fails).
// With MQO_FEATURE_TEXTURE_SEARCH the places TEXTURE_SEARCH's comment in
// MqoModelStages.h lists follow, in its order, from read's directory;
// beside (MQO_POOL_PATH_SIZE bytes, when not null) then receives the place
// beside the package the read-error message names, or "" when the message
// names path.
FILE* mqoOpenTextureSource(const char* path, const MqoReadContext& read, char* beside = nullptr);

// ==== the exact reader and file lookup (image_reader.cpp, texture_file.cpp) ====

// A texture's square block read as read says, within its widest texture;
// with no image feature set it is mqoDecodeTextureImage exactly.
unsigned char* mqoDecodeTexture(char* texturePath, char* alphaPath, int* size, unsigned char alpha,
                                const MqoReadContext& read);

// mqoReadTextureImage without the driver: widestTexture, when not null, is
// asked once a header has been read and gives the widest texture the caller
// can upload (0 or less, or null: no limit but the reader's own).
unsigned char* mqoDecodeTextureImage(char* texturePath, char* alphaPath, int* size,
                                     unsigned char alpha, int (*widestTexture)(void));

// Opens a texture or alpha file for reading ("rb"); null when none opens.
// The name is tried as given first, so whatever opens as written opens so.
// A name holding ':' (drive-qualified) gets no further tries. Otherwise it
// is tried with backslashes as '/', then folder by folder from "." (or "/"):
// a component present as written is taken, else the folder's one entry
// equal to it in ASCII case, the first in strcmp order when several are.
// "." and empty components are skipped, ".." is kept. These later tries
// fail, rather than guess, past 64 components, in a folder of more than
// 4096 entries, for a path of 260 bytes or more, and on anything but a
// regular file. path itself is never written to.
FILE* mqoOpenTextureFile(const char* path);

// mqoOpenTextureFile read as how says: MQO_LOOKUP_SHIFT_JIS reads the
// backslashes as mqoSlashFolders(path, out, true) does; MQO_LOOKUP_REGULAR
// opens nothing but a regular file, the name as written included (a place
// the search made up may be a folder, or a FIFO that would stall the open).
enum { MQO_LOOKUP_SHIFT_JIS = 1, MQO_LOOKUP_REGULAR = 2 };
FILE* mqoOpenTextureFileAs(const char* path, unsigned how);

// Writes path to out (as long as path) with its folder-separating
// backslashes made '/'. Without shiftJis every backslash is one. With it,
// each '/'-separated part that is not valid UTF-8 is read as Shift_JIS: a
// backslash that is the second byte of a double-byte character (lead byte
// 0x81-0x9F or 0xE0-0xFC, then 0x40-0x7E or 0x80-0xFC) stays.
void mqoSlashFolders(const char* path, char* out, bool shiftJis);

// ==== the complete profile's decoders ====

// Widths from 32768 on would overflow 32-bit byte counts of a block.
#define MQO_WIDEST_IMAGE 32767
// No pixel buffer (decoded image or square block) and no image file is
// larger than this: a few bytes cannot claim gigabytes. 8192 x 8192 RGBA.
#define MQO_MAX_IMAGE_BYTES (static_cast<size_t>(256) * 1024 * 1024)

// An RGBA image, memory row 0 its top row: the texture's t = 0, where a
// document's V = 0 lies, as the exact reader stores it. hasAlpha is false
// when the file had no alpha (A is then 255 where pixels were read).
struct MqoImage {
    int width = 0, height = 0;
    unsigned char* rgba = nullptr;
    bool hasAlpha = false;
};

// Frees the pixels and empties the image; accepts null.
void mqoFreeImage(MqoImage* image);

// The widest side a decoder may accept: asks widestTexture (when not null)
// once, the first time it is needed.
class MqoImageLimits {
public:
    explicit MqoImageLimits(int (*widestTexture)(void)) : widestTexture_(widestTexture) {}
    int widest();
    // True when a width x height image, and the square of its longer side,
    // may be decoded: both sides in 1..widest() and the square's bytes
    // within MQO_MAX_IMAGE_BYTES (which bounds the image's too).
    bool fits(uint32_t width, uint32_t height);

private:
    int (*widestTexture_)(void);
    int widest_ = 0;
};

// Gives image zeroed width x height RGBA pixels; false when out of memory.
// The caller has checked the size with MqoImageLimits::fits.
bool mqoAllocateImage(MqoImage* image, int width, int height);

enum MqoImageStatus {
    MQO_IMAGE_OK,
    MQO_IMAGE_DAMAGED,      // refused: damaged, truncated or too large
    MQO_IMAGE_UNSUPPORTED,  // a variant of the format this reader does not read
    MQO_IMAGE_SKIPPED,      // an alpha plane the exact rules ignore
};

// The decoders: bytes is the whole file. On anything but MQO_IMAGE_OK the
// image is left empty.
MqoImageStatus mqoDecodePng(const unsigned char* bytes, size_t size, MqoImageLimits* limits,
                            MqoImage* image);
MqoImageStatus mqoDecodeJpeg(const unsigned char* bytes, size_t size, MqoImageLimits* limits,
                             MqoImage* image);
// BMP and TGA as their headers say: both sides, row order, padding, depth.
MqoImageStatus mqoDecodeBmpLayout(const unsigned char* bytes, size_t size, MqoImageLimits* limits,
                                  MqoImage* image);
MqoImageStatus mqoDecodeTgaLayout(const unsigned char* bytes, size_t size, MqoImageLimits* limits,
                                  MqoImage* image);
// BMP and TGA as the exact reader reads them: square, the width from the
// header, rows bottom-up and unpadded, a short file leaving zeros.
MqoImageStatus mqoDecodeBmpTgaSquare(const unsigned char* bytes, size_t size, bool tga,
                                     bool isAlpha, MqoImageLimits* limits, MqoImage* image);

// What the exact reader takes from a BMP or TGA header: the width (both
// sides), where the stored rows start and how a pixel is stored. An alpha
// plane's pixels give A alone, their last byte; skipped is set for a plane of
// a kind the exact reader ignores.
struct MqoSquareHeader {
    int32_t width = 0;
    size_t offset = 0;
    int bytesPerPixel = 3;
    bool fileAlpha = false;  // colour pixels B G R A: a 32-bit TGA
    bool alphaPlane = false;
    bool skipped = false;
};

// The bytes at a file's start that mqoReadSquareHeader reads.
inline size_t mqoSquareHeaderBytes(bool tga) { return tga ? 18 : 54; }
// Reads the header from the first size bytes of a file of length bytes;
// false when they are fewer than mqoSquareHeaderBytes.
bool mqoReadSquareHeader(const unsigned char* bytes, size_t size, size_t length, bool tga,
                         bool isAlpha, MqoSquareHeader* header);
// The stored rows (size bytes from the header's offset: bottom row first,
// back to back) into the width x width RGBA block, memory row 0 the top:
// R G B and A at most alpha (alpha itself when the file has none), or A
// alone from an alpha plane. Bytes that end early leave the rest of the
// block as it was; a pixel cut short is not written.
void mqoSquarePixels(const unsigned char* rows, size_t size, const MqoSquareHeader& header,
                     unsigned char alpha, unsigned char* block);

// How stored rows are laid out: where they start, their stride and order,
// and which byte of a pixel gives R, G, B and A (-1: none, A is 255).
struct MqoRowLayout {
    size_t offset = 0, stride = 0;
    int width = 0, height = 0, bytesPerPixel = 0;
    bool topDown = false;
    int channel[4] = {2, 1, 0, -1};
};

// Copies the rows into image (already allocated at the layout's size).
// False when the bytes end before the last row does.
bool mqoCopyRows(const unsigned char* bytes, size_t size, const MqoRowLayout& layout,
                 MqoImage* image);

// A palette BMP's pixels: 1, 4 or 8 bits an index into colours (RGBA;
// entries the file does not give are opaque black), rows bottom-up unless
// topDown, stored from offset as rows or as runs.
struct MqoIndexedLayout {
    size_t offset = 0;
    int width = 0, height = 0, depth = 0;
    bool topDown = false;
    unsigned char colours[256][4] = {};
};

// Reads the palette of count entries (0: 2^depth; past 2^depth only those)
// of entryBytes each (B G R, and a reserved byte when 4) from byte at into
// layout (its depth set); false when the file ends first.
bool mqoReadBmpPalette(const unsigned char* bytes, size_t size, size_t at, uint32_t count,
                       int entryBytes, MqoIndexedLayout* layout);
// Stored rows padded to 4 bytes into image, which they allocate at the
// layout's size (checked with MqoImageLimits::fits); false when the file
// ends before the last row does (nothing then allocated) or out of memory.
bool mqoCopyIndexedRows(const unsigned char* bytes, size_t size, const MqoIndexedLayout& layout,
                        MqoImage* image);
// RLE8 (depth 8) or RLE4 (depth 4) runs into image, allocated and zeroed as
// above: runs past a row's end are cut there, pixels the runs skip stay 0.
// Ends at end of bitmap or when the rows run out; false when the bytes end
// before either (the caller frees the image) or out of memory.
bool mqoExpandBmpRuns(const unsigned char* bytes, size_t size, const MqoIndexedLayout& layout,
                      MqoImage* image);

// The image scaled to a side x side block (malloc'd), or null when out of
// memory. side is at most MQO_WIDEST_IMAGE.
unsigned char* mqoResampleSquare(const MqoImage& image, int side);

// ==== whole files (image_file_bytes.cpp, image_file_decode.cpp) ====

struct MqoFileBytes {
    unsigned char* data = nullptr;
    size_t size = 0;
};

// Reads the rest of in; false (and nothing held) on a read error, when out
// of memory, or past MQO_MAX_IMAGE_BYTES.
bool mqoReadFileBytes(FILE* in, MqoFileBytes* file);
// Frees and empties; accepts null.
void mqoFreeFileBytes(MqoFileBytes* file);

enum MqoFileKind { MQO_FILE_BMP, MQO_FILE_TGA, MQO_FILE_PNG, MQO_FILE_JPEG };

// PNG and JPEG by their signatures, else by the name's extension; BMP when
// neither tells.
MqoFileKind mqoFileKind(const MqoFileBytes& file, const char* name);

// Opens, reads and decodes one texture or alpha file as read's features
// say, printing the library's messages: MQO_IMAGE_SKIPPED when the file is
// left out (it does not open, or is of a format or kind not read here), as
// the exact reader leaves such files out.
MqoImageStatus mqoReadImageFile(const char* path, bool isAlpha, const MqoReadContext& read,
                                MqoImageLimits* limits, MqoImage* image);

}  // namespace mqo::detail

#endif  // MQO_IMAGE_IMAGE_INTERNAL_H
