// MqoModel: the Material chunk of a document.
#include <cstdio>
#include <cstring>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// What a material line gives for an attribute it lacks: the values a new
// material gets in a modelling tool, rather than whatever an earlier line
// held.
const float kDefaultValues[9] = {1.0f, 1.0f, 1.0f, 1.0f, 0.8f, 0.6f, 0.0f, 0.0f, 5.0f};

// The first "col(" that begins an attribute: at the start of the line or
// after a blank, tab, closing quote or parenthesis, and not inside the
// material's quoted name. "vcol(1) col(...)" thus scans the colour, not the
// vertex-colour flag.
const char* findColourAttribute(const char* line) {
    const char* from = line;
    const char* p = line;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '"') {
        const char* close = std::strchr(p + 1, '"');
        if (close != nullptr) from = close + 1;
    }
    for (const char* at = std::strstr(from, "col("); at != nullptr;
         at = std::strstr(at + 1, "col(")) {
        if (at == line) return at;
        char before = at[-1];
        if (before == ' ' || before == '\t' || before == '"' || before == ')') return at;
    }
    return nullptr;
}

// Cuts the name out of "keyword(\"name\")" at p: the q - p - drop characters
// from p + skip, q being the first ")" at or after p. Without a ")", or with
// nothing between the quotes, the name is empty; a longer name than the
// record holds is cut to its 255 characters (and then names no file).
void cutName(const char* p, int skip, int drop, char out[256]) {
    out[0] = '\0';
    const char* q = std::strchr(p, ')');
    if (q == nullptr) return;
    long length = static_cast<long>(q - p) - drop;
    if (length <= 0) return;
    if (length > 255) length = 255;
    std::memcpy(out, p + skip, static_cast<size_t>(length));
    out[length] = '\0';
}

}  // namespace

void mqoReadMaterialLine(const char* line, MaterialEntry* m) {
    float v[9];
    std::memcpy(v, kDefaultValues, sizeof v);
    const char* colour = findColourAttribute(line);
    if (colour != nullptr) mqoScanMaterialValues(colour, v);
    const float r = v[0], g = v[1], b = v[2], a = v[3];
    const float factors[4] = {v[4], v[5], v[6], v[7]};
    float* targets[4] = {m->diffuse, m->ambient, m->emission, m->specular};
    m->color[0] = r;
    m->color[1] = g;
    m->color[2] = b;
    m->color[3] = a;
    for (int i = 0; i < 4; ++i) {
        targets[i][0] = factors[i] * r;
        targets[i][1] = factors[i] * g;
        targets[i][2] = factors[i] * b;
        targets[i][3] = a;
    }
    m->power = v[8];

    m->useTexture = 0;
    m->textureFile[0] = '\0';
    m->alphaFile[0] = '\0';
    const char* tex = std::strstr(line, "tex(");
    if (tex == nullptr) return;
    m->useTexture = 1;
    cutName(tex, 5, 6, m->textureFile);
    const char* aplane = std::strstr(line, "aplane(");
    if (aplane != nullptr) cutName(aplane, 8, 9, m->alphaFile);
}

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

void mqoReadMaterialChunk(MqoStream* stream, MaterialEntry* materials, int count) {
    if (stream == nullptr) return;
    int n = 0;
    while (const char* line = mqoReadLine(stream)) {
        if (mqoFindBrace(line, '}') != nullptr) return;
        if (materials != nullptr && n < count) mqoReadMaterialLine(line, &materials[n++]);
    }
}

int mqoDirectoryOf(const char* path, char* directory) {
    if (directory == nullptr) return 0;
    directory[0] = '\0';
    if (path == nullptr) return 1;
    const char* slash = std::strrchr(path, '/');
    const char* backslash = std::strrchr(path, '\\');
    const char* end = slash > backslash ? slash : backslash;
    if (end == nullptr) return 1;
    size_t length = static_cast<size_t>(end - path) + 1;
    if (length > 255) return 0;
    std::memcpy(directory, path, length);
    directory[length] = '\0';
    return 1;
}
