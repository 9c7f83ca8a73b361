// The three motions: poses frame by frame.
#ifndef APP_CHARACTER_MOTION_H
#define APP_CHARACTER_MOTION_H

#include "app/motions.h"
#include "character_skeleton.h"

namespace character {

// Numbered as in the program's table (ambletoe::kMotions), which gives each
// motion's name and frame count.
enum Motion { MotionAkubi = 0, MotionWalk = 1, MotionRun = 2, MotionCount = 3 };
static_assert(MotionCount == ambletoe::kMotionCount, "a motion the program does not know");

constexpr int motionFrames(Motion motion) { return ambletoe::kMotions[motion].frames; }

// Playback moves the figure 40 scene units per frame, 80 document units at
// the load scale 0.5: a planted foot moves back this much every frame.
const double kStepPerFrame = 80;

// The pose of one frame. Walk and run are cycles (frame n continues into
// frame 0); akubi also loops, and its frame 0 is a relaxed standing pose.
Pose motionPose(Motion motion, int frame);

}  // namespace character

#endif  // APP_CHARACTER_MOTION_H
