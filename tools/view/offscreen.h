// A windowless OpenGL context for rendering pictures, with a framebuffer
// object to draw in: EGL on Mesa's surfaceless platform (no X server), or
// WGL on a hidden window on Windows (offscreen_egl.cpp, offscreen_wgl.cpp).
// The tools draw their pictures in it and the pixel tests their frames.
#ifndef MQO_TOOLS_OFFSCREEN_H
#define MQO_TOOLS_OFFSCREEN_H

#include <string>
#include <vector>

// Which kind of context: desktop OpenGL compatibility profile (the
// fixed-function pipeline), 3.3 core profile (a debug context if asked),
// or OpenGL ES 3.0.
enum class OffscreenApi { Compatibility, Core33, Core33Debug, Es30 };

class Offscreen {
public:
    Offscreen() = default;
    ~Offscreen();
    Offscreen(const Offscreen&) = delete;
    Offscreen& operator=(const Offscreen&) = delete;

    // Creates the context and a size x size RGBA target with depth, and makes
    // them current. False with *error set when the driver cannot.
    bool open(int size, std::string* error) { return open(size, size, error); }
    // The same with a width x height target; the viewport covers it.
    bool open(int width, int height, std::string* error) {
        return open(width, height, OffscreenApi::Compatibility, error);
    }
    bool open(int width, int height, OffscreenApi api, std::string* error);

    int size() const { return width_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The target's pixels as RGBA rows, the top row first. The pack
    // alignment is left as it was, since callers may be checking it.
    std::vector<unsigned char> readRgba() const;

private:
    // The system's half: a context of that kind made current, and its end.
    bool openContext(OffscreenApi api, std::string* error);
    void closeContext();

    void* display_ = nullptr;
    void* context_ = nullptr;
    void* window_ = nullptr;
    unsigned framebuffer_ = 0;
    unsigned renderbuffers_[2] = {0, 0};
    int width_ = 0;
    int height_ = 0;
};

#endif  // MQO_TOOLS_OFFSCREEN_H
