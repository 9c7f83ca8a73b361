// Walk and run are computed from the phase of the cycle, so they loop by
// construction and their planted feet move back exactly one playback step
// per frame; akubi is keyframed and interpolated with a looping spline.
#include "character_motion.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "character_textures.h"

namespace character {

namespace {

double sideSign(int side) { return side == 0 ? 1.0 : -1.0; }

Pose standing() {
    Pose p;
    for (int side = 0; side < 2; ++side) {
        double sign = sideSign(side);
        p.arm[side].forward = 4;
        p.arm[side].abduct = 9;
        p.arm[side].twist = 14;
        p.arm[side].elbow = 14;
        p.arm[side].wrist = 4;
        p.leg[side].flat = vec(sign * 140, kGroundY + kAnkleHeight, 15);
        p.leg[side].yaw = sign * 7;
    }
    return p;
}

// A smooth bump: 1 at c, falling to 0 at c +- w.
double bump(double s, double c, double w) {
    double d = (s - c) / w;
    if (d <= -1 || d >= 1) return 0;
    double k = std::cos(kPi / 2 * d);
    return k * k;
}

// The foot placement that puts the ankle at a given point.
LegPose legWithAnkle(Vec3 ankle, double pitch, double yaw) {
    LegPose leg;
    leg.pitch = pitch;
    leg.yaw = yaw;
    leg.flat = ankle;
    // anklePosition is flat plus a pitch-dependent offset; remove it.
    Vec3 offset = anklePosition(leg) - ankle;
    leg.flat = ankle - offset;
    return leg;
}

struct Gait {
    int frames;          // frames per cycle (two steps)
    double stance;       // share of the cycle a foot is on the ground
    double strikePitch;  // toes up as the heel lands
    double toeOffPitch;  // heel raised as the toes leave
    double lift;         // swing height of the ankle
    double kickHeight;   // heel thrown up behind early in the swing
    double kickBack;     // how far the kick stays behind
    double reach;        // foot thrown forward late in the swing
    double ankleBias;    // stance centred this far ahead of the hips
};

// The stance of one foot, s from 0 (landing) to 1 (leaving); the flat foot
// moves back one playback step per frame, and so does whichever sole point
// it rocks on.
LegPose stanceFoot(const Gait& g, double s, double x, double yaw, double z0) {
    double length = kStepPerFrame * g.frames * g.stance;
    LegPose leg;
    leg.flat = vec(x, kGroundY + kAnkleHeight, z0 - length * s);
    leg.yaw = yaw;
    const double rockEnd = 0.18, riseStart = 0.62;
    if (s < rockEnd) {
        double t = 1 - s / rockEnd;
        leg.pitch = g.strikePitch * t * t;
    } else if (s > riseStart) {
        double t = (s - riseStart) / (1 - riseStart);
        leg.pitch = -g.toeOffPitch * t * t;
    }
    return leg;
}

// Places a foot at phase psi of its own cycle (stance first, then swing).
LegPose gaitFoot(const Gait& g, double psi, double x, double yaw) {
    // Centre the stance under the hips: find where the ankle lands and
    // leaves with the stance starting at 0, then shift.
    double landZ = anklePosition(stanceFoot(g, 0, x, yaw, 0)).z;
    double leaveZ = anklePosition(stanceFoot(g, 1, x, yaw, 0)).z;
    double z0 = g.ankleBias - (landZ + leaveZ) / 2;
    if (psi < g.stance) return stanceFoot(g, psi / g.stance, x, yaw, z0);

    double s = (psi - g.stance) / (1 - g.stance);
    LegPose from = stanceFoot(g, 1, x, yaw, z0), to = stanceFoot(g, 0, x, yaw, z0);
    Vec3 a0 = anklePosition(from), a1 = anklePosition(to);
    double ease = s - std::sin(2 * kPi * s) / (2 * kPi);
    Vec3 ankle = lerp(a0, a1, ease);
    ankle.y += g.lift * std::sin(kPi * s) + g.kickHeight * bump(s, 0.32, 0.34);
    ankle.z += -g.kickBack * bump(s, 0.3, 0.3) + g.reach * bump(s, 0.78, 0.22);
    double pitch = lerp(from.pitch, to.pitch, smoothstep(s)) - 12 * std::sin(kPi * s);
    return legWithAnkle(ankle, pitch, yaw);
}

// The highest the pelvis may be so that every planted leg still reaches its
// foot with the knee a little bent.
double pelvisLimit(const Pose& p, const Gait& g, const double psi[2], double reachShare) {
    double limit = 1e9;
    for (int side = 0; side < 2; ++side) {
        if (psi[side] >= g.stance) continue;
        Pose probe = p;
        probe.pelvis.y = 0;
        Vec3 hip = hipPosition(probe, side);  // hip relative to pelvis height 0
        Vec3 ankle = anklePosition(p.leg[side]);
        double dx = hip.x - ankle.x, dz = hip.z - ankle.z;
        double r = (kThigh + kShin) * reachShare;
        double h = std::sqrt(std::max(0.0, r * r - dx * dx - dz * dz));
        limit = std::min(limit, ankle.y + h - hip.y);
    }
    return limit;
}

// A cycle per motion, so that the last frame leads back into the first.
const Gait kWalk = {motionFrames(MotionWalk), 0.58, 16, 32, 90, 60, 0, 0, 20};
const Gait kRun = {motionFrames(MotionRun), 0.3, 6, 36, 90, 380, 60, 140, 70};

Pose walkPose(int frame) {
    const Gait& g = kWalk;
    double phi = static_cast<double>(frame) / g.frames;
    double c = std::cos(2 * kPi * phi), mid = std::cos(2 * kPi * (phi - 0.3));
    Pose p = standing();
    double psi[2] = {phi, wrap01(phi + 0.5)};
    for (int side = 0; side < 2; ++side)
        p.leg[side] = gaitFoot(g, psi[side], sideSign(side) * 140, sideSign(side) * 6);
    p.pelvis.x = 16 * mid;
    p.pelvisYaw = -5 * c;  // the hip of the leading leg goes forward
    p.pelvisRoll = 3 * mid;
    p.pelvisPitch = 3;
    p.chestYaw = 8 * c;
    p.chestPitch = 1;
    p.chestRoll = -2.4 * mid;
    p.headYaw = -(p.pelvisYaw + p.chestYaw);
    p.headRoll = -(p.pelvisRoll + p.chestRoll);
    p.headPitch = -2;
    for (int side = 0; side < 2; ++side) {
        ArmPose& a = p.arm[side];
        a.forward = 3 - sideSign(side) * 17 * c;  // opposite to the leg
        a.abduct = 10;
        a.twist = 14;
        a.elbow = 14 + 16 * std::max(0.0, a.forward - 3) / 17;
        a.wrist = 6;
    }
    double wanted = kRestPelvisY - 40 + 26 * std::cos(4 * kPi * (phi - 0.3));
    p.pelvis.y = std::min(wanted, pelvisLimit(p, g, psi, 0.975));
    p.face = FaceOpen;
    return p;
}

Pose runPose(int frame) {
    const Gait& g = kRun;
    double phi = static_cast<double>(frame) / g.frames;
    double c = std::cos(2 * kPi * phi), mid = std::cos(2 * kPi * (phi - g.stance / 2));
    Pose p = standing();
    double psi[2] = {phi, wrap01(phi + 0.5)};
    for (int side = 0; side < 2; ++side)
        p.leg[side] = gaitFoot(g, psi[side], sideSign(side) * 125, sideSign(side) * 4);
    p.pelvis.x = 8 * mid;
    p.pelvisYaw = -9 * c;
    p.pelvisRoll = 2 * mid;
    p.pelvisPitch = 11;
    p.chestYaw = 15 * c;
    p.chestPitch = 7;
    p.chestRoll = -1.5 * mid;
    p.headYaw = -(p.pelvisYaw + p.chestYaw);
    p.headRoll = -(p.pelvisRoll + p.chestRoll);
    p.headPitch = -15;
    for (int side = 0; side < 2; ++side) {
        ArmPose& a = p.arm[side];
        double swing = -sideSign(side) * c;
        a.forward = 6 + 42 * swing;
        a.abduct = 13;
        a.twist = 26;
        a.elbow = 88 + 14 * swing;
        a.wrist = 12;
    }
    double flightMid = (g.stance + 0.5) / 2;
    double wanted = kRestPelvisY - 95 + 50 * std::cos(4 * kPi * (phi - flightMid));
    p.pelvis.y = std::min(wanted, pelvisLimit(p, g, psi, 0.95));
    p.face = FaceOpen;
    return p;
}

// ---- akubi: keys and a looping spline through them ----

struct Key {
    int frame;
    Pose pose;
};

std::vector<Key> akubiKeys() {
    std::vector<Key> keys;
    Pose rest = standing();
    keys.push_back({0, rest});

    Pose inhale = rest;  // a deep breath in before the yawn
    inhale.chestPitch = -3;
    inhale.headPitch = -4;
    inhale.pelvis.y += 3;
    for (ArmPose& a : inhale.arm) {
        a.forward = 0;
        a.abduct = 12;
    }
    keys.push_back({14, inhale});

    Pose rising = rest;  // fists come up in front of the chest
    rising.chestPitch = -6;
    rising.headPitch = -14;
    rising.pelvis.y += 4;
    for (ArmPose& a : rising.arm) {
        a.forward = 40;
        a.abduct = 18;
        a.twist = 30;
        a.elbow = 100;
        a.wrist = 10;
    }
    keys.push_back({24, rising});

    Pose stretch = rest;  // arms high overhead, head back, up on the toes
    stretch.chestPitch = -10;
    stretch.headPitch = -22;
    stretch.pelvisPitch = -3;
    for (int side = 0; side < 2; ++side) {
        ArmPose& a = stretch.arm[side];
        a.forward = 168;
        a.abduct = 24;
        a.twist = 0;
        a.elbow = 8;
        a.wrist = -30;
        stretch.leg[side].pitch = -16;
    }
    // Rising on the balls of the feet lifts the ankles; the hips follow.
    stretch.pelvis.y += anklePosition(stretch.leg[0]).y - anklePosition(rest.leg[0]).y;
    keys.push_back({36, stretch});

    Pose lean = stretch;  // a long, shaky stretch to one side and back
    lean.chestRoll = 7;
    lean.headRoll = 6;
    lean.pelvis.x = -15;
    lean.arm[0].abduct = 30;
    lean.arm[1].abduct = 18;
    keys.push_back({46, lean});
    Pose back = stretch;
    back.chestRoll = -3;
    back.headRoll = -4;
    back.headPitch = -26;
    keys.push_back({56, back});

    Pose lowering = rest;  // arms sweep down to the sides
    lowering.chestPitch = -4;
    lowering.headPitch = -6;
    for (ArmPose& a : lowering.arm) {
        a.forward = 18;
        a.abduct = 92;
        a.twist = 0;
        a.elbow = 18;
        a.wrist = 0;
    }
    keys.push_back({68, lowering});

    Pose slump = rest;  // a sleepy droop before settling
    slump.chestPitch = 6;
    slump.headPitch = 12;
    slump.headRoll = 4;
    slump.pelvis.y -= 10;
    for (ArmPose& a : slump.arm) {
        a.abduct = 6;
        a.elbow = 10;
        a.forward = 6;
    }
    keys.push_back({79, slump});
    keys.push_back({90, rest});
    return keys;
}

int akubiFace(int frame) {
    if (frame >= 22 && frame <= 61) return FaceYawn;
    if (frame == 10 || frame == 11 || (frame >= 62 && frame <= 65) || frame == 92 || frame == 93)
        return FaceBlink;
    return FaceOpen;
}

Pose akubiPose(int frame) {
    static const std::vector<Key> keys = akubiKeys();
    const int period = motionFrames(MotionAkubi);
    const int n = static_cast<int>(keys.size());
    // Find the segment (cyclic) that holds the frame.
    int i = n - 1;
    for (int k = 0; k < n; ++k)
        if (keys[k].frame <= frame) i = k;
    auto keyAt = [&](int k, double& time) -> const Pose& {
        int wrapped = ((k % n) + n) % n;
        time = keys[wrapped].frame + period * std::floor(static_cast<double>(k) / n);
        return keys[wrapped].pose;
    };
    double t0, t1, tm, tp;
    std::vector<double> p0 = pack(keyAt(i, t0)), p1 = pack(keyAt(i + 1, t1));
    std::vector<double> pm = pack(keyAt(i - 1, tm)), pp = pack(keyAt(i + 2, tp));
    double span = t1 - t0, s = (frame - t0) / span;
    // Cubic Hermite with tangents from the neighbouring keys, scaled to the
    // segment, so uneven key spacing keeps the speed continuous.
    double h00 = 2 * s * s * s - 3 * s * s + 1, h10 = s * s * s - 2 * s * s + s;
    double h01 = -2 * s * s * s + 3 * s * s, h11 = s * s * s - s * s;
    std::vector<double> v(p0.size());
    for (size_t k = 0; k < v.size(); ++k) {
        double m0 = (p1[k] - pm[k]) / (t1 - tm) * span;
        double m1 = (pp[k] - p0[k]) / (tp - t0) * span;
        v[k] = h00 * p0[k] + h10 * m0 + h01 * p1[k] + h11 * m1;
    }
    Pose p = unpack(v);
    // Breathing, four breaths a loop so it joins up.
    double breath = std::sin(2 * kPi * 4 * frame / period);
    p.chestPitch -= 1.2 * breath;
    p.headPitch += 0.8 * breath;
    for (ArmPose& a : p.arm) a.abduct += 0.8 * breath;
    p.face = akubiFace(frame);
    return p;
}

}  // namespace

Pose motionPose(Motion motion, int frame) {
    switch (motion) {
        case MotionWalk:
            return walkPose(frame);
        case MotionRun:
            return runPose(frame);
        default:
            return akubiPose(frame);
    }
}

}  // namespace character
