// The recording fake GL: every entry point appends one line of text to the
// call list and keeps just enough state for the queries the library makes.
#include "support/fake_gl.h"

#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <GL/glx.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace {

struct EnumName {
    GLenum value;
    const char* name;
};

// Names printed for enum arguments. GL_ZERO/GL_ONE/GL_TRUE and the clear
// bits share values with other enums, so they are printed where the call
// knows what they mean (glBlendFunc, glClear) and not here.
const EnumName enumNames[] = {
#define E(x) \
    { x, #x }
    E(GL_POINTS),
    E(GL_LINES),
    E(GL_LINE_LOOP),
    E(GL_LINE_STRIP),
    E(GL_TRIANGLES),
    E(GL_TRIANGLE_STRIP),
    E(GL_TRIANGLE_FAN),
    E(GL_QUADS),
    E(GL_NEVER),
    E(GL_LESS),
    E(GL_EQUAL),
    E(GL_LEQUAL),
    E(GL_GREATER),
    E(GL_NOTEQUAL),
    E(GL_GEQUAL),
    E(GL_ALWAYS),
    E(GL_SRC_COLOR),
    E(GL_ONE_MINUS_SRC_COLOR),
    E(GL_SRC_ALPHA),
    E(GL_ONE_MINUS_SRC_ALPHA),
    E(GL_DST_ALPHA),
    E(GL_ONE_MINUS_DST_ALPHA),
    E(GL_DST_COLOR),
    E(GL_ONE_MINUS_DST_COLOR),
    E(GL_FRONT),
    E(GL_BACK),
    E(GL_FRONT_AND_BACK),
    E(GL_CW),
    E(GL_CCW),
    E(GL_CURRENT_COLOR),
    E(GL_CULL_FACE),
    E(GL_FRONT_FACE),
    E(GL_LIGHTING),
    E(GL_LIGHT_MODEL_TWO_SIDE),
    E(GL_LIGHT_MODEL_AMBIENT),
    E(GL_SHADE_MODEL),
    E(GL_COLOR_MATERIAL),
    E(GL_DEPTH_TEST),
    E(GL_DEPTH_FUNC),
    E(GL_MATRIX_MODE),
    E(GL_NORMALIZE),
    E(GL_VIEWPORT),
    E(GL_ALPHA_TEST),
    E(GL_BLEND),
    E(GL_TEXTURE_2D),
    E(GL_PERSPECTIVE_CORRECTION_HINT),
    E(GL_UNPACK_ROW_LENGTH),
    E(GL_UNPACK_ALIGNMENT),
    E(GL_PACK_ALIGNMENT),
    E(GL_MAX_TEXTURE_SIZE),
    E(GL_DONT_CARE),
    E(GL_FASTEST),
    E(GL_NICEST),
    E(GL_AMBIENT),
    E(GL_DIFFUSE),
    E(GL_SPECULAR),
    E(GL_POSITION),
    E(GL_SPOT_DIRECTION),
    E(GL_CONSTANT_ATTENUATION),
    E(GL_LINEAR_ATTENUATION),
    E(GL_QUADRATIC_ATTENUATION),
    E(GL_EMISSION),
    E(GL_SHININESS),
    E(GL_AMBIENT_AND_DIFFUSE),
    E(GL_UNSIGNED_BYTE),
    E(GL_UNSIGNED_SHORT),
    E(GL_UNSIGNED_INT),
    E(GL_FLOAT),
    E(GL_MODELVIEW),
    E(GL_PROJECTION),
    E(GL_ALPHA),
    E(GL_RGB),
    E(GL_RGBA),
    E(GL_LUMINANCE),
    E(GL_FLAT),
    E(GL_SMOOTH),
    E(GL_REPLACE),
    E(GL_VENDOR),
    E(GL_RENDERER),
    E(GL_VERSION),
    E(GL_EXTENSIONS),
    E(GL_MODULATE),
    E(GL_TEXTURE_ENV_MODE),
    E(GL_TEXTURE_ENV),
    E(GL_NEAREST),
    E(GL_LINEAR),
    E(GL_TEXTURE_MAG_FILTER),
    E(GL_TEXTURE_MIN_FILTER),
    E(GL_TEXTURE_WRAP_S),
    E(GL_TEXTURE_WRAP_T),
    E(GL_CLAMP),
    E(GL_REPEAT),
    E(GL_LIGHT0),
    E(GL_LIGHT1),
    E(GL_LIGHT2),
    E(GL_LIGHT3),
    E(GL_RGB8),
    E(GL_RGBA8),
    E(GL_TEXTURE_BINDING_2D),
    E(GL_VERTEX_ARRAY),
    E(GL_NORMAL_ARRAY),
    E(GL_COLOR_ARRAY),
    E(GL_TEXTURE_COORD_ARRAY),
    E(GL_BGR),
    E(GL_BGRA),
    E(GL_ARRAY_BUFFER_ARB),
    E(GL_ELEMENT_ARRAY_BUFFER_ARB),
    E(GL_ARRAY_BUFFER_BINDING_ARB),
    E(GL_STATIC_DRAW_ARB),
    E(GL_DYNAMIC_DRAW_ARB),
    E(GL_STREAM_DRAW_ARB),
#undef E
};

struct State {
    std::vector<std::string> calls;
    std::vector<std::vector<float>> values;  // what a pointer argument pointed to
    std::string extensions = "GL_ARB_vertex_buffer_object";
    bool extensionsNull = false;
    int maxTextureSize = 16384;
    std::map<GLenum, bool> enabled;
    std::map<GLenum, GLint> integers;
    std::set<std::string> failingLookups;
    GLuint nextTexture = 1;
    GLuint nextBuffer = 1;
    GLuint boundArrayBuffer = 0;
    GLuint boundElementBuffer = 0;
    GLint unpackAlignment = 4;
    std::vector<unsigned char> textureImage;
    int textureWidth = 0, textureHeight = 0;
    std::map<GLuint, std::vector<unsigned char>> buffers;
    std::vector<GLuint> deletedTextures, deletedBuffers;
};

State& state() {
    static State s;
    return s;
}

std::string enumText(GLenum e) {
    for (const EnumName& n : enumNames)
        if (n.value == e) return n.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", e);
    return buf;
}

std::string text(const char* format, ...) {
    char buf[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    return buf;
}

#define EN(e) enumText(e).c_str()

// A pointer argument: "0" for null, the offset while an array buffer is
// bound (then it is one), "ptr" otherwise.
std::string pointerText(const void* p) {
    if (state().boundArrayBuffer != 0) return text("%zu", reinterpret_cast<uintptr_t>(p));
    return p ? "ptr" : "0";
}

void record(const std::string& call, std::vector<float> values = {}) {
    state().calls.push_back(call);
    state().values.push_back(std::move(values));
}

// How many floats glLightfv/glMaterialfv read for a parameter.
size_t floatCount(GLenum pname) {
    switch (pname) {
        case GL_SHININESS:
        case GL_CONSTANT_ATTENUATION:
        case GL_LINEAR_ATTENUATION:
        case GL_QUADRATIC_ATTENUATION:
        case GL_SPOT_EXPONENT:
        case GL_SPOT_CUTOFF:
            return 1;
        case GL_SPOT_DIRECTION:
            return 3;
        default:
            return 4;
    }
}

std::vector<float> floats(const GLfloat* p, size_t n) {
    return p ? std::vector<float>(p, p + n) : std::vector<float>();
}

size_t bytesPerPixel(GLenum format, GLenum type) {
    size_t components = 4;
    switch (format) {
        case GL_RGB:
        case GL_BGR:
            components = 3;
            break;
        case GL_LUMINANCE_ALPHA:
            components = 2;
            break;
        case GL_ALPHA:
        case GL_LUMINANCE:
        case GL_RED:
            components = 1;
            break;
        default:
            break;
    }
    return components * (type == GL_FLOAT ? 4 : 1);
}

// ---- the buffer-object entry points handed out by the lookup ----

void APIENTRY fakeGenBuffers(GLsizei n, GLuint* names) {
    record(text("glGenBuffersARB(%d, %s)", n, names ? "ptr" : "0"));
    for (GLsizei i = 0; i < n && names; ++i) names[i] = state().nextBuffer++;
}

void APIENTRY fakeBindBuffer(GLenum target, GLuint name) {
    record(text("glBindBufferARB(%s, %u)", EN(target), name));
    if (target == GL_ARRAY_BUFFER_ARB) {
        state().boundArrayBuffer = name;
        state().integers[GL_ARRAY_BUFFER_BINDING_ARB] = static_cast<GLint>(name);
    }
    if (target == GL_ELEMENT_ARRAY_BUFFER_ARB) state().boundElementBuffer = name;
}

void APIENTRY fakeBufferData(GLenum target, GLsizeiptrARB size, const void* data, GLenum usage) {
    record(
        text("glBufferDataARB(%s, %td, %s, %s)", EN(target), size, data ? "ptr" : "0", EN(usage)));
    GLuint bound = target == GL_ARRAY_BUFFER_ARB           ? state().boundArrayBuffer
                   : target == GL_ELEMENT_ARRAY_BUFFER_ARB ? state().boundElementBuffer
                                                           : 0;
    if (bound == 0) return;
    std::vector<unsigned char>& bytes = state().buffers[bound];
    bytes.clear();
    if (data && size > 0) {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        bytes.assign(p, p + size);
    }
}

void APIENTRY fakeDeleteBuffers(GLsizei n, const GLuint* names) {
    record(text("glDeleteBuffersARB(%d, %s)", n, names ? "ptr" : "0"));
    for (GLsizei i = 0; i < n && names; ++i) {
        state().deletedBuffers.push_back(names[i]);
        if (names[i] == state().boundArrayBuffer) state().boundArrayBuffer = 0;
        if (names[i] == state().boundElementBuffer) state().boundElementBuffer = 0;
    }
}

void* lookup(const char* api, const char* name) {
    record(text("%s(%s)", api, name ? name : "0"));
    if (!name || state().failingLookups.count(name)) return nullptr;
    if (!std::strcmp(name, "glGenBuffersARB")) return reinterpret_cast<void*>(&fakeGenBuffers);
    if (!std::strcmp(name, "glBindBufferARB")) return reinterpret_cast<void*>(&fakeBindBuffer);
    if (!std::strcmp(name, "glBufferDataARB")) return reinterpret_cast<void*>(&fakeBufferData);
    if (!std::strcmp(name, "glDeleteBuffersARB"))
        return reinterpret_cast<void*>(&fakeDeleteBuffers);
    return nullptr;
}

}  // namespace

// ---- test controls ----

namespace fakegl {

void reset() { state() = State(); }

const std::vector<std::string>& calls() { return state().calls; }

std::vector<std::string> callsNamed(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string& c : state().calls) {
        std::string name = c.substr(0, c.find('('));
        for (const std::string& n : names)
            if (name == n) out.push_back(c);
    }
    return out;
}

const std::vector<float>& callValues(size_t index) {
    static const std::vector<float> none;
    return index < state().values.size() ? state().values[index] : none;
}

void clear() {
    state().calls.clear();
    state().values.clear();
    state().deletedTextures.clear();
    state().deletedBuffers.clear();
}

void setExtensions(const char* extensions) {
    state().extensionsNull = extensions == nullptr;
    state().extensions = extensions ? extensions : "";
}
void setMaxTextureSize(int size) { state().maxTextureSize = size; }
void setEnabled(GLenum cap, bool enabled) { state().enabled[cap] = enabled; }
void setInteger(GLenum pname, GLint value) { state().integers[pname] = value; }
void setLookupSucceeds(const char* name, bool succeeds) {
    if (succeeds)
        state().failingLookups.erase(name);
    else
        state().failingLookups.insert(name);
}

const std::vector<unsigned char>& lastTextureImage() { return state().textureImage; }
int lastTextureWidth() { return state().textureWidth; }
int lastTextureHeight() { return state().textureHeight; }

const std::vector<unsigned char>& bufferData(GLuint name) {
    static const std::vector<unsigned char> none;
    auto it = state().buffers.find(name);
    return it == state().buffers.end() ? none : it->second;
}

const std::vector<GLuint>& deletedTextures() { return state().deletedTextures; }
const std::vector<GLuint>& deletedBuffers() { return state().deletedBuffers; }

}  // namespace fakegl

