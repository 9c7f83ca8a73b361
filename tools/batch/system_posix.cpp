#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include "batch/system.h"

int makeFolder(const std::string& path) {
    return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

bool outputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }
