// MqoModel: the document reader's line stream. The file is opened in binary
// mode (a carriage return before a line feed stays part of the line) and
// read in large blocks; a file under 8 MiB is read whole once a list reader
// asks for it (mqoStreamPrescan). A line is everything up to and including
// its line feed, however long, copied out of the block into a buffer that
// grows.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/file_read.h"
#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

// The limit that stands in for the size of a stream whose size cannot be
// known (a pipe): what a declared count may allocate, and how much of one
// line is kept, is bounded either way.
static const long long kUnknownSizeLimit = 1LL << 20;
static const size_t kBlockSize = 256 * 1024;
// Files this large are read in blocks of kLargeBlockSize: their long lists
// are shared among threads a block at a time, and each hand-over costs the
// same whatever the block holds.
static const long long kLargeFile = 8LL << 20;
static const size_t kLargeBlockSize = 1024 * 1024;
static const size_t kFirstLineCapacity = 256;

}  // namespace mqo::detail

// Declared by the public header, so defined outside the internal name space.
struct MqoStream {
    FILE* file;
    long long size;      // bytes in the file, -1 when it is not a regular file
    long long consumed;  // bytes handed out as lines and blocks
    unsigned char* block;
    size_t blockSize;     // the bytes a refill fills the block to
    size_t capacity;      // the bytes block holds: the whole file, for one read whole
    size_t start, end;    // the unread bytes are block[start, end)
    bool drained;         // the file has given everything it holds
    bool failed;          // reading the file failed: what was read is not all of it
    char* line;           // the current line, NUL-terminated
    size_t lineCapacity;  // bytes line can hold, its NUL included
    size_t lineLimit;     // the most bytes of one line that are kept
    // Whether the first list read may read the rest of the file into the
    // block and have its second half scanned ahead (the prescan, or null).
    bool scanAhead;
    mqo::detail::MqoPrescan* prescan;
};

