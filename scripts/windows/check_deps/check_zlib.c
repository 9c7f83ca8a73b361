#include <stdio.h>
#include <string.h>
#include <zlib.h>

int main(void) {
    const char text[] = "zlib round trip zlib round trip zlib round trip";
    unsigned char packed[128], back[128];
    uLongf packedLen = sizeof packed, backLen = sizeof back;
    if (compress(packed, &packedLen, (const Bytef*)text, sizeof text) != Z_OK) return 1;
    if (uncompress(back, &backLen, packed, packedLen) != Z_OK) return 1;
    if (backLen != sizeof text || memcmp(back, text, backLen) != 0) return 1;
    printf("zlib %s: %lu bytes packed to %lu\n", zlibVersion(), (unsigned long)backLen,
           (unsigned long)packedLen);
    return 0;
}
