// mqoLoadModels when no worker thread can be started, and when a worker's
// parse runs out of memory part way: the models, console messages and GL
// calls must still be those of mqoLoadModel for each document in turn.
#include <gtest/gtest.h>

#include <cstdio>

#include "faults/fault_cases.h"
#include "mqo/gl/gl_internal.h"
#include "mqo/read/read_internal.h"

namespace {

using faultcases::Injection;

void expectSame(const faultcases::ListRun& got, const faultcases::ListRun& want,
                const std::string& what) {
    EXPECT_EQ(got.run.units, want.run.units) << what;
    EXPECT_EQ(got.run.printed, want.run.printed) << what;
    EXPECT_EQ(got.calls, want.calls) << what;
}

TEST(ThreadFaults, NoWorkerThreadLoadsAsOneAfterAnother) {
    const faultcases::ListRun sequential = faultcases::loadListOneByOne();
    faults::failThreadStarts(true);
    const faultcases::ListRun together = faultcases::loadListTogether();
    const int refused = faults::threadStartsRefused();
    faults::failThreadStarts(false);
    EXPECT_GT(refused, 0);  // the seam was reached
    expectSame(together, sequential, "no thread started");
}

TEST(ThreadFaults, AWorkerOutOfMemoryLoadsAsOneAfterAnother) {
    const faultcases::ListRun sequential = faultcases::loadListOneByOne();
    // Every document to the worker: the calling thread would otherwise read
    // some, often all of these small ones, before the worker starts.
    mqo::detail::mqoSetFinishReads(false);
    long points = 0;
    for (long at = 1;; ++at) {
        Injection how;
        how.kind = Injection::Allocation;
        how.workersOnly = true;
        how.at = at;
        faultcases::injection() = how;
        const faultcases::ListRun together = faultcases::loadListTogether();
        const bool hit = faultcases::injection().hit;
        faultcases::injection() = Injection();
        if (!hit) break;
        ++points;
        expectSame(together, sequential, "worker allocation " + std::to_string(at) + " failed");
        if (HasFailure()) break;
    }
    mqo::detail::mqoSetFinishReads(true);
    std::printf("mqoLoadModels: %ld worker allocation points covered\n", points);
    EXPECT_GT(points, 0);
}

// An object built on a helper that runs out of memory fails the whole load,
// as one built on the calling thread does: the helper's failures count.
TEST(ThreadFaults, AHelperBuildingAnObjectOutOfMemoryFailsTheLoad) {
    Injection how;
    how.kind = Injection::Allocation;
    how.workersOnly = true;
    const faultcases::Case& c = faultcases::caseNamed("two objects built on two threads");
    // Every object run to its helper: the calling thread would otherwise
    // often take it back and build it, before the helper begins.
    mqo::detail::mqoSetHelperTiming(mqo::detail::kHelpersAwaited);
    const faultcases::Sweep s = faultcases::sweep(c, how, c.outOfMemoryCode, true);
    mqo::detail::mqoSetHelperTiming(mqo::detail::kHelpersAsUsual);
    std::printf("%s: %ld helper allocation points covered, %ld failed\n", c.name, s.points,
                s.failed);
    EXPECT_GT(s.points, 0);
    EXPECT_EQ(s.failed, s.points);  // a helper's batch is never absorbed
    for (const std::string& p : s.problems) ADD_FAILURE() << p;
}

}  // namespace
