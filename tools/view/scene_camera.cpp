// The Scene chunk's camera in OpenGL terms: the view turns about lookat by
// head, pich and bank and stands pos.z away, panned by pos.x and pos.y;
// zoom2 times the distance gives the focal length in thousandths.
#include "view/scene_camera.h"

#include <GL/gl.h>

#include <cmath>

#include "view/framing.h"

namespace {

const double kDegreesPerRadian = 180 / 3.14159265358979323846;

// The focal length in normalised device units (how far the picture plane is,
// the view's half-height being 1).
double focalLength(const MqoScene& s) { return static_cast<double>(s.zoom2) * s.pos[2] / 1000; }

}  // namespace

SceneView readSceneView(const std::string& path) {
    SceneView view;
    if (mqoReadScene(path.c_str(), &view.scene) != 1) {
        view.why = "no Scene camera in the document; framed instead";
    } else if (!(view.scene.zoom2 > 0) || (!view.scene.ortho && !(focalLength(view.scene) > 0)) ||
               !(view.scene.frontclip > 0) || !(view.scene.backclip > view.scene.frontclip)) {
        view.why = "the Scene camera cannot be drawn from; framed instead";
    } else {
        view.usable = true;
    }
    // Only the camera is wanted here.
    mqoReleaseScene(&view.scene);
    return view;
}

void applySceneCamera(const MqoScene& s, double aspect) {
    const double nearPlane = s.frontclip, farPlane = s.backclip;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (s.ortho) {
        const double half = 1000 / static_cast<double>(s.zoom2);
        glOrtho(-half * aspect, half * aspect, -half, half, nearPlane, farPlane);
    } else {
        const double top = nearPlane / focalLength(s);
        glFrustum(-top * aspect, top * aspect, -top, top, nearPlane, farPlane);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    placeViewerLight();
    glTranslated(s.pos[0], s.pos[1], -static_cast<double>(s.pos[2]));
    glRotated(s.bank * kDegreesPerRadian, 0, 0, 1);
    glRotated(s.pich * kDegreesPerRadian, 1, 0, 0);
    glRotated(s.head * kDegreesPerRadian, 0, 1, 0);
    glTranslated(-s.lookat[0], -s.lookat[1], -s.lookat[2]);
}

void drawFromScene(MeshModel* model, const MqoScene& scene, int width, int height,
                   const float background[4]) {
    beginPicture(width, height, background);
    applySceneCamera(scene, height > 0 ? static_cast<double>(width) / height : 1.0);
    mqoDrawModel(model);
}
