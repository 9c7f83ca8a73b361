// mqoview: look at MQO documents in a window, turning, zooming and panning,
// and follow them as they are saved again.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mqoview/file_watch.h"
#include "mqoview/viewer.h"

namespace {

const char* const kUsage =
    "usage: mqoview [--exact] FILE...\n"
    "Shows MQO documents (.mqo, .mqoz) in a window, reloading a file when it changes.\n"
    "  drag: turn   right-drag or arrows: pan   wheel or +/-: zoom   f: frame again\n"
    "  w: wireframe   b: back faces   space/backspace: next/previous file\n"
    "  c: the camera the document was saved with, or back to turning it\n"
    "  e: complete profile or exact subset   q or Escape: quit\n"
    "  --exact      start with the exact subset\n"
    "  --core       draw through the library's shaded path in an OpenGL 3.3 core\n"
    "               context (no wireframe, back faces or author's camera)\n"
    "  -h, --help   show this help\n";

std::unique_ptr<Viewer> viewer;
FileWatch* watch = nullptr;
int dragButton = -1, lastX = 0, lastY = 0;

void refresh() {
    glutSetWindowTitle(viewer->title().c_str());
    glutPostRedisplay();
}

void quit() {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(0);
}

void display() {
    viewer->draw(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
    glutSwapBuffers();
}

// Turning, zooming and panning move the framing camera, so they leave the
// author's view first, picking up where the framing camera was.
void leaveAuthorsView() {
    if (!viewer->authorsView()) return;
    viewer->authorsView() = false;
    refresh();
}

void zoom(float factor) {
    leaveAuthorsView();
    viewer->camera().zoom *= factor;
    glutPostRedisplay();
}

void pan(float dx, float dy) {
    leaveAuthorsView();
    viewer->camera().pan[0] += dx;
    viewer->camera().pan[1] += dy;
    glutPostRedisplay();
}

void keyboard(unsigned char key, int, int) {
    switch (key) {
        case 'q':
        case 27:
            quit();
            break;
        case '+':
        case '=':
            zoom(1.15f);
            break;
        case '-':
        case '_':
            zoom(1 / 1.15f);
            break;
        case 'f':
            viewer->frame();
            viewer->authorsView() = false;
            break;
        case 'c':
            viewer->authorsView() = !viewer->authorsView();
            break;
        case 'w':
            viewer->wireframe() = !viewer->wireframe();
            break;
        case 'b':
            viewer->backFaces() = !viewer->backFaces();
            break;
        case ' ':
            viewer->step(1);
            watch->watch(viewer->path());
            break;
        case 8:
        case 127:
            viewer->step(-1);
            watch->watch(viewer->path());
            break;
        case 'e':
            viewer->toggleProfile();
            break;
        case 'g':
            viewer->writeGltf();
            break;
        default:
            return;
    }
    refresh();
}

void special(int key, int, int) {
    switch (key) {
        case GLUT_KEY_LEFT:
            pan(-0.05f, 0);
            break;
        case GLUT_KEY_RIGHT:
            pan(0.05f, 0);
            break;
        case GLUT_KEY_UP:
            pan(0, 0.05f);
            break;
        case GLUT_KEY_DOWN:
            pan(0, -0.05f);
            break;
        default:
            break;  // Shift and the like arrive here too
    }
}

void mouse(int button, int state, int x, int y) {
    // The wheel comes as buttons 3 (up) and 4 (down).
    if (state == GLUT_DOWN && (button == 3 || button == 4)) {
        zoom(button == 3 ? 1.1f : 1 / 1.1f);
        return;
    }
    dragButton = state == GLUT_DOWN ? button : -1;
    lastX = x;
    lastY = y;
}

void motion(int x, int y) {
    const float dx = static_cast<float>(x - lastX), dy = static_cast<float>(y - lastY);
    lastX = x;
    lastY = y;
    if (dragButton == GLUT_LEFT_BUTTON) {
        leaveAuthorsView();
        Camera& camera = viewer->camera();
        camera.yaw += dx * 0.5f;
        camera.pitch += dy * 0.5f;
        glutPostRedisplay();
    } else if (dragButton == GLUT_RIGHT_BUTTON) {
        const float height = static_cast<float>(glutGet(GLUT_WINDOW_HEIGHT));
        pan(dx / height, -dy / height);
    }
}

void poll(int) {
    if (watch->changed()) {
        viewer->load(nullptr);
        refresh();
    }
    glutTimerFunc(200, poll, 0);
}

}  // namespace

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    std::vector<std::string> files;
    bool exact = false, core = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--exact")) {
            exact = true;
        } else if (!std::strcmp(argv[i], "--core")) {
            core = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "mqoview: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "mqoview: no file given\n%s", kUsage);
        return 2;
    }
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH);
    if (core) {
        glutInitContextVersion(3, 3);
        glutInitContextProfile(GLUT_CORE_PROFILE);
    }
    glutInitWindowSize(800, 600);
    glutInitWindowPosition(100, 50);
    glutCreateWindow("mqoview");
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    mqoInitLibrary();
    viewer = std::make_unique<Viewer>(files, exact, core);
    std::string error;
    if (!viewer->load(&error)) {
        std::fprintf(stderr, "mqoview: %s: %s\n", files[0].c_str(), error.c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
    FileWatch fileWatch;
    watch = &fileWatch;
    watch->watch(viewer->path());
    glutSetWindowTitle(viewer->title().c_str());
    glutDisplayFunc(display);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(special);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    glutTimerFunc(200, poll, 0);
    glutMainLoop();
    quit();
}
