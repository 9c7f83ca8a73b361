#include <errno.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include "batch/system.h"

int makeFolder(const std::string& path) {
    return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

bool outputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

void keepLargeBlocksMapped() {
    // A fixed threshold: the C library's default rises after the first large
    // free, and then a batch grew by about the texture bytes of every document.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

void returnFreeMemory() {
    // Free pages the heap keeps between documents would otherwise stay
    // resident; at times the heap took about 50 KiB more for each one.
    malloc_trim(0);
}
