// MqoModel: library state, model arrays and the extension test.
#include <cstdlib>
#include <cstring>

#include "mqo/MqoModelGL.h"
#include "mqo/gl/gl_internal.h"
#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo {
PFNGLGENBUFFERSARBPROC glGenBuffersARB = nullptr;
PFNGLBINDBUFFERARBPROC glBindBufferARB = nullptr;
PFNGLBUFFERDATAARBPROC glBufferDataARB = nullptr;
PFNGLDELETEBUFFERSARBPROC glDeleteBuffersARB = nullptr;
}  // namespace mqo

namespace mqo::detail {

bool mqoBuffersUsable() {
    return vboSupported != 0 && mqo::glGenBuffersARB != nullptr &&
           mqo::glBindBufferARB != nullptr && mqo::glBufferDataARB != nullptr &&
           mqo::glDeleteBuffersARB != nullptr;
}

void mqoReleaseObject(MeshObject* object) {
    if (object->batches != nullptr) {
        for (int32_t k = 0; k < object->batchCount; ++k) {
            MaterialBatch* batch = &object->batches[k];
            if (batch->vertexCount <= 0) continue;  // never got arrays or a buffer
            if (mqoBuffersUsable()) mqo::glDeleteBuffersARB(1, &batch->bufferName);
            // A compact batch's element buffer goes with it.
            if (mqoBuffersUsable() && batch->indexBufferName != 0) {
                mqo::glDeleteBuffersARB(1, &batch->indexBufferName);
            }
            batch->indexBufferName = 0;
            mqoFreeBatchArrays(batch);
        }
        std::free(object->batches);
        object->batches = nullptr;
    }
    object->batchCount = 0;
}

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

int32_t libraryInitialised = 0;

int32_t vboSupported = 0;

int mqoHasExtension(const char* name) {
    if (name == nullptr || name[0] == '\0' || std::strchr(name, ' ') != nullptr) return 0;
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (all == nullptr) return 0;
    size_t length = std::strlen(name);
    // Only a whole space-separated token counts, not a prefix, suffix or
    // middle part of a longer one.
    for (const char* at = std::strstr(all, name); at != nullptr; at = std::strstr(at + 1, name)) {
        bool startsToken = at == all || at[-1] == ' ';
        bool endsToken = at[length] == ' ' || at[length] == '\0';
        if (startsToken && endsToken) return 1;
    }
    return 0;
}

void mqoInitLibrary(void) {
    std::memset(texturePool, 0, sizeof texturePool);
    texturePoolCount = 0;

    vboSupported = mqoHasExtension("GL_ARB_vertex_buffer_object");
    mqo::glGenBuffersARB = nullptr;
    mqo::glBindBufferARB = nullptr;
    mqo::glBufferDataARB = nullptr;
    mqo::glDeleteBuffersARB = nullptr;
    if (vboSupported) {
        mqo::glGenBuffersARB =
            reinterpret_cast<PFNGLGENBUFFERSARBPROC>(mqoLookupGLFunction("glGenBuffersARB"));
        mqo::glBindBufferARB =
            reinterpret_cast<PFNGLBINDBUFFERARBPROC>(mqoLookupGLFunction("glBindBufferARB"));
        mqo::glBufferDataARB =
            reinterpret_cast<PFNGLBUFFERDATAARBPROC>(mqoLookupGLFunction("glBufferDataARB"));
        mqo::glDeleteBuffersARB =
            reinterpret_cast<PFNGLDELETEBUFFERSARBPROC>(mqoLookupGLFunction("glDeleteBuffersARB"));
        // Every buffer call is guarded by vboSupported alone, so a missing
        // entry point must switch the whole path off rather than be called.
        if (!mqo::glGenBuffersARB || !mqo::glBindBufferARB || !mqo::glBufferDataARB ||
            !mqo::glDeleteBuffersARB) {
            vboSupported = 0;
            mqo::glGenBuffersARB = nullptr;
            mqo::glBindBufferARB = nullptr;
            mqo::glBufferDataARB = nullptr;
            mqo::glDeleteBuffersARB = nullptr;
        }
    }
    libraryInitialised = 1;
}

void mqoCleanupLibrary(void) {
    mqoReleaseTexturePool();
    mqo::detail::mqoStopScanHelpers();
    mqo::detail::mqoReleaseShareScratch();
    mqo::detail::mqoReleasePrescanTable();
}

MeshModel* mqoAllocModels(int n) {
    if (!libraryInitialised) mqoInitLibrary();
    if (n <= 0) return nullptr;
    // calloc checks n * size for overflow and zeroes every byte.
    return static_cast<MeshModel*>(mqoCalloc(static_cast<size_t>(n), sizeof(MeshModel)));
}

void mqoReleaseModelSlots(MeshModel* models, int start, int n) {
    if (models == nullptr || start < 0 || n <= 0) return;
    for (int i = start; i - start < n; ++i) {
        MeshModel* model = &models[i];
        // With 49 objects counted, the last slot may hold the uncounted object
        // the builder made beyond the limit; releasing it too stops that leak
        // (an unused slot is all zero and releases nothing).
        int count = model->objectCount;
        if (count < 0) count = 0;
        if (count >= MQO_MAX_OBJECTS - 1) count = MQO_MAX_OBJECTS;
        for (int j = 0; j < count; ++j) mqoReleaseObject(&model->objects[j]);
        for (int j = 0; j < model->extraObjectCount; ++j) {
            mqoReleaseObject(&model->extraObjects[j]);
        }
        std::free(model->extraObjects);
        model->extraObjects = nullptr;
        model->extraObjectCount = 0;
    }
}

void mqoFreeModels(MeshModel* models, int n) {
    if (models == nullptr) return;
    mqoReleaseModelSlots(models, 0, n);
    std::free(models);
}

void mqoFreeModel(MeshModel* model) { mqoFreeModels(model, 1); }
