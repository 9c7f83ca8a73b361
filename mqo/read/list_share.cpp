// MqoModel: one long vertex or face list scanned on several threads. The
// lines already in the stream's block are cut at line feeds into pieces that
// the threads share, each scanned straight into its place in the list. A piece
// after the first keeps its entries' bytes in scratch memory first and puts
// them back when a piece before it stops short. Each line is scanned
// exactly as the one-line path scans it (a NUL-terminated copy with its line
// feed), and the first line of another form ends the shared part there, so
// the caller's one-line path decides it and everything after it: the list
// comes out as one thread would read it. A shorter list is scanned the same
// way on the reading thread alone, and a stream with a scan ahead
// (document_prescan.cpp) takes the helper's entries past its half.
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

enum {
    kMostPieces = 8,
    // The longest line a piece takes: its numbers are then shorter than 128
    // characters, which the scan converts without a heap copy, so a helper
    // never allocates. Longer lines go to the one-line path.
    kLongestLine = 127,
};

// About 64 KiB of vertex lines: below this, waking a helper costs about as
// much as the scan it saves.
std::atomic<int> shareThreshold{2048};

// Per-thread scratch for the entries' bytes the pieces after the first
// overwrite, kept for the next list.
thread_local MqoKeptBlock scratch;

struct Piece {
    const unsigned char* begin;
    const unsigned char* end;  // after the last of its lines' line feeds
    int lines;
    unsigned char* out;  // the list's entries for its lines
    // Pieces after the first: the entries' bytes before the scan, put back
    // when a piece before stops short and the one-line path takes over.
    unsigned char* saved = nullptr;
    int matched = 0;  // leading lines of the usual form
    size_t used = 0;  // their bytes
};

void scanPiece(Piece* piece, bool faces) {
    const size_t entry = mqoListEntrySize(faces);
    if (piece->saved != nullptr)
        std::memcpy(piece->saved, piece->out, static_cast<size_t>(piece->lines) * entry);
    const unsigned char* p = piece->begin;
    int n = 0;
    for (; n < piece->lines && p != piece->end; ++n) {
        const auto* feed = static_cast<const unsigned char*>(
            std::memchr(p, '\n', static_cast<size_t>(piece->end - p)));
        const size_t length = static_cast<size_t>(feed - p) + 1;
        if (!mqoScanListLine(p, length, faces, piece->out + static_cast<size_t>(n) * entry)) break;
        p += length;
    }
    piece->matched = n;
    piece->used = static_cast<size_t>(p - piece->begin);
}

// The pieces of one shared run; every thread takes the next unscanned one
// until none is left, so a slow thread holds up at most one piece.
struct Run {
    Piece pieces[kMostPieces];
    int count = 0;
    bool faces = false;
    std::atomic<int> next{0};
};

void scanPieces(void* arg) {
    Run* run = static_cast<Run*>(arg);
    for (int k; (k = run->next.fetch_add(1, std::memory_order_relaxed)) < run->count;)
        scanPiece(&run->pieces[k], run->faces);
}

// Counted 16 bytes at a time into byte counters, which are summed before
// any of them can pass 255: a plain loop's int count is widened lane by lane
// and was the reading thread's costliest step after the scan.
int countFeeds(const unsigned char* from, size_t size) {
    size_t i = 0;
    int n = 0;
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi8('\n');
    while (size - i >= 16) {
        __m128i counts = _mm_setzero_si128();
        const size_t steps = (size - i) / 16 < 255 ? (size - i) / 16 : 255;
        for (size_t k = 0; k < steps; ++k, i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(bytes, feed));  // a match is -1
        }
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        n += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
    }
#endif
    for (; i < size; ++i) n += from[i] == '\n';
    return n;
}

// The bytes of the first n of the lines in from[0, size).
size_t firstLines(const unsigned char* from, size_t size, int n) {
    const unsigned char* p = from;
    for (int i = 0; i < n; ++i) {
        p = static_cast<const unsigned char*>(
                std::memchr(p, '\n', size - static_cast<size_t>(p - from))) +
            1;
    }
    return static_cast<size_t>(p - from);
}

// The bytes of a shared run: all of a file stream's block, at most about
// 4 MiB of a document in memory (its lines up to a line feed there), so that
// the pieces cut from it share a list rather than the document's rest.
size_t window(const unsigned char* from, size_t size) {
    const size_t most = 4u << 20;
    if (size <= most) return size;
    for (size_t end = most; end > 0; --end)
        if (from[end - 1] == '\n') return end;
    return size;  // one line longer than the window: the pieces cut it whole
}

// Cuts size bytes of whole lines into kMostPieces pieces at line feeds (fewer
// when the lines are few), holding at most want lines in all; returns the
// lines they hold.
int cutPieces(const unsigned char* from, size_t size, int want, Run* run) {
    size_t start = 0;
    int lines = 0;
    for (int k = 1; k <= kMostPieces && start < size && lines < want; ++k) {
        size_t end = size * static_cast<size_t>(k) / kMostPieces;
        if (end <= start) continue;
        const void* feed = std::memchr(from + end - 1, '\n', size - (end - 1));
        end = static_cast<size_t>(static_cast<const unsigned char*>(feed) - from) + 1;
        Piece& piece = run->pieces[run->count++];
        piece.begin = from + start;
        piece.lines = countFeeds(piece.begin, end - start);
        if (lines + piece.lines > want) {  // the list ends in this piece
            piece.lines = want - lines;
            end = start + firstLines(piece.begin, end - start, piece.lines);
        }
        piece.end = from + end;
        lines += piece.lines;
        start = end;
    }
    return lines;
}

