// Forward kinematics for the upper body, two-bone IK for the legs.
#include "character_skeleton.h"

#include <algorithm>
#include <cmath>

namespace character {

namespace {

double sideSign(int side) { return side == 0 ? 1.0 : -1.0; }

Mat3 footRotation(const LegPose& leg) { return rotY(leg.yaw) * rotX(-leg.pitch); }

// A limb bone hanging from `from` towards `to`: its local -y runs along the
// bone and its local +z leans towards `front`.
Frame limbFrame(Vec3 from, Vec3 to, Vec3 front) {
    Vec3 y = normalize(from - to);
    Vec3 z = normalize(front - y * dot(front, y));
    Vec3 x = cross(y, z);
    Frame f;
    f.rotation = fromColumns(x, y, z);
    f.origin = from;
    return f;
}

}  // namespace

Vec3 anklePosition(const LegPose& leg) {
    if (leg.pitch == 0) return leg.flat;
    Mat3 flatYaw = rotY(leg.yaw);
    Vec3 pivot = leg.pitch > 0 ? kHeel : kBall;
    Vec3 ground = leg.flat + flatYaw * pivot;
    return ground - footRotation(leg) * pivot;
}

Vec3 hipPosition(const Pose& pose, int side) {
    Mat3 r = rotY(pose.pelvisYaw) * rotX(pose.pelvisPitch) * rotZ(pose.pelvisRoll);
    Vec3 offset = kHipJoint;
    offset.x *= sideSign(side);
    return r * offset + pose.pelvis;
}

Skeleton solve(const Pose& p) {
    Skeleton s;
    Frame& pelvis = s.bone[BonePelvis];
    pelvis.rotation = rotY(p.pelvisYaw) * rotX(p.pelvisPitch) * rotZ(p.pelvisRoll);
    pelvis.origin = p.pelvis;
    s.bone[BoneChest] =
        child(pelvis, kChestJoint, rotY(p.chestYaw) * rotX(p.chestPitch) * rotZ(p.chestRoll));
    s.bone[BoneHead] = child(s.bone[BoneChest], kNeckJoint,
                             rotY(p.headYaw) * rotX(p.headPitch) * rotZ(p.headRoll));

    for (int side = 0; side < 2; ++side) {
        double sign = sideSign(side);
        const ArmPose& a = p.arm[side];
        int upper = side == 0 ? BoneUpperArmL : BoneUpperArmR;
        Vec3 shoulder = kShoulderJoint;
        shoulder.x *= sign;
        s.bone[upper] = child(s.bone[BoneChest], shoulder,
                              rotX(-a.forward) * rotZ(sign * a.abduct) * rotY(-sign * a.twist));
        s.bone[upper + 1] = child(s.bone[upper], vec(0, -kUpperArm, 0), rotX(-a.elbow));
        s.bone[upper + 2] = child(s.bone[upper + 1], vec(0, -kForearm, 0), rotX(-a.wrist));

        // Legs: place the ankle, then bend the knee in the plane that holds
        // the hip, the ankle and the direction the foot points.
        const LegPose& leg = p.leg[side];
        int thigh = side == 0 ? BoneThighL : BoneThighR;
        Vec3 hip = hipPosition(p, side);
        Vec3 ankle = anklePosition(leg);
        Vec3 front = normalize(rotY((leg.yaw + p.pelvisYaw) / 2) * vec(0, 0, 1));
        Vec3 toAnkle = ankle - hip;
        double d = length(toAnkle);
        double reach = (kThigh + kShin) * 0.9999;
        if (d > reach) {
            ankle = hip + toAnkle * (reach / d);
            d = reach;
        }
        Vec3 axis = toAnkle * (1.0 / length(toAnkle));
        Vec3 bend = normalize(front - axis * dot(front, axis));
        double cosHip = (kThigh * kThigh + d * d - kShin * kShin) / (2 * kThigh * d);
        cosHip = cosHip > 1 ? 1 : (cosHip < -1 ? -1 : cosHip);
        double sinHip = std::sqrt(1 - cosHip * cosHip);
        Vec3 knee = hip + (axis * cosHip + bend * sinHip) * kThigh;
        s.bone[thigh] = limbFrame(hip, knee, front);
        s.bone[thigh + 1] = limbFrame(knee, ankle, front);
        s.bone[thigh + 2].rotation = footRotation(leg);
        s.bone[thigh + 2].origin = ankle;
        // Beyond about 35 degrees the top of the shoe would fold over the hinge.
        s.toeBend[side] = leg.pitch < 0 ? std::min(-leg.pitch, 35.0) : 0.0;
    }
    s.bone[BoneGround].origin = vec(0, kGroundY, 0);
    return s;
}

namespace {

// One list of the pose's numbers, used in both directions.
template <class P, class F>
void eachValue(P& p, F f) {
    f(p.pelvis.x);
    f(p.pelvis.y);
    f(p.pelvis.z);
    f(p.pelvisYaw);
    f(p.pelvisPitch);
    f(p.pelvisRoll);
    f(p.chestYaw);
    f(p.chestPitch);
    f(p.chestRoll);
    f(p.headYaw);
    f(p.headPitch);
    f(p.headRoll);
    for (int i = 0; i < 2; ++i) {
        f(p.arm[i].forward);
        f(p.arm[i].abduct);
        f(p.arm[i].twist);
        f(p.arm[i].elbow);
        f(p.arm[i].wrist);
        f(p.leg[i].flat.x);
        f(p.leg[i].flat.y);
        f(p.leg[i].flat.z);
        f(p.leg[i].pitch);
        f(p.leg[i].yaw);
    }
}

}  // namespace

std::vector<double> pack(const Pose& pose) {
    std::vector<double> values;
    eachValue(pose, [&](const double& v) { values.push_back(v); });
    return values;
}

Pose unpack(const std::vector<double>& values) {
    Pose pose;
    size_t i = 0;
    eachValue(pose, [&](double& v) {
        v = i < values.size() ? values[i] : 0.0;
        ++i;
    });
    return pose;
}

}  // namespace character
