// The decimal scan as first written, kept as the oracle of the differential
// fuzz target and the unit test: the line scanner's %f must give exactly what
// this gives (value bits and consumed length) on every input.
#include "reference/scan_float_first.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace mqo::reference {

namespace {

inline bool isDigit(unsigned char c) { return static_cast<unsigned>(c - '0') < 10u; }
inline bool isHexDigit(unsigned char c) {
    return isDigit(c) || static_cast<unsigned>((c | 0x20) - 'a') < 6u;
}
// Lower case for ASCII letters only, as the C locale does.
inline unsigned char lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c | 0x20) : c;
}

// Powers of ten that a float holds exactly (5^10 < 2^24).
const double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};

// Matches "%f" at s (white space already skipped, *s not NUL) with the C
// library's whole automaton. Returns the end of what the conversion
// consumed, or null on a matching failure; *value is written only on success.
const char* scanFloatToken(const char* s, float* value) {
    const char* p = s;
    bool gotSign = *p == '+' || *p == '-';
    if (gotSign && *++p == '\0') return nullptr;
    bool hex = false, gotDigit = false, gotDot = false, gotE = false;
    unsigned char expChar = 'e';
    if (lower(*p) == 'n') {
        if (lower(*++p) != 'a' || lower(*++p) != 'n') return nullptr;
        ++p;
    } else if (lower(*p) == 'i') {
        if (lower(*++p) != 'n' || lower(*++p) != 'f') return nullptr;
        if (lower(*++p) == 'i') {
            for (const char* rest = "nity"; *rest; ++rest)
                if (lower(*++p) != static_cast<unsigned char>(*rest)) return nullptr;
            ++p;
        }
    } else {
        if (*p == '0') {
            // After "0x" an exponent needs a hex digit first.
            if (lower(*++p) == 'x') {
                hex = true;
                expChar = 'p';
                ++p;
            } else {
                gotDigit = true;
            }
        }
        for (;; ++p) {
            unsigned char c = static_cast<unsigned char>(*p);
            if (c == '\0') break;
            if (isDigit(c) || (hex && !gotE && isHexDigit(c))) {
                gotDigit = true;
            } else if (gotE && lower(p[-1]) == expChar && (c == '-' || c == '+')) {
            } else if (gotDigit && !gotE && lower(c) == expChar) {
                gotE = gotDot = true;
            } else if (!gotDot && c == '.') {
                gotDot = true;
            } else {
                break;
            }
        }
    }
    // A bare "0x" prefix is no number, though strtof would read its 0.
    if (hex && p - s == 2 + gotSign) return nullptr;

    // The C library converts exactly the characters it consumed, so convert a
    // copy: strtof on the line itself could read further ("nan(1)").
    size_t length = static_cast<size_t>(p - s);
    char small[128];
    char* token = length < sizeof small ? small : static_cast<char*>(std::malloc(length + 1));
    if (token == nullptr) return nullptr;
    std::memcpy(token, s, length);
    token[length] = '\0';
    char* used = nullptr;
    float v = std::strtof(token, &used);
    bool converted = used != token;
    if (token != small) std::free(token);
    if (!converted) return nullptr;
    *value = v;
    return p;
}

}  // namespace

// scanFloatToken with a first pass for the numbers documents are made of:
// "[sign]digits[.digits]" not followed by an exponent, with a mantissa of at
// most 2^24 and at most ten fraction digits. The automaton would consume
// exactly these characters, and both operands of m / 10^k are then exact
// floats, so the quotient rounded to double and then to float is the
// correctly rounded float, the value strtof gives. Anything else takes the
// whole automaton and strtof.
const char* mqoScanFloatFirst(const char* s, float* value) {
    const char* p = s;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (p[0] == '0' && (p[1] | 0x20) == 'x') return scanFloatToken(s, value);
    uint64_t mantissa = 0;
    int digits = 0, fraction = 0;
    for (; isDigit(static_cast<unsigned char>(*p)); ++p, ++digits)
        if (digits < 19) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    if (*p == '.') {
        for (++p; isDigit(static_cast<unsigned char>(*p)); ++p, ++digits, ++fraction)
            if (digits < 19) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    }
    if (digits == 0 || digits > 19 || (*p | 0x20) == 'e' || mantissa > (1u << 24) || fraction > 10)
        return scanFloatToken(s, value);
    float v = static_cast<float>(static_cast<double>(mantissa) / kPow10[fraction]);
    *value = negative ? -v : v;
    return p;
}

}  // namespace mqo::reference