namespace mqo::detail {

// Opens path with a block of blockSize bytes, or of largeBlockSize for a
// regular file of kLargeFile bytes or more; with whole, a smaller regular
// file gets a block it fits in, filled blockSize bytes at a time until a
// list reader asks for the rest at once (mqoStreamPrescan): readers of the
// head alone (the scene, the thumbnail) read no more than before.
static MqoStream* openStream(const char* path, size_t blockSize, size_t largeBlockSize,
                             bool whole) {
    if (path == nullptr || blockSize == 0) return nullptr;
    FILE* file = mqoOpenFile(path, "rb");
    if (file == nullptr) return nullptr;
    struct stat st;
    long long size = -1;
    if (fstat(fileno(file), &st) == 0) {
        // A directory opens on this platform but is no document.
        if (S_ISDIR(st.st_mode)) {
            std::fclose(file);
            return nullptr;
        }
        if (S_ISREG(st.st_mode)) size = static_cast<long long>(st.st_size);
    }
    if (size >= kLargeFile) blockSize = largeBlockSize;
    // More than the file, so that reading it all also meets its end (a file
    // that grew meanwhile is then read on in blocks of this size); rounded up,
    // so that the next document of about this size fits the block just freed.
    const bool atOnce = whole && size >= 0 && size < kLargeFile;
    size_t capacity = blockSize;
    if (atOnce) {
        capacity = (static_cast<size_t>(size) / kBlockSize + 1) * kBlockSize;
        if (blockSize > capacity) blockSize = capacity;
    }
    auto* stream = static_cast<MqoStream*>(mqoMalloc(sizeof(MqoStream)));
    auto* block = static_cast<unsigned char*>(mqoMalloc(capacity));
    auto* line = static_cast<char*>(mqoMalloc(kFirstLineCapacity));
    if (stream == nullptr || block == nullptr || line == nullptr) {
        std::free(stream);
        std::free(block);
        std::free(line);
        std::fclose(file);
        return nullptr;
    }
    // We buffer ourselves; stdio's own buffer would only add a copy.
    std::setvbuf(file, nullptr, _IONBF, 0);
    stream->file = file;
    stream->size = size;
    stream->consumed = 0;
    stream->block = block;
    stream->blockSize = blockSize;
    stream->capacity = capacity;
    stream->start = stream->end = 0;
    stream->drained = false;
    stream->failed = false;
    stream->line = line;
    stream->line[0] = '\0';
    stream->lineCapacity = kFirstLineCapacity;
    // No line of a regular file is longer than the file, so its size bounds
    // the buffer; a stream of unknown size keeps at most the fixed limit.
    long long limit = size >= 0 ? size : kUnknownSizeLimit;
    stream->lineLimit = limit < static_cast<long long>(kFirstLineCapacity)
                            ? kFirstLineCapacity - 1
                            : static_cast<size_t>(limit);
    stream->scanAhead = atOnce;
    stream->prescan = nullptr;
    return stream;
}

MqoStream* mqoOpenStreamBuffered(const char* path, size_t blockSize) {
    return openStream(path, blockSize, blockSize, false);
}

MqoStream* mqoOpenStreamMemory(unsigned char* bytes, size_t size) {
    auto* stream = static_cast<MqoStream*>(mqoMalloc(sizeof(MqoStream)));
    auto* line = static_cast<char*>(mqoMalloc(kFirstLineCapacity));
    if (bytes == nullptr || stream == nullptr || line == nullptr) {
        std::free(bytes);
        std::free(stream);
        std::free(line);
        return nullptr;
    }
    // The whole document is the block, already drained: the readers take
    // lines and blocks from it and never reach for a file.
    stream->file = nullptr;
    stream->size = static_cast<long long>(size);
    stream->consumed = 0;
    stream->block = bytes;
    stream->blockSize = size;
    stream->capacity = size;
    stream->start = 0;
    stream->end = size;
    stream->drained = true;
    stream->failed = false;
    stream->line = line;
    stream->line[0] = '\0';
    stream->lineCapacity = kFirstLineCapacity;
    stream->lineLimit = size < kFirstLineCapacity ? kFirstLineCapacity - 1 : size;
    stream->scanAhead = true;
    stream->prescan = nullptr;
    return stream;
}

// Reads the file into the block behind its unread bytes, up to blockSize.
static void fill(MqoStream* s) {
    while (!s->drained && s->end < s->blockSize) {
        size_t got = mqoFileRead(s->file, s->block + s->end, s->blockSize - s->end, &s->failed);
        s->end += got;
        if (got == 0) s->drained = true;
    }
}

// Moves the unread bytes to the front and fills the block behind them.
static void refill(MqoStream* s) {
    size_t unread = s->end - s->start;
    std::memmove(s->block, s->block + s->start, unread);
    s->start = 0;
    s->end = unread;
    fill(s);
}

// Appends n bytes to the line of length *length. Bytes beyond the line limit,
// or beyond what memory allows, are dropped: the line is then cut short but
// still ends where the file's line ends.
static void appendToLine(MqoStream* s, size_t* length, const unsigned char* from, size_t n) {
    size_t room = s->lineLimit - *length;
    if (n > room) n = room;
    if (*length + n >= s->lineCapacity) {
        size_t capacity = s->lineCapacity;
        while (*length + n >= capacity) capacity *= 2;  // lineLimit bounds it
        if (capacity > s->lineLimit + 1) capacity = s->lineLimit + 1;
        if (auto* grown = static_cast<char*>(mqoRealloc(s->line, capacity))) {
            s->line = grown;
            s->lineCapacity = capacity;
        } else {
            n = s->lineCapacity - 1 - *length;
        }
    }
    std::memcpy(s->line + *length, from, n);
    *length += n;
}

const char* mqoReadLine(MqoStream* stream) {
    size_t length = 0;
    bool read = false;
    for (;;) {
        if (stream->start == stream->end) {
            if (!stream->drained) refill(stream);
            if (stream->start == stream->end) break;
        }
        const unsigned char* from = stream->block + stream->start;
        size_t available = stream->end - stream->start;
        const void* feed = std::memchr(from, '\n', available);
        size_t take = feed != nullptr
                          ? static_cast<size_t>(static_cast<const unsigned char*>(feed) - from) + 1
                          : available;
        appendToLine(stream, &length, from, take);
        stream->start += take;
        stream->consumed += static_cast<long long>(take);
        read = true;
        if (feed != nullptr) break;
    }
    stream->line[length] = '\0';
    return read ? stream->line : nullptr;
}

size_t mqoReadBlock(MqoStream* stream, void* buffer, size_t n) {
    // First what the block already holds, then straight from the file.
    size_t buffered = stream->end - stream->start;
    size_t done = n < buffered ? n : buffered;
    if (buffer != nullptr) std::memcpy(buffer, stream->block + stream->start, done);
    stream->start += done;
    while (done < n && !stream->drained) {
        size_t want = n - done;
        size_t got;
        if (buffer != nullptr) {
            got = mqoFileRead(stream->file, static_cast<unsigned char*>(buffer) + done, want,
                              &stream->failed);
        } else {
            refill(stream);
            got = stream->end - stream->start < want ? stream->end - stream->start : want;
            stream->start += got;
        }
        done += got;
        if (got == 0) stream->drained = true;
    }
    stream->consumed += static_cast<long long>(done);
    return done;
}

size_t mqoPeekLines(MqoStream* stream, const unsigned char** bytes) {
    // Refilling at half keeps what is handed out large; what is moved to the
    // front is only the unread part of one line.
    if (!stream->drained && stream->end - stream->start < stream->blockSize / 2) refill(stream);
    const unsigned char* from = stream->block + stream->start;
    size_t size = stream->end - stream->start;
    while (size > 0 && from[size - 1] != '\n') --size;
    *bytes = from;
    return size;
}

void mqoSkipPeeked(MqoStream* stream, size_t n) {
    stream->start += n;
    stream->consumed += static_cast<long long>(n);
}

bool mqoStreamFailed(const MqoStream* stream) { return stream->failed; }

MqoPrescan* mqoStreamPrescan(MqoStream* stream) {
    if (!stream->scanAhead) return stream->prescan;
    stream->scanAhead = false;
    // The block holds the whole file: the rest goes in behind what is there.
    stream->blockSize = stream->capacity;
    fill(stream);
    // Only a block that will never move or refill can be scanned ahead.
    if (stream->drained && !stream->failed)
        stream->prescan =
            mqoStartPrescan(stream->block + stream->start, stream->end - stream->start);
    return stream->prescan;
}

long long mqoStreamRemaining(MqoStream* stream) {
    if (stream->size < 0) return kUnknownSizeLimit;
    return stream->consumed >= stream->size ? 0 : stream->size - stream->consumed;
}

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

MqoStream* mqoOpenStream(const char* path) {
    return openStream(path, kBlockSize, kLargeBlockSize, true);
}

void mqoCloseStream(MqoStream* stream) {
    if (stream == nullptr) return;
    mqoEndPrescan(stream->prescan);  // the helper reads the block until then
    if (stream->file != nullptr) std::fclose(stream->file);
    std::free(stream->block);
    std::free(stream->line);
    std::free(stream);
}
