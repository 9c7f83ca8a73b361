// MqoModel glTF writer: what Material chunk lines say that MaterialEntry
// does not keep (name, shader, dbls), read again from the document.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "mqo/export/export_internal.h"
#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// The integer of "key(n)" where key begins an attribute (after a blank, tab,
// quote or parenthesis) in text; fallback when there is none.
int attribute(const char* text, const char* key, int fallback) {
    const size_t n = std::strlen(key);
    for (const char* at = std::strstr(text, key); at != nullptr; at = std::strstr(at + 1, key)) {
        const char before = at == text ? ' ' : at[-1];
        if (std::strchr(" \t\")", before) == nullptr) continue;
        char* end = nullptr;
        const long value = std::strtol(at + n, &end, 10);
        if (end == at + n) return fallback;
        return value > 1000 || value < -1000 ? fallback : static_cast<int>(value);
    }
    return fallback;
}

MqoMaterialLine readLine(const char* line) {
    MqoMaterialLine m;
    const char* open = std::strchr(line, '"');
    const char* close = open != nullptr ? std::strchr(open + 1, '"') : nullptr;
    const char* rest = line;
    if (close != nullptr) {
        std::string raw(open + 1, static_cast<size_t>(close - open - 1));
        if (raw.size() > 255) raw.resize(255);
        bool replaced = false;
        m.name = mqoGltfUtf8Name(raw.c_str(), &replaced);
        rest = close + 1;
    }
    m.shader = attribute(rest, "shader(", m.shader);
    m.doubleSided = attribute(rest, "dbls(", 0) != 0;
    return m;
}

MqoStream* openDocument(const char* path, uint32_t features) {
    if ((features & MQO_FEATURE_MQOZ) != 0 && mqoIsPackagePath(path)) {
        std::unique_ptr<MqoParsedModel> scratch(new (std::nothrow) MqoParsedModel());
        if (!scratch) mqoNoteOutOfMemory();
        return scratch ? mqoOpenPackageDocument(path, scratch.get()) : nullptr;
    }
    return mqoOpenStream(path);
}

}  // namespace

bool mqoReadMaterialLines(const char* path, uint32_t features, int count,
                          std::vector<MqoMaterialLine>* lines, uint64_t* documentBytes) {
    MqoStream* stream = openDocument(path, features);
    if (stream == nullptr) return false;
    const long long remaining = mqoStreamRemaining(stream);
    *documentBytes = remaining > 0 ? static_cast<uint64_t>(remaining) : 0;
    lines->clear();
    int declared = 0;
    try {
        for (const char* line = mqoReadLine(stream); line != nullptr; line = mqoReadLine(stream)) {
            if (mqoScanMaterialCount(line, &declared) != 1) continue;
            // A later chunk replaces an earlier one, as the reader takes it.
            lines->clear();
            for (line = mqoReadLine(stream); line != nullptr && mqoFindBrace(line, '}') == nullptr;
                 line = mqoReadLine(stream)) {
                if (static_cast<int>(lines->size()) < count) lines->push_back(readLine(line));
            }
            if (line == nullptr) break;
        }
    } catch (...) {
        mqoCloseStream(stream);  // out of memory for a line: the stream is still ours
        throw;
    }
    const bool whole = !mqoStreamFailed(stream);  // a read error is no end of the file
    mqoCloseStream(stream);
    return whole;
}

}  // namespace mqo::detail
