// Line scanner for the document reader: the formatted-input rules of the C
// library's sscanf, for the few conversions documents need, without its cost.
#ifndef MQO_SCAN_H
#define MQO_SCAN_H

// Scans text as sscanf(text, pattern, ...) would, for patterns made of
// literal characters, white space (matches any run of white space, also
// none), %d (int*), %f (float*) and %s (char*, room for strlen(text) + 1).
// - Returns the number of fields assigned, or -1 when the text ends before
//   the first conversion; fields the scan does not reach keep their values.
// - Gives bit-identical results to the C library for every text, with one
//   defined difference: a %d integer outside the int range is clamped to
//   INT_MIN or INT_MAX (the C library leaves that case undefined).
// - Any other conversion in pattern stops the scan there.
int mqoScan(const char* text, const char* pattern, void* const* fields);

// The single conversions of mqoScan, for readers that match a fixed line form
// themselves: s points past the white space the conversion skips and *s is
// not NUL. Each returns the end of what the conversion consumed, or null on a
// matching failure, in which case *value is left alone.
const char* mqoScanInt(const char* s, int* value);      // %d
const char* mqoScanFloat(const char* s, float* value);  // %f

// True for the characters a white-space directive or a conversion skips.
inline bool mqoScanIsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The first character at or after p that is not white space.
inline const char* mqoScanSkipSpace(const char* p) {
    while (mqoScanIsSpace(static_cast<unsigned char>(*p))) ++p;
    return p;
}

// mqoScan with the fields as arguments: mqoScanFields(line, "V(%d %d)", &a, &b).
template <class... T>
inline int mqoScanFields(const char* text, const char* pattern, T*... fields) {
    void* const list[] = {static_cast<void*>(fields)..., nullptr};
    return mqoScan(text, pattern, list);
}

#endif  // MQO_SCAN_H
