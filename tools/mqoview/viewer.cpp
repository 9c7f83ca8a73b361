// The viewer's document and pictures. Overlays are drawn by drawing the
// model again in a flat colour: a constant fog coordinate makes fixed-function
// fog replace (or blend into) whatever colour the model's materials give.
// The fog coordinate call is OpenGL 1.4, which Windows' opengl32 does not
// export: libepoxy finds it for the current context on every system.
#include "mqoview/viewer.h"

#include <epoxy/gl.h>

#include <cstdio>
#include <utility>

#include "mqo/MqoModelGltf.h"
#include "view/document_check.h"
#include "view/shaded_framing.h"

namespace {

const float kBackground[4] = {0.55f, 0.57f, 0.6f, 1.0f};

std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Fog of the given colour over a share (0..1) of every fragment's colour.
void fogOver(const float colour[4], float share) {
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogi(GL_FOG_COORD_SRC, GL_FOG_COORD);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 1.0f);
    glFogfv(GL_FOG_COLOR, colour);
    glFogCoordf(share);
}

}  // namespace

Viewer::Viewer(std::vector<std::string> files, bool exact, bool core)
    : files_(std::move(files)), exact_(exact), core_(core) {}

Viewer::~Viewer() { setModel(nullptr); }

void Viewer::setModel(MeshModel* model) {
    mqoReleaseShadedModel(shaded_);
    shaded_ = nullptr;
    mqoFreeModel(model_);
    model_ = model;
    if (core_ && model_ != nullptr) {
        shaded_ = mqoPrepareShadedModel(model_, MQO_SHADE_GOURAUD);
        if (shaded_ == nullptr) problem_ = "the shaded path cannot draw it";
    }
}

bool Viewer::load(std::string* error) {
    const bool first = model_ == nullptr;
    written_.clear();
    MeshModel* model = nullptr;
    DocumentCheck check = loadDocument(path(), exact_, &model);
    if (!check.dropped.empty()) {
        std::fprintf(stderr, "mqoview: %s: %s\n", path().c_str(), check.dropped.c_str());
    }
    if (model == nullptr) {
        // A package met by the exact reading is no failed reload but the
        // wrong reading: the title says which key, a failed start which option.
        const bool reading = check.needsCompleteReading;
        problem_ = (first || reading ? "" : "reload failed: ") + check.error;
        if (reading) problem_ += " (press e)";
        if (error != nullptr) *error = check.error + (reading ? " (drop --exact)" : "");
        return false;
    }
    problem_ = check.warning.empty() ? "" : "warning: " + check.warning;
    setModel(model);
    summary_ = summariseModel(model_);
    scene_ = readSceneView(path());
    return true;
}

void Viewer::step(int by) {
    const size_t n = files_.size();
    current_ = (current_ + n + static_cast<size_t>(by % static_cast<int>(n) + n)) % n;
    setModel(nullptr);
    summary_ = summariseModel(nullptr);
    camera_ = Camera();
    load(nullptr);
}

void Viewer::toggleProfile() {
    exact_ = !exact_;
    load(nullptr);
}

void Viewer::writeGltf() {
    const std::string& document = path();
    const size_t slash = document.find_last_of('/');
    const size_t dot = document.find_last_of('.');
    const bool named = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string output = (named ? document.substr(0, dot) : document) + ".glb";
    MqoGltfOptions options = mqoGltfDefaultOptions();
    if (exact_) options.features = 0;
    MqoGltfReport report;
    const int result = mqoWriteGltfFile(document.c_str(), output.c_str(), &options, &report);
    if (result == MQO_GLTF_OK) {
        written_ = "wrote " + output;
    } else if (result == MQO_GLTF_WRITE_FAILED) {
        written_ = "glb not written: cannot write " + output;
    } else {
        written_ = "glb not written: the document does not read";
    }
}

std::string Viewer::title() const {
    char counts[96];
    std::snprintf(counts, sizeof counts, "%d objects, %lld triangles", summary_.objects,
                  summary_.triangles);
    std::string title = baseName(path()) + " - " + counts;
    title += exact_ ? " - exact subset" : " - complete profile";
    if (core_) title += " - shaded path";
    if (authorsView_) title += scene_.usable ? " - author's camera" : " - " + scene_.why;
    if (!problem_.empty()) title += " - " + problem_;
    if (!written_.empty()) title += " - " + written_;
    return title;
}

void Viewer::draw(int width, int height) {
    if (core_) {
        drawFramedShaded(shaded_, summary_, camera_, width, height, kBackground);
        return;
    }
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDepthFunc(GL_LESS);
    if (authorsView_ && scene_.usable) {
        drawFromScene(model_, scene_.scene, width, height, kBackground);
    } else {
        drawFramed(model_, summary_, camera_, width, height, kBackground);
    }
    if (backFaces_) drawBackFaces(width, height);
    if (wireframe_) drawWireframe();
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDepthFunc(GL_LESS);
}

void Viewer::drawBackFaces(int, int) {
    // Only the back faces, which the picture itself leaves out.
    const float red[4] = {0.9f, 0.1f, 0.1f, 1.0f};
    glCullFace(GL_FRONT);
    glDepthFunc(GL_LEQUAL);
    fogOver(red, 0.6f);
    mqoDrawModel(model_);
    glCullFace(GL_BACK);
}

void Viewer::drawWireframe() {
    const float ink[4] = {0.05f, 0.05f, 0.08f, 1.0f};
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_POLYGON_OFFSET_LINE);
    glPolygonOffset(-1.0f, -1.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    fogOver(ink, 1.0f);
    mqoDrawModel(model_);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_POLYGON_OFFSET_LINE);
}
