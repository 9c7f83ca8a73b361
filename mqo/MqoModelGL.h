// MqoModel: the GL entry points the library looked up. Included by
// mqo/MqoModel.h unless MQO_NO_GL_HEADERS is defined; include that header,
// not this one.
#ifndef MQO_MQOMODELGL_H
#define MQO_MQOMODELGL_H

#include <GL/gl.h>
#include <GL/glext.h>

#include "mqo/MqoExport.h"

#ifdef __cplusplus
// The GL library exports functions of these names itself, so ours live in a
// namespace (and are not reachable from C). Null unless vboSupported is 1.
namespace mqo {
extern MQO_API PFNGLGENBUFFERSARBPROC glGenBuffersARB;
extern MQO_API PFNGLBINDBUFFERARBPROC glBindBufferARB;
extern MQO_API PFNGLBUFFERDATAARBPROC glBufferDataARB;
extern MQO_API PFNGLDELETEBUFFERSARBPROC glDeleteBuffersARB;
}  // namespace mqo
#endif

#endif  // MQO_MQOMODELGL_H
