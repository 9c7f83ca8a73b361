// MqoModel: the shaded path's program. One GLSL text serves #version 330
// core and #version 300 es: only the version line differs (precision
// statements are accepted, and ignored, by desktop GLSL). Lighting follows
// the fixed-function pipeline with one directional light, a viewer at
// infinity, one-sided lighting and GL_NORMALIZE, so that computed per vertex
// it gives the fixed-function colours.
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>

#include "mqo/shade/shade_internal.h"

namespace mqo::detail {

namespace {

#define MQO_SHADE_COMMON                                                                     \
    "precision highp float;\n"                                                               \
    "precision highp int;\n"                                                                 \
    "uniform vec3 uLightDirection, uHalfVector;\n"                                           \
    "uniform vec4 uLightDiffuse, uLightSpecular, uLightAmbient, uModelAmbient;\n"            \
    "uniform vec4 uDiffuse, uAmbient, uSpecular, uEmission;\n"                               \
    "uniform float uPower;\n"                                                                \
    "uniform int uFlatShading;\n"                                                            \
    "vec4 lightColour(vec3 normal) {\n"                                                      \
    "    vec3 n = dot(normal, normal) > 0.0 ? normalize(normal) : vec3(0.0);\n"              \
    "    vec3 c = uEmission.rgb + uAmbient.rgb * (uModelAmbient.rgb + uLightAmbient.rgb);\n" \
    "    float nl = dot(n, uLightDirection);\n"                                              \
    "    if (nl > 0.0) {\n"                                                                  \
    "        c += nl * uDiffuse.rgb * uLightDiffuse.rgb;\n"                                  \
    "        float nh = max(dot(n, uHalfVector), 0.0);\n"                                    \
    "        float s = uPower > 0.0 ? pow(nh, uPower) : 1.0;\n"                              \
    "        c += s * uSpecular.rgb * uLightSpecular.rgb;\n"                                 \
    "    }\n"                                                                                \
    "    return clamp(vec4(c, uDiffuse.a), 0.0, 1.0);\n"                                     \
    "}\n"

// Flat objects take the colour (or normal) of a triangle's last corner, as
// GL_FLAT does: the provoking vertex is the last one by default in both
// dialects. Each mode, textured or not, is a program of its own
// (MQO_PER_PIXEL, MQO_TEXTURED), since a software rasteriser may run both
// sides of a branch.
const char kVertex[] = MQO_SHADE_COMMON
    "layout(location = 0) in vec3 aPosition;\n"
    "layout(location = 1) in vec3 aNormal;\n"
    "layout(location = 2) in vec2 aUv;\n"
    "uniform mat4 uModelview, uProjection;\n"
    "uniform mat3 uNormalMatrix;\n"
    "#ifdef MQO_PER_PIXEL\n"
    "flat out vec3 vFlat;\n"
    "out vec3 vSmooth;\n"
    "#else\n"
    "flat out vec4 vFlat;\n"
    "out vec4 vSmooth;\n"
    "#endif\n"
    "out vec2 vUv;\n"
    "void main() {\n"
    "    vec3 n = uNormalMatrix * aNormal;\n"
    "#ifdef MQO_PER_PIXEL\n"
    "    vFlat = n;\n"
    "    vSmooth = n;\n"
    "#else\n"
    "    vec4 c = lightColour(n);\n"
    "    vFlat = c;\n"
    "    vSmooth = c;\n"
    "#endif\n"
    "    vUv = aUv;\n"
    "    gl_Position = uProjection * (uModelview * vec4(aPosition, 1.0));\n"
    "}\n";

const char kFragment[] = MQO_SHADE_COMMON
    "uniform sampler2D uSampler;\n"
    "#ifdef MQO_PER_PIXEL\n"
    "flat in vec3 vFlat;\n"
    "in vec3 vSmooth;\n"
    "#define MQO_COLOUR(v) lightColour(v)\n"
    "#else\n"
    "flat in vec4 vFlat;\n"
    "in vec4 vSmooth;\n"
    "#define MQO_COLOUR(v) (v)\n"
    "#endif\n"
    "in vec2 vUv;\n"
    "layout(location = 0) out vec4 fragColour;\n"
    "void main() {\n"
    "    vec4 c = uFlatShading != 0 ? MQO_COLOUR(vFlat) : MQO_COLOUR(vSmooth);\n"
    "#ifdef MQO_TEXTURED\n"
    "    c *= texture(uSampler, vUv);\n"
    "#endif\n"
    "    fragColour = c;\n"
    "}\n";

#undef MQO_SHADE_COMMON

const char* const kVersions[2] = {"#version 330 core\n", "#version 300 es\n"};
const char* const kModes[2] = {"", "#define MQO_PER_PIXEL 1\n"};
const char* const kTextures[2] = {"", "#define MQO_TEXTURED 1\n"};

GLuint compileStage(GLenum stage, ShadeDialect dialect, int variant) {
    const GLuint shader = glCreateShader(stage);
    const char* parts[4] = {kVersions[dialect], kModes[(variant & MQO_SHADE_PER_PIXEL) != 0],
                            kTextures[(variant & MQO_SHADE_TEXTURED) != 0],
                            stage == GL_VERTEX_SHADER ? kVertex : kFragment};
    glShaderSource(shader, 4, parts, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return shader;
    char log[1024] = "";
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "MqoModel: shader does not compile: %s\n", log);
    glDeleteShader(shader);
    return 0;
}

GLuint linkProgram(GLuint vertex, GLuint fragment) {
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    // The program keeps what it needs; the shaders go once it is linked.
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok == GL_TRUE) return program;
    char log[1024] = "";
    glGetProgramInfoLog(program, sizeof log, nullptr, log);
    std::fprintf(stderr, "MqoModel: shader program does not link: %s\n", log);
    glDeleteProgram(program);
    return 0;
}

void findUniforms(GLuint p, ShadeUniforms* u) {
    struct Entry {
        int* location;
        const char* name;
    };
    const Entry entries[] = {
        {&u->modelview, "uModelview"},
        {&u->projection, "uProjection"},
        {&u->normalMatrix, "uNormalMatrix"},
        {&u->lightDirection, "uLightDirection"},
        {&u->halfVector, "uHalfVector"},
        {&u->lightDiffuse, "uLightDiffuse"},
        {&u->lightSpecular, "uLightSpecular"},
        {&u->lightAmbient, "uLightAmbient"},
        {&u->modelAmbient, "uModelAmbient"},
        {&u->diffuse, "uDiffuse"},
        {&u->ambient, "uAmbient"},
        {&u->specular, "uSpecular"},
        {&u->emission, "uEmission"},
        {&u->power, "uPower"},
        {&u->flatShading, "uFlatShading"},
        {&u->sampler, "uSampler"},
    };
    for (const Entry& e : entries) *e.location = glGetUniformLocation(p, e.name);
}

// ES 3.0 or desktop 3.3 and later; 0 for an older context, which has no
// dialect of ours.
bool contextDialect(ShadeDialect* dialect) {
    const int version = epoxy_gl_version();
    if (!epoxy_is_desktop_gl()) {
        *dialect = MQO_GLSL_300_ES;
        return version >= 30;
    }
    *dialect = MQO_GLSL_330_CORE;
    return version >= 33;
}

}  // namespace

