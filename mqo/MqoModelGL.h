// MqoModel: the GL entry points the library looked up. Included by
// mqo/MqoModel.h unless MQO_NO_GL_HEADERS is defined; include that header,
// not this one.
#ifndef MQO_MQOMODELGL_H
#define MQO_MQOMODELGL_H

#include <GL/gl.h>
#include <GL/glext.h>

#ifdef __cplusplus
// The GL library exports functions of these names itself, so ours live in a
// namespace (and are not reachable from C). Null unless vboSupported is 1.
namespace mqo {
extern PFNGLGENBUFFERSARBPROC glGenBuffersARB;
extern PFNGLBINDBUFFERARBPROC glBindBufferARB;
extern PFNGLBUFFERDATAARBPROC glBufferDataARB;
extern PFNGLDELETEBUFFERSARBPROC glDeleteBuffersARB;
}  // namespace mqo
#endif

#endif  // MQO_MQOMODELGL_H
