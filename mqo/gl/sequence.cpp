// MqoModel: model sequences.
//
// A sequence is one model array, frame i in slot i, loaded from numbered
// files. A fade gives every frame its own model alpha, so the texture pool
// makes one texture per distinct alpha.
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "mqo/MqoModelGL.h"
#include "mqo/MqoModelStages.h"

namespace mqo::detail {

namespace {

enum { NAME_SIZE = 256 };

// What a pattern's single conversion asks for, beyond its plain text.
struct PatternInfo {
    bool valid;
    bool tooWide;  // width or precision alone overflows a name
};

bool isIntegerConversion(char c) {
    return c == 'd' || c == 'i' || c == 'u' || c == 'x' || c == 'X' || c == 'o';
}

// Reads a run of digits, saturating so a long run cannot overflow.
const char* readNumber(const char* p, int* value) {
    *value = 0;
    while (*p >= '0' && *p <= '9') {
        if (*value < NAME_SIZE) *value = *value * 10 + (*p - '0');
        ++p;
    }
    return p;
}

// The pattern reaches snprintf with exactly one int argument, so it must
// hold exactly one conversion that reads one int and nothing that reads
// more (%s, %n, %*d, %ld, positional arguments...). "%%" reads nothing.
PatternInfo checkPattern(const char* pattern) {
    PatternInfo info = {false, false};
    int conversions = 0;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0') ++p;
        int width = 0;
        p = readNumber(p, &width);
        int precision = 0;
        if (*p == '.') p = readNumber(p + 1, &precision);
        // hh and h still take an int argument; every other length does not.
        if (*p == 'h') {
            ++p;
            if (*p == 'h') ++p;
        }
        if (!isIntegerConversion(*p)) return info;
        if (width >= NAME_SIZE || precision >= NAME_SIZE) info.tooWide = true;
        ++conversions;
    }
    info.valid = conversions == 1;
    return info;
}

// Formats the name of file i; false when it does not fit the buffer, which
// the caller treats like a file that cannot be read.
bool formatName(char* name, const char* pattern, const PatternInfo& info, int i) {
    if (info.tooWide) return false;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    const int length = snprintf(name, NAME_SIZE, pattern, i);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return length >= 0 && length < NAME_SIZE;
}

// Alpha of the frame after the one just loaded (the last frame is set apart
// by the caller).
int stepAlpha(int running, int alpha, int fade, int fadeLength, int fileCount, int i) {
    if (fade > 0) {
        running += alpha / fade;
        return running > alpha ? alpha : running;
    }
    if (fade < 0 && fileCount - i <= fadeLength) {
        running -= alpha / fadeLength;
        return running < 0 ? 0 : running;
    }
    return running;
}

}  // namespace

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

ModelSequence mqoLoadSequence(const char* pattern, int fileCount, double scale, int fade,
                              unsigned char alpha) {
    ModelSequence sequence = {nullptr, 0};
    if (pattern == nullptr || fileCount <= 0) return sequence;
    const PatternInfo info = checkPattern(pattern);
    if (!info.valid) return sequence;

    // -INT_MIN does not exist; such a fade is as long as the longest one.
    const int fadeLength = fade == INT_MIN ? INT_MAX : (fade < 0 ? -fade : fade);
    const int length = fadeLength > fileCount ? fadeLength : fileCount;
    const int fullAlpha = alpha;
    int running = fade > 0 ? 0 : fullAlpha;

    sequence.models = mqoAllocModels(length);
    if (sequence.models == nullptr) {
        sequence.frameCount = -1;
        return sequence;
    }

    char name[NAME_SIZE] = "";
    for (int i = 0; i < length; ++i) {
        // Past the last file its name stays in the buffer and loads again.
        bool named = true;
        if (i < fileCount) named = formatName(name, pattern, info, i);
        if (fade != 0 && i == length - 1) running = fade < 0 ? 0 : fullAlpha;

        const bool loaded = named && mqoLoadModelSlot(sequence.models, i, name, scale,
                                                      static_cast<unsigned char>(running)) == 0;
        if (!loaded) {
            // The frame before the failed one goes too. The failed slot is
            // released as well in case the reader left anything in it; slots
            // after it were never loaded.
            if (i == 0) {
                mqoReleaseModelSlots(sequence.models, 0, 1);
                sequence.frameCount = -1;
            } else {
                mqoReleaseModelSlots(sequence.models, i - 1, 2);
                sequence.frameCount = i - 1;
            }
            return sequence;
        }
        running = stepAlpha(running, fullAlpha, fade, fadeLength, fileCount, i);
    }
    sequence.frameCount = length;
    return sequence;
}

ModelSequence mqoLoadSequenceNoFade(const char* pattern, int fileCount, double scale) {
    return mqoLoadSequence(pattern, fileCount, scale, 0, 255);
}

void mqoDrawSequenceFrame(ModelSequence sequence, int frame) {
    if (frame < 0 || frame >= sequence.frameCount) return;
    mqoDrawModelSlot(sequence.models, frame);
}

void mqoFreeSequence(ModelSequence sequence) {
    mqoFreeModels(sequence.models, sequence.frameCount);
}
