#include <spng.h>
#include <stdio.h>
#include <stdlib.h>

/* Encodes a 2x2 RGBA picture and decodes it again. */
int main(void) {
    unsigned char pixels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 9, 8, 7, 6};
    spng_ctx* enc = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(enc, SPNG_ENCODE_TO_BUFFER, 1);
    struct spng_ihdr ihdr = {2, 2, 8, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 0, 0, 0};
    spng_set_ihdr(enc, &ihdr);
    if (spng_encode_image(enc, pixels, sizeof pixels, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE)) return 1;
    size_t size = 0;
    int err = 0;
    void* png = spng_get_png_buffer(enc, &size, &err);
    spng_ctx_free(enc);
    if (!png) return 1;
    spng_ctx* dec = spng_ctx_new(0);
    spng_set_png_buffer(dec, png, size);
    unsigned char out[16];
    if (spng_decode_image(dec, out, sizeof out, SPNG_FMT_RGBA8, 0)) return 1;
    spng_ctx_free(dec);
    free(png);
    if (out[15] != 6 || out[0] != 255) return 1;
    printf("libspng %s: 2x2 PNG of %u bytes round trip\n", spng_version_string(), (unsigned)size);
    return 0;
}
