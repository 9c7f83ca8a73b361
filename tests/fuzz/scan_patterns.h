// The scan patterns of the document reader, with sscanf as the reference.
#ifndef MQO_TESTS_SCAN_PATTERNS_H
#define MQO_TESTS_SCAN_PATTERNS_H

#include <cstdio>

enum { kMaxFields = 9 };

struct ScanPattern {
    const char* text;
    const char* kinds;  // one letter per conversion: d, f or s
};

static const ScanPattern kScanPatterns[] = {
    {"Material %d", "d"},
    {"Object %s", "s"},
    {"col(%f %f %f %f) dif (%f) amb(%f) emi(%f) spc(%f) power(%f)", "fffffffff"},
    {" visible %d", "d"},
    {" shading %d", "d"},
    {" facet %f", "f"},
    {" vertex %d", "d"},
    {" BVertex %d", "d"},
    {" face %d", "d"},
    {"%f %f %f", "fff"},
    {"Vector %d [%d]", "dd"},
    {"%d", "d"},
    {"V(%d %d %d)", "ddd"},
    {"V(%d %d %d %d)", "dddd"},
    {"M(%d)", "d"},
    {"UV(%f %f %f %f %f %f)", "ffffff"},
    {"UV(%f %f %f %f %f %f %f %f)", "ffffffff"},
    {"%f", "f"},
    {"%s", "s"},
};
static const int kScanPatternCount = sizeof kScanPatterns / sizeof kScanPatterns[0];

// sscanf with the same field list; surplus arguments are ignored by it.
static inline int referenceScan(const char* text, const char* pattern, void* const* f) {
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wformat-nonliteral"
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    return std::sscanf(text, pattern, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]);
#if defined(__clang__)
#pragma clang diagnostic pop
#elif defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
}

#endif  // MQO_TESTS_SCAN_PATTERNS_H
