#include <GL/freeglut.h>
#include <epoxy/gl.h>
#include <stdio.h>
#include <stdlib.h>

/* Opens a window, prints what the context and epoxy report, and leaves. */
static void show(void) {
    glClearColor(0, 0, 0.2f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    unsigned char px[4] = {0};
    glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    printf(
        "freeglut %d: GL %s, epoxy GL %d, ARB_vertex_buffer_object %s, "
        "glBindBuffer %s, pixel (%d,%d,%d)\n",
        glutGet(GLUT_VERSION), (const char*)glGetString(GL_VERSION), epoxy_gl_version(),
        epoxy_has_gl_extension("GL_ARB_vertex_buffer_object") ? "yes" : "no",
        glBindBuffer ? "resolved" : "missing", px[0], px[1], px[2]);
    fflush(stdout);
    exit(px[2] == 51 ? 0 : 1);
}

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE);
    glutInitWindowSize(64, 64);
    glutCreateWindow("check");
    glutDisplayFunc(show);
    glutMainLoop();
    return 1;
}
