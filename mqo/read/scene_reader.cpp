// MqoModel: the author's camera. The Scene chunk is read key by key; the
// walk through the document stops at the first Object, since the modelling
// tool writes Thumbnail and Scene before any geometry.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

void setDefaults(MqoScene* scene) {
    std::memset(scene, 0, sizeof *scene);
    scene->pos[2] = 1500;
    scene->head = -0.5236f;
    scene->pich = 0.5236f;
    scene->zoom2 = 5;
    scene->frontclip = NAN;  // derived from the distance when absent
    scene->backclip = NAN;
}

bool startsWith(const char* line, const char* word) {
    return std::strncmp(line, word, std::strlen(word)) == 0;
}

// The n numbers after key at the start of a line (leading blanks aside),
// stored only when all of them scan and are finite.
bool readKey(const char* line, const char* key, float* out, int n) {
    while (*line == ' ' || *line == '\t') ++line;
    const size_t length = std::strlen(key);
    if (std::strncmp(line, key, length) != 0 || (line[length] != ' ' && line[length] != '\t'))
        return false;
    float v[3] = {0, 0, 0};
    if (std::sscanf(line + length, "%f %f %f", &v[0], &v[1], &v[2]) < n) return true;
    for (int k = 0; k < n; ++k) {
        if (!std::isfinite(v[k])) return true;
    }
    std::memcpy(out, v, sizeof(float) * static_cast<size_t>(n));
    return true;
}

void readSceneLine(const char* line, MqoScene* s) {
    float ortho = 0;
    if (readKey(line, "pos", s->pos, 3) || readKey(line, "lookat", s->lookat, 3) ||
        readKey(line, "head", &s->head, 1) || readKey(line, "pich", &s->pich, 1) ||
        readKey(line, "bank", &s->bank, 1) || readKey(line, "zoom2", &s->zoom2, 1) ||
        readKey(line, "frontclip", &s->frontclip, 1) || readKey(line, "backclip", &s->backclip, 1))
        return;
    ortho = static_cast<float>(s->ortho);
    if (readKey(line, "ortho", &ortho, 1)) s->ortho = ortho != 0 ? 1 : 0;
}

// The chunk's lines up to its closing "}", following nested blocks
// (dirlights and its lights) so that their "}" does not end it early.
void readSceneChunk(MqoStream* stream, MqoScene* scene) {
    int depth = 1;
    const char* line;
    while (depth > 0 && (line = mqoReadLine(stream)) != nullptr) {
        if (mqoFindBrace(line, '}') != nullptr) {
            --depth;
        } else if (mqoFindBrace(line, '{') != nullptr) {
            ++depth;
        } else if (depth == 1) {
            readSceneLine(line, scene);
        }
    }
}

MqoStream* openDocument(const char* path) {
    if (!mqoIsPackagePath(path)) return mqoOpenStream(path);
    // The package reader records the package in a parse record; only the
    // stream is wanted here.
    auto* parsed = static_cast<MqoParsedModel*>(mqoCalloc(1, sizeof(MqoParsedModel)));
    if (parsed == nullptr) return nullptr;
    MqoStream* stream = mqoOpenPackageDocument(path, parsed);
    std::free(parsed);
    return stream;
}

}  // namespace

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

int mqoReadScene(const char* path, MqoScene* scene) {
    if (scene == nullptr) return 0;
    setDefaults(scene);
    MqoStream* stream = path != nullptr ? openDocument(path) : nullptr;
    bool found = false;
    const char* line;
    while (stream != nullptr && (line = mqoReadLine(stream)) != nullptr) {
        // Top-level chunks begin at the start of a line; their contents are
        // indented.
        if (startsWith(line, "Object") || startsWith(line, "Eof")) break;
        if (startsWith(line, "Scene ") && std::strchr(line, '{') != nullptr && !found) {
            readSceneChunk(stream, scene);
            found = true;
        } else if (startsWith(line, "Thumbnail ") && scene->thumbnail == nullptr) {
            mqoReadThumbnailChunk(stream, line, scene);
        }
    }
    mqoCloseStream(stream);
    if (std::isnan(scene->frontclip)) scene->frontclip = 0.15f * scene->pos[2];
    if (std::isnan(scene->backclip)) scene->backclip = 30 * scene->pos[2];
    return found ? 1 : 0;
}

void mqoReleaseScene(MqoScene* scene) {
    if (scene == nullptr) return;
    std::free(scene->thumbnail);
    scene->thumbnail = nullptr;
    scene->thumbnailWidth = scene->thumbnailHeight = 0;
}
