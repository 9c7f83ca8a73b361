// MqoModel: a load's GL stage and the load calls: a parsed document's
// textures requested and its objects uploaded on the caller's thread.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "mqo/MqoModelGL.h"
#include "mqo/gl/gl_internal.h"
#include "mqo/image/image_internal.h"
#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// mqoRealiseDocument under load's limits, report and sink.
void realiseParsed(MeshModel* model, MqoParsedModel* parsed, const MqoReadContext& load) {
    if (model == nullptr) {
        mqoReleaseParsedModel(parsed);
        return;
    }
    model->alpha = parsed->alpha;
    const MqoReadContext read = mqoParsedContext(load, *parsed);
    mqoResolveTextures(parsed->materials, parsed->materialCount, parsed->alpha, read);
    if (parsed->features & MQO_FEATURE_MANY_OBJECTS) {
        mqoRealiseAllObjects(model, parsed->objects, parsed->objectCount, parsed->materials);
        mqoRealiseAllObjects(model, parsed->extraObjects, parsed->extraObjectCount,
                             parsed->materials);
    } else {
        mqoRealiseObjects(model, parsed->objects, parsed->objectCount, parsed->materials);
    }
    mqoReleaseParsedModel(parsed);
}

}  // namespace

namespace {

// Why a document did not open, asked of the file system after the fact so
// the reading itself stays as it was.
MqoLoadResult whyNotOpened(const MqoReadContext& read) {
    const char* path = read.path;
    if (path == nullptr) return MQO_LOAD_NOT_FOUND;
    bool folder = false;
    if (const int error = mqoPathStatus(path, &folder)) {
        if (error == ENOMEM) return MQO_LOAD_OUT_OF_MEMORY;
        return error == EACCES ? MQO_LOAD_UNREADABLE : MQO_LOAD_NOT_FOUND;
    }
    if (folder) return MQO_LOAD_FOLDER;
    if ((read.features & MQO_FEATURE_MQOZ) != 0 && mqoIsPackagePath(path)) {
        return MQO_LOAD_DAMAGED_PACKAGE;
    }
    FILE* file = mqoOpenFile(path, "rb");
    if (file == nullptr) return errno == ENOMEM ? MQO_LOAD_OUT_OF_MEMORY : MQO_LOAD_UNREADABLE;
    std::fclose(file);
    return MQO_LOAD_OUT_OF_MEMORY;  // it opens: the reader's buffers did not
}

// Reads read's document into model. Memory that ran out anywhere on the
// way (an object, a batch or a texture left out) fails the whole load: the
// model would otherwise lack what the file holds, reported as loaded.
int readDocument(MeshModel* model, const MqoReadContext& read, double scale, unsigned char alpha) {
    if (model == nullptr) return 0;
    const unsigned long failures = mqoMemoryFailures();
    MqoParsedModel parsed;
    if (mqoParseSource(read, scale, alpha, &parsed) == 0) {
        // A read that failed part way has said so already.
        if (read.report != nullptr && mqoMemoryFailures() != failures) {
            read.report->result = MQO_LOAD_OUT_OF_MEMORY;
        } else if (read.report != nullptr && read.report->result != MQO_LOAD_UNREADABLE) {
            read.report->result = whyNotOpened(read);
        }
        return 0;
    }
    realiseParsed(model, &parsed, read);
    if (mqoMemoryFailures() == failures) return 1;
    mqoReleaseModelSlots(model, 0, 1);
    *model = MeshModel();
    if (read.report != nullptr) read.report->result = MQO_LOAD_OUT_OF_MEMORY;
    return 0;
}

// A load's context as options ask, its report (when set) zeroed; without
// options, the exact subset counted and printed as around the call.
MqoReadContext loadContext(const char* path, const MqoLoadOptions* options) {
    MqoReadContext read = options != nullptr ? MqoReadContext() : mqoAmbientRead();
    read.path = path;
    if (options == nullptr) return read;
    read.features = options->features & kMqoKnownFeatures;
    read.report = options->report;
    read.message = options->message;
    read.messageContext = options->context;
    read.quiet = options->quiet != 0;
    if (read.report != nullptr) std::memset(read.report, 0, sizeof *read.report);
    return read;
}

int loadSlot(MeshModel* models, int index, const MqoReadContext& read, double scale,
             unsigned char alpha) {
    if (models == nullptr || index < 0) {
        if (read.report != nullptr) read.report->result = MQO_LOAD_NOT_FOUND;
        return -1;
    }
    return readDocument(&models[index], read, scale, alpha) == 1 ? 0 : -1;
}

}  // namespace

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

void mqoRealiseDocument(MeshModel* model, MqoParsedModel* parsed) {
    if (parsed == nullptr) return;
    realiseParsed(model, parsed, mqoAmbientRead());
}

int mqoReadDocument(MeshModel* model, const char* path, double scale, unsigned char alpha) {
    MqoReadContext read = mqoAmbientRead();
    read.path = path;
    return readDocument(model, read, scale, alpha);
}

int mqoLoadModelSlotEx(MeshModel* models, int index, const char* path, double scale,
                       unsigned char alpha, const MqoLoadOptions* options) {
    const MqoReadContext read = loadContext(path, options);
    MqoReadScope scope(read);
    return loadSlot(models, index, read, scale, alpha);
}

int mqoLoadModelSlot(MeshModel* models, int index, const char* path, double scale,
                     unsigned char alpha) {
    return mqoLoadModelSlotEx(models, index, path, scale, alpha, nullptr);
}

MeshModel* mqoLoadModelEx(const char* path, double scale, const MqoLoadOptions* options) {
    const MqoReadContext read = loadContext(path, options);
    MqoReadScope scope(read);
    MeshModel* model = mqoAllocModels(1);
    if (model == nullptr) {
        if (read.report != nullptr) read.report->result = MQO_LOAD_OUT_OF_MEMORY;
        return nullptr;
    }
    if (loadSlot(model, 0, read, scale, 255) >= 0) return model;
    mqoFreeModels(model, 1);
    return nullptr;
}

MeshModel* mqoLoadModel(const char* path, double scale) {
    return mqoLoadModelEx(path, scale, nullptr);
}