const char* mqoShadeSource(ShadeDialect dialect, int variant, int fragment) {
    static char texts[2][4][2][sizeof kFragment + sizeof kVertex + 96];
    const int es = dialect == MQO_GLSL_300_ES, v = variant & 3;
    char* text = texts[es][v][fragment != 0];
    std::snprintf(text, sizeof texts[0][0][0], "%s%s%s%s", kVersions[es], kModes[v & 1],
                  kTextures[(v & 2) != 0], fragment != 0 ? kFragment : kVertex);
    return text;
}

unsigned mqoBuildShadeProgram(int variant, ShadeUniforms* uniforms) {
    ShadeDialect dialect;
    if (!contextDialect(&dialect)) {
        std::fprintf(stderr, "MqoModel: the shaded path needs OpenGL 3.3 or OpenGL ES 3.0\n");
        return 0;
    }
    const GLuint vertex = compileStage(GL_VERTEX_SHADER, dialect, variant);
    const GLuint fragment = vertex != 0 ? compileStage(GL_FRAGMENT_SHADER, dialect, variant) : 0;
    if (fragment == 0) {
        if (vertex != 0) glDeleteShader(vertex);
        return 0;
    }
    const GLuint program = linkProgram(vertex, fragment);
    if (program != 0) findUniforms(program, uniforms);
    return program;
}

}  // namespace mqo::detail
