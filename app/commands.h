// The command script recorder: the program's main records walk, run, turn and
// wait commands as letters; the viewer plays them back after main returns.
#ifndef AMBLETOE_COMMANDS_H
#define AMBLETOE_COMMANDS_H

#include <cstdint>

enum { COMMAND_CAPACITY = 10000 };

// The recorded script. Plain data, zero at process start: it must still be
// intact when the viewer runs inside the exit sequence.
struct CommandBuffer {
    char codes[COMMAND_CAPACITY];  // 'm' walk, 'j' run, 't' turn, 'w' wait
    int32_t count;                 // letters stored, 0..COMMAND_CAPACITY
};

extern CommandBuffer commandBuffer;
extern int viewerRegistered;  // 1 once viewerMain has been handed to atexit

// Stores a letter at the end of the buffer; a full buffer drops it and prints
// "Too many codes\n" on standard error.
void appendCommand(char letter);

// Registers viewerMain with atexit the first time it is called.
void ensureViewerRegistered(void);

void cmdWalk(void);  // m
void cmdRun(void);   // j
void cmdTurn(void);  // t
void cmdWait(void);  // w

#endif  // AMBLETOE_COMMANDS_H
