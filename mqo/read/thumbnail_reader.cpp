// MqoModel: a document's Thumbnail chunk, the picture the modelling tool
// drew of its last view: hex digits, three bytes a pixel, rows top first,
// spread over as many lines as the tool likes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Appends the line's hex digits to pixels (*filled of size bytes so far).
// False on a character that belongs in no picture line; digits past size
// are ignored.
bool takeDigits(const char* line, unsigned char* pixels, size_t size, size_t* filled, bool* half) {
    for (const char* c = line; *c != '\0'; ++c) {
        const int v = hexValue(*c);
        if (v < 0) {
            if (*c == ' ' || *c == '\t' || *c == '\r' || *c == '\n') continue;
            return false;
        }
        if (*filled >= size) continue;
        if (*half) {
            pixels[(*filled)++] |= static_cast<unsigned char>(v);
        } else {
            pixels[*filled] = static_cast<unsigned char>(v << 4);
        }
        *half = !*half;
    }
    return true;
}

}  // namespace

void mqoReadThumbnailChunk(MqoStream* stream, const char* header, MqoScene* scene) {
    int width = 0, height = 0, bits = 0;
    char order[8] = "", coding[8] = "";
    if (std::sscanf(header, "Thumbnail %d %d %d %7s %7s", &width, &height, &bits, order, coding) !=
            5 ||
        bits != 24 || std::strcmp(order, "rgb") != 0 || std::strcmp(coding, "raw") != 0 ||
        width < 1 || height < 1 || width > MQO_THUMBNAIL_MOST_SIDE ||
        height > MQO_THUMBNAIL_MOST_SIDE) {
        return;  // the chunk's lines are passed over by the caller's walk
    }
    // Both sides are at most 1024, so size is at most 3 MiB and cannot
    // overflow; each byte needs two digits of what is left of the file, so a
    // short file cannot ask for the whole of it.
    const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    if (static_cast<long long>(size) > mqoStreamRemaining(stream) / 2) return;
    auto* pixels = static_cast<unsigned char*>(mqoMalloc(size));
    if (pixels == nullptr) return;
    size_t filled = 0;
    bool half = false, clean = true;
    const char* line;
    while ((line = mqoReadLine(stream)) != nullptr) {
        if (std::strchr(line, '}') != nullptr) break;
        clean = clean && takeDigits(line, pixels, size, &filled, &half);
    }
    if (!clean || filled < size) {
        std::free(pixels);
        return;
    }
    scene->thumbnail = pixels;
    scene->thumbnailWidth = width;
    scene->thumbnailHeight = height;
}

}  // namespace mqo::detail
