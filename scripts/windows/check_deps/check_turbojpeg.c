#include <jconfig.h>
#include <stdio.h>
#include <turbojpeg.h>

#define STR2(x) #x
#define STR(x) STR2(x)
#ifdef WITH_SIMD
#define SIMD "on"
#else
#define SIMD "off"
#endif

/* Compresses a 16x16 grey square and decompresses it. */
int main(void) {
    unsigned char grey[16 * 16 * 3], back[16 * 16 * 3];
    for (int i = 0; i < (int)sizeof grey; ++i) grey[i] = 128;
    tjhandle c = tjInitCompress();
    unsigned char* jpeg = NULL;
    unsigned long size = 0;
    if (tjCompress2(c, grey, 16, 0, 16, TJPF_RGB, &jpeg, &size, TJSAMP_444, 90, 0)) return 1;
    tjDestroy(c);
    tjhandle d = tjInitDecompress();
    if (tjDecompress2(d, jpeg, size, back, 16, 0, 16, TJPF_RGB, 0)) return 1;
    tjDestroy(d);
    tjFree(jpeg);
    if (back[100] < 126 || back[100] > 130) return 1;
    printf("libjpeg-turbo %s (SIMD %s): 16x16 JPEG of %lu bytes round trip\n",
           STR(LIBJPEG_TURBO_VERSION), SIMD, size);
    return 0;
}
