// Small vector and rotation helpers for the character generator.
#ifndef APP_CHARACTER_MATH_H
#define APP_CHARACTER_MATH_H

#include <cmath>

namespace character {

const double kPi = 3.14159265358979323846;

inline double radians(double degrees) { return degrees * kPi / 180.0; }

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

inline Vec3 vec(double x, double y, double z) {
    Vec3 v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}
inline Vec3 operator+(Vec3 a, Vec3 b) { return vec(a.x + b.x, a.y + b.y, a.z + b.z); }
inline Vec3 operator-(Vec3 a, Vec3 b) { return vec(a.x - b.x, a.y - b.y, a.z - b.z); }
inline Vec3 operator*(Vec3 a, double s) { return vec(a.x * s, a.y * s, a.z * s); }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return vec(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalize(Vec3 a) {
    double l = length(a);
    return l > 0 ? a * (1.0 / l) : a;
}
inline Vec3 lerp(Vec3 a, Vec3 b, double t) { return a + (b - a) * t; }
inline double lerp(double a, double b, double t) { return a + (b - a) * t; }

// Rotation matrix, row major: m[row][column]. Columns are the rotated axes.
struct Mat3 {
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

inline Mat3 operator*(const Mat3& a, const Mat3& b) {
    Mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    return r;
}
inline Vec3 operator*(const Mat3& a, Vec3 v) {
    return vec(a.m[0][0] * v.x + a.m[0][1] * v.y + a.m[0][2] * v.z,
               a.m[1][0] * v.x + a.m[1][1] * v.y + a.m[1][2] * v.z,
               a.m[2][0] * v.x + a.m[2][1] * v.y + a.m[2][2] * v.z);
}
inline Mat3 fromColumns(Vec3 x, Vec3 y, Vec3 z) {
    Mat3 r;
    r.m[0][0] = x.x;
    r.m[1][0] = x.y;
    r.m[2][0] = x.z;
    r.m[0][1] = y.x;
    r.m[1][1] = y.y;
    r.m[2][1] = y.z;
    r.m[0][2] = z.x;
    r.m[1][2] = z.y;
    r.m[2][2] = z.z;
    return r;
}
// Right-handed rotations by an angle in degrees.
inline Mat3 rotX(double deg) {
    double c = std::cos(radians(deg)), s = std::sin(radians(deg));
    Mat3 r;
    r.m[1][1] = c;
    r.m[1][2] = -s;
    r.m[2][1] = s;
    r.m[2][2] = c;
    return r;
}
inline Mat3 rotY(double deg) {
    double c = std::cos(radians(deg)), s = std::sin(radians(deg));
    Mat3 r;
    r.m[0][0] = c;
    r.m[0][2] = s;
    r.m[2][0] = -s;
    r.m[2][2] = c;
    return r;
}
inline Mat3 rotZ(double deg) {
    double c = std::cos(radians(deg)), s = std::sin(radians(deg));
    Mat3 r;
    r.m[0][0] = c;
    r.m[0][1] = -s;
    r.m[1][0] = s;
    r.m[1][1] = c;
    return r;
}

// A rigid placement: p' = rotation * p + origin.
struct Frame {
    Mat3 rotation;
    Vec3 origin;
};

inline Vec3 apply(const Frame& f, Vec3 p) { return f.rotation * p + f.origin; }
// The child frame placed at offset (in parent coordinates) with a local rotation.
inline Frame child(const Frame& parent, Vec3 offset, const Mat3& local) {
    Frame f;
    f.origin = apply(parent, offset);
    f.rotation = parent.rotation * local;
    return f;
}

inline double clamp01(double t) { return t < 0 ? 0 : (t > 1 ? 1 : t); }
inline double smoothstep(double t) {
    t = clamp01(t);
    return t * t * (3 - 2 * t);
}
// Wraps a phase into [0, 1).
inline double wrap01(double t) { return t - std::floor(t); }

}  // namespace character

#endif  // APP_CHARACTER_MATH_H
