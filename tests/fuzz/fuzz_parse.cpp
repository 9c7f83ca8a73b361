// Fuzz target: arbitrary bytes through the CPU stage of a load alone. It is
// linked without GL and without the library's state, so the parse cannot
// reach either; what it stages must be consistent (fuzz/staged_checks.h).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/staged_checks.h"
#include "mqo/internal.h"
#include "support/temp_dir.h"

namespace {

const testsupport::TempDir& folder() {
    static const testsupport::TempDir dir("fuzz_parse", "/dev/shm");
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (folder().path().empty()) return 0;
    const std::string path = folder().file("doc.mqo");
    if (!testsupport::writeFile(path, data, size)) std::abort();

    MqoParsedModel* parsed = static_cast<MqoParsedModel*>(std::malloc(sizeof(MqoParsedModel)));
    if (parsed == nullptr) return 0;
    if (mqoParseDocument(path.c_str(), 0.5, 200, parsed) != 1) std::abort();
    checkStaged(*parsed);
    releaseChecked(parsed);
    std::free(parsed);
    return 0;
}
