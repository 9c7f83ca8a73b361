// MqoModel: the GL entry points the library looked up, for a program that
// makes buffer-object calls of its own the way the library does. It includes
// <GL/gl.h> and <GL/glext.h>, which mqo/MqoModel.h and mqo/MqoModelStages.h
// (included here, for vboSupported) leave out; a program with a GL loader of
// its own does not need this header.
#ifndef MQO_MQOMODELGL_H
#define MQO_MQOMODELGL_H

#include <GL/gl.h>
#include <GL/glext.h>

#include "mqo/MqoExport.h"
#include "mqo/MqoModelStages.h"

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
