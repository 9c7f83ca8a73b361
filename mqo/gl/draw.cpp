// MqoModel: model drawing.
//
// Every batch is one glDrawArrays over independent triangles, from its buffer
// object when buffer objects are in use and from its array in memory
// otherwise; a compact batch is one glDrawElements instead (draw_indexed.cpp).
// State a batch changes is queried before and restored after it, except what
// the caller is expected to set anew anyway (shade model, material, colour,
// blend function); client arrays end disabled.
#include "mqo/MqoModelGL.h"
#include "mqo/gl/gl_internal.h"

namespace mqo::detail {

namespace {

// A batch without a buffer object (one built while buffer objects were off)
// is drawn from memory even when they are on.
bool buffered(const MaterialBatch& batch) {
    if (batch.indexCount > 0 && batch.indexBufferName == 0) return false;
    return mqoBuffersUsable() && batch.bufferName != 0;
}

const void* clientArray(const MaterialBatch& batch) {
    return batch.hasTexture ? static_cast<const void*>(batch.texturedVertices)
                            : static_cast<const void*>(batch.plainVertices);
}

// Drawing from memory with a missing array would make GL read through a null
// pointer.
bool drawable(const MaterialBatch& batch) {
    if (batch.vertexCount <= 0) return false;
    if (batch.indexCount != 0 && !mqoIndicesDrawable(batch, buffered(batch))) return false;
    return buffered(batch) || clientArray(batch) != nullptr;
}

void drawTriangles(const MaterialBatch& batch) {
    if (batch.indexCount > 0) {
        mqoDrawIndexed(batch, buffered(batch));
    } else {
        glDrawArrays(GL_TRIANGLES, 0, batch.vertexCount);
    }
}

void applyMaterial(const MaterialBatch& batch, double alphaFactor) {
    struct Colour {
        const float* rgba;
        GLenum pname;
    };
    const Colour colours[4] = {{batch.diffuse, GL_DIFFUSE},
                               {batch.ambient, GL_AMBIENT},
                               {batch.specular, GL_SPECULAR},
                               {batch.emission, GL_EMISSION}};
    for (const Colour& c : colours) {
        GLfloat scaled[4] = {c.rgba[0], c.rgba[1], c.rgba[2], c.rgba[3]};
        scaled[3] = static_cast<GLfloat>(scaled[3] * alphaFactor);
        glMaterialfv(GL_FRONT_AND_BACK, c.pname, scaled);
    }
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, batch.power);
}

// Buffer objects are addressed by offset, client arrays by address. Offsets
// are added as integers: an offset added to a null pointer is undefined.
uintptr_t vertexBase(const MaterialBatch& batch) {
    if (buffered(batch)) {
        mqo::glBindBufferARB(GL_ARRAY_BUFFER_ARB, batch.bufferName);
        return 0;
    }
    // With a buffer bound (the mesh builder leaves its last one bound), GL
    // would take the addresses below as offsets into it.
    if (mqoBuffersUsable()) mqo::glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    return reinterpret_cast<uintptr_t>(clientArray(batch));
}

const void* at(uintptr_t base, size_t offset) {
    return reinterpret_cast<const void*>(base + offset);
}

void drawTextured(const MaterialBatch& batch) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);

    const GLboolean textureWasOn = glIsEnabled(GL_TEXTURE_2D);
    const GLboolean blendWasOn = glIsEnabled(GL_BLEND);
    GLint savedTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &savedTexture);

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, batch.textureName);

    const uintptr_t base = vertexBase(batch);
    const GLsizei stride = sizeof(TexturedVertex);
    glVertexPointer(3, GL_FLOAT, stride, at(base, offsetof(TexturedVertex, position)));
    glTexCoordPointer(2, GL_FLOAT, stride, at(base, offsetof(TexturedVertex, uv)));
    glNormalPointer(GL_FLOAT, stride, at(base, offsetof(TexturedVertex, normal)));
    glColor4f(batch.color[0], batch.color[1], batch.color[2], batch.color[3]);
    drawTriangles(batch);

    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(savedTexture));
    if (!blendWasOn) glDisable(GL_BLEND);
    if (!textureWasOn) glDisable(GL_TEXTURE_2D);
    if (mqoBuffersUsable()) mqo::glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void drawPlain(const MaterialBatch& batch) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);

    const GLboolean blendWasOn = glIsEnabled(GL_BLEND);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    const uintptr_t base = vertexBase(batch);
    const GLsizei stride = sizeof(PlainVertex);
    glVertexPointer(3, GL_FLOAT, stride, at(base, offsetof(PlainVertex, position)));
    glNormalPointer(GL_FLOAT, stride, at(base, offsetof(PlainVertex, normal)));
    glColor4f(batch.color[0], batch.color[1], batch.color[2], batch.color[3]);
    drawTriangles(batch);

    if (!blendWasOn) glDisable(GL_BLEND);
    if (mqoBuffersUsable()) mqo::glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

void drawObject(const MeshObject& object, double alphaFactor) {
    glShadeModel(object.flatShading ? GL_FLAT : GL_SMOOTH);
    if (object.batches == nullptr) return;
    for (int k = 0; k < object.batchCount; ++k) {
        const MaterialBatch& batch = object.batches[k];
        if (!drawable(batch)) continue;
        if (batch.hasMaterial) applyMaterial(batch, alphaFactor);
        if (batch.hasTexture) {
            drawTextured(batch);
        } else {
            drawPlain(batch);
        }
    }
}

}  // namespace

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

void mqoDrawModelSlot(MeshModel* models, int index) {
    if (models == nullptr) return;
    const MeshModel& model = models[index];

    glPushMatrix();
    GLint savedFrontFace = GL_CCW;
    glGetIntegerv(GL_FRONT_FACE, &savedFrontFace);
    // The mesh builder's face normals point to the side from which corners
    // run clockwise.
    glFrontFace(GL_CW);

    // Double precision keeps alpha 255 at exactly 1.
    const double alphaFactor = model.alpha * (1.0 / 255.0);

    // objectCount never exceeds the slots; the bound keeps a damaged record
    // from reading past them.
    int objectCount = model.objectCount;
    if (objectCount > MQO_MAX_OBJECTS) objectCount = MQO_MAX_OBJECTS;
    for (int j = 0; j < objectCount; ++j) {
        if (model.objects[j].visible == 0) continue;
        drawObject(model.objects[j], alphaFactor);
    }
    for (int j = 0; model.extraObjects != nullptr && j < model.extraObjectCount; ++j) {
        if (model.extraObjects[j].visible == 0) continue;
        drawObject(model.extraObjects[j], alphaFactor);
    }

    glFrontFace(static_cast<GLenum>(savedFrontFace));
    glPopMatrix();
}

void mqoDrawModel(MeshModel* model) { mqoDrawModelSlot(model, 0); }
