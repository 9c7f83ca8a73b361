// Primitive shapes of the character, built counter-clockwise from outside.
#include "character_mesh.h"

#include <cmath>

namespace character {

namespace {

Face quad(int a, int b, int c, int d, const double uv[4][2], int material) {
    Face f;
    f.count = 4;
    f.v[0] = a;
    f.v[1] = b;
    f.v[2] = c;
    f.v[3] = d;
    for (int i = 0; i < 4; ++i) {
        f.uv[i][0] = uv[i][0];
        f.uv[i][1] = uv[i][1];
    }
    f.material = material;
    return f;
}

Face triangle(int a, int b, int c, const double uv[3][2], int material) {
    Face f;
    f.count = 3;
    f.v[0] = a;
    f.v[1] = b;
    f.v[2] = c;
    for (int i = 0; i < 3; ++i) {
        f.uv[i][0] = uv[i][0];
        f.uv[i][1] = uv[i][1];
    }
    f.material = material;
    return f;
}

Vec3 centroid(const std::vector<Vec3>& points) {
    Vec3 c;
    for (const Vec3& p : points) c = c + p;
    return c * (1.0 / static_cast<double>(points.size()));
}

}  // namespace

Mesh loft(const std::vector<std::vector<Vec3>>& rings, const std::vector<double>& v, int material,
          bool loop) {
    Mesh mesh;
    std::vector<int> first;  // index of each ring's first vertex
    size_t k = 1;
    for (const auto& r : rings) {
        first.push_back(static_cast<int>(mesh.vertices.size()));
        for (const Vec3& p : r) mesh.vertices.push_back(p);
        if (r.size() > k) k = r.size();
    }
    const int n = static_cast<int>(k);
    auto at = [&](size_t ringIndex, int i) {
        const auto& r = rings[ringIndex];
        return r.size() == 1 ? first[ringIndex] : first[ringIndex] + (i % n);
    };
    const size_t spans = loop ? rings.size() : rings.size() - 1;
    for (size_t s = 0; s < spans; ++s) {
        size_t a = s, b = (s + 1) % rings.size();
        double va = v[a], vb = loop && b == 0 ? v[rings.size()] : v[b];
        bool poleA = rings[a].size() == 1, poleB = rings[b].size() == 1;
        for (int i = 0; i < n; ++i) {
            double u0 = static_cast<double>(i) / n, u1 = static_cast<double>(i + 1) / n;
            double um = (u0 + u1) / 2;
            // Which side is outside depends on the caller's rings; the whole
            // shell is turned the right way round at the end.
            if (poleA && poleB) continue;
            if (poleA) {
                const double uv[3][2] = {{um, va}, {u0, vb}, {u1, vb}};
                mesh.faces.push_back(triangle(at(a, 0), at(b, i), at(b, i + 1), uv, material));
            } else if (poleB) {
                const double uv[3][2] = {{u0, va}, {um, vb}, {u1, va}};
                mesh.faces.push_back(triangle(at(a, i), at(b, 0), at(a, i + 1), uv, material));
            } else {
                const double uv[4][2] = {{u0, va}, {u0, vb}, {u1, vb}, {u1, va}};
                mesh.faces.push_back(
                    quad(at(a, i), at(b, i), at(b, i + 1), at(a, i + 1), uv, material));
            }
        }
    }
    if (!loop) {
        // Close open ends with a fan to the ring's centre.
        for (int end = 0; end < 2; ++end) {
            size_t r = end == 0 ? 0 : rings.size() - 1;
            if (rings[r].size() == 1) continue;
            int c = static_cast<int>(mesh.vertices.size());
            mesh.vertices.push_back(centroid(rings[r]));
            for (int i = 0; i < n; ++i) {
                double u0 = static_cast<double>(i) / n, u1 = static_cast<double>(i + 1) / n;
                const double uv[3][2] = {{(u0 + u1) / 2, v[r]}, {u0, v[r]}, {u1, v[r]}};
                // Each ring edge runs the other way round from the strip's.
                if (end == 0)
                    mesh.faces.push_back(triangle(c, at(r, i), at(r, i + 1), uv, material));
                else
                    mesh.faces.push_back(triangle(c, at(r, i + 1), at(r, i), uv, material));
            }
        }
    }
    orientOutward(mesh);
    return mesh;
}

Mesh lathe(const std::vector<Ring>& profile, int segments, int material) {
    std::vector<std::vector<Vec3>> rings;
    std::vector<double> v;
    double total = 0;
    std::vector<double> along(1, 0.0);
    for (size_t i = 1; i < profile.size(); ++i) {
        double dy = profile[i].y - profile[i - 1].y;
        double dr = (profile[i].rx + profile[i].rz - profile[i - 1].rx - profile[i - 1].rz) / 2;
        total += std::sqrt(dy * dy + dr * dr);
        along.push_back(total);
    }
    for (size_t i = 0; i < profile.size(); ++i) {
        const Ring& r = profile[i];
        std::vector<Vec3> points;
        if (r.rx == 0 && r.rz == 0) {
            points.push_back(vec(r.cx, r.y, r.cz));
        } else {
            for (int k = 0; k < segments; ++k) {
                double a = kPi + 2 * kPi * k / segments;
                points.push_back(vec(r.cx + r.rx * std::sin(a), r.y, r.cz + r.rz * std::cos(a)));
            }
        }
        rings.push_back(points);
        v.push_back(total > 0 ? along[i] / total : 0);
    }
    return loft(rings, v, material);
}

Mesh capsule(double len, double r0, double r1, int segments, int material) {
    std::vector<Ring> profile;
    const int cap = 3;
    for (int i = 0; i <= cap; ++i) {
        double a = kPi / 2 * (cap - i) / cap;  // 90 degrees at the pole
        profile.push_back(ring(r0 * std::sin(a), r0 * std::cos(a), r0 * std::cos(a)));
    }
    const int body = 2;
    for (int i = 1; i < body; ++i) {
        double t = static_cast<double>(i) / body;
        double r = lerp(r0, r1, t);
        profile.push_back(ring(-len * t, r, r));
    }
    for (int i = 0; i <= cap; ++i) {
        double a = kPi / 2 * i / cap;
        profile.push_back(ring(-len - r1 * std::sin(a), r1 * std::cos(a), r1 * std::cos(a)));
    }
    profile.back().rx = profile.back().rz = 0;
    profile.front().rx = profile.front().rz = 0;
    return lathe(profile, segments, material);
}

Mesh ellipsoid(Vec3 radii, int segments, int rings, int material) {
    std::vector<Ring> profile;
    for (int i = 0; i <= rings; ++i) {
        double a = kPi * i / rings;
        double s = i == 0 || i == rings ? 0 : std::sin(a);
        profile.push_back(ring(radii.y * std::cos(a), radii.x * s, radii.z * s));
    }
    return lathe(profile, segments, material);
}

Mesh box(Vec3 h, int material) {
    std::vector<std::vector<Vec3>> rings;
    for (int end = 0; end < 2; ++end) {
        double z = end == 0 ? -h.z : h.z;
        rings.push_back(
            {vec(-h.x, -h.y, z), vec(h.x, -h.y, z), vec(h.x, h.y, z), vec(-h.x, h.y, z)});
    }
    return loft(rings, {0, 1}, material);
}

void transform(Mesh& mesh, const Frame& frame) {
    for (Vec3& p : mesh.vertices) p = apply(frame, p);
}

void append(Mesh& a, const Mesh& b) {
    int base = static_cast<int>(a.vertices.size());
    a.vertices.insert(a.vertices.end(), b.vertices.begin(), b.vertices.end());
    for (Face f : b.faces) {
        for (int i = 0; i < f.count; ++i) f.v[i] += base;
        a.faces.push_back(f);
    }
}

Vec3 libraryNormal(Vec3 p0, Vec3 p1, Vec3 p2) { return cross(p0 - p1, p2 - p1); }

double writtenVolume(const Mesh& mesh) {
    // The writer emits corners in reverse, so corner i of the file is corner
    // count-1-i here; the library normal of the file's corners 0,1,2 then
    // points outward exactly when this mesh is counter-clockwise outside.
    double volume = 0;
    for (const Face& f : mesh.faces) {
        int c[4];
        for (int i = 0; i < f.count; ++i) c[i] = f.v[f.count - 1 - i];
        for (int t = 0; t < f.count - 2; ++t) {
            Vec3 p0 = mesh.vertices[c[0]], p1 = mesh.vertices[c[t + 1]],
                 p2 = mesh.vertices[c[t + 2]];
            volume += dot(p1, libraryNormal(p0, p1, p2)) / 6.0;
        }
    }
    return volume;
}

void flipFaces(Mesh& mesh) {
    for (Face& f : mesh.faces) {
        Face r = f;
        for (int i = 0; i < f.count; ++i) {
            r.v[i] = f.v[f.count - 1 - i];
            r.uv[i][0] = f.uv[f.count - 1 - i][0];
            r.uv[i][1] = f.uv[f.count - 1 - i][1];
        }
        f = r;
    }
}

void orientOutward(Mesh& mesh) {
    if (writtenVolume(mesh) < 0) flipFaces(mesh);
}

}  // namespace character
