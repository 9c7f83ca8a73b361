// Frames per second of ambletoe's display callback with the character on
// screen, against the same GLUT loop that only clears and swaps. Opens the
// program's window (needs a display: run it under Xvfb), loads the frames as
// the viewer does, then times each loop for a fixed number of frames, five
// times, and prints the medians and their ratio.
// Usage (from the folder that holds vindle/): bench_fps
#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/playback.h"
#include "app/viewer.h"
#include "bench/bench_support.h"
#include "mqo/MqoModelStages.h"

namespace {

using benchsupport::median;

using Clock = std::chrono::steady_clock;
const int kFramesPerRun = 600;
const int kRuns = 5;

int frameInRun = 0, run = 0;
bool drawCharacter = true;
Clock::time_point runStart;
std::vector<double> characterFps, clearFps;

void clearAndSwap() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

// One idle call: a frame of the loop being measured, walking through the
// walk cycle so every frame's buffers are drawn.
void onBenchIdle() {
    if (drawCharacter) {
        playback.motion = 1;
        playback.frame = frameInRun % ambletoe::kMotions[1].frames;
        onDisplay();
    } else {
        clearAndSwap();
    }
    if (++frameInRun < kFramesPerRun) return;
    glFinish();
    double fps = kFramesPerRun / std::chrono::duration<double>(Clock::now() - runStart).count();
    (drawCharacter ? characterFps : clearFps).push_back(fps);
    frameInRun = 0;
    drawCharacter = !drawCharacter;
    if (drawCharacter) ++run;
    if (run == kRuns) {
        double character = median(characterFps), clear = median(clearFps);
        std::printf("character on screen: %7.1f frames/s (median of %d runs of %d frames)\n",
                    character, kRuns, kFramesPerRun);
        std::printf("clear and swap only: %7.1f frames/s\n", clear);
        std::printf("ratio: %.3f\n", character / clear);
        endProcess();
    }
    runStart = Clock::now();
}

}  // namespace

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitWindowPosition(100, 50);
    glutInitWindowSize(640, 480);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Ambletoe");
    mqoInitLibrary();
    int loaded = 0;
    for (int motion = 0; motion < MOTION_COUNT; ++motion)
        for (int frame = 0; frame < ambletoe::kMotions[motion].frames; ++frame) {
            std::string path = ambletoe::frameFilePath(ambletoe::kCharacterFolder, motion, frame);
            modelSlots[motion * MOTION_SLOT_STRIDE + frame] = mqoLoadModel(path.c_str(), 0.5);
            loaded += modelSlots[motion * MOTION_SLOT_STRIDE + frame] != nullptr;
        }
    std::printf("frames loaded: %d, vertex buffers: %s\n", loaded, vboSupported ? "yes" : "no");
    onReshape(640, 480);
    glutDisplayFunc(clearAndSwap);
    glutIdleFunc(onBenchIdle);
    runStart = Clock::now();
    glutMainLoop();
    return 0;
}
