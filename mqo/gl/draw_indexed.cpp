// MqoModel: drawing a compact batch (MQO_FEATURE_COMPACT): the client arrays
// are set as for any batch, then one glDrawElements over its indices, from
// its element buffer or, without buffer objects, from memory.
#include "mqo/MqoModelGL.h"
#include "mqo/gl/gl_internal.h"

namespace mqo::detail {

bool mqoIndicesDrawable(const MaterialBatch& batch, bool buffered) {
    if (batch.indexCount <= 0 || (batch.indexSize != 2 && batch.indexSize != 4)) return false;
    return buffered ? batch.indexBufferName != 0 : batch.indices != nullptr;
}

void mqoDrawIndexed(const MaterialBatch& batch, bool buffered) {
    const GLenum type = batch.indexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
    if (buffered) {
        mqo::glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, batch.indexBufferName);
        glDrawElements(GL_TRIANGLES, batch.indexCount, type, nullptr);
        mqo::glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
        return;
    }
    // A bound element buffer would take the address as an offset into it.
    if (mqoBuffersUsable()) mqo::glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    glDrawElements(GL_TRIANGLES, batch.indexCount, type, batch.indices);
}

}  // namespace mqo::detail
