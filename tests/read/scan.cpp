// The line scanner must give what sscanf gives, field for field and bit for
// bit, on the lines documents really hold and on the odd ones.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/scan_patterns.h"
#include "mqo/read/read_internal.h"
#include "reference/scan_float_first.h"

using namespace mqo::detail;

namespace {

struct Outcome {
    int result;
    std::vector<std::string> fields;  // each field's bytes after the scan
};

Outcome scanWith(bool reference, const ScanPattern& pattern, const std::string& text) {
    int ints[kMaxFields];
    float floats[kMaxFields];
    std::vector<std::vector<char>> strings(kMaxFields, std::vector<char>(text.size() + 2, 'z'));
    void* list[kMaxFields];
    int n = static_cast<int>(std::strlen(pattern.kinds));
    for (int i = 0; i < n; ++i) {
        ints[i] = 777 + i;
        floats[i] = 0.25f + static_cast<float>(i);
        char kind = pattern.kinds[i];
        list[i] = kind == 'd'   ? static_cast<void*>(&ints[i])
                  : kind == 'f' ? static_cast<void*>(&floats[i])
                                : static_cast<void*>(strings[i].data());
    }
    Outcome out;
    out.result = reference ? referenceScan(text.c_str(), pattern.text, list)
                           : mqoScan(text.c_str(), pattern.text, list);
    for (int i = 0; i < n; ++i) {
        char kind = pattern.kinds[i];
        if (kind == 'd')
            out.fields.emplace_back(reinterpret_cast<char*>(&ints[i]), sizeof(int));
        else if (kind == 'f')
            out.fields.emplace_back(reinterpret_cast<char*>(&floats[i]), sizeof(float));
        else
            out.fields.emplace_back(strings[i].data(), strings[i].size());
    }
    return out;
}

void expectSameAsSscanf(const char* patternText, const std::vector<std::string>& lines) {
    const ScanPattern* pattern = nullptr;
    for (const ScanPattern& p : kScanPatterns)
        if (std::strcmp(p.text, patternText) == 0) pattern = &p;
    ASSERT_NE(pattern, nullptr) << patternText;
    for (const std::string& line : lines) {
        Outcome ours = scanWith(false, *pattern, line);
        Outcome theirs = scanWith(true, *pattern, line);
        EXPECT_EQ(ours.result, theirs.result) << patternText << " on [" << line << "]";
        EXPECT_EQ(ours.fields, theirs.fields) << patternText << " on [" << line << "]";
    }
}

TEST(Scan, VertexLinesMatchSscanfIncludingPartialScans) {
    expectSameAsSscanf("%f %f %f",
                       {"\t\t-12.3456 789.0000 0.0000\r\n", "1 2", "1,2,3", "", "   ", "-0 +0 .5",
                        "16777216 16777217 16777218", "0.1 0.2 0.3", "123456789.123456789 1 1",
                        "3.4028236e38 1e-46 -1e-50", "1e 1e+ 1e-x", "0x1.8p3 0X1P-2 0x 0xg",
                        "inf -INFINITY nan", "infinit 1 2", "nan(123) 1 2", "- + .", "1.5.5 2 3",
                        "0.00000000001 0.0000000001 99999999.9", "1.0000000000000000000001 2 3"});
}

TEST(Scan, FaceLinePiecesMatchSscanf) {
    expectSameAsSscanf("%d", {"\t\t4 V(0 1 2 3)", "-7", "+8", "x", "", "  \r\n", "-", "0x10"});
    expectSameAsSscanf("V(%d %d %d %d)",
                       {"V(0 1 2 3) M(0)", "V(0 1)", "V( 4  5 6 7)", "V(1,2,3,4)"});
    expectSameAsSscanf("M(%d)", {"M(2) UV(0 0)", "M()", "M(-1)", "M( 3 )"});
    expectSameAsSscanf("UV(%f %f %f %f %f %f %f %f)",
                       {"UV(0.00000 0.00000 1.00000 0.00000 1.00000 1.00000 0.00000 1.00000)",
                        "UV(0.5 0.5)", "UV(1 2 3 4 5 6 7 8 9)"});
}

TEST(Scan, ChunkHeaderLinesMatchSscanf) {
    expectSameAsSscanf("Material %d", {"Material 3 {\r\n", "MaterialEx2 {", "Material",
                                       "Material\r\n", " Material 2 {", "Material -4 {"});
    expectSameAsSscanf("Object %s",
                       {"Object \"body\" {", "Object \"two words\" {", "Object", "\tObject x"});
    expectSameAsSscanf(" vertex %d", {"\tvertex 8 {", "vertex", "\tvertexattr {"});
    expectSameAsSscanf("Vector %d [%d]", {"Vector 8 [96]", "Vector 8 96", "Vector 8 [", "Vector"});
    expectSameAsSscanf(" facet %f", {"\tfacet 59.5", "\tfacet 1e1", "facet"});
}

TEST(Scan, MaterialLineMatchesSscanf) {
    expectSameAsSscanf(
        "col(%f %f %f %f) dif (%f) amb(%f) emi(%f) spc(%f) power(%f)",
        {"col(1.000 0.282 0.000 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) power(5.00)",
         "col(1 1 1 1) dif (0.5) amb(0.25)", "col(0.5 0.5)", "col(1 1 1 1)dif(1)"});
}

// The plain-decimal path converts m / 10^k itself for m up to 2^24 and k up
// to 10 and hands everything else to strtof. Walk mantissas across that
// range and past its edges, with every fraction length up to 12, and require
// strtof's bits and the whole text consumed.
TEST(Scan, PlainDecimalsGiveStrtofsFloatAcrossTheFastRangeAndItsEdges) {
    const uint32_t edge = 1u << 24;
    std::vector<uint32_t> mantissas;
    for (uint32_t m = 0; m < 2000; ++m) mantissas.push_back(m);
    for (uint32_t m = edge - 100; m <= edge + 100; ++m) mantissas.push_back(m);
    for (uint32_t m = 2000; m < edge + (edge >> 4); m += 257) mantissas.push_back(m);
    int mismatches = 0;
    for (int k = 0; k <= 12; ++k) {
        for (uint32_t m : mantissas) {
            char digits[32], text[40];
            int n = std::snprintf(digits, sizeof digits, "%0*u", k + 1, m);
            // "-" on every other mantissa: the sign is applied after rounding.
            std::snprintf(text, sizeof text, "%s%.*s%s%s", m % 2 ? "-" : "", n - k, digits,
                          k > 0 ? "." : "", digits + n - k);
            float ours = -1.0f;
            const char* end = mqoScanFloat(text, &ours);
            float theirs = std::strtof(text, nullptr);
            bool same = end == text + std::strlen(text) && std::memcmp(&ours, &theirs, 4) == 0;
            if (!same && ++mismatches <= 5) ADD_FAILURE() << text;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// The inline path multiplies by the double nearest 10^-k where the first
// scan divided by 10^k. Both must round to the same float for every mantissa
// and fraction length that either path converts itself.
TEST(Scan, DecimalConversionRoundsAsTheDivisionForEveryMantissa) {
    const double pow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
    for (int k = 0; k <= 10; ++k) {
        uint32_t mismatches = 0, first = 0;
        for (uint32_t m = 0; m <= (1u << 24); ++m) {
            float ours = mqoScanDecimal(m, k);
            float theirs = static_cast<float>(static_cast<double>(m) / pow10[k]);
            if (std::memcmp(&ours, &theirs, sizeof ours) != 0 && mismatches++ == 0) first = m;
        }
        EXPECT_EQ(mismatches, 0u) << "k " << k << ", first m " << first;
    }
}

// The inline path against the decimal scan as first written on the forms at
// its borders: sign and no digits, seven and eight digits, a dot at either
// end, what may follow a number (exponent, hex prefix, a second dot, the end).
TEST(Scan, FloatScanConsumesAndConvertsAsTheFirstScan) {
    const char* texts[] = {"-100.0000",
                           "0.12345",
                           "+.5",
                           "-0",
                           "-.0",
                           ".",
                           "-",
                           "+",
                           "-.",
                           "5.",
                           "1.5.5",
                           "5x",
                           "0x1p3",
                           "0X",
                           "0x",
                           "1e5",
                           "1E+",
                           "1.5e",
                           "9999999",
                           "99999999",
                           "1234.567",
                           "1234.5678",
                           "0.0000001",
                           "0.00000001",
                           "0000000001",
                           "16777216",
                           "16777217",
                           "1677721.6",
                           "-9.999999",
                           "inf",
                           "nan",
                           "a",
                           "\x80",
                           "7\x7f",
                           "3)",
                           "2 ",
                           "1\r\n",
                           "00000000000000000000001.5",
                           "0.00000000001"};
    for (const char* text : texts) {
        float ours = 0.5f, theirs = 0.5f;
        const char* ourEnd = mqoScanFloat(text, &ours);
        const char* theirEnd = mqo::reference::mqoScanFloatFirst(text, &theirs);
        EXPECT_EQ(ourEnd, theirEnd) << text;
        EXPECT_EQ(std::memcmp(&ours, &theirs, sizeof ours), 0)
            << text << ": " << ours << " vs " << theirs;
    }
}

TEST(Scan, IntegersBeyondThirtyTwoBitsAreClamped) {
    int value = 0;
    EXPECT_EQ(mqoScanFields("99999999999999999999", "%d", &value), 1);
    EXPECT_EQ(value, INT_MAX);
    EXPECT_EQ(mqoScanFields("-2147483649", "%d", &value), 1);
    EXPECT_EQ(value, INT_MIN);
    EXPECT_EQ(mqoScanFields("2147483647", "%d", &value), 1);
    EXPECT_EQ(value, INT_MAX);
}

TEST(Scan, UnsupportedConversionStopsTheScan) {
    int a = 5, b = 6;
    EXPECT_EQ(mqoScanFields("1 2", "%d %i", &a, &b), 1);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 6);
}

}  // namespace
