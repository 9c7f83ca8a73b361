// MqoModel: building a document's objects into their batches. A large
// document with several large objects is built on two threads: the objects
// are cut into two runs of about equal faces and a helper builds the second
// run while the reading thread builds the first. Each object is built by one
// thread alone, from its own records into its own staged entry, so the
// models come out as one thread builds them.
#include <atomic>
#include <cstdint>

#include "mqo/MqoModelStages.h"
#include "mqo/memory.h"
#include "mqo/mesh/mesh_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Faces in the lighter run: below this, waking a helper costs more than the
// building it takes over (a character frame of a few thousand faces loses).
std::atomic<int64_t> smallestRun{32768};

struct StageRun {
    MqoStagedObject* staged;
    ObjectEntry* objects;
    int count;
    MaterialEntry* materials;
    int materialCount;
    bool smooth;
    double scale;
    unsigned char alpha;
    unsigned long failures;  // allocations that failed on the helper
};

void stageRun(StageRun* run) {
    if (run->smooth) {
        mqoStageSmoothObjects(run->staged, run->objects, run->count, run->materials,
                              run->materialCount, run->scale, run->alpha);
    } else {
        mqoStageObjects(run->staged, run->objects, run->count, run->materials, run->materialCount,
                        run->scale, run->alpha);
    }
}

// On the helper: its failed allocations are counted on its own thread, so
// they are carried back to the reading thread's count.
void stageOnHelper(void* arg) {
    auto* run = static_cast<StageRun*>(arg);
    const unsigned long before = mqoMemoryFailures();
    stageRun(run);
    run->failures = mqoMemoryFailures() - before;
}

int64_t facesOf(const ObjectEntry& object) {
    return object.faces != nullptr && object.faceCount > 0 ? object.faceCount : 0;
}

// The first object of the second run: where the faces before it come
// closest to half. *lighter is the faces of the lighter run.
int splitObjects(const ObjectEntry* objects, int count, int64_t* lighter) {
    int64_t total = 0;
    for (int i = 0; i < count; ++i) total += facesOf(objects[i]);
    int best = 0;
    int64_t before = 0, bestLighter = 0;
    for (int i = 0; i < count; ++i) {
        const int64_t after = total - before;
        const int64_t light = before < after ? before : after;
        if (light > bestLighter) {
            bestLighter = light;
            best = i;
        }
        before += facesOf(objects[i]);
    }
    *lighter = bestLighter;
    return best;
}

}  // namespace

void mqoStageDocumentObjects(MqoStagedObject* staged, ObjectEntry* objects, int count,
                             MaterialEntry* materials, int materialCount, bool smooth, double scale,
                             unsigned char alpha) {
    StageRun whole = {staged, objects, count, materials, materialCount, smooth, scale, alpha, 0};
    int64_t lighter = 0;
    const int split = count >= 2 ? splitObjects(objects, count, &lighter) : 0;
    if (split <= 0 || lighter < smallestRun.load(std::memory_order_relaxed)) {
        stageRun(&whole);
        return;
    }
    StageRun second = whole;
    second.staged += split;
    second.objects += split;
    second.count -= split;
    MqoScanJob job = {stageOnHelper, &second, nullptr};
    if (mqoHandToHelpers(&job, 1) != 1) {
        stageRun(&whole);
        return;
    }
    StageRun first = whole;
    first.count = split;
    stageRun(&first);
    mqoAwaitHelpers(&job, 1);
    if (!job.ran) {
        stageRun(&second);
        return;
    }
    for (unsigned long i = 0; i < second.failures; ++i) mqoNoteOutOfMemory();
}

void mqoSetStageRunSmallest(int64_t faces) { smallestRun.store(faces, std::memory_order_relaxed); }

}  // namespace mqo::detail
