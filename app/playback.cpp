// The playback state machine driven by GLUT's idle callback.
#include "playback.h"

#include "commands.h"
#include "platform.h"
#include "viewer.h"

// Constant-initialised, so it needs no constructor and is ready whenever the
// exit sequence reaches the viewer.
PlaybackState playback = initialPlayback;

const int headingDX[HEADING_COUNT] = {0, 1, 1, 1, 0, -1, -1, -1};
const int headingDZ[HEADING_COUNT] = {1, 1, 0, -1, -1, -1, 0, 1};

enum { STEP_DISTANCE = 40, TURN_STEP = 20, WAIT_SLEEP_MS = 40 };

// One step of the command at scriptPos; frames is the current motion's count.
static void stepCommand(int frames) {
    PlaybackState& s = playback;
    // Nothing has been fetched when the buffer is empty: stand still rather
    // than read before the buffer.
    if (s.scriptPos < 0) return;
    switch (commandBuffer.codes[s.scriptPos]) {
        case 'm':
        case 'j':
            s.posX += STEP_DISTANCE * headingDX[s.heading];
            s.posZ += STEP_DISTANCE * headingDZ[s.heading];
            s.step += 1;
            s.frame = s.step;
            break;
        case 't':
            // The fetch has already advanced heading; the yaw closes in on it
            // from 45 degrees short, truncated towards zero.
            s.yawDeg = static_cast<int>(45.0 * s.heading - 45.0 * (frames - s.step) / frames);
            s.step += TURN_STEP;
            s.frame = 0;
            break;
        case 'w':
            s.step += 1;
            s.frame = s.step;
            sleepMilliseconds(WAIT_SLEEP_MS);
            break;
        default:
            break;
    }
}

// Moves to the next command; at the last one only step and frame restart, so
// the last command repeats for ever.
static void fetchCommand(void) {
    PlaybackState& s = playback;
    s.step = 0;
    s.frame = 0;
    if (s.scriptPos >= commandBuffer.count - 1) return;
    s.scriptPos += 1;
    char letter = commandBuffer.codes[s.scriptPos];
    if (letter == 'j') {
        s.motion = 2;
        s.tickLimit = 50;
    } else if (letter == 'm') {
        s.motion = 1;
        s.tickLimit = 50;
    } else if (letter == 't') {
        s.motion = 0;
        s.yawDeg = 45 * s.heading;  // drops any yaw a mouse drag added
        s.heading = (s.heading + 1) % HEADING_COUNT;
        s.tickLimit = 50;
    } else if (letter == 'w') {
        s.motion = 0;
        s.tickLimit = 1000;
    }
}

void onIdle(void) {
    PlaybackState& s = playback;
    if (s.tick < s.tickLimit) {
        s.tick += 1;
    } else {
        s.tick = 0;
        int frames = ambletoe::kMotions[s.motion].frames;
        if (s.step < frames - 1)
            stepCommand(frames);
        else
            fetchCommand();
    }
    onDisplay();
}
