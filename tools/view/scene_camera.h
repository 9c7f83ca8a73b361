// Drawing from the camera a document remembers (its Scene chunk), as its
// author last saw the model.
#ifndef MQO_TOOLS_SCENE_CAMERA_H
#define MQO_TOOLS_SCENE_CAMERA_H

#include <string>

#include "mqo/MqoModelStages.h"

// The document's camera, when it has one that can be drawn from.
struct SceneView {
    bool usable = false;
    std::string why;  // when not usable: what to tell the user
    MqoScene scene = {};
};

// Reads path's Scene chunk. Not usable when there is none, or when its
// camera is degenerate (a perspective camera at or behind the point it looks
// at, a zoom of zero or less, clip planes out of order).
SceneView readSceneView(const std::string& path);

// Sets projection and modelview to the scene's camera for a viewport of the
// given aspect (width / height), and places the light at the viewer's side.
// The vertical focal length is the scene's; a wider view shows more at the
// sides. The model must have been loaded at scale 1, as the camera is in
// the document's own units.
void applySceneCamera(const MqoScene& scene, double aspect);

// beginPicture, then the model drawn under the scene's camera.
void drawFromScene(MeshModel* model, const MqoScene& scene, int width, int height,
                   const float background[4]);

#endif  // MQO_TOOLS_SCENE_CAMERA_H
