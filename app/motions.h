// The character's motions, as ambletoe plays and loads them and the generator
// writes them: one table, so the program, the generator, the benchmarks and
// the tests cannot disagree on a name, a frame count or a file name.
#ifndef AMBLETOE_MOTIONS_H
#define AMBLETOE_MOTIONS_H

#include <cstdio>
#include <string>

namespace ambletoe {

struct MotionInfo {
    const char* name;
    int frames;
};

// In playback's order: its motion numbers index this table.
inline constexpr int kMotionCount = 3;
inline constexpr MotionInfo kMotions[kMotionCount] = {{"akubi", 100}, {"walk", 20}, {"run", 30}};

// The viewer keeps frame f of motion m in slot m * kMotionSlotStride + f.
inline constexpr int kMotionSlotStride = 100;
constexpr bool motionsFitTheirSlots() {
    for (const MotionInfo& motion : kMotions)
        if (motion.frames > kMotionSlotStride) return false;
    return true;
}
static_assert(motionsFitTheirSlots(), "a motion's frames would run into the next motion's slots");

// The folder that holds the frames and their textures, beside the program.
inline constexpr char kCharacterFolder[] = "vindle";

// FOLDER/NAME_NNNNN.mqo, the document of one frame (frame numbers padded to
// five digits), e.g. "vindle/walk_00007.mqo".
inline std::string frameFilePath(const std::string& folder, int motion, int frame) {
    char name[64];
    std::snprintf(name, sizeof name, "/%s_%05d.mqo", kMotions[motion].name, frame);
    return folder + name;
}

}  // namespace ambletoe

#endif  // AMBLETOE_MOTIONS_H
