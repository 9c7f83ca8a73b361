// Stand-in GLUT calls for viewer tests over the fake GL: every call is logged
// with the number of GL calls recorded before it, so tests can check the
// order of GLUT and GL calls together.
#ifndef MQO_TESTS_SUPPORT_APP_GLUT_STUB_H
#define MQO_TESTS_SUPPORT_APP_GLUT_STUB_H

#include <cstddef>
#include <string>
#include <vector>

namespace glutstub {

struct Entry {
    std::string call;      // e.g. "glutInitWindowSize(640, 480)"
    size_t glCallsBefore;  // fakegl::calls().size() at the time
    long stdoutBytes;      // size of the file behind stdout, -1 if none
};

extern std::vector<Entry> log;
// Callbacks as registered.
extern void (*display)(void);
extern void (*idle)(void);
extern void (*reshape)(int, int);
extern void (*keyboard)(unsigned char, int, int);
extern void (*mouse)(int, int, int, int);
extern void (*motion)(int, int);
// What glutMainLoop does before it returns (as freeglut's does on a window
// close); null returns at once.
extern void (*mainLoop)(void);

void reset();

}  // namespace glutstub

#endif  // MQO_TESTS_SUPPORT_APP_GLUT_STUB_H
