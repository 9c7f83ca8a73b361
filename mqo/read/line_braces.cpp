// MqoModel: the braces that open and close chunks, told apart from the
// bytes of names and paths.
//
// In Shift_JIS the second byte of many characters is "{" or "}" (0x7B, 0x7D):
// a material named in katakana, or a texture path through such a folder,
// holds a "}" inside its quotes. The quote byte 0x22 is never the second
// byte of a character, so quotes can be paired byte by byte.
#include <cstring>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

const char* mqoFindBrace(const char* line, char brace) {
    const char stops[3] = {'"', brace, '\0'};
    const char* p = line;
    for (;;) {
        const char* at = std::strpbrk(p, stops);
        if (at == nullptr || *at == brace) return at;
        // Only a closed pair hides its braces: a quote left open is no
        // quote, so a line cut short or a stray quote cannot swallow the
        // brace that closes a chunk.
        const char* close = std::strchr(at + 1, '"');
        if (close == nullptr) return std::strchr(at + 1, brace);
        p = close + 1;
    }
}

}  // namespace mqo::detail
