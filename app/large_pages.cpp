// The decision behind starting again with 2 MB heap pages.
#include "large_pages.h"

#include <cstring>

std::string largePageTunables(const char* tunables, const char* thpMode, double microsPerPage) {
    static const char kSetting[] = "glibc.malloc.hugetlb";
    if (tunables != nullptr && std::strstr(tunables, kSetting) != nullptr) return "";
    if (thpMode == nullptr || std::strstr(thpMode, "[madvise]") == nullptr) return "";
    // Not a number (a probe that could not run) compares false: keep.
    if (!(microsPerPage > kSlowFreshPageMicros)) return "";
    std::string wanted = std::string(kSetting) + "=1";
    if (tunables == nullptr || *tunables == '\0') return wanted;
    return std::string(tunables) + ":" + wanted;
}
