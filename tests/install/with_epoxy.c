/* A C program with a GL loader of its own (libepoxy, which refuses to come
 * after <GL/gl.h>) beside the library's header. MQO_HEADER_FIRST puts the
 * header before the loader: the order that broke while it included GL. */
#ifdef MQO_HEADER_FIRST
#include <mqo/MqoModel.h>
/* (keeps clang-format from sorting the loader first) */
#include <epoxy/gl.h>
#else
#include <epoxy/gl.h>
#include <mqo/MqoModel.h>
#endif
#include <stdio.h>

int main(void) {
    /* No GL context: the missing file fails before any drawing. */
    MeshModel* model = mqoLoadModel("no-such-file.mqo", 1.0);
    if (model != NULL) {
        glClear(GL_COLOR_BUFFER_BIT);
        mqoDrawModel(model);
    }
    mqoFreeModel(model);
    printf("%s\n", model == NULL ? "null" : "model");
    return model == NULL ? 0 : 1;
}
