// What the tools say of a file before they load it.
#ifndef MQO_TOOLS_DOCUMENT_CHECK_H
#define MQO_TOOLS_DOCUMENT_CHECK_H

#include <string>

struct DocumentCheck {
    bool ok = false;
    std::string error;                  // why the file cannot be shown (when !ok)
    std::string warning;                // shown anyway, but not as its author saw it
    bool needsCompleteReading = false;  // a package met without packages read
};

// Looks at a file as the tools report it: a missing or unreadable file, and
// one that is no MQO document (or, when packages are read, no .mqoz
// package), is an error. So is a package (a .mqoz file that starts as a zip
// does) when packages are not read, with needsCompleteReading set so that
// each tool can say how to switch. A document that does not end with its
// "Eof" line was cut short and gets a warning.
DocumentCheck checkDocument(const std::string& path, bool packagesRead);

// True when path ends in ".mqoz", in any case.
bool isPackagePath(const std::string& path);

#endif  // MQO_TOOLS_DOCUMENT_CHECK_H
