// Fuzz target: arbitrary bytes as a .mqoz package through the CPU stage with
// packages, name conversion and the texture search on, then the texture
// names of its materials opened from inside it (and beside it). A package
// that does not read leaves the parse empty; one that does names itself as
// the textures' source, and every entry opened reads back no more than the
// texture limit.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"
#include "support/temp_dir.h"

using namespace mqo::detail;

namespace {

const uint32_t kFeatures = MQO_FEATURE_MQOZ | MQO_FEATURE_UTF8_NAMES | MQO_FEATURE_TEXTURE_SEARCH;
const int kMostOpened = 4;  // texture opens per input, so each run stays quick

const testsupport::TempDir& folder() {
    static const testsupport::TempDir dir("fuzz_mqoz", "/dev/shm");
    return dir;
}

void checkNames(const MqoParsedModel& parsed) {
    if (parsed.objectCount < 0 || parsed.objectCount > MQO_MAX_OBJECTS) std::abort();
    if (std::memchr(parsed.directory, '\0', sizeof parsed.directory) == nullptr) std::abort();
    for (int i = 0; i < parsed.objectCount; ++i) {
        const char* name = parsed.objects[i].object.name;
        if (std::memchr(name, '\0', 256) == nullptr) std::abort();
    }
}

// Opens a name the way the GL stage would and reads the whole entry back.
void openTexture(const MqoParsedModel& parsed, const char* name) {
    std::string path = std::string(parsed.directory) + name;
    const MqoReadContext source = mqoParsedContext(MqoReadContext(), parsed);
    FILE* file = mqoOpenTextureSource(path.c_str(), source);
    if (file == nullptr) return;
    if (std::fseek(file, 0, SEEK_END) != 0) std::abort();
    const long size = std::ftell(file);
    // The limit is the package's; a file beside it (fileno >= 0) is the disk's.
    const bool fromPackage = fileno(file) < 0;
    if (size < 0 || (fromPackage && size > (64L << 20)) || std::fseek(file, 0, SEEK_SET) != 0)
        std::abort();
    long read = 0;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) read += got;
    if (read != size) std::abort();
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (folder().path().empty()) return 0;
    const std::string path = folder().file("doc.mqoz");
    if (!testsupport::writeFile(path, data, size)) std::abort();

    auto* parsed = static_cast<MqoParsedModel*>(std::malloc(sizeof(MqoParsedModel)));
    if (parsed == nullptr) return 0;
    if (mqoParseDocumentEx(path.c_str(), 0.5, 200, kFeatures, parsed) != 1) {
        if (parsed->objectCount != 0 || parsed->materials != nullptr || parsed->package[0] != '\0')
            std::abort();
        std::free(parsed);
        return 0;
    }
    if (path != parsed->package) std::abort();
    checkNames(*parsed);
    int opened = 0;
    for (int i = 0; i < parsed->materialCount && opened < kMostOpened; ++i) {
        const MaterialEntry& m = parsed->materials[i];
        if (m.textureFile[0] != '\0') openTexture(*parsed, m.textureFile), ++opened;
        if (m.alphaFile[0] != '\0') openTexture(*parsed, m.alphaFile), ++opened;
    }
    openTexture(*parsed, "tex.bmp");
    mqoReleaseParsedModel(parsed);
    std::free(parsed);
    return 0;
}
