// Fuzz target: arbitrary bytes through the CPU stage of a load alone. It is
// linked without GL and without the library's state, so the parse cannot
// reach either; what it stages
// must be consistent: at most 50 objects, names terminated, every non-empty
// batch holding an array, and nothing left behind once it is released.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mqo/internal.h"
#include "support/temp_dir.h"

namespace {

const testsupport::TempDir& folder() {
    static const testsupport::TempDir dir("fuzz_parse", "/dev/shm");
    return dir;
}

void checkStaged(const MqoParsedModel& parsed) {
    if (parsed.objectCount < 0 || parsed.objectCount > MQO_MAX_OBJECTS) std::abort();
    if ((parsed.materialCount > 0) != (parsed.materials != nullptr)) std::abort();
    for (int i = 0; i < parsed.objectCount; ++i) {
        const MqoStagedObject& s = parsed.objects[i];
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (folder().path().empty()) return 0;
    const std::string path = folder().file("doc.mqo");
    if (!testsupport::writeFile(path, data, size)) std::abort();

    MqoParsedModel* parsed = static_cast<MqoParsedModel*>(std::malloc(sizeof(MqoParsedModel)));
    if (parsed == nullptr) return 0;
    if (mqoParseDocument(path.c_str(), 0.5, 200, parsed) != 1) std::abort();
    checkStaged(*parsed);
    mqoReleaseParsedModel(parsed);
    if (parsed->objectCount != 0 || parsed->materials != nullptr) std::abort();
    std::free(parsed);
    return 0;
}
