// The context itself is the tools' Offscreen, so that tests and pictures
// draw through one EGL set-up; this adds the test's view of it.
#include "support/egl_context.h"

#include <gtest/gtest.h>

#include "view/png_file.h"

EglContext::EglContext(int width, int height, OffscreenApi api) : width_(width), height_(height) {
    std::string error;
    if (!offscreen_.open(width, height, api, &error)) {
        ADD_FAILURE() << "EGL: " << error << " (" << width << "x" << height << ")";
        return;
    }
    ok_ = true;
}

std::vector<unsigned char> EglContext::readRgb() const {
    std::vector<unsigned char> rgb(static_cast<size_t>(width_) * height_ * 3);
    if (!ok_) return rgb;
    std::vector<unsigned char> rgba = offscreen_.readRgba();
    const size_t row = static_cast<size_t>(width_);
    for (int y = 0; y < height_; ++y) {  // RGBA top row first to GL's bottom row first
        const unsigned char* from = &rgba[static_cast<size_t>(height_ - 1 - y) * row * 4];
        unsigned char* to = &rgb[static_cast<size_t>(y) * row * 3];
        for (size_t x = 0; x < row; ++x) {
            to[x * 3] = from[x * 4];
            to[x * 3 + 1] = from[x * 4 + 1];
            to[x * 3 + 2] = from[x * 4 + 2];
        }
    }
    return rgb;
}

bool EglContext::savePng(const std::string& path) const {
    if (!ok_) return false;
    std::vector<unsigned char> rgba = offscreen_.readRgba();
    std::string error;
    return writePng(path, rgba.data(), width_, height_, &error);
}
