// MqoModel: the process's identity on POSIX systems, which the scan helpers
// compare to tell a forked child (which has none of its parent's threads).
#include <unistd.h>

#include "mqo/read/read_internal.h"

long mqo::detail::mqoProcessId() { return static_cast<long>(getpid()); }
