// MqoModel: releasing an object the builder staged but no model took. Apart
// from the builder, so that the reference builder in the tests shares it.
#include <cstdlib>
#include <cstring>

#include "mqo/MqoModelStages.h"

void mqoDiscardStagedObject(MqoStagedObject* staged) {
    if (staged == nullptr) return;
    // Never uploaded: freeing its arrays is all there is to release.
    MaterialBatch* batches = staged->object.batches;
    for (int k = 0; batches != nullptr && k < staged->object.batchCount; ++k) {
        std::free(batches[k].texturedVertices);
        std::free(batches[k].plainVertices);
        std::free(batches[k].indices);
    }
    std::free(batches);
    std::memset(staged, 0, sizeof *staged);
}
