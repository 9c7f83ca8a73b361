#include "view/png_file.h"

#include <spng.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool writePng(const std::string& path, const unsigned char* rgba, int width, int height,
              std::string* error) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = std::strerror(errno);
        return false;
    }
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    int status = ctx == nullptr ? SPNG_EMEM : spng_set_png_file(ctx, file);
    if (status == 0) {
        spng_ihdr header = {};
        header.width = static_cast<uint32_t>(width);
        header.height = static_cast<uint32_t>(height);
        header.bit_depth = 8;
        header.color_type = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
        status = spng_set_ihdr(ctx, &header);
    }
    if (status == 0) {
        size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
        status = spng_encode_image(ctx, rgba, bytes, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    }
    spng_ctx_free(ctx);
    bool closed = std::fclose(file) == 0;
    if (status != 0 || !closed) {
        *error = status != 0 ? spng_strerror(status) : std::strerror(errno);
        std::remove(path.c_str());
        return false;
    }
    return true;
}
