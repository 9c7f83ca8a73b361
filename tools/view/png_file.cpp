#include "view/png_file.h"

#include <spng.h>

#include <cstdlib>

#include "batch/output_file.h"

bool writePng(const std::string& path, const unsigned char* rgba, int width, int height,
              std::string* error) {
    // Encoded in memory first, so the file is written whole or not at all.
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    int status = ctx == nullptr ? SPNG_EMEM : spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
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
    size_t size = 0;
    void* png = status == 0 ? spng_get_png_buffer(ctx, &size, &status) : nullptr;
    spng_ctx_free(ctx);
    if (png == nullptr) {
        *error = spng_strerror(status != 0 ? status : SPNG_EMEM);
        return false;
    }
    const bool written = writeOutputFile(path, png, size, error);
    std::free(png);
    return written;
}
