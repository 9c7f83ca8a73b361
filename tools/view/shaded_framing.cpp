// The shaded path needs the camera as numbers: the same products GL forms
// for applyCamera's calls, in double precision as glTranslated and
// glRotated form them.
#include "view/shaded_framing.h"

#include <epoxy/gl.h>

#include <cmath>

namespace {

struct Matrix {
    double m[16];  // column-major
};

Matrix identity() {
    Matrix r{};
    for (int k = 0; k < 4; ++k) r.m[k * 5] = 1;
    return r;
}

Matrix times(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) r.m[c * 4 + row] += a.m[k * 4 + row] * b.m[c * 4 + k];
    return r;
}

Matrix translation(double x, double y, double z) {
    Matrix r = identity();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

// glRotated about a unit axis x, y or z.
Matrix rotation(double degrees, int axis) {
    const double a = degrees * 3.14159265358979323846 / 180;
    const double c = std::cos(a), s = std::sin(a);
    Matrix r = identity();
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    r.m[i * 4 + i] = c;
    r.m[j * 4 + j] = c;
    r.m[i * 4 + j] = s;
    r.m[j * 4 + i] = -s;
    return r;
}

Matrix frustum(double l, double r, double b, double t, double n, double f) {
    Matrix p{};
    p.m[0] = 2 * n / (r - l);
    p.m[5] = 2 * n / (t - b);
    p.m[8] = (r + l) / (r - l);
    p.m[9] = (t + b) / (t - b);
    p.m[10] = -(f + n) / (f - n);
    p.m[11] = -1;
    p.m[14] = -2 * f * n / (f - n);
    return p;
}

void toFloat(const Matrix& m, float out[16]) {
    for (int k = 0; k < 16; ++k) out[k] = static_cast<float>(m.m[k]);
}

}  // namespace

void cameraMatrices(const ModelSummary& summary, const Camera& camera, double aspect,
                    float modelview[16], float projection[16]) {
    const CameraFrame f = frameCamera(summary, camera, aspect);
    toFloat(frustum(-f.top * aspect, f.top * aspect, -f.top, f.top, f.nearPlane, f.farPlane),
            projection);
    Matrix m =
        translation(camera.pan[0] * f.visibleHeight, camera.pan[1] * f.visibleHeight, -f.distance);
    m = times(m, rotation(camera.pitch, 0));
    m = times(m, rotation(camera.yaw, 1));
    m = times(m, translation(-f.centre[0], -f.centre[1], -f.centre[2]));
    toFloat(m, modelview);
}

void viewerLight(MqoShadeLight* light) {
    mqoShadeDefaultLight(light);
    const float towardsViewer[3] = {0.3f, 0.4f, 1.0f};
    for (int k = 0; k < 3; ++k) {
        light->direction[k] = towardsViewer[k];
        light->modelAmbient[k] = 0.35f;
    }
}

void drawFramedShaded(MqoShadedModel* shaded, const ModelSummary& summary, const Camera& camera,
                      int width, int height, const float background[4]) {
    glViewport(0, 0, width, height);
    glClearColor(background[0], background[1], background[2], background[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    float modelview[16], projection[16];
    cameraMatrices(summary, camera, height > 0 ? static_cast<double>(width) / height : 1.0,
                   modelview, projection);
    MqoShadeLight light;
    viewerLight(&light);
    mqoDrawShadedModel(shaded, modelview, projection, &light);
}
