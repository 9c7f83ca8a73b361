// Fuzz target: arbitrary bytes parsed with every vertex and face list shared
// among threads, with the second half scanned ahead on a helper (both with
// any two objects built on two threads), and one line at a time on one
// thread; the staged arrays must be the same byte for byte. The input
// follows a fixed long list so that sharing starts and then meets whatever
// the input holds.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/staged_checks.h"
#include "mqo/read/read_internal.h"

namespace {

std::string staged(const std::string& text, int threshold, size_t ahead) {
    mqo::detail::mqoSetListShareThreshold(threshold);
    mqo::detail::mqoSetPrescanSmallest(ahead);
    mqo::detail::mqoSetStageRunSmallest(threshold == INT_MAX ? INT64_MAX : 1);
    MqoParsedModel parsed;
    mqoParseDocumentMemory(text.data(), text.size(), "", 1.0, 255, 0, &parsed);
    std::string out;
    for (int i = 0; i < parsed.objectCount; ++i) {
        const MeshObject& o = parsed.objects[i].object;
        for (int k = 0; k < o.batchCount; ++k) {
            const MaterialBatch& b = o.batches[k];
            const size_t n = static_cast<size_t>(b.vertexCount);
            out.append(reinterpret_cast<const char*>(&b.vertexCount), sizeof b.vertexCount);
            if (b.hasTexture)
                out.append(reinterpret_cast<const char*>(b.texturedVertices),
                           n * sizeof(TexturedVertex));
            else
                out.append(reinterpret_cast<const char*>(b.plainVertices), n * sizeof(PlainVertex));
        }
    }
    releaseChecked(&parsed);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string head = [] {
        std::string h = "Metasequoia Document\nObject \"o\" {\nvertex 64 {\n";
        for (int i = 0; i < 8; ++i) h += "1 2 3\n";
        return h;
    }();
    const std::string text = head + std::string(reinterpret_cast<const char*>(data), size);
    const std::string alone = staged(text, INT_MAX, SIZE_MAX);
    if (staged(text, 2, SIZE_MAX) != alone || staged(text, 2048, 0) != alone) std::abort();
    return 0;
}
