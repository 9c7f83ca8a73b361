/* The installed headers from C: every call and record is reachable. */
#include <mqo/MqoModel.h>
#include <mqo/MqoModelStages.h>
#include <stdio.h>

int main(void) {
    /* No GL context: loading a missing file must fail cleanly, without GL. */
    const char* paths[1] = {"no-such-file.mqo"};
    MeshModel* models[1] = {NULL};
    MqoParsedModel* parsed = NULL; /* a stage-level record, from the second header */
    int loaded = mqoLoadModels(paths, 1, 1.0, models);
    MeshModel* model = mqoLoadModel(paths[0], 1.0);
    mqoFreeModel(model);
    mqoReleaseParsedModel(parsed);
    printf("%s\n", model == NULL && loaded == 0 && models[0] == NULL ? "null" : "model");
    return model == NULL ? 0 : 1;
}
