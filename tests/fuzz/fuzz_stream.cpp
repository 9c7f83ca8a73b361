// Fuzz target: the document reader's line stream against a plain split of
// the same bytes. The first byte picks the block size (small sizes make every
// line cross blocks), the second how many bytes a "Vector" line's block
// takes; the rest is the file. Every line must be exactly the bytes up to and
// including the next line feed, every block exactly the bytes after its line,
// and the bytes left exactly what the split has not reached.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mqo/read/read_internal.h"
#include "support/temp_dir.h"

using namespace mqo::detail;

namespace {

const testsupport::TempDir& folder() {
    static const testsupport::TempDir dir("fuzz_stream", "/dev/shm");
    return dir;
}

void fail(const char* what, size_t at) {
    std::fprintf(stderr, "line stream: %s at byte %zu\n", what, at);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || folder().path().empty()) return 0;
    const size_t blockSize = data[0] == 255 ? 256 * 1024 : 1 + data[0] % 64;
    const size_t blockBytes = data[1];
    const uint8_t* text = data + 2;
    const size_t length = size - 2;
    const std::string path = folder().file("lines.txt");
    if (!testsupport::writeFile(path, text, length)) std::abort();

    MqoStream* s = mqoOpenStreamBuffered(path.c_str(), blockSize);
    if (s == nullptr) std::abort();
    size_t at = 0;
    std::vector<unsigned char> block(blockBytes + 1);
    while (const char* line = mqoReadLine(s)) {
        if (at >= length) fail("a line past the end", at);
        const void* feed = std::memchr(text + at, '\n', length - at);
        size_t end =
            feed ? static_cast<size_t>(static_cast<const uint8_t*>(feed) - text) + 1 : length;
        const void* nul = std::memchr(text + at, '\0', end - at);
        size_t visible =
            nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - text) - at : end - at;
        if (std::strlen(line) != visible || std::memcmp(line, text + at, visible) != 0)
            fail("a line differs", at);
        at = end;
        if (std::strstr(line, "Vector") != nullptr) {
            // Odd sizes skip the block instead of copying it.
            bool skip = blockBytes % 2 == 1;
            size_t want = blockBytes, expected = want < length - at ? want : length - at;
            size_t got = mqoReadBlock(s, skip ? nullptr : block.data(), want);
            if (got != expected) fail("a block's size differs", at);
            if (!skip && std::memcmp(block.data(), text + at, got) != 0)
                fail("a block differs", at);
            at += got;
        }
        if (mqoStreamRemaining(s) != static_cast<long long>(length - at))
            fail("bytes left differ", at);
    }
    if (at != length) fail("the stream ended early", at);
    mqoCloseStream(s);
    return 0;
}
