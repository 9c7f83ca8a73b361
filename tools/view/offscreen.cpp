// Surfaceless EGL has no default framebuffer, so pictures are drawn into a
// framebuffer object of our own.
#include "view/offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

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

bool Offscreen::open(int width, int height, OffscreenApi api, std::string* error) {
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

    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glGenRenderbuffers(2, renderbuffers_);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[0]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              renderbuffers_[0]);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[1]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                              renderbuffers_[1]);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return fail(error, "cannot create a picture of that size");
    glViewport(0, 0, width, height);
    width_ = width;
    height_ = height;
    return true;
}

std::vector<unsigned char> Offscreen::readRgba() const {
    const size_t row = static_cast<size_t>(width_) * 4;
    std::vector<unsigned char> pixels(row * static_cast<size_t>(height_));
    if (pixels.empty()) return pixels;
    GLint oldAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &oldAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, oldAlignment);
    // GL gives the bottom row first; pictures start at the top.
    std::vector<unsigned char> swap(row);
    for (int y = 0; y < height_ / 2; ++y) {
        unsigned char* a = &pixels[static_cast<size_t>(y) * row];
        unsigned char* b = &pixels[static_cast<size_t>(height_ - 1 - y) * row];
        std::memcpy(swap.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, swap.data(), row);
    }
    return pixels;
}

Offscreen::~Offscreen() {
    if (context_ != nullptr) {
        if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
        if (renderbuffers_[0] != 0) glDeleteRenderbuffers(2, renderbuffers_);
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display_, context_);
    }
    if (display_ != nullptr) {
        eglTerminate(display_);
        eglReleaseThread();
    }
}
