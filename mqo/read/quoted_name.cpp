// MqoModel: object names as the complete profile reads them: the whole
// quoted text, which may hold spaces ("frying pan").
#include <cstring>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void copyName(const char* from, size_t length, char name[256]) {
    if (length > 255) length = 255;
    std::memcpy(name, from, length);
    name[length] = '\0';
}

}  // namespace

int mqoScanQuotedObjectName(const char* line, char name[256]) {
    if (std::strncmp(line, "Object", 6) != 0) return 0;
    const char* at = line + 6;
    while (isBlank(*at)) ++at;
    if (*at == '\0') return 0;  // as "Object %s": no word, no name
    if (*at == '"') {
        // Names have no escapes: the next quote closes the name.
        const char* close = std::strchr(at + 1, '"');
        if (close != nullptr) {
            copyName(at + 1, static_cast<size_t>(close - at - 1), name);
            return 1;
        }
        ++at;
    }
    const char* end = at;
    while (*end != '\0' && !isBlank(*end)) ++end;
    copyName(at, static_cast<size_t>(end - at), name);
    return 1;
}

}  // namespace mqo::detail