// ---- GL 1.1 ----

extern "C" {

const GLubyte* glGetString(GLenum name) {
    record(text("glGetString(%s)", EN(name)));
    if (name == GL_EXTENSIONS) {
        if (state().extensionsNull) return nullptr;
        return reinterpret_cast<const GLubyte*>(state().extensions.c_str());
    }
    return reinterpret_cast<const GLubyte*>("fake");
}

void glGetIntegerv(GLenum pname, GLint* params) {
    record(text("glGetIntegerv(%s, %s)", EN(pname), params ? "ptr" : "0"));
    if (!params) return;
    auto it = state().integers.find(pname);
    if (pname == GL_MAX_TEXTURE_SIZE)
        *params = state().maxTextureSize;
    else
        *params = it == state().integers.end() ? 0 : it->second;
}

GLboolean glIsEnabled(GLenum cap) {
    record(text("glIsEnabled(%s)", EN(cap)));
    return state().enabled[cap] ? GL_TRUE : GL_FALSE;
}

void glEnable(GLenum cap) {
    record(text("glEnable(%s)", EN(cap)));
    state().enabled[cap] = true;
}
void glDisable(GLenum cap) {
    record(text("glDisable(%s)", EN(cap)));
    state().enabled[cap] = false;
}

void glEnableClientState(GLenum array) {
    record(text("glEnableClientState(%s)", EN(array)));
    state().enabled[array] = true;
}
void glDisableClientState(GLenum array) {
    record(text("glDisableClientState(%s)", EN(array)));
    state().enabled[array] = false;
}

void glPixelStorei(GLenum pname, GLint param) {
    record(text("glPixelStorei(%s, %d)", EN(pname), param));
    if (pname == GL_UNPACK_ALIGNMENT) state().unpackAlignment = param;
}

void glGenTextures(GLsizei n, GLuint* textures) {
    record(text("glGenTextures(%d, %s)", n, textures ? "ptr" : "0"));
    for (GLsizei i = 0; i < n && textures; ++i) textures[i] = state().nextTexture++;
}

void glBindTexture(GLenum target, GLuint texture) {
    record(text("glBindTexture(%s, %u)", EN(target), texture));
    if (target == GL_TEXTURE_2D)
        state().integers[GL_TEXTURE_BINDING_2D] = static_cast<GLint>(texture);
}

void glDeleteTextures(GLsizei n, const GLuint* textures) {
    record(text("glDeleteTextures(%d, %s)", n, textures ? "ptr" : "0"));
    for (GLsizei i = 0; i < n && textures; ++i) state().deletedTextures.push_back(textures[i]);
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    record(
        text("glTexParameteri(%s, %s, %s)", EN(target), EN(pname), EN(static_cast<GLenum>(param))));
}

void glTexParameterf(GLenum target, GLenum pname, GLfloat param) {
    record(text("glTexParameterf(%s, %s, %g)", EN(target), EN(pname), param));
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    record(text("glTexImage2D(%s, %d, %s, %d, %d, %d, %s, %s, %s)", EN(target), level,
                EN(static_cast<GLenum>(internalFormat)), width, height, border, EN(format),
                EN(type), pixels ? "ptr" : "0"));
    State& s = state();
    s.textureWidth = width;
    s.textureHeight = height;
    s.textureImage.clear();
    if (!pixels || width <= 0 || height <= 0) return;
    // Rows are padded to the unpack alignment; the last row's padding is not read.
    size_t align = s.unpackAlignment > 0 ? static_cast<size_t>(s.unpackAlignment) : 1;
    size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel(format, type);
    size_t stride = (rowBytes + align - 1) / align * align;
    size_t total = stride * static_cast<size_t>(height - 1) + rowBytes;
    const unsigned char* p = static_cast<const unsigned char*>(pixels);
    s.textureImage.assign(p, p + total);
}

void glGetTexImage(GLenum target, GLint level, GLenum format, GLenum type, GLvoid* pixels) {
    record(text("glGetTexImage(%s, %d, %s, %s, %s)", EN(target), level, EN(format), EN(type),
                pixels ? "ptr" : "0"));
}

void glTexEnvi(GLenum target, GLenum pname, GLint param) {
    record(text("glTexEnvi(%s, %s, %s)", EN(target), EN(pname), EN(static_cast<GLenum>(param))));
}
void glTexEnvf(GLenum target, GLenum pname, GLfloat param) {
    record(text("glTexEnvf(%s, %s, %s)", EN(target), EN(pname), EN(static_cast<GLenum>(param))));
}

void glPushMatrix(void) { record("glPushMatrix()"); }
void glPopMatrix(void) { record("glPopMatrix()"); }
void glPushAttrib(GLbitfield mask) { record(text("glPushAttrib(0x%X)", mask)); }
void glPopAttrib(void) { record("glPopAttrib()"); }
void glFrontFace(GLenum mode) {
    record(text("glFrontFace(%s)", EN(mode)));
    state().integers[GL_FRONT_FACE] = static_cast<GLint>(mode);
}
void glCullFace(GLenum mode) { record(text("glCullFace(%s)", EN(mode))); }
void glShadeModel(GLenum mode) { record(text("glShadeModel(%s)", EN(mode))); }
void glDepthFunc(GLenum func) { record(text("glDepthFunc(%s)", EN(func))); }
void glDepthMask(GLboolean flag) { record(text("glDepthMask(%d)", flag)); }
void glHint(GLenum target, GLenum mode) { record(text("glHint(%s, %s)", EN(target), EN(mode))); }
void glAlphaFunc(GLenum func, GLclampf ref) { record(text("glAlphaFunc(%s, %g)", EN(func), ref)); }

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    record(text("glMaterialfv(%s, %s, %s)", EN(face), EN(pname), params ? "ptr" : "0"),
           floats(params, floatCount(pname)));
}
void glMaterialf(GLenum face, GLenum pname, GLfloat param) {
    record(text("glMaterialf(%s, %s, %g)", EN(face), EN(pname), param));
}
void glColorMaterial(GLenum face, GLenum mode) {
    record(text("glColorMaterial(%s, %s)", EN(face), EN(mode)));
}
void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    record(text("glLightfv(%s, %s, %s)", EN(light), EN(pname), params ? "ptr" : "0"),
           floats(params, floatCount(pname)));
}
void glLightf(GLenum light, GLenum pname, GLfloat param) {
    record(text("glLightf(%s, %s, %g)", EN(light), EN(pname), param));
}
void glLightModelfv(GLenum pname, const GLfloat* params) {
    record(text("glLightModelfv(%s, %s)", EN(pname), params ? "ptr" : "0"),
           floats(params, pname == GL_LIGHT_MODEL_AMBIENT ? 4 : 1));
}
void glLightModeli(GLenum pname, GLint param) {
    record(text("glLightModeli(%s, %d)", EN(pname), param));
}

