// Every read of each case (documents, images, package entries) failed, cut
// short or interrupted in turn. Short and interrupted reads must give
// exactly the fault-free result; a failed read the documented failure (a
// texture that cannot be read is left out and said so, as ever), never part
// of a document reported as loaded.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "faults/fault_cases.h"

namespace {

using faultcases::Injection;
using faults::ReadFault;

struct ReadCase {
    size_t index;
    ReadFault fault;
};

std::vector<ReadCase> readCases() {
    std::vector<ReadCase> all;
    for (size_t i = 0; i < faultcases::cases().size(); ++i)
        for (ReadFault f : {ReadFault::Fail, ReadFault::Short, ReadFault::Interrupt})
            all.push_back({i, f});
    return all;
}

const char* faultName(ReadFault f) {
    return f == ReadFault::Fail ? "fails" : f == ReadFault::Short ? "short" : "interrupted";
}

class ReadFaults : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadFaults, GiveTheWholeResultOrTheDocumentedFailure) {
    const faultcases::Case& c = faultcases::cases()[GetParam().index];
    if (c.available != nullptr && !c.available()) GTEST_SKIP() << "no " << c.name << " here";
    const ReadFault fault = GetParam().fault;
    Injection how;
    how.kind = Injection::Read;
    how.read = fault;
    const bool mayFail = fault == ReadFault::Fail;
    const faultcases::Sweep s = faultcases::sweep(c, how, mayFail ? c.readErrorCode : 0, mayFail);
    std::printf(
        "%s, read %s: %ld read points covered, %ld failed, %ld textures left out, %ld "
        "unchanged\n",
        c.name, faultName(fault), s.points, s.failed, s.texturesLeftOut, s.unchanged);
    EXPECT_GT(s.points, 0);
    for (const std::string& p : s.problems) ADD_FAILURE() << p;
}

INSTANTIATE_TEST_SUITE_P(EveryCase, ReadFaults, ::testing::ValuesIn(readCases()),
                         [](const testing::TestParamInfo<ReadCase>& info) {
                             std::string name = faultcases::cases()[info.param.index].name;
                             name += std::string("_") + faultName(info.param.fault);
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

}  // namespace
