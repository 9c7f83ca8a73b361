// MqoModel: the shaded path's matrix and light arithmetic, done once per draw
// on the CPU in double precision rather than per vertex in the shader.
#include <cmath>

#include "mqo/shade/shade_internal.h"

namespace mqo::detail {

void mqoNormalMatrix(const float m[16], float normal[9]) {
    // Column-major: element (row r, column c) of the upper 3x3 is m[c * 4 + r].
    double a[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) a[r][c] = m[c * 4 + r];
    const double cof[3][3] = {
        {a[1][1] * a[2][2] - a[1][2] * a[2][1], a[1][2] * a[2][0] - a[1][0] * a[2][2],
         a[1][0] * a[2][1] - a[1][1] * a[2][0]},
        {a[0][2] * a[2][1] - a[0][1] * a[2][2], a[0][0] * a[2][2] - a[0][2] * a[2][0],
         a[0][1] * a[2][0] - a[0][0] * a[2][1]},
        {a[0][1] * a[1][2] - a[0][2] * a[1][1], a[0][2] * a[1][0] - a[0][0] * a[1][2],
         a[0][0] * a[1][1] - a[0][1] * a[1][0]}};
    const double det = a[0][0] * cof[0][0] + a[0][1] * cof[0][1] + a[0][2] * cof[0][2];
    // The inverse transpose is the cofactor matrix over the determinant; the
    // scale does not matter to normals that are normalised afterwards, only
    // its sign does, so a singular matrix falls back to itself.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            normal[c * 3 + r] = static_cast<float>(det != 0 ? cof[r][c] / det : a[r][c]);
}

void mqoLightVectors(const float direction[3], float unit[3], float half[3]) {
    double d[3] = {direction[0], direction[1], direction[2]};
    double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (length == 0) length = 1;
    double h[3];
    for (int k = 0; k < 3; ++k) {
        unit[k] = static_cast<float>(d[k] / length);
        h[k] = d[k] / length + (k == 2 ? 1.0 : 0.0);
    }
    double hl = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
    if (hl == 0) hl = 1;
    for (int k = 0; k < 3; ++k) half[k] = static_cast<float>(h[k] / hl);
}

}  // namespace mqo::detail

// The public call, declared by mqo/MqoModelShaded.h.
void mqoShadeDefaultLight(MqoShadeLight* light) {
    if (light == nullptr) return;
    *light =
        MqoShadeLight{{0, 0, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}, {0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}};
}
