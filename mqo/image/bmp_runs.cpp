// MqoModel: run-length encoded palette BMP pixels (RLE8, RLE4) into an RGBA
// image, with the escapes: end of line, end of bitmap, delta, absolute runs.
#include <algorithm>
#include <cstring>

#include "mqo/image/image_internal.h"

namespace mqo::detail {

namespace {

// Where the runs have got to: row counts stored rows (0 the first), x is at
// most the width (a delta cannot push it further, so it cannot overflow).
struct RunCursor {
    const MqoIndexedLayout* layout;
    MqoImage* image;
    int row = 0, x = 0;
};

// The index of a run's pixel i: from the one value byte of an encoded run,
// or byte i (RLE8) or i / 2 (RLE4) of an absolute one; RLE4 takes the high
// nibble for even i.
unsigned runIndex(const unsigned char* data, int i, bool absolute, int depth) {
    if (depth == 8) return data[absolute ? i : 0];
    const unsigned value = data[absolute ? i / 2 : 0];
    return i % 2 == 0 ? value >> 4 : value & 15u;
}

// Writes count pixels of a run at the cursor, cut at the row's end; the
// caller keeps row below the height.
void putRun(RunCursor* c, const unsigned char* data, int count, bool absolute) {
    const MqoIndexedLayout& l = *c->layout;
    const int y = l.topDown ? c->row : l.height - 1 - c->row;
    unsigned char* out = c->image->rgba + static_cast<size_t>(y) * l.width * 4;
    const int n = std::min(count, l.width - c->x);
    for (int i = 0; i < n; ++i)
        std::memcpy(out + 4 * (c->x + i), l.colours[runIndex(data, i, absolute, l.depth)], 4);
    c->x += n;
}

}  // namespace

bool mqoExpandBmpRuns(const unsigned char* bytes, size_t size, const MqoIndexedLayout& layout,
                      MqoImage* image) {
    if (layout.offset > size || !mqoAllocateImage(image, layout.width, layout.height)) return false;
    const unsigned char* in = bytes + layout.offset;
    size_t remaining = size - layout.offset;
    RunCursor c = {&layout, image};
    // Every pass takes at least two bytes: the loop ends with the data.
    while (c.row < layout.height) {
        if (2 > remaining) return false;
        const unsigned count = in[0], code = in[1];
        in += 2;
        remaining -= 2;
        if (count > 0) {
            putRun(&c, in - 1, static_cast<int>(count), false);
        } else if (code == 0) {  // end of line
            ++c.row;
            c.x = 0;
        } else if (code == 1) {  // end of bitmap
            return true;
        } else if (code == 2) {  // delta: right dx, on dy rows
            if (2 > remaining) return false;
            c.x = std::min(c.x + in[0], layout.width);
            c.row += in[1];  // at most 32767 + 255: the loop then ends
            in += 2;
            remaining -= 2;
        } else {  // absolute: code indices, padded to 16 bits
            size_t needed = layout.depth == 8 ? code : (code + 1) / 2;
            needed += needed & 1;
            if (needed > remaining) return false;
            putRun(&c, in, static_cast<int>(code), true);
            in += needed;
            remaining -= needed;
        }
    }
    return true;
}

}  // namespace mqo::detail
