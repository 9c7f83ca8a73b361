// The floor of a load to buffer objects, the parts no loader of the same
// vertex arrays can skip: writing the arrays' bytes into memory never
// touched before, and the driver's copy of them (glBufferData), the sizes
// taken from loaded models. The file that includes this defines
// GL_GLEXT_PROTOTYPES before its first GL header.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "mqo/MqoModel.h"

namespace benchfloor {

// The vertex bytes of each batch that has vertices, in load order; the
// default batches' (no index arrays).
struct Batches {
    std::vector<size_t> sizes;
    size_t total = 0;
};

inline void addBatches(MeshModel* m, Batches* batches) {
    for (int o = 0; o < mqoModelObjectCount(m); ++o) {
        const MeshObject* object = mqoModelObject(m, o);
        for (int k = 0; k < object->batchCount; ++k) {
            const MaterialBatch& batch = object->batches[k];
            if (batch.vertexCount <= 0) continue;
            size_t one = batch.hasTexture ? sizeof(TexturedVertex) : sizeof(PlainVertex);
            batches->sizes.push_back(one * static_cast<size_t>(batch.vertexCount));
            batches->total += batches->sizes.back();
        }
    }
}

// The seconds spent writing bytes into pages mapped for the purpose, each
// touched for the first time, as a load's new vertex arrays are; negative
// when a mapping fails. A chunk at a time, each unmapped outside the
// timing, so that the process's peak memory grows by one chunk only.
inline double firstTouchSeconds(size_t bytes) {
    const size_t chunk = size_t{8} << 20;
    double seconds = 0;
    for (size_t done = 0; done < bytes; done += chunk) {
        const size_t n = std::min(chunk, bytes - done);
        auto start = std::chrono::steady_clock::now();
        void* p = mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return -1;
        std::memset(p, 0x3f, n);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        munmap(p, n);
    }
    return seconds;
}

// One glBufferData per batch into a buffer of its own (names in buffers),
// each of its size, read in turn from source (batches.total bytes written
// before), as the load makes them. Needs the context current.
inline bool driverCopy(const Batches& batches, const char* source, std::vector<GLuint>* buffers) {
    buffers->assign(batches.sizes.size(), 0);
    glGenBuffers(static_cast<GLsizei>(buffers->size()), buffers->data());
    for (size_t i = 0; i < buffers->size(); ++i) {
        glBindBuffer(GL_ARRAY_BUFFER, (*buffers)[i]);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(batches.sizes[i]), source,
                     GL_STATIC_DRAW);
        source += batches.sizes[i];
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return glGetError() == GL_NO_ERROR;
}

// driverCopy's buffers, deleted outside its timing, in the same context.
inline void deleteBuffers(std::vector<GLuint>* buffers) {
    if (!buffers->empty()) glDeleteBuffers(static_cast<GLsizei>(buffers->size()), buffers->data());
    buffers->clear();
}

}  // namespace benchfloor
