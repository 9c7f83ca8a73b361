// Failures injected into the library's allocations, reads and thread starts.
// The fault test links the library's objects with -Wl,--wrap for malloc,
// calloc, realloc, strdup, the operator new forms, fread, zip_fread and
// std::thread's start, so only calls made from statically linked objects
// come here; allocations inside shared libraries (libzip, libspng, libjpeg,
// libstdc++'s own out-of-line code) are out of reach. Nothing is counted or
// failed until a test arms it.
#ifndef MQO_TESTS_SUPPORT_FAULT_INJECT_H
#define MQO_TESTS_SUPPORT_FAULT_INJECT_H

namespace faults {

// Counts allocations from now on and fails the failAt-th (1-based; 0 fails
// none): malloc, calloc, realloc and strdup return null, new throws
// std::bad_alloc, new (std::nothrow) returns null. Resets the count. With
// workersOnly, the arming thread's own allocations are neither counted nor
// failed (only those of the threads a call starts).
void armAllocations(long failAt, bool workersOnly = false);
// Stops counting; returns how many allocations were seen while armed.
long disarmAllocations();
// Whether the armed allocation failure happened.
bool allocationFailed();

// While one lives, this thread's allocations are neither counted nor
// failed (for the test's own work inside a library callback).
struct Pause {
    Pause();
    ~Pause();
};

enum class ReadFault {
    Fail,       // the read stops with EIO (fread: error flag set; zip_fread: -1)
    Short,      // the read returns fewer bytes than it could (at least one)
    Interrupt,  // fread stops with EINTR, error flag set, once (zip reads not counted)
};
// Counts reads (fread and zip_fread) from now on; the at-th (1-based) gets
// the fault. Resets the count.
void armReads(ReadFault fault, long at);
// Stops counting; returns how many reads were seen while armed.
long disarmReads();
bool readFaulted();

// While armed, every std::thread start fails with resource_unavailable_try_again.
void failThreadStarts(bool fail);
// Starts refused since failThreadStarts(true).
int threadStartsRefused();

}  // namespace faults

#endif  // MQO_TESTS_SUPPORT_FAULT_INJECT_H
