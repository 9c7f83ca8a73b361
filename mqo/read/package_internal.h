// The package reader's shared pieces: a .mqoz opened with libzip, its
// entries scanned within a bound and read within a limit; not installed.
#ifndef MQO_READ_PACKAGE_INTERNAL_H
#define MQO_READ_PACKAGE_INTERNAL_H

#include <zip.h>

#include <cstddef>

// A hostile package cannot make a lookup look at more entries than this,
// nor a read inflate more bytes of one entry than its limit.
const zip_uint64_t MQO_PACKAGE_MOST_ENTRIES = 65536;
const size_t MQO_PACKAGE_DOCUMENT_BYTES = size_t{256} << 20;
const size_t MQO_PACKAGE_TEXTURE_BYTES = size_t{64} << 20;

// Opens the package at path read-only; null when it is not a readable zip.
zip_t* mqoOpenArchive(const char* path);

// The entries a lookup may look at: the archive's, at most
// MQO_PACKAGE_MOST_ENTRIES.
zip_uint64_t mqoArchiveEntriesToScan(zip_t* archive);

// Reads entry index whole into a malloc'd block (*bytes, *size bytes; the
// caller frees it). False, with *bytes null, when it cannot be read, or when
// it declares or yields more than limit bytes: reading stops there.
bool mqoReadArchiveEntry(zip_t* archive, zip_uint64_t index, size_t limit, unsigned char** bytes,
                         size_t* size);

#endif  // MQO_READ_PACKAGE_INTERNAL_H
