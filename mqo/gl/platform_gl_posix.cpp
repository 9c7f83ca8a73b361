// GL entry-point lookup for Linux: EGL when an EGL context is current (the
// windowless tests), GLX otherwise (the GLUT window).
#include <EGL/egl.h>
#include <GL/glx.h>

#include "mqo/MqoModelGL.h"
#include "mqo/gl/gl_internal.h"

namespace mqo::detail {

void* mqoLookupGLFunction(const char* name) {
    if (name == nullptr) return nullptr;
    if (eglGetCurrentContext() != EGL_NO_CONTEXT) {
        return reinterpret_cast<void*>(eglGetProcAddress(name));
    }
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

}  // namespace mqo::detail
