// The invariants a parse leaves in its staged objects, checked by the parse
// fuzz targets: at most 50 objects before the extra ones, names terminated, every non-empty batch
// holding an array, and no GL names before the GL stage. Aborts otherwise.
#ifndef MQO_TESTS_FUZZ_STAGED_CHECKS_H
#define MQO_TESTS_FUZZ_STAGED_CHECKS_H

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "mqo/MqoModelStages.h"

inline void checkStaged(const MqoParsedModel& parsed) {
    if (parsed.objectCount < 0 || parsed.objectCount > MQO_MAX_OBJECTS) std::abort();
    if ((parsed.materialCount > 0) != (parsed.materials != nullptr)) std::abort();
    if (parsed.extraObjectCount < 0 ||
        (parsed.extraObjectCount > 0) != (parsed.extraObjects != nullptr))
        std::abort();
    if (parsed.extraObjectCount > 0 && parsed.objectCount != MQO_MAX_OBJECTS) std::abort();
    const int total = parsed.objectCount + parsed.extraObjectCount;
    for (int i = 0; i < total; ++i) {
        const MqoStagedObject& s = i < parsed.objectCount
                                       ? parsed.objects[i]
                                       : parsed.extraObjects[i - parsed.objectCount];
        if (s.state < MQO_STAGED_NONE || s.state > MQO_STAGED_BUILT) std::abort();
        const MeshObject& o = s.object;
        if (std::memchr(o.name, '\0', sizeof o.name) == nullptr) std::abort();
        if (o.batchCount < 0 || (o.batchCount > 0) != (o.batches != nullptr)) std::abort();
        for (int k = 0; k < o.batchCount; ++k) {
            const MaterialBatch& b = o.batches[k];
            const void* array = b.hasTexture ? static_cast<const void*>(b.texturedVertices)
                                             : static_cast<const void*>(b.plainVertices);
            if (b.vertexCount < 0 || (b.vertexCount > 0) != (array != nullptr)) std::abort();
            if (b.bufferName != 0 || b.textureName != 0) std::abort();  // the GL stage's
        }
    }
}

// Releases parsed and checks that nothing is left behind.
inline void releaseChecked(MqoParsedModel* parsed) {
    mqoReleaseParsedModel(parsed);
    if (parsed->objectCount != 0 || parsed->materials != nullptr) std::abort();
    if (parsed->extraObjectCount != 0 || parsed->extraObjects != nullptr) std::abort();
}

// One fuzz input: the bytes parsed from memory (a file's parse gives the
// same model, tests/read/parse_memory.cpp) with features, checked and
// released.
inline int parseAndCheck(const uint8_t* data, size_t size, uint32_t features) {
    auto* parsed = static_cast<MqoParsedModel*>(std::malloc(sizeof(MqoParsedModel)));
    if (parsed == nullptr) return 0;
    if (mqoParseDocumentMemory(data, size, "", 0.5, 200, features, parsed) != 1) std::abort();
    checkStaged(*parsed);
    releaseChecked(parsed);
    std::free(parsed);
    return 0;
}

#endif  // MQO_TESTS_FUZZ_STAGED_CHECKS_H