void glBlendFunc(GLenum sfactor, GLenum dfactor) {
    auto factor = [](GLenum f) {
        return f == GL_ZERO  ? std::string("GL_ZERO")
               : f == GL_ONE ? std::string("GL_ONE")
                             : enumText(f);
    };
    record(text("glBlendFunc(%s, %s)", factor(sfactor).c_str(), factor(dfactor).c_str()));
}

void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* ptr) {
    record(
        text("glVertexPointer(%d, %s, %d, %s)", size, EN(type), stride, pointerText(ptr).c_str()));
}
void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* ptr) {
    record(text("glTexCoordPointer(%d, %s, %d, %s)", size, EN(type), stride,
                pointerText(ptr).c_str()));
}
void glNormalPointer(GLenum type, GLsizei stride, const GLvoid* ptr) {
    record(text("glNormalPointer(%s, %d, %s)", EN(type), stride, pointerText(ptr).c_str()));
}
void glColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* ptr) {
    record(
        text("glColorPointer(%d, %s, %d, %s)", size, EN(type), stride, pointerText(ptr).c_str()));
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    record(text("glColor4f(%g, %g, %g, %g)", r, g, b, a));
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { record(text("glColor3f(%g, %g, %g)", r, g, b)); }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    record(text("glNormal3f(%g, %g, %g)", x, y, z));
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    record(text("glVertex3f(%g, %g, %g)", x, y, z));
}
void glTexCoord2f(GLfloat s, GLfloat t) { record(text("glTexCoord2f(%g, %g)", s, t)); }
void glBegin(GLenum mode) { record(text("glBegin(%s)", EN(mode))); }
void glEnd(void) { record("glEnd()"); }

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    record(text("glDrawArrays(%s, %d, %d)", EN(mode), first, count));
}

