// The wrapped functions behind support/fault_inject.h. Each __wrap_ name is
// what the library's objects call once linked with -Wl,--wrap=NAME; the
// __real_ name is the function itself (the sanitizer's, under ASan).
#include "support/fault_inject.h"

#include <stdio.h>
#include <zip.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <system_error>
#include <thread>

#include "support/asan.h"
#ifdef MQO_TESTS_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

namespace faults {

namespace {

std::atomic<bool> allocArmed{false};
std::atomic<long> allocCount{0};
std::atomic<long> allocFailAt{0};
std::atomic<bool> allocFailed{false};
std::atomic<bool> allocWorkersOnly{false};
std::thread::id allocArmer;
thread_local int paused = 0;

std::atomic<bool> readArmed{false};
std::atomic<long> readCount{0};
std::atomic<long> readAt{0};
std::atomic<int> readFault{0};
std::atomic<bool> readDone{false};

std::atomic<bool> threadsRefused{false};
std::atomic<int> refusedCount{0};

}  // namespace

void armAllocations(long failAt, bool workersOnly) {
    allocArmer = std::this_thread::get_id();
    allocWorkersOnly = workersOnly;
    allocCount = 0;
    allocFailed = false;
    allocFailAt = failAt;
    allocArmed = true;
}

long disarmAllocations() {
    allocArmed = false;
    return allocCount;
}

bool allocationFailed() { return allocFailed; }

Pause::Pause() { ++paused; }
Pause::~Pause() { --paused; }

namespace {

// MQO_FAULT_TRACE=N prints where the N-th injected fault struck (under ASan),
// to find the site a failing case points at.
void trace(const char* what, long n) {
#ifdef MQO_TESTS_ASAN
    static const char* wanted = std::getenv("MQO_FAULT_TRACE");
    if (wanted != nullptr && std::atol(wanted) == n) {
        Pause pause;
        std::fprintf(stderr, "%s fault %ld struck:\n", what, n);
        __sanitizer_print_stack_trace();
    }
#else
    (void)what;
    (void)n;
#endif
}

// True when this allocation is the one to fail.
bool failThisAllocation() {
    if (!allocArmed || paused > 0) return false;
    if (allocWorkersOnly && std::this_thread::get_id() == allocArmer) return false;
    const long n = ++allocCount;
    if (n != allocFailAt) return false;
    allocFailed = true;
    trace("allocation", n);
    return true;
}

}  // namespace

void armReads(ReadFault fault, long at) {
    readCount = 0;
    readDone = false;
    readFault = static_cast<int>(fault);
    readAt = at;
    readArmed = true;
}

long disarmReads() {
    readArmed = false;
    return readCount;
}

bool readFaulted() { return readDone; }

namespace {

// The fault for this read, or -1 for none.
int faultThisRead(bool zip) {
    if (!readArmed || paused > 0) return -1;
    const int fault = readFault;
    if (zip && fault == static_cast<int>(ReadFault::Interrupt)) return -1;
    if (++readCount != readAt) return -1;
    readDone = true;
    trace("read", readAt);
    return fault;
}

}  // namespace

void failThreadStarts(bool fail) {
    refusedCount = 0;
    threadsRefused = fail;
}

int threadStartsRefused() { return refusedCount; }

}  // namespace faults

using faults::failThisAllocation;
using faults::faultThisRead;
using faults::ReadFault;

extern "C" {

void* __real_malloc(size_t);
void* __real_calloc(size_t, size_t);
void* __real_realloc(void*, size_t);
char* __real_strdup(const char*);
void* __real__Znwm(size_t);
void* __real__Znam(size_t);
void* __real__ZnwmRKSt9nothrow_t(size_t, const std::nothrow_t&);
void* __real__ZnamRKSt9nothrow_t(size_t, const std::nothrow_t&);
size_t __real_fread(void*, size_t, size_t, FILE*);
zip_int64_t __real_zip_fread(zip_file_t*, void*, zip_uint64_t);
// std::thread::_M_start_thread(unique_ptr<_State>, void (*)()): the
// unique_ptr, not trivially copyable, is passed by address.
void __real__ZNSt6thread15_M_start_threadESt10unique_ptrINS_6_StateESt14default_deleteIS1_EEPFvvE(
    std::thread*, void*, void (*)());

void* __wrap_malloc(size_t n) { return failThisAllocation() ? nullptr : __real_malloc(n); }
void* __wrap_calloc(size_t n, size_t size) {
    return failThisAllocation() ? nullptr : __real_calloc(n, size);
}
void* __wrap_realloc(void* p, size_t n) {
    return failThisAllocation() ? nullptr : __real_realloc(p, n);
}
char* __wrap_strdup(const char* s) { return failThisAllocation() ? nullptr : __real_strdup(s); }

void* __wrap__Znwm(size_t n) {
    if (failThisAllocation()) throw std::bad_alloc();
    return __real__Znwm(n);
}
void* __wrap__Znam(size_t n) {
    if (failThisAllocation()) throw std::bad_alloc();
    return __real__Znam(n);
}
void* __wrap__ZnwmRKSt9nothrow_t(size_t n, const std::nothrow_t& t) {
    return failThisAllocation() ? nullptr : __real__ZnwmRKSt9nothrow_t(n, t);
}
void* __wrap__ZnamRKSt9nothrow_t(size_t n, const std::nothrow_t& t) {
    return failThisAllocation() ? nullptr : __real__ZnamRKSt9nothrow_t(n, t);
}

size_t __wrap_fread(void* buffer, size_t size, size_t n, FILE* file) {
    // At the end of the file glibc's fread returns at once (the end is
    // sticky): no read happens there that could fail.
    if (std::feof(file)) return __real_fread(buffer, size, n, file);
    const int fault = faultThisRead(false);
    if (fault < 0 || n == 0) return __real_fread(buffer, size, n, file);
    if (fault == static_cast<int>(ReadFault::Short)) {
        return __real_fread(buffer, size, n > 1 ? n / 2 : 1, file);
    }
    // What a failing read(2) leaves: nothing read, errno set, the stream's
    // error flag up (glibc's, which clearerr lowers again).
    file->_flags |= _IO_ERR_SEEN;
    errno = fault == static_cast<int>(ReadFault::Interrupt) ? EINTR : EIO;
    return 0;
}

zip_int64_t __wrap_zip_fread(zip_file_t* file, void* buffer, zip_uint64_t n) {
    const int fault = faultThisRead(true);
    if (fault < 0 || n == 0) return __real_zip_fread(file, buffer, n);
    if (fault == static_cast<int>(ReadFault::Short)) {
        return __real_zip_fread(file, buffer, n > 1 ? n / 2 : 1);
    }
    return -1;
}

void __wrap__ZNSt6thread15_M_start_threadESt10unique_ptrINS_6_StateESt14default_deleteIS1_EEPFvvE(
    std::thread* self, void* state, void (*fn)()) {
    if (faults::threadsRefused) {
        ++faults::refusedCount;
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    __real__ZNSt6thread15_M_start_threadESt10unique_ptrINS_6_StateESt14default_deleteIS1_EEPFvvE(
        self, state, fn);
}

}  // extern "C"
