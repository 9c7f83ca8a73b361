// Fuzz target: arbitrary bytes through the CPU stage under the complete
// profile (every bit but packages): polygons, mirror copies, the default
// material and object defaults. Linked without GL; what it stages must be
// consistent (fuzz/staged_checks.h).
#include "fuzz/staged_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return parseAndCheck(data, size, MQO_FEATURE_ALL & ~MQO_FEATURE_MQOZ);
}
