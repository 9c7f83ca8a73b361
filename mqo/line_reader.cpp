// MqoModel: the document reader's line stream. The file is opened in binary
// mode (a carriage return before a line feed stays part of the line) and
// read in large blocks; lines are cut out of the block exactly as a 256-byte
// fgets would cut them: at most 255 bytes, up to and including a line feed.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/reader_internal.h"

// The limit that stands in for the size of a stream whose size cannot be
// known (a pipe): what a declared count may allocate is bounded either way.
static const long long kUnknownSizeLimit = 1LL << 20;
static const size_t kBlockSize = 256 * 1024;
static const size_t kLineLength = 255;

struct MqoStream {
    FILE* file;
    long long size;      // bytes in the file, -1 when it is not a regular file
    long long consumed;  // bytes handed out as lines and blocks
    unsigned char* block;
    size_t start, end;   // the unread bytes are block[start, end)
    bool drained;        // the file has given everything it holds
    char line[kLineLength + 1];
};

MqoStream* mqoOpenStream(const char* path) {
    if (path == nullptr) return nullptr;
    FILE* file = std::fopen(path, "rb");
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
    auto* stream = static_cast<MqoStream*>(std::malloc(sizeof(MqoStream)));
    auto* block = static_cast<unsigned char*>(std::malloc(kBlockSize));
    if (stream == nullptr || block == nullptr) {
        std::free(stream);
        std::free(block);
        std::fclose(file);
        return nullptr;
    }
    // We buffer ourselves; stdio's own buffer would only add a copy.
    std::setvbuf(file, nullptr, _IONBF, 0);
    stream->file = file;
    stream->size = size;
    stream->consumed = 0;
    stream->block = block;
    stream->start = stream->end = 0;
    stream->drained = false;
    stream->line[0] = '\0';
    return stream;
}

void mqoCloseStream(MqoStream* stream) {
    if (stream == nullptr) return;
    std::fclose(stream->file);
    std::free(stream->block);
    std::free(stream);
}

// Moves the unread bytes to the front and fills the block behind them.
static void refill(MqoStream* s) {
    size_t unread = s->end - s->start;
    std::memmove(s->block, s->block + s->start, unread);
    s->start = 0;
    s->end = unread;
    while (!s->drained && s->end < kBlockSize) {
        size_t got = std::fread(s->block + s->end, 1, kBlockSize - s->end, s->file);
        s->end += got;
        if (got == 0) s->drained = true;
    }
}

const char* mqoReadLine(MqoStream* stream) {
    // A whole line (255 bytes) must be in the block before it is cut.
    if (stream->end - stream->start < kLineLength && !stream->drained) refill(stream);
    size_t available = stream->end - stream->start;
    if (available == 0) {
        stream->line[0] = '\0';
        return nullptr;
    }
    size_t length = available < kLineLength ? available : kLineLength;
    const unsigned char* from = stream->block + stream->start;
    if (const void* feed = std::memchr(from, '\n', length))
        length = static_cast<size_t>(static_cast<const unsigned char*>(feed) - from) + 1;
    std::memcpy(stream->line, from, length);
    stream->line[length] = '\0';
    stream->start += length;
    stream->consumed += static_cast<long long>(length);
    return stream->line;
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
            got = std::fread(static_cast<unsigned char*>(buffer) + done, 1, want, stream->file);
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

long long mqoStreamRemaining(MqoStream* stream) {
    if (stream->size < 0) return kUnknownSizeLimit;
    return stream->consumed >= stream->size ? 0 : stream->size - stream->consumed;
}
