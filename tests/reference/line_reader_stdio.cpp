// The document reader's line stream as first written, one fgets per line:
// the reference that the block-reading stream must match.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

// The limit that stands in for the size of a stream whose size cannot be
// known (a pipe): what a declared count may allocate is bounded either way.
static const long long kUnknownSizeLimit = 1LL << 20;

}  // namespace mqo::detail

// Declared by the public header, so defined outside the internal name space.
struct MqoStream {
    FILE* file;
    long long size;  // bytes in the file, -1 when it is not a regular file
    char line[256];
};

namespace mqo::detail {

MqoStream* mqoOpenStreamMemory(unsigned char* bytes, size_t size) {
    FILE* file = mqoOpenMemoryFile(bytes, size);
    if (file == nullptr) return nullptr;
    auto* stream = static_cast<MqoStream*>(std::malloc(sizeof(MqoStream)));
    if (stream == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    stream->file = file;
    stream->size = static_cast<long long>(size);
    stream->line[0] = '\0';
    return stream;
}

const char* mqoReadLine(MqoStream* stream) {
    if (std::fgets(stream->line, sizeof stream->line, stream->file) == nullptr) {
        stream->line[0] = '\0';
        return nullptr;
    }
    return stream->line;
}

size_t mqoReadBlock(MqoStream* stream, void* buffer, size_t n) {
    if (buffer != nullptr) return std::fread(buffer, 1, n, stream->file);
    char scratch[4096];
    size_t done = 0;
    while (done < n) {
        size_t want = n - done < sizeof scratch ? n - done : sizeof scratch;
        size_t got = std::fread(scratch, 1, want, stream->file);
        done += got;
        if (got < want) break;
    }
    return done;
}

bool mqoStreamFailed(const MqoStream* stream) {
    return stream->file != nullptr && std::ferror(stream->file) != 0;
}

long long mqoStreamRemaining(MqoStream* stream) {
    if (stream->size < 0) return kUnknownSizeLimit;
    long position = std::ftell(stream->file);
    if (position < 0 || position >= stream->size) return 0;
    return stream->size - position;
}

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

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
    if (stream == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    stream->file = file;
    stream->size = size;
    stream->line[0] = '\0';
    return stream;
}

void mqoCloseStream(MqoStream* stream) {
    if (stream == nullptr) return;
    std::fclose(stream->file);
    std::free(stream);
}
