// Playback of the recorded script, one step per so many GLUT idle calls.
#ifndef AMBLETOE_PLAYBACK_H
#define AMBLETOE_PLAYBACK_H

#include "motions.h"

enum {
    MOTION_COUNT = ambletoe::kMotionCount,
    HEADING_COUNT = 8,
    MOTION_SLOT_STRIDE = ambletoe::kMotionSlotStride
};

// What is being played and where the character stands. The display callback
// draws from it; mouse drags add to tiltDeg and yawDeg.
struct PlaybackState {
    int motion;     // 0 akubi (idle), 1 walk, 2 run
    int frame;      // frame of the motion drawn
    int step;       // progress within the current command
    int tick;       // idle calls counted since the last step
    int tickLimit;  // idle calls between steps: 50, or 1000 while waiting
    int heading;    // 0..7 in units of 45 degrees
    int scriptPos;  // index of the command being played, -1 before the first
    double posX;
    double posY;
    double posZ;
    int tiltDeg;
    int yawDeg;
};

// tick starts at tickLimit so the first idle call steps at once, and step
// above every frame count so that step fetches the first command.
inline constexpr PlaybackState initialPlayback = {1,  0,   100,   50,      50, 0,
                                                  -1, 0.0, 100.0, -3000.0, 0,  0};

extern PlaybackState playback;

// One movement step at heading h moves 40 * (headingDX[h], headingDZ[h]).
extern const int headingDX[HEADING_COUNT];
extern const int headingDZ[HEADING_COUNT];

// GLUT idle callback: counts a tick or performs one step, then redraws by
// calling onDisplay.
void onIdle(void);

#endif  // AMBLETOE_PLAYBACK_H
