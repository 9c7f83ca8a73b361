// Fuzz target: arbitrary bytes loaded as an MQO document over the fake GL.
//
// The document sits in a folder of its own beside a small valid BMP "t.bmp",
// so documents that name it also run the texture path. After each load the
// model must be consistent: at most 49 counted objects, every non-empty
// batch holding an array of exactly its vertex count, and a buffer object
// holding exactly that array.
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
    for (const char* name : {"/doc.mqo", "/t.bmp"}) unlink((folder + name).c_str());
    rmdir(folder.c_str());
}

void writeFile(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

// A 2 x 2 24-bit BMP.
void writeTexture() {
    unsigned char b[54 + 16] = {'B', 'M'};
    auto put32 = [&](int at, unsigned v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(2, sizeof b);
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    b[26] = 1;
    b[28] = 24;
    put32(34, 16);
    std::memset(b + 54, 0x80, 16);
    writeFile(folder + "/t.bmp", b, sizeof b);
}

bool makeFolder() {
    if (!folder.empty()) return true;
    char pattern[] = "/dev/shm/fuzz_document_XXXXXX";
    char fallback[] = "/tmp/fuzz_document_XXXXXX";
    if (mkdtemp(pattern) != nullptr) folder = pattern;
    else if (mkdtemp(fallback) != nullptr) folder = fallback;
    else return false;
    atexit(removeFolder);
    writeTexture();
    return true;
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

void checkModel(const MeshModel* m) {
    if (m->objectCount < 0 || m->objectCount > 49) abort();
    for (int i = 0; i < m->objectCount; ++i) {
        const MeshObject& o = m->objects[i];
        if (o.batchCount < 0 || (o.batchCount > 0) != (o.batches != nullptr)) abort();
        if (std::memchr(o.name, '\0', sizeof o.name) == nullptr) abort();
        for (int k = 0; k < o.batchCount; ++k) {
            const MaterialBatch& b = o.batches[k];
            if (b.vertexCount < 0) abort();
            if (b.vertexCount == 0) {
                if (b.plainVertices || b.texturedVertices || b.bufferName) abort();
                continue;
            }
            const void* array = b.hasTexture ? static_cast<const void*>(b.texturedVertices)
                                             : static_cast<const void*>(b.plainVertices);
            if (array == nullptr) abort();
            size_t bytes = size_t(b.vertexCount) * (b.hasTexture ? 32 : 24);
            const std::vector<unsigned char>& uploaded = fakegl::bufferData(b.bufferName);
            if (b.bufferName == 0 || uploaded.size() != bytes) abort();
            if (std::memcmp(uploaded.data(), array, bytes) != 0) abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!makeFolder()) return 0;
    std::string path = folder + "/doc.mqo";
    writeFile(path, data, size);

    fakegl::reset();
    QuietStdout quiet;
    MeshModel* m = mqoLoadModel(path.c_str(), 0.5);
    if (m == nullptr) abort();  // the file exists: a load never fails
    checkModel(m);
    mqoFreeModel(m);
    mqoCleanupLibrary();
    return 0;
}
