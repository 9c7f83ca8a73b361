// MqoModel glTF writer: names in UTF-8, as glTF's JSON must hold them.
#include <cstring>

#include "mqo/export/export_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

std::string mqoGltfUtf8Name(const char* name, bool* replaced) {
    std::string text(name);
    // The exact reading keeps an object name's quotes.
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    if (mqoIsUtf8(text.c_str())) return text;
    // CP932 grows at most threefold (a half-width katakana byte).
    char converted[4 * 256];
    if (text.size() < 256 && mqoUtf8PathFromCp932(text.c_str(), converted, sizeof converted) &&
        mqoIsUtf8(converted)) {
        return converted;
    }
    for (char& c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    }
    *replaced = true;
    return text;
}

}  // namespace mqo::detail
