// MqoModel: Shift_JIS to UTF-8 and the console, on systems with iconv and a
// UTF-8 terminal. A descriptor is opened per use, since documents are
// parsed on several threads at once.
#include <errno.h>
#include <iconv.h>

#include "mqo/read/read_internal.h"

namespace mqo::detail {

bool mqoCp932ToUtf8(const char* text, size_t n, char* out, size_t outSize, bool dropCut) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    char* in = const_cast<char*>(text);  // iconv's signature; it only reads
    char* to = out;
    size_t inLeft = n, outLeft = outSize - 1;
    const bool converted = iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<size_t>(-1) ||
                           (dropCut && errno == EINVAL);
    iconv_close(cd);
    *to = '\0';
    return converted;
}

// Terminals here take UTF-8 as it is.
void mqoPrepareConsole() {}

}  // namespace mqo::detail
