// MqoModel: preparing a model for the shaded path, and releasing it. A batch
// drawn from a buffer object by mqoDrawModel is drawn from the same buffer
// here; one drawn from memory gets a buffer of ours, since a core context
// draws from buffers only.
#include <epoxy/gl.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "mqo/shade/shade_internal.h"

namespace mqo::detail {

namespace {

const void* vertexArray(const MaterialBatch& b) {
    return b.hasTexture ? static_cast<const void*>(b.texturedVertices)
                        : static_cast<const void*>(b.plainVertices);
}

bool drawable(const MaterialBatch& b) {
    return b.vertexCount > 0 && (b.bufferName != 0 || vertexArray(b) != nullptr);
}

// The model's buffer when it is one of this context's, else a buffer of ours
// from the array (0 when there is neither).
GLuint sourceBuffer(const MaterialBatch& b, size_t stride, GLuint* own) {
    *own = 0;
    if (b.bufferName != 0 && glIsBuffer(b.bufferName)) return b.bufferName;
    const void* data = vertexArray(b);
    // vertexCount > 0 here; stride x count fits: the arrays of that size exist.
    if (data == nullptr) return 0;
    glGenBuffers(1, own);
    glBindBuffer(GL_ARRAY_BUFFER, *own);
    glBufferData(GL_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(stride * static_cast<size_t>(b.vertexCount)), data,
                 GL_STATIC_DRAW);
    return *own;
}

const void* offset(size_t bytes) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(bytes));
}

// Attributes 0 position, 1 normal, 2 texture coordinates (textured only).
void makeVertexArray(const MaterialBatch& b, ShadeBatch* out) {
    const size_t stride = b.hasTexture ? sizeof(TexturedVertex) : sizeof(PlainVertex);
    glGenVertexArrays(1, &out->vertexArray);
    glBindVertexArray(out->vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, sourceBuffer(b, stride, &out->ownBuffer));
    const GLsizei s = static_cast<GLsizei>(stride);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, s, offset(offsetof(PlainVertex, position)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, s, offset(offsetof(PlainVertex, normal)));
    if (b.hasTexture) {
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, s, offset(offsetof(TexturedVertex, uv)));
    }
}

// This path draws independent triangles only (glDrawArrays).
bool holdsCompactBatch(const MeshModel& model) {
    for (int j = 0; const MeshObject* o = mqoShadeObject(model, j); ++j) {
        for (int k = 0; o->batches != nullptr && k < o->batchCount; ++k)
            if (o->batches[k].indexCount != 0) return true;
    }
    return false;
}

int countDrawable(const MeshModel& model) {
    int count = 0;
    for (int j = 0; const MeshObject* o = mqoShadeObject(model, j); ++j) {
        for (int k = 0; o->batches != nullptr && k < o->batchCount; ++k)
            count += drawable(o->batches[k]) ? 1 : 0;
    }
    return count;
}

}  // namespace

const MeshObject* mqoShadeObject(const MeshModel& model, int index) {
    // objectCount never exceeds the slots; the bound keeps a damaged record
    // from reading past them.
    int count = model.objectCount;
    if (count > MQO_MAX_OBJECTS) count = MQO_MAX_OBJECTS;
    if (count < 0) count = 0;
    if (index < count) return &model.objects[index];
    index -= count;
    if (model.extraObjects == nullptr || index >= model.extraObjectCount) return nullptr;
    return &model.extraObjects[index];
}

bool mqoMakeShadeBatches(MqoShadedModel* shaded) {
    const MeshModel& model = *shaded->model;
    const int count = countDrawable(model);
    shaded->batches = static_cast<ShadeBatch*>(calloc(count > 0 ? count : 1, sizeof(ShadeBatch)));
    if (shaded->batches == nullptr) return false;
    GLint savedArray = 0, savedBuffer = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &savedArray);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &savedBuffer);
    for (int j = 0; const MeshObject* o = mqoShadeObject(model, j); ++j) {
        for (int k = 0; o->batches != nullptr && k < o->batchCount; ++k) {
            if (!drawable(o->batches[k]) || shaded->batchCount >= count) continue;
            ShadeBatch* out = &shaded->batches[shaded->batchCount++];
            out->object = j;
            out->batch = k;
            makeVertexArray(o->batches[k], out);
        }
    }
    glBindVertexArray(static_cast<GLuint>(savedArray));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(savedBuffer));
    return true;
}

}  // namespace mqo::detail

// The public calls, declared by mqo/MqoModelShaded.h.
using namespace mqo::detail;

MqoShadedModel* mqoPrepareShadedModel(const MeshModel* model, int mode) {
    if (model == nullptr || holdsCompactBatch(*model)) return nullptr;
    auto* shaded = static_cast<MqoShadedModel*>(calloc(1, sizeof(MqoShadedModel)));
    if (shaded == nullptr) return nullptr;
    shaded->model = model;
    shaded->mode = mode == MQO_SHADE_PER_PIXEL ? MQO_SHADE_PER_PIXEL : MQO_SHADE_GOURAUD;
    for (int t = 0; t < 2; ++t) {
        const int variant = shaded->mode | (t != 0 ? MQO_SHADE_TEXTURED : 0);
        shaded->programs[t] = mqoBuildShadeProgram(variant, &shaded->uniforms[t]);
    }
    if (shaded->programs[0] == 0 || shaded->programs[1] == 0 || !mqoMakeShadeBatches(shaded)) {
        mqoReleaseShadedModel(shaded);
        return nullptr;
    }
    return shaded;
}

void mqoReleaseShadedModel(MqoShadedModel* shaded) {
    if (shaded == nullptr) return;
    for (int i = 0; shaded->batches != nullptr && i < shaded->batchCount; ++i) {
        glDeleteVertexArrays(1, &shaded->batches[i].vertexArray);
        if (shaded->batches[i].ownBuffer != 0) glDeleteBuffers(1, &shaded->batches[i].ownBuffer);
    }
    for (unsigned program : shaded->programs)
        if (program != 0) glDeleteProgram(program);
    free(shaded->batches);
    free(shaded);
}
