// The viewer: the GLUT window, the character's models and the input handlers.
// It runs from the exit sequence, after main has recorded the script.
#ifndef AMBLETOE_VIEWER_H
#define AMBLETOE_VIEWER_H

#include "mqo/MqoModel.h"

enum { MODEL_SLOT_COUNT = 300 };

// Slot motion * 100 + frame holds that frame of that motion, or null.
extern MeshModel* modelSlots[MODEL_SLOT_COUNT];
extern int lastMouseX;  // pointer at the last press or drag event
extern int lastMouseY;

// Opens the window, loads the models, appends the final wait and runs the
// GLUT main loop. Never returns: the process ends from inside it.
void viewerMain(void);

void onDisplay(void);
void setupLight(void);
void onReshape(int width, int height);
void onKeyboard(unsigned char key, int x, int y);
void onMouse(int button, int state, int x, int y);
void onMotion(int x, int y);

// Frees every loaded slot and the library's pooled textures. The viewer never
// needs it: the process ends with the models loaded.
void releaseAll(void);

#endif  // AMBLETOE_VIEWER_H
