// The two things the application asks of the operating system.
#ifndef AMBLETOE_PLATFORM_H
#define AMBLETOE_PLATFORM_H

// Blocks the calling thread for the given number of milliseconds.
void sleepMilliseconds(int milliseconds);

// Flushes standard output and standard error and ends the process with
// status 0 at once, without running exit handlers.
[[noreturn]] void endProcess(void);

#endif  // AMBLETOE_PLATFORM_H
