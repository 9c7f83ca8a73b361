// The reference reader scans every list one line at a time, as it was first
// written: the shared scan of long lists never takes a line here, and its
// stream never scans ahead.
#include "mqo/read/read_internal.h"

namespace mqo::detail {

int mqoShareList(MqoStream*, void*, bool, int, bool* again) {
    *again = false;
    return 0;
}

void mqoSetListShareThreshold(int) {}

void mqoReleaseShareScratch() {}

void mqoReleasePrescanTable() {}

}  // namespace mqo::detail
