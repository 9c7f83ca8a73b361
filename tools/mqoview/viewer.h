// What mqoview shows: the documents given, the one loaded, the camera and
// the overlays, and the title that says so. GL calls, no window system.
#ifndef MQO_TOOLS_MQOVIEW_VIEWER_H
#define MQO_TOOLS_MQOVIEW_VIEWER_H

#include <string>
#include <vector>

#include "mqo/MqoModel.h"
#include "mqo/MqoModelShaded.h"
#include "view/framing.h"
#include "view/scene_camera.h"

class Viewer {
public:
    // core: draw through the library's shaded path (the window's context is
    // a 3.3 core one), without the fixed-function overlays.
    Viewer(std::vector<std::string> files, bool exact, bool core = false);
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    // Loads the current document. On failure the last good model stays and
    // the title says why; the first load's failure is returned as false with
    // the reason in *error.
    bool load(std::string* error);

    void step(int by);  // to another of the files given, loading it
    void toggleProfile();
    // Writes the shown document beside it as NAME.glb, read as it is shown;
    // the title says where, or why not.
    void writeGltf();
    void frame() { camera_ = Camera(); }
    // The camera the document was saved with (its Scene chunk) instead of
    // the framing camera, for this and the next files; framed, and said so
    // in the title, for a document without one.
    bool& authorsView() { return authorsView_; }
    Camera& camera() { return camera_; }
    bool& wireframe() { return wireframe_; }
    bool& backFaces() { return backFaces_; }

    const std::string& path() const { return files_[current_]; }
    std::string title() const;

    void draw(int width, int height);

private:
    void drawWireframe();
    void drawBackFaces(int width, int height);
    void setModel(MeshModel* model);  // frees the one shown and its shaded copy

    std::vector<std::string> files_;
    size_t current_ = 0;
    bool exact_;
    bool core_;
    MeshModel* model_ = nullptr;
    MqoShadedModel* shaded_ = nullptr;  // model_ prepared, when core_
    ModelSummary summary_ = summariseModel(nullptr);
    Camera camera_;
    SceneView scene_;  // read with each load
    bool authorsView_ = false;
    bool wireframe_ = false, backFaces_ = false;
    std::string problem_;  // why the last load failed, shown in the title
    std::string written_;  // where the last glb went (or why not), until the next load
};

#endif  // MQO_TOOLS_MQOVIEW_VIEWER_H
