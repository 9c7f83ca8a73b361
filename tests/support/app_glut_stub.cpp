// Stand-in GLUT calls; see app_glut_stub.h.
#include "support/app_glut_stub.h"

#include <GL/freeglut.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>

#include "support/fake_gl.h"

namespace glutstub {

std::vector<Entry> log;
void (*display)(void);
void (*idle)(void);
void (*reshape)(int, int);
void (*keyboard)(unsigned char, int, int);
void (*mouse)(int, int, int, int);
void (*motion)(int, int);
void (*mainLoop)(void);

void reset() {
    log.clear();
    display = nullptr;
    idle = nullptr;
    reshape = nullptr;
    keyboard = nullptr;
    mouse = nullptr;
    motion = nullptr;
    mainLoop = nullptr;
}

static void add(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    struct stat st;
    long bytes = (fstat(1, &st) == 0 && S_ISREG(st.st_mode)) ? static_cast<long>(st.st_size) : -1;
    log.push_back({text, fakegl::calls().size(), bytes});
}

}  // namespace glutstub

using glutstub::add;

void glutInit(int* argc, char** argv) {
    std::string args;
    for (int i = 0; argv && i < *argc; ++i) args += std::string(i ? " " : "") + argv[i];
    add("glutInit(%d, %s, %s)", *argc, args.c_str(),
        argv && !argv[*argc] ? "null" : "unterminated");
}
void glutSetOption(GLenum what, int value) {
    if (what == GLUT_ACTION_ON_WINDOW_CLOSE && value == GLUT_ACTION_GLUTMAINLOOP_RETURNS)
        add("glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS)");
    else
        add("glutSetOption(%u, %d)", what, value);
}
void glutInitWindowPosition(int x, int y) { add("glutInitWindowPosition(%d, %d)", x, y); }
void glutInitWindowSize(int w, int h) { add("glutInitWindowSize(%d, %d)", w, h); }
void glutInitDisplayMode(unsigned int mode) { add("glutInitDisplayMode(%u)", mode); }
int glutCreateWindow(const char* title) {
    add("glutCreateWindow(%s)", title);
    return 1;
}
void glutDisplayFunc(void (*f)(void)) {
    glutstub::display = f;
    add("glutDisplayFunc");
}
void glutIdleFunc(void (*f)(void)) {
    glutstub::idle = f;
    add("glutIdleFunc");
}
void glutReshapeFunc(void (*f)(int, int)) {
    glutstub::reshape = f;
    add("glutReshapeFunc");
}
void glutKeyboardFunc(void (*f)(unsigned char, int, int)) {
    glutstub::keyboard = f;
    add("glutKeyboardFunc");
}
void glutMouseFunc(void (*f)(int, int, int, int)) {
    glutstub::mouse = f;
    add("glutMouseFunc");
}
void glutMotionFunc(void (*f)(int, int)) {
    glutstub::motion = f;
    add("glutMotionFunc");
}
void glutMainLoop(void) {
    add("glutMainLoop");
    if (glutstub::mainLoop) glutstub::mainLoop();
}
void glutSwapBuffers(void) { add("glutSwapBuffers"); }
