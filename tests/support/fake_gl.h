// A recording stand-in for libGL, libGLU and the GLX/EGL entry-point lookup.
// Tests that link it instead of the real libraries see every GL call the
// library makes, in order, as text such as
//   "glBindTexture(GL_TEXTURE_2D, 7)"   "glColor4f(1, 0.5, 0, 1)"
// Enum arguments print as their GL_ names (hex when unknown), integers in
// decimal, floats with %g, pointers as "ptr" or, for a null pointer, "0"; a
// pointer argument that is a buffer offset (vboSupported) prints as its
// integer value, e.g. "glVertexPointer(3, GL_FLOAT, 32, 0)".
// Integer arguments that carry an enum (glTexParameteri's value, the internal
// format of glTexImage2D) print as enum names too; glClear prints its bits
// joined by " | ". The entry-point lookup is recorded as well, e.g.
// "glXGetProcAddressARB(glGenBuffersARB)"; eglGetCurrentContext is not (it
// always answers EGL_NO_CONTEXT, so the library takes the GLX lookup).
#ifndef MQO_TESTS_FAKE_GL_H
#define MQO_TESTS_FAKE_GL_H

#include <GL/gl.h>

#include <string>
#include <vector>

namespace fakegl {

// Forgets every recorded call and restores the defaults: extension string
// "GL_ARB_vertex_buffer_object", GL_MAX_TEXTURE_SIZE 16384, every capability
// disabled, every integer query 0, all lookups succeeding, names counting up
// from 1 for textures and buffers.
void reset();

// The calls recorded since the last reset() or clear().
const std::vector<std::string>& calls();
// Only the calls whose name is one of the given ones, in order.
std::vector<std::string> callsNamed(const std::vector<std::string>& names);
// Forgets the recorded calls but keeps the configured state.
void clear();

// What glGetString(GL_EXTENSIONS) returns; null makes it return null.
void setExtensions(const char* extensions);
void setMaxTextureSize(int size);
// What glIsEnabled(cap) returns (glEnable/glDisable also change it).
void setEnabled(GLenum cap, bool enabled);
// What glGetIntegerv(pname) writes (glFrontFace and glBindTexture also
// update GL_FRONT_FACE and GL_TEXTURE_BINDING_2D).
void setInteger(GLenum pname, GLint value);
// When false, the lookup of that entry point returns null.
void setLookupSucceeds(const char* name, bool succeeds);

// Pixels and sizes of the last glTexImage2D call (empty when none).
const std::vector<unsigned char>& lastTextureImage();
int lastTextureWidth();
int lastTextureHeight();
// Bytes handed to glBufferDataARB for buffer object `name`.
const std::vector<unsigned char>& bufferData(GLuint name);

// The floats a pointer argument of call `index` (into calls()) pointed to:
// glMaterialfv, glLightfv, glLightModelfv; empty for other calls.
const std::vector<float>& callValues(size_t index);
// Names handed to glDeleteTextures / glDeleteBuffersARB since the last reset()
// or clear(), in order.
const std::vector<GLuint>& deletedTextures();
const std::vector<GLuint>& deletedBuffers();

}  // namespace fakegl

#endif  // MQO_TESTS_FAKE_GL_H
