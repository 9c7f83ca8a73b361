// MqoModel: a .mqoz package's archive: opening it and reading one entry
// into memory without trusting the sizes its headers declare.
#include <cstdlib>

#include "mqo/memory.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// Memory grows with the bytes actually inflated, not with the declared size,
// so a tiny package claiming a huge entry costs nothing.
const size_t kFirstCapacity = 64 * 1024;

bool grow(unsigned char** block, size_t* capacity, size_t limit) {
    // capacity <= limit + 1 <= 256 MiB + 1: doubling it cannot overflow.
    size_t wanted = *capacity * 2;
    if (wanted > limit + 1) wanted = limit + 1;
    auto* grown = static_cast<unsigned char*>(mqoRealloc(*block, wanted));
    if (grown == nullptr) return false;
    *block = grown;
    *capacity = wanted;
    return true;
}

// Inflates the open entry into *block until its end or until it holds more
// than limit bytes (the capacity stops at limit + 1 to see that happen).
bool readAll(zip_file_t* file, size_t limit, unsigned char** block, size_t* capacity,
             size_t* length) {
    for (;;) {
        if (*length == *capacity && (*length > limit || !grow(block, capacity, limit))) {
            return false;
        }
        zip_int64_t got = zip_fread(file, *block + *length, *capacity - *length);
        if (got < 0) return false;
        if (got == 0) return *length <= limit;
        *length += static_cast<size_t>(got);
    }
}

}  // namespace

zip_t* mqoOpenArchive(const char* path) {
    int error = 0;
    return zip_open(path, ZIP_RDONLY, &error);
}

zip_uint64_t mqoArchiveEntriesToScan(zip_t* archive) {
    zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count < 0) return 0;
    const auto entries = static_cast<zip_uint64_t>(count);
    return entries < MQO_PACKAGE_MOST_ENTRIES ? entries : MQO_PACKAGE_MOST_ENTRIES;
}

bool mqoReadArchiveEntry(zip_t* archive, zip_uint64_t index, size_t limit, unsigned char** bytes,
                         size_t* size) {
    *bytes = nullptr;
    *size = 0;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, index, 0, &st) != 0) return false;
    // Refused before anything is inflated when the header admits it is too big.
    if ((st.valid & ZIP_STAT_SIZE) != 0 && st.size > limit) return false;
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (file == nullptr) return false;

    size_t capacity = kFirstCapacity;
    if ((st.valid & ZIP_STAT_SIZE) != 0 && st.size < capacity) capacity = st.size + 1;
    if (capacity > limit + 1) capacity = limit + 1;
    auto* block = static_cast<unsigned char*>(mqoMalloc(capacity));
    size_t length = 0;
    const bool read = block != nullptr && readAll(file, limit, &block, &capacity, &length);
    zip_fclose(file);
    if (!read) {
        std::free(block);
        return false;
    }
    *bytes = block;
    *size = length;
    return true;
}

}  // namespace mqo::detail
