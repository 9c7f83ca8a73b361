// Fuzz target: arbitrary bytes as a texture file and as an alpha plane, read
// through the texture pool over the fake GL.
//
// Input layout: byte 0 flags (bit 0: texture named .tga, else .bmp; bit 1:
// an alpha file is given; bit 2: no texture path; bit 3: alpha plane named
// .png), byte 1 the alpha byte, bytes 2-3 the texture file's length L
// (little-endian, cut to what is left), then L texture bytes, then the alpha
// file's bytes.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mqo/internal.h"
#include "support/fake_gl.h"

namespace {

std::string folder;

void removeFolder() {
    for (const char* name : {"/t.bmp", "/t.tga", "/a.tga", "/a.png"}) unlink((folder + name).c_str());
    rmdir(folder.c_str());
}

bool makeFolder() {
    if (!folder.empty()) return true;
    // Memory-backed when the system has it: every input writes two files.
    char pattern[] = "/dev/shm/fuzz_image_XXXXXX";
    char fallback[] = "/tmp/fuzz_image_XXXXXX";
    if (mkdtemp(pattern) != nullptr) folder = pattern;
    else if (mkdtemp(fallback) != nullptr) folder = fallback;
    else return false;
    atexit(removeFolder);
    return true;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

// The library's messages would flood the fuzzer's output.
struct QuietStdout {
    int saved;
    QuietStdout() {
        std::fflush(stdout);
        saved = dup(1);
        int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, 1);
        close(devNull);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || !makeFolder()) return 0;
    uint8_t flags = data[0];
    uint8_t alpha = data[1];
    size_t textureLength = data[2] | data[3] << 8;
    data += 4;
    size -= 4;
    if (textureLength > size) textureLength = size;

    std::string texture = folder + ((flags & 1) ? "/t.tga" : "/t.bmp");
    std::string plane = folder + ((flags & 8) ? "/a.png" : "/a.tga");
    writeFile(texture, data, textureLength);
    writeFile(plane, data + textureLength, size - textureLength);

    char texturePath[256], alphaPath[256];
    std::snprintf(texturePath, sizeof texturePath, "%s", texture.c_str());
    std::snprintf(alphaPath, sizeof alphaPath, "%s", plane.c_str());

    fakegl::reset();
    int name;
    {
        QuietStdout quiet;
        mqoInitLibrary();
        name = mqoSetTexturePool((flags & 4) ? nullptr : texturePath, (flags & 2) ? alphaPath : nullptr,
                                 alpha);
    }
    if (name != -1) {
        // What was uploaded must be a whole square block whose alpha never
        // exceeds the alpha byte.
        int w = fakegl::lastTextureWidth();
        const std::vector<unsigned char>& image = fakegl::lastTextureImage();
        if (w <= 0 || w != fakegl::lastTextureHeight() || image.size() != size_t(w) * w * 4) abort();
        for (size_t i = 3; i < image.size(); i += 4)
            if (image[i] > alpha) abort();
    }
    mqoReleaseTexturePool();
    return 0;
}
