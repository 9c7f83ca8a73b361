// MqoModel: a load's GL stage and the load calls: a parsed document's
// textures requested and its objects uploaded on the caller's thread.
#include "mqo/internal.h"

void mqoRealiseDocument(MeshModel* model, MqoParsedModel* parsed) {
    if (parsed == nullptr) return;
    if (model == nullptr) {
        mqoReleaseParsedModel(parsed);
        return;
    }
    model->alpha = parsed->alpha;
    mqoResolveTextures(parsed->directory, parsed->directoryFits != 0, parsed->materials,
                       parsed->materialCount, parsed->alpha);
    mqoRealiseObjects(model, parsed->objects, parsed->objectCount, parsed->materials);
    mqoReleaseParsedModel(parsed);
}

int mqoReadDocument(MeshModel* model, const char* path, double scale, unsigned char alpha) {
    if (model == nullptr) return 0;
    MqoParsedModel parsed;
    if (mqoParseDocument(path, scale, alpha, &parsed) == 0) return 0;
    mqoRealiseDocument(model, &parsed);
    return 1;
}

int mqoLoadModelSlot(MeshModel* models, int index, const char* path, double scale,
                     unsigned char alpha) {
    if (models == nullptr || index < 0) return -1;
    return mqoReadDocument(&models[index], path, scale, alpha) == 1 ? 0 : -1;
}

MeshModel* mqoLoadModel(const char* path, double scale) {
    MeshModel* model = mqoAllocModels(1);
    if (model == nullptr) return nullptr;
    if (mqoLoadModelSlot(model, 0, path, scale, 255) >= 0) return model;
    mqoFreeModels(model, 1);
    return nullptr;
}