// The indices print as an offset when an element buffer is bound.
void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(indices);
    std::string where = state().boundElementBuffer != 0 ? text("%zu", at) : indices ? "ptr" : "0";
    record(text("glDrawElements(%s, %d, %s, %s)", EN(mode), count, EN(type), where.c_str()));
}

void glClear(GLbitfield mask) {
    std::string bits;
    const EnumName clearBits[] = {{GL_COLOR_BUFFER_BIT, "GL_COLOR_BUFFER_BIT"},
                                  {GL_DEPTH_BUFFER_BIT, "GL_DEPTH_BUFFER_BIT"},
                                  {GL_STENCIL_BUFFER_BIT, "GL_STENCIL_BUFFER_BIT"},
                                  {GL_ACCUM_BUFFER_BIT, "GL_ACCUM_BUFFER_BIT"}};
    for (const EnumName& b : clearBits) {
        if (!(mask & b.value)) continue;
        if (!bits.empty()) bits += " | ";
        bits += b.name;
        mask &= ~b.value;
    }
    if (mask || bits.empty()) bits += text("%s0x%X", bits.empty() ? "" : " | ", mask);
    record("glClear(" + bits + ")");
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    record(text("glClearColor(%g, %g, %g, %g)", r, g, b, a));
}
void glClearDepth(GLclampd depth) { record(text("glClearDepth(%g)", depth)); }
void glMatrixMode(GLenum mode) { record(text("glMatrixMode(%s)", EN(mode))); }
void glLoadIdentity(void) { record("glLoadIdentity()"); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    record(text("glViewport(%d, %d, %d, %d)", x, y, w, h));
}
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    record(text("glOrtho(%g, %g, %g, %g, %g, %g)", l, r, b, t, n, f));
}
void glFrustum(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    record(text("glFrustum(%g, %g, %g, %g, %g, %g)", l, r, b, t, n, f));
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    record(text("glTranslatef(%g, %g, %g)", x, y, z));
}
void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    record(text("glTranslated(%g, %g, %g)", x, y, z));
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    record(text("glRotatef(%g, %g, %g, %g)", angle, x, y, z));
}
void glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z) {
    record(text("glRotated(%g, %g, %g, %g)", angle, x, y, z));
}
void glScalef(GLfloat x, GLfloat y, GLfloat z) { record(text("glScalef(%g, %g, %g)", x, y, z)); }

