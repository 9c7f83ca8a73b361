// MqoModel: a load's GL stage and the load calls: a parsed document's
// textures requested and its objects uploaded on the caller's thread.
#include "mqo/MqoModelGL.h"
#include "mqo/internal.h"

void mqoRealiseDocument(MeshModel* model, MqoParsedModel* parsed) {
    if (parsed == nullptr) return;
    if (model == nullptr) {
        mqoReleaseParsedModel(parsed);
        return;
    }
    model->alpha = parsed->alpha;
    MqoTextureSource source = {parsed->features,
                               parsed->package[0] != '\0' ? parsed->package : nullptr,
                               parsed->directoryFits != 0 ? parsed->directory : nullptr};
    mqoResolveTextures(parsed->directory, parsed->directoryFits != 0, parsed->materials,
                       parsed->materialCount, parsed->alpha, &source);
    if (parsed->features & MQO_FEATURE_MANY_OBJECTS) {
        mqoRealiseAllObjects(model, parsed->objects, parsed->objectCount, parsed->materials);
        mqoRealiseAllObjects(model, parsed->extraObjects, parsed->extraObjectCount,
                             parsed->materials);
    } else {
        mqoRealiseObjects(model, parsed->objects, parsed->objectCount, parsed->materials);
    }
    mqoReleaseParsedModel(parsed);
}

namespace {

int readDocument(MeshModel* model, const char* path, double scale, unsigned char alpha,
                 uint32_t features) {
    if (model == nullptr) return 0;
    MqoParsedModel parsed;
    if (mqoParseDocumentEx(path, scale, alpha, features, &parsed) == 0) return 0;
    mqoRealiseDocument(model, &parsed);
    return 1;
}

uint32_t featuresOf(const MqoLoadOptions* options) {
    return options != nullptr ? options->features & MQO_FEATURE_ALL : 0;
}

}  // namespace

int mqoReadDocument(MeshModel* model, const char* path, double scale, unsigned char alpha) {
    return readDocument(model, path, scale, alpha, 0);
}

int mqoLoadModelSlotEx(MeshModel* models, int index, const char* path, double scale,
                       unsigned char alpha, const MqoLoadOptions* options) {
    if (models == nullptr || index < 0) return -1;
    return readDocument(&models[index], path, scale, alpha, featuresOf(options)) == 1 ? 0 : -1;
}

int mqoLoadModelSlot(MeshModel* models, int index, const char* path, double scale,
                     unsigned char alpha) {
    return mqoLoadModelSlotEx(models, index, path, scale, alpha, nullptr);
}

MeshModel* mqoLoadModelEx(const char* path, double scale, const MqoLoadOptions* options) {
    MeshModel* model = mqoAllocModels(1);
    if (model == nullptr) return nullptr;
    if (mqoLoadModelSlotEx(model, 0, path, scale, 255, options) >= 0) return model;
    mqoFreeModels(model, 1);
    return nullptr;
}

MeshModel* mqoLoadModel(const char* path, double scale) {
    return mqoLoadModelEx(path, scale, nullptr);
}
