// The library's buffer-object calls routed through timers, for benchmarks
// that report what the upload costs: the time spent inside them and the
// bytes handed to glBufferDataARB.
#pragma once

#include <chrono>

#include "mqo/MqoModelGL.h"

namespace uploadtimer {

using Clock = std::chrono::steady_clock;

inline double seconds = 0;  // inside the buffer calls since the last reset
inline double bytes = 0;    // handed to glBufferDataARB since the last reset
inline PFNGLGENBUFFERSARBPROC realGenBuffers;
inline PFNGLBINDBUFFERARBPROC realBindBuffer;
inline PFNGLBUFFERDATAARBPROC realBufferData;

inline void add(Clock::time_point start) {
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
}

inline void APIENTRY timedGenBuffers(GLsizei n, GLuint* names) {
    auto start = Clock::now();
    realGenBuffers(n, names);
    add(start);
}
inline void APIENTRY timedBindBuffer(GLenum target, GLuint name) {
    auto start = Clock::now();
    realBindBuffer(target, name);
    add(start);
}
inline void APIENTRY timedBufferData(GLenum target, GLsizeiptrARB size, const void* data,
                                     GLenum usage) {
    auto start = Clock::now();
    realBufferData(target, size, data, usage);
    add(start);
    bytes += static_cast<double>(size);
}

// Routes the library's buffer calls through the timers (after mqoInitLibrary).
inline void install() {
    if (!vboSupported) return;
    realGenBuffers = mqo::glGenBuffersARB;
    realBindBuffer = mqo::glBindBufferARB;
    realBufferData = mqo::glBufferDataARB;
    mqo::glGenBuffersARB = timedGenBuffers;
    mqo::glBindBufferARB = timedBindBuffer;
    mqo::glBufferDataARB = timedBufferData;
}

}  // namespace uploadtimer
