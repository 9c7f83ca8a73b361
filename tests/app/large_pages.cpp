// When the program starts itself again with 2 MB heap pages, and with which
// C library settings.
#include "large_pages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

const char kMadvise[] = "always [madvise] never\n";
const double kSlow = 12.0;  // as fresh pages measured on a slow host
const double kCheap = 1.5;  // as pages the host already backs

struct Case {
    const char* what;
    const char* tunables;
    const char* mode;
    double micros;
    const char* want;
};

TEST(LargePages, StartsAgainOnlyWhereSmallFreshPagesAreSlowAndNothingIsChosen) {
    const Case cases[] = {
        {"unset", nullptr, kMadvise, kSlow, "glibc.malloc.hugetlb=1"},
        {"empty", "", kMadvise, kSlow, "glibc.malloc.hugetlb=1"},
        {"other settings kept", "glibc.malloc.tcache_count=0", kMadvise, kSlow,
         "glibc.malloc.tcache_count=0:glibc.malloc.hugetlb=1"},
        {"the user's no", "glibc.malloc.hugetlb=0", kMadvise, kSlow, ""},
        {"the user's other yes", "glibc.malloc.tcache_count=0:glibc.malloc.hugetlb=2", kMadvise,
         kSlow, ""},
        {"cheap pages", nullptr, kMadvise, kCheap, ""},
        {"at the threshold", nullptr, kMadvise, kSlowFreshPageMicros, ""},
        {"just above it", nullptr, kMadvise, kSlowFreshPageMicros + 0.01, "glibc.malloc.hugetlb=1"},
        {"not measured", nullptr, kMadvise, NAN, ""},
        {"every region huge already", nullptr, "[always] madvise never\n", kSlow, ""},
        {"huge pages off", nullptr, "always madvise [never]\n", kSlow, ""},
        {"no mode known", nullptr, nullptr, kSlow, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(largePageTunables(c.tunables, c.mode, c.micros), c.want) << c.what;
}

TEST(LargePages, TheSecondStartDoesNotStartAgain) {
    // What the first start sets is what the second one reads.
    const std::string first = largePageTunables("glibc.malloc.tcache_count=0", kMadvise, kSlow);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(largePageTunables(first.c_str(), kMadvise, kSlow), "");
}

}  // namespace