// Points each piece at its entries in the list at out, and each after the
// first at scratch for their bytes before the scan. False when the scratch
// cannot be had.
bool placePieces(Run* run, void* out, size_t entry) {
    size_t later = 0;
    for (int k = 1; k < run->count; ++k) later += static_cast<size_t>(run->pieces[k].lines) * entry;
    // Without it the caller scans alone.
    auto* room = static_cast<unsigned char*>(scratch.atLeast(later));
    if (room == nullptr) return false;
    auto* list = static_cast<unsigned char*>(out);
    for (int k = 0; k < run->count; ++k) {
        Piece& piece = run->pieces[k];
        const size_t bytes = static_cast<size_t>(piece.lines) * entry;
        piece.out = list;
        list += bytes;
        if (k == 0) continue;
        piece.saved = room;
        room += bytes;
    }
    return true;
}

// Scans the run here and on the idle helpers; false when none is idle (and
// nothing was scanned).
bool scanShared(Run* run) {
    MqoScanJob jobs[kMostPieces];
    for (MqoScanJob& job : jobs) job = MqoScanJob{scanPieces, run, nullptr};
    int handed = mqoHandToHelpers(jobs, run->count - 1);
    if (handed == 0) return false;
    scanPieces(run);
    mqoAwaitHelpers(jobs, handed);
    return true;
}

// Scans the block's lines on this thread alone, straight into out, as a
// piece is scanned: for a list too short to share, or with no helper idle.
// Copying each line out of the block costs about as much as scanning it.
int scanAlone(MqoStream* stream, const unsigned char* from, size_t size, void* out, bool faces,
              int want, bool* again) {
    Piece piece = {from, from + size, want, static_cast<unsigned char*>(out)};
    scanPiece(&piece, faces);
    mqoSkipPeeked(stream, piece.used);
    // Every line the block held was taken: the list goes on after a refill.
    *again = piece.matched < want && piece.used == size;
    return piece.matched;
}

}  // namespace

void mqoCopyScannedFace(FaceEntry* to, const FaceEntry& from, bool textured) {
    const size_t corners = static_cast<size_t>(from.vertexCount);
    to->vertexCount = from.vertexCount;
    std::memcpy(to->vertex, from.vertex, sizeof(int32_t) * corners);
    to->material = from.material;
    if (textured) std::memcpy(to->uv, from.uv, 2 * sizeof(float) * corners);
}

bool mqoScanListLine(const unsigned char* p, size_t length, bool faces, void* out, bool* textured) {
    if (length > kLongestLine) return false;
    char line[kLongestLine + 1];
    std::memcpy(line, p, length);
    line[length] = '\0';
    return faces ? mqoScanFaceLine(line, static_cast<FaceEntry*>(out), textured)
                 : mqoScanVertexLine(line, static_cast<float*>(out));
}

int mqoShareList(MqoStream* stream, void* out, bool faces, int want, bool* again) {
    *again = false;
    const int threshold = shareThreshold.load(std::memory_order_relaxed);
    if (want < 1 || threshold == INT_MAX) return 0;  // tests: every line on the one-line path
    MqoPrescan* prescan = mqoStreamPrescan(stream);  // first: it may read the rest
    const unsigned char* from = nullptr;
    size_t size = mqoPeekLines(stream, &from);
    if (prescan != nullptr) {
        // The helper is scanning the document's second half: this thread
        // scans up to it, and takes what the helper found from there on.
        size_t used = 0;
        const int taken = mqoTakePrescanned(prescan, from, size, out, faces, want, &size, &used);
        if (taken > 0) {
            mqoSkipPeeked(stream, used);
            *again = true;
            return taken;
        }
        return scanAlone(stream, from, size, out, faces, want, again);
    }
    if (want < threshold || want < 2) return scanAlone(stream, from, size, out, faces, want, again);
    size = window(from, size);
    Run run;
    run.faces = faces;
    const size_t entry = mqoListEntrySize(faces);
    const int lines = cutPieces(from, size, want, &run);
    if (lines < threshold || run.count < 2 || !placePieces(&run, out, entry) || !scanShared(&run))
        return scanAlone(stream, from, size, out, faces, want, again);

    // The list takes the pieces in order up to the first line of another
    // form; the pieces after it get their entries' bytes back, as the
    // one-line path, which goes on from there, expects them.
    int taken = 0;
    size_t used = 0;
    int k = 0;
    for (; k < run.count; ++k) {
        const Piece& piece = run.pieces[k];
        taken += piece.matched;
        used += piece.used;
        if (piece.matched < piece.lines) break;
    }
    for (++k; k < run.count; ++k) {
        const Piece& piece = run.pieces[k];
        std::memcpy(piece.out, piece.saved, static_cast<size_t>(piece.matched) * entry);
    }
    mqoSkipPeeked(stream, used);
    *again = taken == lines;
    return taken;
}

void mqoSetListShareThreshold(int lines) { shareThreshold.store(lines, std::memory_order_relaxed); }

void mqoReleaseShareScratch() { scratch.release(); }

}  // namespace mqo::detail
