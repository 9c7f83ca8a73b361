// Every allocation of each case failed in turn: the call must give its
// documented failure (or, where the library has another way, the very same
// result), leave the pool as a normal load expects it, and leak nothing.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>

#include "faults/fault_cases.h"
#include "support/asan.h"
#ifdef MQO_TESTS_ASAN
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using faultcases::Injection;

class AllocationFaults : public ::testing::TestWithParam<size_t> {};

TEST_P(AllocationFaults, GiveTheDocumentedFailureAndLeakNothing) {
    const faultcases::Case& c = faultcases::cases()[GetParam()];
    if (c.available != nullptr && !c.available()) GTEST_SKIP() << "no " << c.name << " here";
    Injection how;
    how.kind = Injection::Allocation;
    const faultcases::Sweep s = faultcases::sweep(c, how, c.outOfMemoryCode, true);
    std::printf(
        "%s: %ld allocation points covered (stride %ld past %d), %ld failed, %ld "
        "unchanged\n",
        c.name, s.points, s.stride, faultcases::kDensePoints, s.failed, s.unchanged);
    EXPECT_GT(s.points, 0);
    for (const std::string& p : s.problems) ADD_FAILURE() << p;
#ifdef MQO_TESTS_ASAN
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << c.name;
#endif
}

INSTANTIATE_TEST_SUITE_P(EveryCase, AllocationFaults,
                         ::testing::Range<size_t>(0, faultcases::cases().size()),
                         [](const testing::TestParamInfo<size_t>& info) {
                             std::string name = faultcases::cases()[info.param].name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

}  // namespace
