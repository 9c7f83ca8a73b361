// Differential fuzz target: the line scanner against the C library's sscanf,
// for every pattern the document reader uses, and its %f against the decimal
// scan as first written, from every offset of the line. The first byte picks
// the pattern; the rest is the line. Any difference in the result, a field's
// bytes, the fields left untouched or the length consumed aborts.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "mqo/read/read_internal.h"
#include "reference/scan_float_first.h"
#include "scan_patterns.h"

using namespace mqo::detail;

namespace {

struct Fields {
    explicit Fields(size_t textLength) {
        for (auto& s : strings) s.assign(textLength + 2, '\x7f');
        for (int i = 0; i < kMaxFields; ++i) {
            ints[i] = 0x5a5a5a5a + i;
            floats[i] = -1234.5f - static_cast<float>(i);
        }
    }
    void* pointer(char kind, int i) {
        if (kind == 'd') return &ints[i];
        if (kind == 'f') return &floats[i];
        return strings[i].data();
    }
    int ints[kMaxFields];
    float floats[kMaxFields];
    std::vector<char> strings[kMaxFields];
};

// From every offset (past the white space a conversion skips), the fast %f
// must consume what the first one did and give the same bits.
void compareWithFirstScan(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const char* at = mqoScanSkipSpace(text + i);
        if (*at == '\0') continue;
        float ours = -9.75f, theirs = -9.75f;
        const char* ourEnd = mqoScanFloat(at, &ours);
        const char* theirEnd = mqo::reference::mqoScanFloatFirst(at, &theirs);
        if (ourEnd != theirEnd || std::memcmp(&ours, &theirs, sizeof ours) != 0) {
            std::fprintf(stderr, "%%f differs from the first scan on \"%s\": %td/%a vs %td/%a\n",
                         at, ourEnd ? ourEnd - at : -1, static_cast<double>(ours),
                         theirEnd ? theirEnd - at : -1, static_cast<double>(theirs));
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const ScanPattern& pattern = kScanPatterns[data[0] % kScanPatternCount];
    std::vector<char> text(data + 1, data + size);
    text.push_back('\0');
    compareWithFirstScan(text.data(), text.size() - 1);

    Fields ours(text.size()), theirs(text.size());
    void* ourList[kMaxFields];
    void* theirList[kMaxFields];
    int n = static_cast<int>(std::strlen(pattern.kinds));
    for (int i = 0; i < n; ++i) {
        ourList[i] = ours.pointer(pattern.kinds[i], i);
        theirList[i] = theirs.pointer(pattern.kinds[i], i);
    }
    int ourResult = mqoScan(text.data(), pattern.text, ourList);
    int theirResult = referenceScan(text.data(), pattern.text, theirList);

    bool same = ourResult == theirResult;
    for (int i = 0; same && i < n; ++i) {
        char kind = pattern.kinds[i];
        if (kind == 'd') {
            // Integers beyond 32 bits are undefined for sscanf; ours clamp.
            bool clamped = ours.ints[i] == INT_MAX || ours.ints[i] == INT_MIN;
            same = ours.ints[i] == theirs.ints[i] || clamped;
        } else if (kind == 'f') {
            same = std::memcmp(&ours.floats[i], &theirs.floats[i], sizeof(float)) == 0;
        } else {
            same = ours.strings[i] == theirs.strings[i];
        }
    }
    if (!same) {
        std::fprintf(stderr, "scan differs for pattern \"%s\" on \"%s\": %d vs %d\n", pattern.text,
                     text.data(), ourResult, theirResult);
        std::abort();
    }
    return 0;
}
