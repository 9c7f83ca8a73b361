// Recording the script: each command call appends one letter; the first one
// arranges for the viewer to run once main has returned.
#include "commands.h"

#include <cstdio>
#include <cstdlib>

#include "viewer.h"

CommandBuffer commandBuffer;
int viewerRegistered;

void appendCommand(char letter) {
    if (commandBuffer.count >= COMMAND_CAPACITY) {
        fputs("Too many codes\n", stderr);
        return;
    }
    commandBuffer.codes[commandBuffer.count] = letter;
    commandBuffer.count += 1;
}

void ensureViewerRegistered(void) {
    if (viewerRegistered) return;
    // Set before the call so a refused registration is never retried: the
    // script then simply ends without a window.
    viewerRegistered = 1;
    atexit(viewerMain);
}

void cmdWalk(void) {
    ensureViewerRegistered();
    appendCommand('m');
}

void cmdRun(void) {
    ensureViewerRegistered();
    appendCommand('j');
}

void cmdTurn(void) {
    ensureViewerRegistered();
    appendCommand('t');
}

void cmdWait(void) {
    ensureViewerRegistered();
    appendCommand('w');
}
