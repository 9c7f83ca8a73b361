// MqoModel: the second half of a document in memory scanned ahead on a
// helper thread while the reading thread reads the first. A document of a
// few hundred kilobytes has dozens of short lists, each too short to share
// (a hand-over costs more than its scan); one hand-over per document is
// worth it. The helper scans every line of the half, each both as a face
// line and as a vertex line, exactly as the list readers would; a list read
// in that half then takes the helper's entries for as many of its lines as
// start where the helper's lines start and have the list's form, and reads
// on itself from the first that does not, so the records are what one
// thread would make of the document.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Below this, waking the helper costs about what it saves.
std::atomic<size_t> smallestDocument{128 * 1024};
// From this on, the long lists are shared in pieces instead, which needs no
// table of every line (about four times the half's size).
const size_t kLargestDocument = 8 << 20;
// The shortest line of either form ("0 0 0" and its line feed is 6 bytes;
// lines this short are rare, so the table is sized for lines of 16 bytes
// and the helper stops when it is full, leaving the rest to the reader).
const size_t kShortLine = 16;

enum LineForm : int32_t { kOther, kVertex, kFace, kTexturedFace };

struct Line {
    uint32_t start;   // from the document's first byte
    uint32_t length;  // its line feed included
    int32_t form;
    union {
        FaceEntry face;
        float vertex[3];
    };
};

}  // namespace

struct MqoPrescan {
    const unsigned char* bytes;
    size_t size;  // under 8 MiB, so line offsets fit 32 bits
    size_t half;  // the first line at or after size / 2
    Line* lines;
    size_t room;
    size_t count;   // lines the helper scanned
    size_t cursor;  // the first line the reader has not passed
    MqoScanJob job;
    bool running;
    long process;  // the process that started the helper's scan
};

namespace {

void scanLine(const unsigned char* p, size_t length, Line* line) {
    bool textured = false;
    if (mqoScanListLine(p, length, true, &line->face, &textured)) {
        line->form = textured ? kTexturedFace : kFace;
    } else {
        line->form = mqoScanListLine(p, length, false, line->vertex) ? kVertex : kOther;
    }
}

// The table of the reading thread's last scan, kept for its next one: made
// and freed for every document, it would leave holes among the model's
// arrays and be faulted in again each time.
thread_local MqoKeptBlock kept;

// Takes the kept table when it is large enough, else a new one; the stream
// owns it until mqoEndPrescan.
bool takeTable(MqoPrescan* s) {
    // At most 4 MiB over 16 bytes: 2^18 lines, 17 MiB at most.
    if (kept.atLeast(s->room * sizeof(Line)) == nullptr) return false;
    s->lines = static_cast<Line*>(kept.bytes);
    s->room = kept.size / sizeof(Line);
    kept.bytes = nullptr;
    kept.size = 0;
    return true;
}

// Gives the table to the closing thread to keep, if it keeps none as large.
void giveTable(MqoPrescan* s) {
    const size_t bytes = s->room * sizeof(Line);
    if (kept.size >= bytes) {
        std::free(s->lines);
        return;
    }
    kept.release();
    kept.bytes = s->lines;
    kept.size = bytes;
}

void scanHalf(void* arg) {
    auto* s = static_cast<MqoPrescan*>(arg);
    const unsigned char* p = s->bytes + s->half;
    const unsigned char* end = s->bytes + s->size;
    while (p < end && s->count < s->room) {
        const auto* feed =
            static_cast<const unsigned char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (feed == nullptr) break;  // the last line, without a line feed: the reader's
        Line* line = &s->lines[s->count];
        line->start = static_cast<uint32_t>(p - s->bytes);
        line->length = static_cast<uint32_t>(feed - p + 1);
        scanLine(p, line->length, line);
        ++s->count;
        p = feed + 1;
    }
}

// Writes the line's entry into out as the one-line path writes it: a face
// only in the fields the scan of its text sets.
void copyEntry(const Line& line, bool faces, void* out) {
    if (!faces) {
        std::memcpy(out, line.vertex, sizeof line.vertex);
        return;
    }
    mqoCopyScannedFace(static_cast<FaceEntry*>(out), line.face, line.form == kTexturedFace);
}

void await(MqoPrescan* s) {
    if (!s->running) return;
    s->running = false;
    // A forked child has no helper to wait for, and its copy of the table may
    // stop anywhere: it reads everything itself.
    if (s->process != mqoProcessId()) {
        s->count = 0;
        return;
    }
    // Taken back unrun, the table stays empty (count 0): the reader reads
    // the second half itself.
    mqoAwaitHelpers(&s->job, 1);
}

}  // namespace

MqoPrescan* mqoStartPrescan(const unsigned char* bytes, size_t size) {
    if (bytes == nullptr || size < smallestDocument.load(std::memory_order_relaxed) ||
        size >= kLargestDocument) {
        return nullptr;
    }
    const auto* feed =
        static_cast<const unsigned char*>(std::memchr(bytes + size / 2, '\n', size - size / 2));
    if (feed == nullptr) return nullptr;
    auto* s = static_cast<MqoPrescan*>(std::calloc(1, sizeof(MqoPrescan)));
    if (s == nullptr) return nullptr;
    s->bytes = bytes;
    s->size = size;
    s->half = static_cast<size_t>(feed - bytes) + 1;
    s->room = (size - s->half) / kShortLine + 1;
    s->job = MqoScanJob{scanHalf, s, nullptr};
    if (!takeTable(s)) {
        std::free(s);
        return nullptr;
    }
    if (mqoHandToHelpers(&s->job, 1) == 0) {
        giveTable(s);
        std::free(s);
        return nullptr;
    }
    s->running = true;
    s->process = mqoProcessId();
    return s;
}

int mqoTakePrescanned(MqoPrescan* s, const unsigned char* at, size_t size, void* out, bool faces,
                      int want, size_t* ahead, size_t* used) {
    const size_t offset = static_cast<size_t>(at - s->bytes);
    *used = 0;
    if (offset < s->half) {
        *ahead = s->half - offset < size ? s->half - offset : size;
        return 0;
    }
    *ahead = size;
    await(s);
    while (s->cursor < s->count && s->lines[s->cursor].start < offset) ++s->cursor;
    const size_t entry = mqoListEntrySize(faces);
    int taken = 0;
    size_t i = s->cursor;
    for (; taken < want && i < s->count; ++i) {
        const Line& line = s->lines[i];
        const bool usual =
            faces ? line.form == kFace || line.form == kTexturedFace : line.form == kVertex;
        if (line.start != offset + *used || !usual) break;
        copyEntry(line, faces,
                  static_cast<unsigned char*>(out) + static_cast<size_t>(taken) * entry);
        *used += line.length;
        ++taken;
    }
    s->cursor = i;
    return taken;
}

void mqoSetPrescanSmallest(size_t bytes) {
    smallestDocument.store(bytes, std::memory_order_relaxed);
}

void mqoEndPrescan(MqoPrescan* s) {
    if (s == nullptr) return;
    await(s);
    giveTable(s);
    std::free(s);
}

void mqoReleasePrescanTable() { kept.release(); }

}  // namespace mqo::detail
