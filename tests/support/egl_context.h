// The pixel tests' windowless OpenGL context: the tools' Offscreen (Mesa's
// surfaceless EGL platform, a framebuffer object, desktop OpenGL
// compatibility profile) with the tests' failure reporting and GL row order.
#ifndef MQO_TESTS_EGL_CONTEXT_H
#define MQO_TESTS_EGL_CONTEXT_H

#include <string>
#include <vector>

#include "view/offscreen.h"

// Creates the context and makes it current; fails the calling test (with a
// clear message) when the driver cannot give one.
class EglContext {
public:
    EglContext(int width = 256, int height = 256, OffscreenApi api = OffscreenApi::Compatibility);
    EglContext(const EglContext&) = delete;
    EglContext& operator=(const EglContext&) = delete;

    bool ok() const { return ok_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Reads the colour buffer as RGB rows, row 0 at the bottom (GL order).
    std::vector<unsigned char> readRgb() const;
    // Writes the colour buffer as an RGBA PNG file (top row first) for a
    // person to look at; returns false on failure.
    bool savePng(const std::string& path) const;

private:
    Offscreen offscreen_;
    bool ok_ = false;
    int width_, height_;
};

#endif  // MQO_TESTS_EGL_CONTEXT_H
