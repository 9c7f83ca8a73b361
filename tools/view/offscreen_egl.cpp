// The windowless context on Mesa's surfaceless EGL platform, which needs
// no X server. It has no default framebuffer; offscreen.cpp adds the one the
// pictures are drawn in.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "view/offscreen.h"

namespace {

EGLDisplay surfacelessDisplay() {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay != nullptr) {
        EGLDisplay d =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d != EGL_NO_DISPLAY) return d;
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

bool fail(std::string* error, const char* what) {
    if (error != nullptr) *error = what;
    return false;
}

}  // namespace

bool Offscreen::openContext(OffscreenApi api, std::string* error) {
    EGLDisplay display = surfacelessDisplay();
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
        return fail(error, "no EGL display (is Mesa's EGL installed?)");
    display_ = display;
    const bool es = api == OffscreenApi::Es30;
    if (!eglBindAPI(es ? EGL_OPENGL_ES_API : EGL_OPENGL_API))
        return fail(error, es ? "EGL offers no OpenGL ES" : "EGL offers no desktop OpenGL");
    // No window system: the configuration need only support pbuffers.
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                 es ? EGL_OPENGL_ES3_BIT : EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1)
        return fail(error, "no EGL configuration for OpenGL");
    const EGLint debug = api == OffscreenApi::Core33Debug ? EGL_TRUE : EGL_FALSE;
    const EGLint core[] = {EGL_CONTEXT_MAJOR_VERSION,
                           3,
                           EGL_CONTEXT_MINOR_VERSION,
                           3,
                           EGL_CONTEXT_OPENGL_PROFILE_MASK,
                           EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                           EGL_CONTEXT_OPENGL_DEBUG,
                           debug,
                           EGL_NONE};
    const EGLint gles[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0, EGL_NONE};
    const EGLint* contextAttributes =
        es ? gles : (api == OffscreenApi::Compatibility ? nullptr : core);
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) return fail(error, "cannot create an OpenGL context");
    context_ = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context))
        return fail(error, "cannot make the OpenGL context current");

    return true;
}

void Offscreen::closeContext() {
    if (context_ != nullptr) {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display_, context_);
    }
    if (display_ != nullptr) {
        eglTerminate(display_);
        eglReleaseThread();
    }
}
