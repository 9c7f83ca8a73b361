// A windowless Mesa context: the surfaceless platform needs no X server and
// gives the same llvmpipe compatibility profile as the GLX window.
#include "support/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

namespace {

EGLDisplay surfacelessDisplay() {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay) {
        EGLDisplay d =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d != EGL_NO_DISPLAY) return d;
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);  // works with EGL_PLATFORM=surfaceless
}

}  // namespace

EglContext::EglContext(int width, int height) : width_(width), height_(height) {
    EGLDisplay display = surfacelessDisplay();
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        ADD_FAILURE() << "EGL: no surfaceless display (error 0x" << std::hex << eglGetError()
                      << ")";
        return;
    }
    display_ = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        ADD_FAILURE() << "EGL: desktop OpenGL API not available";
        return;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       24,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_NONE};
    EGLConfig config;
    EGLint configCount = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1) {
        ADD_FAILURE() << "EGL: no pbuffer config with RGB 888 and depth 24";
        return;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE) {
        ADD_FAILURE() << "EGL: cannot create a " << width << "x" << height << " pbuffer";
        return;
    }
    surface_ = surface;
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        ADD_FAILURE() << "EGL: cannot create an OpenGL context";
        return;
    }
    context_ = context;
    if (!eglMakeCurrent(display, surface, surface, context)) {
        ADD_FAILURE() << "EGL: cannot make the context current";
        return;
    }
    glViewport(0, 0, width, height);
    ok_ = true;
}

EglContext::~EglContext() {
    if (!display_) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_) eglDestroyContext(display_, context_);
    if (surface_) eglDestroySurface(display_, surface_);
    eglTerminate(display_);
    eglReleaseThread();
}

std::vector<unsigned char> EglContext::readRgb() const {
    std::vector<unsigned char> rgb(static_cast<size_t>(width_) * height_ * 3);
    if (!ok_) return rgb;
    GLint oldAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &oldAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);  // rows of width * 3 bytes, unpadded
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, oldAlignment);  // tests may check the library's setting
    return rgb;
}

// ---- PNG without a compression library: stored deflate blocks ----

namespace {

uint32_t crc32(const unsigned char* p, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put32(std::vector<unsigned char>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(v >> shift));
}

void chunk(std::vector<unsigned char>& png, const char* type,
           const std::vector<unsigned char>& data) {
    put32(png, static_cast<uint32_t>(data.size()));
    size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(png, crc32(png.data() + start, png.size() - start));
}

// A zlib stream of uncompressed blocks (at most 65535 bytes each).
std::vector<unsigned char> zlibStored(const std::vector<unsigned char>& raw) {
    std::vector<unsigned char> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n));
        z.push_back(static_cast<unsigned char>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;  // Adler-32
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    put32(z, (b << 16) | a);
    return z;
}

}  // namespace

bool EglContext::savePng(const std::string& path) const {
    if (!ok_) return false;
    std::vector<unsigned char> rgb = readRgb();
    size_t rowBytes = static_cast<size_t>(width_) * 3;
    std::vector<unsigned char> raw;
    raw.reserve((rowBytes + 1) * height_);
    for (int y = height_ - 1; y >= 0; --y) {  // PNG stores the top row first
        raw.push_back(0);                     // filter: none
        raw.insert(raw.end(), rgb.begin() + y * rowBytes, rgb.begin() + (y + 1) * rowBytes);
    }
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    put32(header, static_cast<uint32_t>(width_));
    put32(header, static_cast<uint32_t>(height_));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", zlibStored(raw));
    chunk(png, "IEND", {});
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && written;
}
