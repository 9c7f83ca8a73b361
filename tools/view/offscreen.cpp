// What both systems' windowless contexts share: the framebuffer object the
// pictures are drawn in, and reading it back. The GL calls come through
// libepoxy, which finds them for whichever kind of context is current.
#include "view/offscreen.h"

#include <epoxy/gl.h>

#include <cstring>

bool Offscreen::open(int width, int height, OffscreenApi api, std::string* error) {
    if (!openContext(api, error)) return false;
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
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        if (error != nullptr) *error = "cannot create a picture of that size";
        return false;
    }
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
    }
    closeContext();
}
