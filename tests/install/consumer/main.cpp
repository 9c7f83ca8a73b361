// A program outside the project that uses the installed library.
#include <mqo/MqoModel.h>

#include <cstdio>

int main() {
    // No GL context: loading a missing file must fail cleanly, without GL.
    MeshModel* model = mqoLoadModel("no-such-file.mqo", 1.0);
    mqoFreeModel(model);
    std::printf("%s\n", model == nullptr ? "null" : "model");
    return model == nullptr ? 0 : 1;
}
