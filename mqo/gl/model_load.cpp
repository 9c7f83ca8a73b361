// MqoModel: a load's GL stage and the load calls: a parsed document's
// textures requested and its objects uploaded on the caller's thread.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "mqo/MqoModelGL.h"
#include "mqo/gl/gl_internal.h"
#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Why a document did not open, asked of the file system after the fact so
// the reading itself stays as it was.
MqoLoadResult whyNotOpened(const char* path, uint32_t features) {
    struct stat st;
    if (path == nullptr) return MQO_LOAD_NOT_FOUND;
    if (stat(path, &st) != 0) {
        if (errno == ENOMEM) return MQO_LOAD_OUT_OF_MEMORY;
        return errno == EACCES ? MQO_LOAD_UNREADABLE : MQO_LOAD_NOT_FOUND;
    }
    if (S_ISDIR(st.st_mode)) return MQO_LOAD_FOLDER;
    if ((features & MQO_FEATURE_MQOZ) != 0 && mqoIsPackagePath(path)) {
        return MQO_LOAD_DAMAGED_PACKAGE;
    }
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return errno == ENOMEM ? MQO_LOAD_OUT_OF_MEMORY : MQO_LOAD_UNREADABLE;
    std::fclose(file);
    return MQO_LOAD_OUT_OF_MEMORY;  // it opens: the reader's buffers did not
}

int readDocument(MeshModel* model, const char* path, double scale, unsigned char alpha,
                 uint32_t features) {
    if (model == nullptr) return 0;
    MqoParsedModel parsed;
    if (mqoParseDocumentEx(path, scale, alpha, features, &parsed) == 0) {
        if (MqoLoadReport* report = mqoLoadReport()) report->result = whyNotOpened(path, features);
        return 0;
    }
    mqoRealiseDocument(model, &parsed);
    return 1;
}

// The load's context, current for as long as the load: set from options
// (a null report counts nothing), and put back as it was after.
class LoadScope {
public:
    explicit LoadScope(const MqoLoadOptions* options) : previous_(mqoCurrentLoad()) {
        if (options == nullptr) return;
        load_ = {options->report, options->message, options->context, options->quiet != 0};
        if (load_.report != nullptr) std::memset(load_.report, 0, sizeof *load_.report);
        mqoSetCurrentLoad(&load_);
    }
    ~LoadScope() { mqoSetCurrentLoad(previous_); }
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;

private:
    MqoLoadContext* previous_;
    MqoLoadContext load_ = {};
};

uint32_t featuresOf(const MqoLoadOptions* options) {
    return options != nullptr ? options->features & MQO_FEATURE_ALL : 0;
}

}  // namespace

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

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

int mqoReadDocument(MeshModel* model, const char* path, double scale, unsigned char alpha) {
    return readDocument(model, path, scale, alpha, 0);
}

int mqoLoadModelSlotEx(MeshModel* models, int index, const char* path, double scale,
                       unsigned char alpha, const MqoLoadOptions* options) {
    LoadScope scope(options);
    if (models == nullptr || index < 0) {
        if (MqoLoadReport* report = mqoLoadReport()) report->result = MQO_LOAD_NOT_FOUND;
        return -1;
    }
    return readDocument(&models[index], path, scale, alpha, featuresOf(options)) == 1 ? 0 : -1;
}

int mqoLoadModelSlot(MeshModel* models, int index, const char* path, double scale,
                     unsigned char alpha) {
    return mqoLoadModelSlotEx(models, index, path, scale, alpha, nullptr);
}

MeshModel* mqoLoadModelEx(const char* path, double scale, const MqoLoadOptions* options) {
    MeshModel* model = mqoAllocModels(1);
    if (model == nullptr) {
        LoadScope scope(options);
        if (MqoLoadReport* report = mqoLoadReport()) report->result = MQO_LOAD_OUT_OF_MEMORY;
        return nullptr;
    }
    if (mqoLoadModelSlotEx(model, 0, path, scale, 255, options) >= 0) return model;
    mqoFreeModels(model, 1);
    return nullptr;
}

MeshModel* mqoLoadModel(const char* path, double scale) {
    return mqoLoadModelEx(path, scale, nullptr);
}
