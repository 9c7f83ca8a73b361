// Body part shapes. Sizes are in document units (see character_skeleton.h);
// each part is modelled around its bone's origin, limbs hanging along -y.
#include "character_body.h"

#include <algorithm>
#include <cmath>

namespace character {

namespace {

// Head shape, in the head bone's coordinates.
const Vec3 kHeadCentre = {0, 290, 15};
const Vec3 kHeadRadii = {265, 285, 255};
// The face picture spans this half-width around the head centre.
const double kFaceHalfSize = 250;

// A frame at origin whose -y axis points along dir.
Frame alongFrame(Vec3 origin, Vec3 dir) {
    Vec3 y = normalize(dir * -1.0);
    Vec3 helper = std::fabs(y.z) < 0.9 ? vec(0, 0, 1) : vec(1, 0, 0);
    Vec3 z = normalize(helper - y * dot(helper, y));
    Frame f;
    f.rotation = fromColumns(cross(y, z), y, z);
    f.origin = origin;
    return f;
}

void remapV(Mesh& m, double from, double scale) {
    for (Face& f : m.faces)
        for (int i = 0; i < f.count; ++i) f.uv[i][1] = from + scale * f.uv[i][1];
}

void remapU(Mesh& m, double scale) {
    for (Face& f : m.faces)
        for (int i = 0; i < f.count; ++i) f.uv[i][0] *= scale;
}

Vec3 faceCentre(const Mesh& m, const Face& f) {
    Vec3 c;
    for (int i = 0; i < f.count; ++i) c = c + m.vertices[f.v[i]];
    return c * (1.0 / f.count);
}

Mesh headMesh() {
    // An egg: a little fuller at the crown than at the chin.
    std::vector<Ring> profile;
    const int rings = 16;
    for (int i = 0; i <= rings; ++i) {
        double a = kPi * i / rings;
        double s = (i == 0 || i == rings) ? 0 : std::sin(a) * (1 + 0.06 * std::cos(a));
        Ring r = ring(kHeadCentre.y + kHeadRadii.y * std::cos(a), kHeadRadii.x * s,
                      kHeadRadii.z * s, kHeadCentre.z);
        profile.push_back(r);
    }
    Mesh head = lathe(profile, 24, MatSkin);
    // The front gets the face picture, projected straight on; its border is
    // plain skin, so the seam to the skin material does not show.
    for (Face& f : head.faces) {
        Vec3 d = faceCentre(head, f) - kHeadCentre;
        if (d.z <= 0.3 * length(d) || d.y > 0.62 * kHeadRadii.y) continue;
        f.material = MatFace;
        for (int i = 0; i < f.count; ++i) {
            Vec3 p = head.vertices[f.v[i]] - kHeadCentre;
            f.uv[i][0] = 0.5 + p.x / (2 * kFaceHalfSize);
            f.uv[i][1] = 0.5 - p.y / (2 * kFaceHalfSize);
        }
    }
    Mesh nose = ellipsoid(vec(30, 26, 24), 10, 6, MatSkin);
    transform(nose, {Mat3(), vec(0, 252, 262)});
    append(head, nose);
    for (int side = -1; side <= 1; side += 2) {
        Mesh ear = ellipsoid(vec(34, 60, 44), 10, 6, MatSkin);
        transform(ear, {rotY(side * 20.0), vec(side * 258.0, 268, 0)});
        append(head, ear);
    }
    return head;
}

// A shell of hair over the head: a cap around an axis tipped back, so it
// sits high on the forehead and low on the nape, with a jagged fringe.
Mesh hairMesh() {
    const int segments = 28, steps = 7;
    const Mat3 tilt = rotX(-28);
    auto rimAngle = [&](double theta) {
        double front = std::max(0.0, std::cos(theta));
        double fringe = 0.5 + 0.5 * std::cos(7 * theta);
        return radians(95 + 16 * front * front * fringe);
    };
    auto point = [&](double polar, double theta, double grow) {
        Vec3 unit = tilt * vec(std::sin(polar) * std::sin(theta), std::cos(polar),
                               std::sin(polar) * std::cos(theta));
        return kHeadCentre + vec(unit.x * (kHeadRadii.x + grow), unit.y * (kHeadRadii.y + grow),
                                 unit.z * (kHeadRadii.z + grow));
    };
    std::vector<std::vector<Vec3>> rings;
    std::vector<double> v;
    const double outer = 24, inner = -14;
    rings.push_back({point(0, 0, outer)});
    for (int i = 1; i <= steps; ++i) {
        std::vector<Vec3> r;
        for (int k = 0; k < segments; ++k) {
            double theta = kPi + 2 * kPi * k / segments;
            double t = static_cast<double>(i) / steps;
            // The fringe thins to a point at its tips.
            double grow = i == steps ? lerp(outer, 4.0, 0.5) : outer;
            r.push_back(point(rimAngle(theta) * t, theta, grow));
        }
        rings.push_back(r);
    }
    for (int i = steps; i >= 1; --i) {
        std::vector<Vec3> r;
        for (int k = 0; k < segments; ++k) {
            double theta = kPi + 2 * kPi * k / segments;
            r.push_back(point(rimAngle(theta) * i / steps, theta, inner));
        }
        rings.push_back(r);
    }
    rings.push_back({point(0, 0, inner)});
    for (size_t i = 0; i <= rings.size(); ++i) v.push_back(static_cast<double>(i) / rings.size());
    Mesh hair = loft(rings, v, MatHair);
    // A springy tuft on the crown.
    Mesh tuft = lathe(
        {ring(150, 0, 0), ring(120, 12, 12), ring(60, 26, 22), ring(0, 30, 26), ring(-20, 0, 0)},
        10, MatHair);
    transform(tuft, {rotX(-35) * rotZ(-20), kHeadCentre + vec(10, kHeadRadii.y - 10, -30)});
    append(hair, tuft);
    return hair;
}

// The belt round the waist (flat shaded: a crisp band) and its buckle.
Mesh beltMesh() {
    std::vector<std::vector<Vec3>> rings;
    const double y0 = 52, y1 = 100;
    const double radii[4][3] = {{y0, 198, 138}, {y0, 228, 166}, {y1, 226, 164}, {y1, 196, 136}};
    for (const auto& r : radii) {
        std::vector<Vec3> points;
        for (int k = 0; k < 24; ++k) {
            double a = kPi + 2 * kPi * k / 24;
            points.push_back(vec(r[1] * std::sin(a), r[0], r[2] * std::cos(a)));
        }
        rings.push_back(points);
    }
    Mesh belt = loft(rings, {0, 0.25, 0.5, 0.75, 1}, MatBelt, true);
    Mesh buckle = box(vec(48, 30, 9), MatBuckle);
    transform(buckle, {Mat3(), vec(0, 76, 168)});
    append(belt, buckle);
    Mesh pin = box(vec(22, 14, 6), MatBelt);
    transform(pin, {Mat3(), vec(0, 76, 178)});
    append(belt, pin);
    return belt;
}

// A shoe in the foot's coordinates: the ankle at the origin, the sole on
// y = -90, with sole vertices right under the heel and the ball (the points
// the foot rocks on).
Mesh shoeMesh() {
    struct Section {
        double z, w, bottom, top;
    };
    const Section sections[] = {
        {-112, 38, -74, -12}, {-102, 60, -80, 20},         {kHeel.z, 70, kHeel.y, 40},
        {-20, 72, -90, 52},   {40, 74, -90, 22},           {100, 78, -90, -2},
        {130, 79, -90, -10},  {kBall.z, 80, kBall.y, -18}, {205, 74, -87, -30},
        {240, 58, -80, -34},  {258, 34, -70, -44},
    };
    std::vector<std::vector<Vec3>> rings;
    std::vector<double> v;
    for (const Section& s : sections) {
        std::vector<Vec3> r;
        // The sole is 30 thick, less where the shoe is low at the toe.
        double w = s.w, yb = s.bottom, sole = std::min(30.0, 0.45 * (s.top - s.bottom));
        double lip = yb + sole;
        for (int i = 0; i < 5; ++i) r.push_back(vec(-w + w * i / 2, yb, s.z));
        r.push_back(vec(w + 5, yb + 0.13 * sole, s.z));
        r.push_back(vec(w + 5, yb + 0.87 * sole, s.z));
        for (int i = 0; i <= 8; ++i) {
            double t = kPi * i / 8, c = std::cos(t), sn = std::sin(t);
            double x = w * (c < 0 ? -1 : 1) * std::pow(std::fabs(c), 2.0 / 3);
            double y = lip + (s.top - lip) * std::pow(sn, 2.0 / 3);
            r.push_back(vec(x, y, s.z));
        }
        r.push_back(vec(-w - 5, yb + 0.87 * sole, s.z));
        r.push_back(vec(-w - 5, yb + 0.13 * sole, s.z));
        rings.push_back(r);
        v.push_back(0);
    }
    Mesh shoe = loft(rings, v, MatShoe);
    // Faces between the sole points (and the ledge up to the upper) are sole.
    const int ringSize = 18;
    for (Face& f : shoe.faces) {
        bool sole = true;
        for (int i = 0; i < f.count; ++i) {
            int k = f.v[i] % ringSize;
            if (f.v[i] >= ringSize * 11) sole = false;  // cap centres
            if (k > 7 && k < 15) sole = false;
        }
        if (sole) f.material = MatSole;
    }
    return shoe;
}

Mesh handMesh(int side) {
    Mesh hand = lathe({ring(20, 0, 0), ring(10, 36, 44), ring(-30, 44, 64), ring(-90, 42, 70),
                       ring(-140, 36, 62), ring(-175, 24, 42), ring(-190, 0, 0)},
                      14, MatSkin);
    // The thumb, on the front of the palm (the palm faces the body).
    Mesh thumb = capsule(70, 24, 19, 8, MatSkin);
    transform(thumb, alongFrame(vec(-side * 16.0, -40, 44), vec(-side * 0.3, -0.6, 0.75)));
    append(hand, thumb);
    return hand;
}

Mesh shadowMesh() {
    Mesh m;
    const double s = 430, y = 3;
    m.vertices = {vec(-s, y, -s), vec(s, y, -s), vec(s, y, s), vec(-s, y, s)};
    Face f;
    f.count = 4;
    const double uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        f.v[i] = i;
        f.uv[i][0] = uv[i][0];
        f.uv[i][1] = uv[i][1];
    }
    f.material = MatShadow;
    m.faces.push_back(f);
    // One-sided: make it face up for the library (corners as written).
    Vec3 n = libraryNormal(m.vertices[3], m.vertices[2], m.vertices[1]);
    if (n.y < 0) flipFaces(m);
    return m;
}

Part part(const char* name, int bone, Mesh mesh, double facet = 1.0, int shading = 1) {
    Part p;
    p.name = name;
    p.bone = bone;
    p.mesh = std::move(mesh);
    p.facet = facet;
    p.shading = shading;
    return p;
}

std::vector<Part> buildParts() {
    std::vector<Part> parts;
    Mesh hips = lathe({ring(115, 0, 0), ring(110, 150, 105), ring(85, 205, 145), ring(40, 225, 155),
                       ring(-20, 235, 160), ring(-80, 226, 155), ring(-130, 196, 140),
                       ring(-165, 142, 110), ring(-185, 72, 62), ring(-192, 0, 0)},
                      20, MatJeans);
    remapU(hips, 2);
    parts.push_back(part("hips", BonePelvis, hips));
    parts.push_back(part("belt", BonePelvis, beltMesh(), 0.5, 0));

    Mesh torso =
        lathe({ring(550, 0, 0), ring(542, 100, 80), ring(522, 172, 114), ring(482, 232, 144),
               ring(415, 256, 160), ring(310, 250, 165), ring(190, 232, 160), ring(80, 218, 152),
               ring(-20, 212, 148), ring(-60, 205, 142), ring(-75, 0, 0)},
              20, MatShirt);
    parts.push_back(part("torso", BoneChest, torso));
    parts.push_back(part("neck", BoneChest,
                         lathe({ring(635, 0, 0), ring(630, 62, 58), ring(590, 70, 64),
                                ring(530, 74, 68), ring(490, 80, 72), ring(480, 0, 0)},
                               14, MatSkin)));
    parts.push_back(part("head", BoneHead, headMesh()));
    parts.push_back(part("hair", BoneHead, hairMesh(), 0.7));

    const char* const names[2][3] = {{"upperarm_L", "forearm_L", "hand_L"},
                                     {"upperarm_R", "forearm_R", "hand_R"}};
    for (int side = 0; side < 2; ++side) {
        int sign = side == 0 ? 1 : -1;
        int bone = side == 0 ? BoneUpperArmL : BoneUpperArmR;
        Mesh upper = capsule(kUpperArm, 68, 58, 12, MatSkin);
        Mesh sleeve =
            lathe({ring(95, 0, 0), ring(88, 55, 55), ring(65, 86, 86), ring(20, 98, 96),
                   ring(-80, 96, 94), ring(-180, 91, 88), ring(-205, 89, 86), ring(-215, 0, 0)},
                  14, MatShirt);
        remapV(sleeve, 0.1, 0.6);
        append(upper, sleeve);
        parts.push_back(part(names[side][0], bone, upper));
        parts.push_back(part(names[side][1], bone + 1, capsule(kForearm, 58, 45, 12, MatSkin)));
        parts.push_back(part(names[side][2], bone + 2, handMesh(sign)));
    }

    const char* const legNames[2][3] = {{"thigh_L", "shin_L", "shoe_L"},
                                        {"thigh_R", "shin_R", "shoe_R"}};
    for (int side = 0; side < 2; ++side) {
        int bone = side == 0 ? BoneThighL : BoneThighR;
        parts.push_back(part(legNames[side][0], bone, capsule(kThigh, 122, 92, 14, MatJeans)));
        Mesh shin = capsule(kShin, 92, 70, 14, MatJeans);
        Mesh cuff = lathe({ring(-492, 0, 0), ring(-496, 90, 90), ring(-505, 99, 99),
                           ring(-555, 99, 99), ring(-562, 92, 92), ring(-566, 0, 0)},
                          14, MatJeans);
        append(shin, cuff);
        parts.push_back(part(legNames[side][1], bone + 1, shin));
        parts.push_back(part(legNames[side][2], bone + 2, shoeMesh(), 0.6));
    }
    parts.push_back(part("shadow", BoneGround, shadowMesh(), 0.5, 0));
    return parts;
}

}  // namespace

const std::vector<Part>& restParts() {
    static const std::vector<Part> parts = buildParts();
    return parts;
}

namespace {

// Bends the toe of a shoe up about the line under the ball of the foot, as
// a hinge: everything ahead of the ball turns, so no sole point there dips
// below it.
void bendToes(Mesh& shoe, double degrees) {
    if (degrees <= 0) return;
    Mat3 hinge = rotX(-degrees);
    for (Vec3& p : shoe.vertices)
        if (p.z > kBall.z + 1) p = hinge * (p - kBall) + kBall;
}

}  // namespace

std::vector<Part> posedParts(const Skeleton& skeleton) {
    std::vector<Part> parts = restParts();
    for (Part& p : parts) {
        if (p.bone == BoneFootL || p.bone == BoneFootR)
            bendToes(p.mesh, skeleton.toeBend[p.bone == BoneFootL ? 0 : 1]);
        transform(p.mesh, skeleton.bone[p.bone]);
    }
    return parts;
}

}  // namespace character
