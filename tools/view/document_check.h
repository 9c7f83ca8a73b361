// What the tools say of a document as they load it, from the load's report.
#ifndef MQO_TOOLS_DOCUMENT_CHECK_H
#define MQO_TOOLS_DOCUMENT_CHECK_H

#include <string>

#include "mqo/MqoModel.h"

struct DocumentCheck {
    bool ok = false;
    std::string error;                  // why the file cannot be shown (when !ok)
    std::string warning;                // shown anyway, but not as its author saw it
    std::string dropped;                // what the load left out, "" for nothing
    bool needsCompleteReading = false;  // a package met without packages read
};

// Loads path (with every feature unless exact) with a report, the library's
// own console lines silenced, and says what the tools say of it. A missing,
// unreadable or damaged file, a folder, and one that is no MQO document (no
// "Metasequoia Document" first line) is an error, with *model null; so is a
// ".mqoz" that is no document under the exact reading, with
// needsCompleteReading set so that each tool can say how to switch. A
// document without its "Eof" line was cut short and gets a warning.
DocumentCheck loadDocument(const std::string& path, bool exact, MeshModel** model);

#endif  // MQO_TOOLS_DOCUMENT_CHECK_H
