// The documents and calls the fault tests run under injected failures, and
// what each run gave: one table shared by the allocation and read tests.
#ifndef MQO_TESTS_FAULTS_FAULT_CASES_H
#define MQO_TESTS_FAULTS_FAULT_CASES_H

#include <string>
#include <vector>

#include "support/fault_inject.h"

namespace faultcases {

// The fault the next run gets. Cases arm it around the library call alone,
// so the test's own allocations and reads are never counted.
struct Injection {
    enum Kind { None, Allocation, Read } kind = None;
    faults::ReadFault read = faults::ReadFault::Fail;
    long at = 0;
    bool workersOnly = false;  // allocations: only those of threads the call starts
    // Filled by the run: calls seen while armed, and whether the fault hit.
    long seen = 0;
    bool hit = false;
    bool escaped = false;  // an exception left the library call
};
Injection& injection();
void arm();
void disarm();
// Runs call armed; an exception leaving it is caught and noted as escaped.
template <class F>
void armed(F call) {
    arm();
    try {
        call();
    } catch (...) {
        injection().escaped = true;
    }
    disarm();
}

// What one run gave: a dump per model (or frame, or .glb) with texture and
// buffer names by order of first use, "null" where there is none; whether
// the call returned its documented failure, and with which code (a report's
// result, a glTF result, 0 where the call has none).
struct Run {
    std::vector<std::string> units;
    bool failed = false;
    int code = 0;
    std::string printed;
    bool told = false;  // a texture was left out and the call said so
};

struct Case {
    const char* name;
    Run (*run)();
    int outOfMemoryCode;  // the code a failure for memory carries (0: none)
    int readErrorCode;    // the code a failure to read carries (0: none)
    // False when the case's document is not to be had (the corpus beside the
    // project, the character generator); null: always there.
    bool (*available)();
};
// Every case. Documents are made or found only when a case first runs.
const std::vector<Case>& cases();

// What a sweep over every injection point of one case found.
struct Sweep {
    long points = 0;           // injection points covered (runs where the fault hit)
    long stride = 1;           // every point up to kDensePoints, then every stride-th
    long failed = 0;           // runs that gave the documented failure
    long unchanged = 0;        // runs that gave exactly the fault-free result
    long texturesLeftOut = 0;  // read faults: a texture left out, and said so
    std::vector<std::string> problems;
};
enum { kDensePoints = 300, kMostRuns = 600 };
// Runs c with the fault of how at point 1, 2, 3, ... until a run it does not
// reach. Every run must give the documented failure (code as the case
// says) or, when mayFail is false or the fault was absorbed, the fault-free
// result; a read fault may also leave a texture out, as a texture that
// cannot be read is, when the call says so; afterwards a normal run must give the fault-free result
// again and every GL name must be released.
Sweep sweep(const Case& c, Injection how, int code, bool mayFail);

// GL texture and buffer names created since the last fake GL reset that were
// not deleted.
long glNamesLeft();
// Empties the pool and resets the fake GL and the library's state.
void freshLibrary();

// Loads the eight documents of the list case one after another with
// mqoLoadModel, and together with mqoLoadModels; units as above, calls are
// the GL calls of the run.
struct ListRun {
    Run run;
    std::vector<std::string> calls;
};
// The case of that name (it must be there).
const Case& caseNamed(const std::string& name);

ListRun loadListOneByOne();
ListRun loadListTogether();

}  // namespace faultcases

#endif  // MQO_TESTS_FAULTS_FAULT_CASES_H
