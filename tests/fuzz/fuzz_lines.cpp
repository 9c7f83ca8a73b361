// Differential fuzz target: the one-pass vertex and face line forms against
// the general path the reader takes for any other line. The first byte picks
// the kind of line; the rest is the line. The one-pass form must either
// write nothing and decline, or accept only a line without "}" and leave
// exactly the bytes the general path leaves.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "mqo/read/read_internal.h"

using namespace mqo::detail;

namespace {

// Distinct starting bytes, so a field one path sets and the other leaves is
// seen.
template <class T>
void fill(T* value) {
    auto* bytes = reinterpret_cast<unsigned char*>(value);
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<unsigned char>(0x41 + i * 7);
}

template <class T>
void check(bool accepted, const T& before, const T& ours, const T& general, const char* line,
           const char* kind) {
    bool ends = std::strchr(line, '}') != nullptr;
    bool same = accepted ? !ends && std::memcmp(&ours, &general, sizeof(T)) == 0
                         : std::memcmp(&ours, &before, sizeof(T)) == 0;
    if (!same) {
        std::fprintf(stderr, "one-pass %s line differs (accepted %d) on \"%s\"\n", kind, accepted,
                     line);
        std::abort();
    }
}

struct Position {
    float p[3];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    std::vector<char> text(data + 1, data + size);
    text.push_back('\0');
    const char* line = text.data();

    if (data[0] & 1) {
        FaceEntry before, ours, general;
        fill(&before);
        ours = general = before;
        bool accepted = mqoScanFaceLine(line, &ours);
        mqoReadFaceLine(line, &general);
        check(accepted, before, ours, general, line, "face");
    } else {
        Position before, ours, general;
        fill(&before);
        ours = general = before;
        bool accepted = mqoScanVertexLine(line, ours.p);
        mqoScanVertex(line, general.p);
        check(accepted, before, ours, general, line, "vertex");
    }
    return 0;
}
