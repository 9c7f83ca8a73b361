// What the viewer and the renderer share: a model's bounds, a camera that
// frames them, the lights and one drawn picture.
#ifndef MQO_TOOLS_FRAMING_H
#define MQO_TOOLS_FRAMING_H

#include "mqo/MqoModel.h"

struct ModelSummary {
    float min[3], max[3];  // bounds of every visible triangle corner
    bool empty;            // no visible triangle at all
    int objects;           // objects in the model (visible or not)
    long long triangles;   // visible triangles
};

// Bounds and counts of a model; null gives an empty summary.
ModelSummary summariseModel(const MeshModel* model);

// Where the camera looks from: angles in degrees, zoom 1 frames the bounds,
// pan in fractions of the framed height.
struct Camera {
    float yaw = 30.0f;
    float pitch = 20.0f;
    float zoom = 1.0f;
    float pan[2] = {0.0f, 0.0f};
};

// The camera's placement for a viewport of the given aspect: the bounds
// centre, the eye's distance from it, the clip planes and the frustum's
// half height at the near plane.
struct CameraFrame {
    double centre[3] = {0, 0, 0};
    double distance, nearPlane, farPlane, top, aspect, visibleHeight;
};
CameraFrame frameCamera(const ModelSummary& summary, const Camera& camera, double aspect);

// Sets projection and modelview so the model's bounds fill a viewport of the
// given aspect (width / height) as the camera says, and places one light at
// the viewer's side.
void applyCamera(const ModelSummary& summary, const Camera& camera, double aspect);

// Sets the viewport, clears to (r, g, b, a) and sets the state every
// picture is drawn with: depth test, back faces culled, one white light.
void beginPicture(int width, int height, const float background[4]);

// Places the light at the viewer's side; call with the modelview at identity.
void placeViewerLight();

// beginPicture, then the model drawn under the camera.
void drawFramed(MeshModel* model, const ModelSummary& summary, const Camera& camera, int width,
                int height, const float background[4]);

#endif  // MQO_TOOLS_FRAMING_H