GLenum glGetError(void) {
    record("glGetError()");
    return GL_NO_ERROR;
}
void glFinish(void) { record("glFinish()"); }
void glFlush(void) { record("glFlush()"); }

// ---- GLU ----

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    record(text("gluPerspective(%g, %g, %g, %g)", fovy, aspect, zNear, zFar));
}
void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz,
               GLdouble ux, GLdouble uy, GLdouble uz) {
    record(
        text("gluLookAt(%g, %g, %g, %g, %g, %g, %g, %g, %g)", ex, ey, ez, cx, cy, cz, ux, uy, uz));
}

// ---- entry-point lookup (GLX and EGL) ----

__GLXextFuncPtr glXGetProcAddressARB(const GLubyte* name) {
    return reinterpret_cast<__GLXextFuncPtr>(
        lookup("glXGetProcAddressARB", reinterpret_cast<const char*>(name)));
}

__eglMustCastToProperFunctionPointerType eglGetProcAddress(const char* name) {
    return reinterpret_cast<__eglMustCastToProperFunctionPointerType>(
        lookup("eglGetProcAddress", name));
}

// No EGL context is ever current under the fake, so the GLX lookup is used.
EGLContext eglGetCurrentContext(void) { return EGL_NO_CONTEXT; }

}  // extern "C"
