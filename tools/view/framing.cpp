// Framing a model: its bounding sphere fills the view at zoom 1, whatever
// the angle, so a turn never pushes part of it out of the picture.
#include "view/framing.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace {

const double kFieldOfView = 30.0;  // degrees, vertical

// Triangles of a batch the bounds walk too: with vertices and their array.
long long batchTriangles(const MaterialBatch& batch) {
    if (batch.vertexCount <= 0) return 0;
    const void* corners = batch.hasTexture ? static_cast<const void*>(batch.texturedVertices)
                                           : static_cast<const void*>(batch.plainVertices);
    return corners != nullptr ? batch.vertexCount / 3 : 0;
}

}  // namespace

ModelSummary summariseModel(const MeshModel* model) {
    ModelSummary s;
    for (int k = 0; k < 3; ++k) {
        s.min[k] = HUGE_VALF;
        s.max[k] = -HUGE_VALF;
    }
    s.empty = mqoModelBounds(model, 1, s.min, s.max) == 0;
    s.objects = mqoModelObjectCount(model);
    s.triangles = 0;
    MeshModel* all = const_cast<MeshModel*>(model);
    for (int32_t o = 0; o < s.objects; ++o) {
        const MeshObject& object = *mqoModelObject(all, o);
        if (!object.visible || object.batches == nullptr) continue;
        for (int32_t b = 0; b < object.batchCount; ++b) {
            s.triangles += batchTriangles(object.batches[b]);
        }
    }
    return s;
}

CameraFrame frameCamera(const ModelSummary& summary, const Camera& camera, double aspect) {
    CameraFrame f;
    double radius = 1.0;
    if (!summary.empty) {
        double squared = 0;
        for (int k = 0; k < 3; ++k) {
            f.centre[k] = (static_cast<double>(summary.min[k]) + summary.max[k]) / 2;
            double half = (static_cast<double>(summary.max[k]) - summary.min[k]) / 2;
            squared += half * half;
        }
        radius = std::max(std::sqrt(squared), 1e-6);
    }
    const double pi = 3.14159265358979323846;
    const double halfAngle = kFieldOfView / 2 * pi / 180;
    // The sphere touches the narrower side of the view.
    double fit = std::tan(halfAngle) * std::min(aspect, 1.0);
    f.distance = radius / std::sin(std::atan(fit)) / std::max(camera.zoom, 0.01f);
    f.nearPlane = std::max(f.distance - radius * 1.5, f.distance * 0.01);
    f.farPlane = f.distance + radius * 1.5;
    f.top = f.nearPlane * std::tan(halfAngle);
    f.aspect = aspect;
    f.visibleHeight = 2 * f.distance * std::tan(halfAngle);
    return f;
}

void applyCamera(const ModelSummary& summary, const Camera& camera, double aspect) {
    const CameraFrame f = frameCamera(summary, camera, aspect);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-f.top * aspect, f.top * aspect, -f.top, f.top, f.nearPlane, f.farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    placeViewerLight();
    glTranslated(camera.pan[0] * f.visibleHeight, camera.pan[1] * f.visibleHeight, -f.distance);
    glRotated(camera.pitch, 1, 0, 0);
    glRotated(camera.yaw, 0, 1, 0);
    glTranslated(-f.centre[0], -f.centre[1], -f.centre[2]);
}

void beginPicture(int width, int height, const float background[4]) {
    glViewport(0, 0, width, height);
    glClearColor(background[0], background[1], background[2], background[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    // Back faces are hidden, as a modelling tool shows them: models drawn
    // with an outline shell (a larger inverted copy in black) depend on it.
    // The library's triangles face the side they wind clockwise to.
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    const GLfloat ambient[4] = {0.35f, 0.35f, 0.35f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    const GLfloat white[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
}

void placeViewerLight() {
    // The light is set in eye space, so it stays at the viewer's side.
    const GLfloat towardsViewer[4] = {0.3f, 0.4f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, towardsViewer);
}

void drawFramed(MeshModel* model, const ModelSummary& summary, const Camera& camera, int width,
                int height, const float background[4]) {
    beginPicture(width, height, background);
    applyCamera(summary, camera, height > 0 ? static_cast<double>(width) / height : 1.0);
    mqoDrawModel(model);
}
