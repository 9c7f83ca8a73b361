// A windowless OpenGL context on Mesa (EGL surfaceless platform, pbuffer,
// desktop OpenGL compatibility profile) for tests that need real pixels.
#ifndef MQO_TESTS_EGL_CONTEXT_H
#define MQO_TESTS_EGL_CONTEXT_H

#include <string>
#include <vector>

// Creates the context and makes it current; fails the calling test (with a
// clear message) when the driver cannot give one.
class EglContext {
public:
    EglContext(int width = 256, int height = 256);
    ~EglContext();
    EglContext(const EglContext&) = delete;
    EglContext& operator=(const EglContext&) = delete;

    bool ok() const { return ok_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Reads the colour buffer as RGB rows, row 0 at the bottom (GL order).
    std::vector<unsigned char> readRgb() const;
    // Writes the colour buffer as a PNG file (top row first) for a person to
    // look at; returns false on failure.
    bool savePng(const std::string& path) const;

private:
    bool ok_ = false;
    int width_, height_;
    void* display_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
};

#endif  // MQO_TESTS_EGL_CONTEXT_H
