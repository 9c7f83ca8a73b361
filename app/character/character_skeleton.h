// The character's skeleton: bone sizes, a pose (joint angles and foot
// placements) and the bone frames a pose gives.
//
// Units are document units. The figure faces +z, its left hand is on +x, and
// the origin sits at hip height so that, loaded at scale 0.5 and drawn at
// (0, 100, -3000), the figure is centred in the viewer's picture.
#ifndef APP_CHARACTER_SKELETON_H
#define APP_CHARACTER_SKELETON_H

#include <vector>

#include "character_math.h"

namespace character {

const double kGroundY = -1450;
const double kAnkleHeight = 90;             // ankle above the sole
const double kThigh = 565;                  // hip joint to knee
const double kShin = 560;                   // knee to ankle
const double kUpperArm = 390;               // shoulder to elbow
const double kForearm = 350;                // elbow to wrist
const double kRestPelvisY = -175;           // pelvis height standing
const Vec3 kHipJoint = {135, -70, 0};       // from the pelvis, left side
const Vec3 kChestJoint = {0, 90, 0};        // waist, from the pelvis
const Vec3 kNeckJoint = {0, 540, 0};        // head pivot, from the chest
const Vec3 kShoulderJoint = {265, 470, 0};  // from the chest, left side
// Sole points under the heel and the ball of the foot, from the ankle.
const Vec3 kHeel = {0, -90, -75};
const Vec3 kBall = {0, -90, 160};

enum Bone {
    BonePelvis,
    BoneChest,
    BoneHead,
    BoneUpperArmL,
    BoneForearmL,
    BoneHandL,
    BoneUpperArmR,
    BoneForearmR,
    BoneHandR,
    BoneThighL,
    BoneShinL,
    BoneFootL,
    BoneThighR,
    BoneShinR,
    BoneFootR,
    BoneGround,
    BoneCount
};

// Arm angles in degrees; each side mirrors the other.
struct ArmPose {
    double forward = 0;  // raise to the front (180 = straight up)
    double abduct = 0;   // raise to the side, away from the body
    double twist = 0;    // turn the elbow's bend inward
    double elbow = 0;    // bend, forearm forward
    double wrist = 0;    // bend, palm side forward
};

// A foot: where its ankle would be with the sole flat on the ground, and how
// it is tipped. Toes up rocks on the heel, toes down rolls onto the ball, so
// the sole point that touches the ground stays where the flat foot put it.
struct LegPose {
    Vec3 flat;
    double pitch = 0;  // degrees, toes up positive
    double yaw = 0;    // degrees, toes turned towards +x positive
};

struct Pose {
    Vec3 pelvis = {0, kRestPelvisY, 0};
    double pelvisYaw = 0, pelvisPitch = 0, pelvisRoll = 0;  // pitch > 0 leans forward
    double chestYaw = 0, chestPitch = 0, chestRoll = 0;
    double headYaw = 0, headPitch = 0, headRoll = 0;  // pitch > 0 looks down
    ArmPose arm[2];                                   // 0 left (+x), 1 right
    LegPose leg[2];
    int face = 0;  // FaceVariant
};

struct Skeleton {
    Frame bone[BoneCount];
    // How far each shoe bends up at the ball of the foot (degrees): as the
    // heel rises, the toes stay flat on the ground instead of sinking in.
    double toeBend[2] = {0, 0};
};

// The ankle position of a foot placement.
Vec3 anklePosition(const LegPose& leg);
// The hip joint of a side in a pose (0 left, 1 right).
Vec3 hipPosition(const Pose& pose, int side);
// Bone frames for a pose; legs are solved so the ankles land where the feet
// are placed (knees bend forward), as far as the legs reach.
Skeleton solve(const Pose& pose);
// Every number of a pose in a fixed order, and back (the face is not among
// them), so poses can be weighed and summed for smooth key interpolation.
std::vector<double> pack(const Pose& pose);
Pose unpack(const std::vector<double>& values);

}  // namespace character

#endif  // APP_CHARACTER_SKELETON_H
