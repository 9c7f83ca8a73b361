// Fuzz target: arbitrary bytes through the CPU stage of a load alone. It is
// linked without GL and without the library's state, so the parse cannot
// reach either; what it stages must be consistent (fuzz/staged_checks.h).
#include "fuzz/staged_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return parseAndCheck(data, size, 0);
}
