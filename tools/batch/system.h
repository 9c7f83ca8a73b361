// What the converters ask of the operating system (system_posix.cpp,
// system_windows.cpp).
#pragma once

#include <string>

// Makes the folder at path unless it is there already; 0, or the errno value
// of the failure.
int makeFolder(const std::string& path);

// Standard output is a terminal (a console), where a progress bar is drawn.
bool outputIsTerminal();

// Large blocks (decoded textures, the driver's copies) are mapped and
// unmapped whole, so that a long batch does not grow by them.
void keepLargeBlocksMapped();

// Gives the free pages of the heap back between documents of a batch.
void returnFreeMemory();
