// The viewer window: set-up, drawing and input.
#include "viewer.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "mqo/MqoModelStages.h"
#include "platform.h"
#include "playback.h"

// Plain data, zero at start: the viewer runs after main has returned.
MeshModel* modelSlots[MODEL_SLOT_COUNT];
int lastMouseX;
int lastMouseY;

// Every frame of every motion, with the slot it goes to.
struct FrameFiles {
    std::vector<std::string> paths;
    std::vector<const char*> names;  // into paths, for the library
    std::vector<int> slots;
};

static FrameFiles frameFiles(void) {
    FrameFiles files;
    for (int motion = 0; motion < MOTION_COUNT; ++motion) {
        for (int frame = 0; frame < ambletoe::kMotions[motion].frames; ++frame) {
            files.paths.push_back(
                ambletoe::frameFilePath(ambletoe::kCharacterFolder, motion, frame));
            files.slots.push_back(motion * MOTION_SLOT_STRIDE + frame);
        }
    }
    for (const std::string& path : files.paths) files.names.push_back(path.c_str());
    return files;
}

// Every frame into its slot, once the worker threads that started reading
// them have done so; this thread makes the GL calls. A frame that cannot be
// read stays null.
static void finishFrames(const FrameFiles& files, MqoPendingLoad* pending) {
    std::vector<MeshModel*> models(files.paths.size(), nullptr);
    mqoFinishLoadModels(pending, models.data());
    for (size_t i = 0; i < models.size(); ++i) modelSlots[files.slots[i]] = models[i];
}

void viewerMain(void) {
    // GLUT gets a command line of its own; the real one is not passed.
    static char programName[] = "Walk";
    static char* argv[] = {programName, nullptr};
    static int argc = 1;
    // The frames are read on worker threads while GLUT loads the GL driver
    // and opens the window (most of the start, on this thread alone); the
    // reading prints nothing and makes no GL call, so only the time moves.
    // The list lives as long as the process: should there be no display, or
    // opening the window end it, the workers may still be reading the names.
    static const FrameFiles* files = new FrameFiles(frameFiles());
    MqoPendingLoad* pending =
        mqoStartLoadModels(files->names.data(), static_cast<int>(files->names.size()), 0.5);
    glutInit(&argc, argv);  // ends the process when there is no display
    // We are inside the exit sequence already, and freeglut's default on a
    // window close is to call exit: make its main loop return instead, and
    // end the process below.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutInitWindowPosition(100, 50);
    glutInitWindowSize(640, 480);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Ambletoe");

    mqoInitLibrary();  // needs the window's context for the extension string

    printf("Loading Models...");
    // Shown while the models load, not only once the line is complete.
    fflush(stdout);
    finishFrames(*files, pending);
    printf(" Done.\n");

    glutDisplayFunc(onDisplay);
    glutIdleFunc(onIdle);
    glutReshapeFunc(onReshape);
    glutKeyboardFunc(onKeyboard);
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    cmdWait();
    glutMainLoop();
    // Only a window close gets here (see the option above); end the same way
    // as the quit keys.
    endProcess();
}

void setupLight(void) {
    static const GLfloat diffuse[] = {0.9f, 0.9f, 0.9f, 1.0f};
    static const GLfloat specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
    static const GLfloat ambient[] = {0.3f, 0.3f, 0.3f, 0.1f};
    // Set under the identity modelview: a point light at the eye.
    static const GLfloat position[] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHT0);
}

void onDisplay(void) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Set after the clear: it takes effect from the next frame on.
    glClearColor(0.0f, 0.0f, 0.2f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
    setupLight();
    glEnable(GL_LIGHTING);
    glPushMatrix();
    glTranslatef(static_cast<float>(playback.posX), static_cast<float>(playback.posY),
                 static_cast<float>(playback.posZ));
    glRotatef(static_cast<float>(playback.tiltDeg), 1.0f, 0.0f, 0.0f);
    glRotatef(static_cast<float>(playback.yawDeg), 0.0f, 1.0f, 0.0f);
    int slot = playback.motion * MOTION_SLOT_STRIDE + playback.frame;
    // Playback keeps the slot in range; a state set from elsewhere must not
    // read outside the table.
    if (slot >= 0 && slot < MODEL_SLOT_COUNT) mqoDrawModel(modelSlots[slot]);
    glPopMatrix();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glutSwapBuffers();
}

void onReshape(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A minimised window reports height 0 (and may report width 0): nothing
    // is visible then, so any valid aspect serves; 1 keeps the projection
    // finite.
    double aspect = (width > 0 && height > 0) ? static_cast<double>(width) / height : 1.0;
    gluPerspective(50.0, aspect, 10.0, 10000.0);
}

void onKeyboard(unsigned char key, int, int) {
    // Escape, Q, q. endProcess, not exit: see platform.cpp.
    if (key == 27 || key == 'Q' || key == 'q') endProcess();
}

void onMouse(int, int state, int x, int y) {
    if (state != GLUT_DOWN) return;
    lastMouseX = x;
    lastMouseY = y;
}

// A full turn changes nothing on screen; folding very large angles back keeps
// an endless drag from overflowing.
static int foldDegrees(int degrees) {
    const int limit = 360 * 100000;
    return (degrees > limit || degrees < -limit) ? degrees % 360 : degrees;
}

void onMotion(int x, int y) {
    int dx = x - lastMouseX;
    int dy = y - lastMouseY;
    playback.tiltDeg = foldDegrees(playback.tiltDeg + dy);
    playback.yawDeg = foldDegrees(playback.yawDeg + dx);
    lastMouseX = x;
    lastMouseY = y;
}

void releaseAll(void) {
    for (int motion = 0; motion < MOTION_COUNT; ++motion) {
        for (int frame = 0; frame < ambletoe::kMotions[motion].frames; ++frame) {
            int slot = motion * MOTION_SLOT_STRIDE + frame;
            mqoFreeModel(modelSlots[slot]);
            modelSlots[slot] = nullptr;
        }
    }
    mqoCleanupLibrary();
}
