// .mqoz packages written by the tests with libzip's writing API, and the
// one damage the tests need made by hand: an entry's declared size changed.
#ifndef MQO_TESTS_SUPPORT_ZIP_FILES_H
#define MQO_TESTS_SUPPORT_ZIP_FILES_H

#include <zip.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace zipfiles {

using Entries = std::vector<std::pair<std::string, std::string>>;

// Writes entries (name, bytes) as a zip at path, deflated unless stored;
// false when libzip refuses.
inline bool write(const std::string& path, const Entries& entries, bool stored = false) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) return false;
    bool ok = true;
    for (const auto& [name, bytes] : entries) {
        // libzip reads the bytes at zip_close; entries outlives it.
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        zip_int64_t index =
            source != nullptr ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_RAW) : -1;
        if (index < 0) {
            zip_source_free(source);
            ok = false;
        } else if (stored) {
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        return false;
    }
    return ok;
}

// Rewrites the uncompressed size that the local and central headers of
// every entry declare (a zip written above has no zip64 fields).
inline void declareSize(std::string& zip, uint32_t size) {
    auto put32 = [&](size_t at) {
        for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>(size >> (8 * i));
    };
    for (size_t at = 0; (at = zip.find("PK\x03\x04", at)) != std::string::npos; at += 4) {
        put32(at + 22);
    }
    for (size_t at = 0; (at = zip.find("PK\x01\x02", at)) != std::string::npos; at += 4) {
        put32(at + 24);
    }
}

}  // namespace zipfiles

#endif  // MQO_TESTS_SUPPORT_ZIP_FILES_H
