// Polygon meshes for the character: faces with per-corner UVs, and the few
// primitive shapes the body is made of.
#ifndef APP_CHARACTER_MESH_H
#define APP_CHARACTER_MESH_H

#include <string>
#include <vector>

#include "character_math.h"

namespace character {

// A triangle or quadrilateral. Corners are kept counter-clockwise seen from
// outside while building; the writer reverses them, because the library
// takes clockwise corners as the front.
struct Face {
    int count = 3;
    int v[4] = {0, 0, 0, 0};
    double uv[4][2] = {{0, 0}, {0, 0}, {0, 0}, {0, 0}};
    int material = 0;
};

struct Mesh {
    std::vector<Vec3> vertices;
    std::vector<Face> faces;
};

// One ring of a surface of revolution around the local y axis: an ellipse of
// radii rx, rz at height y, centred at (cx, cz). A ring with both radii 0 is
// a pole (one vertex).
struct Ring {
    double y, rx, rz, cx = 0, cz = 0;
};

inline Ring ring(double y, double rx, double rz, double cz = 0) {
    Ring r;
    r.y = y;
    r.rx = rx;
    r.rz = rz;
    r.cz = cz;
    return r;
}

// Joins rings of points into a closed surface, turned so that its faces
// point outward. Every ring has the same number of points, except
// single-point rings (poles); consecutive points of a ring are neighbours.
// An end ring of several points is closed with a fan to its centre. With
// loop, the last ring joins the first (a torus-like band) and there are no
// ends. u runs 0..1 around a ring, v is given per ring (one more with loop).
Mesh loft(const std::vector<std::vector<Vec3>>& rings, const std::vector<double>& v, int material,
          bool loop = false);

// A surface of revolution from a profile of rings listed from top to bottom,
// with segments points per ring; the UV seam lies at the back (-z), so u is
// 0.5 at the front.
Mesh lathe(const std::vector<Ring>& profile, int segments, int material);

// A limb segment hanging along -y from the origin: a tapered capsule of radius
// r0 at the top joint and r1 at y = -len, with rounded ends.
Mesh capsule(double len, double r0, double r1, int segments, int material);

// An ellipsoid centred at the origin.
Mesh ellipsoid(Vec3 radii, int segments, int rings, int material);

// A box centred at the origin with the given half sizes.
Mesh box(Vec3 half, int material);

// Moves every vertex by a frame.
void transform(Mesh& mesh, const Frame& frame);

// Appends b's vertices and faces to a.
void append(Mesh& a, const Mesh& b);

// Unit normal of a face's first triangle as the library computes it (from the
// corners as written, clockwise seen from the front).
Vec3 libraryNormal(Vec3 p0, Vec3 p1, Vec3 p2);

// Signed volume of a closed mesh as written (reversed corners); positive
// when every face points outward for the library.
double writtenVolume(const Mesh& mesh);

// Reverses the corner order of every face (and its UVs).
void flipFaces(Mesh& mesh);

// Turns a closed mesh inside out when its faces point inward.
void orientOutward(Mesh& mesh);

}  // namespace character

#endif  // APP_CHARACTER_MESH_H
