// MqoModel: the process's identity on Windows, where no process is forked, so
// the scan helpers' check always finds their own.
#include <windows.h>

#include "mqo/read/read_internal.h"

long mqo::detail::mqoProcessId() { return static_cast<long>(GetCurrentProcessId()); }
