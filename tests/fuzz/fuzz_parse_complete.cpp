// Fuzz target: arbitrary bytes through the CPU stage under the complete
// profile (every bit but packages): polygons, mirror copies, the default
// material and object defaults. Linked without GL; what it stages must be
// consistent (fuzz/staged_checks.h).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/staged_checks.h"
#include "mqo/internal.h"
#include "support/temp_dir.h"

namespace {

const testsupport::TempDir& folder() {
    static const testsupport::TempDir dir("fuzz_parse_complete", "/dev/shm");
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (folder().path().empty()) return 0;
    const std::string path = folder().file("doc.mqo");
    if (!testsupport::writeFile(path, data, size)) std::abort();

    auto* parsed = static_cast<MqoParsedModel*>(std::malloc(sizeof(MqoParsedModel)));
    if (parsed == nullptr) return 0;
    const uint32_t features = MQO_FEATURE_ALL & ~MQO_FEATURE_MQOZ;
    if (mqoParseDocumentEx(path.c_str(), 0.5, 200, features, parsed) != 1) std::abort();
    checkStaged(*parsed);
    releaseChecked(parsed);
    std::free(parsed);
    return 0;
}
