// Starting again with 2 MB heap pages where fresh small pages are slow.
// Loading the frames writes about 150 MB the process has never touched (the
// vertex arrays and the driver's copies of them). Where a fresh 4 KiB page
// costs 10 us or more, as on virtual machines whose host backs guest memory
// only when it is first touched, those faults alone take longer than the
// whole start before them; in 2 MB pages they take a fraction of that. Only
// the program's executable holds this file: the library changes no
// process-wide setting, and the test programs linking the viewer stay as
// they are.
#include <cstdlib>  // first: it says which C library this is

// glibc alone reads GLIBC_TUNABLES; elsewhere the file is empty.
#ifdef __GLIBC__
#include <fcntl.h>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <ctime>
#include <new>
#include <string>

#include "large_pages.h"

namespace {

// Microseconds to fault one fresh 4 KiB page of a small new mapping; not a
// number when that cannot be measured.
double freshPageMicros(void) {
    const size_t page = 4096;  // the threshold is for 4 KiB pages
    if (sysconf(_SC_PAGESIZE) != static_cast<long>(page)) return NAN;
    const size_t pages = 64;  // about 0.1 to 1 ms, against 100 ms or more at stake
    const size_t size = pages * page;
    void* map = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) return NAN;
    volatile char* bytes = static_cast<volatile char*>(map);
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (size_t at = 0; at < size; at += page) bytes[at] = 1;
    clock_gettime(CLOCK_MONOTONIC, &end);
    munmap(map, size);
    const double micros = static_cast<double>(end.tv_sec - start.tv_sec) * 1e6 +
                          static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e3;
    return micros / static_cast<double>(pages);
}

// The kernel's transparent huge page mode line into mode; false without one.
bool readHugePageMode(char* mode, size_t size) {
    const int fd = open("/sys/kernel/mm/transparent_hugepage/enabled", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t got = read(fd, mode, size - 1);
    close(fd);
    if (got <= 0) return false;
    mode[got] = '\0';
    return true;
}

// Before main: started again, as the same program with the same arguments,
// when the setting pays; otherwise, or should the start fail, this process
// goes on as it is.
void startAgainIfPaying(char** argv) {
    // A secure start drops the tunables, so the next start would ask again.
    if (argv == nullptr || argv[0] == nullptr || getauxval(AT_SECURE) != 0) return;
    char mode[128];
    if (!readHugePageMode(mode, sizeof mode)) return;
    const char* tunables = getenv("GLIBC_TUNABLES");
    // The probe only where its answer could change anything.
    if (largePageTunables(tunables, mode, INFINITY).empty()) return;
    const std::string wanted = largePageTunables(tunables, mode, freshPageMicros());
    if (wanted.empty()) return;
    const bool hadTunables = tunables != nullptr;
    const std::string before = hadTunables ? tunables : "";
    if (setenv("GLIBC_TUNABLES", wanted.c_str(), 1) != 0) return;
    execv("/proc/self/exe", argv);
    if (hadTunables)
        setenv("GLIBC_TUNABLES", before.c_str(), 1);
    else
        unsetenv("GLIBC_TUNABLES");
}

void startWithLargePages(int, char** argv, char**) {
    // No memory for two short strings before main: go on as it is.
    try {
        startAgainIfPaying(argv);
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace

// glibc calls the executable's start-up functions with main's arguments, and
// reads GLIBC_TUNABLES only when a program starts.
using StartHook = void (*)(int, char**, char**);
__attribute__((section(".init_array"), used)) static const StartHook startHook =
    startWithLargePages;
#endif
