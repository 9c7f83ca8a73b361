// Fuzz target: arbitrary bytes loaded as an MQO document over the fake GL.
//
// The document sits in a folder of its own beside a small valid BMP "t.bmp",
// so documents that name it also run the texture path. After each load the
// model must be consistent: at most 49 counted objects, every non-empty
// batch holding an array of exactly its vertex count, and a buffer object
// holding exactly that array. An input of odd length is loaded as a compact
// model instead: its batches hold only buffer objects, of the sizes the
// counts give, and every index names one of the batch's vertices.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/quiet_stdout.h"
#include "mqo/MqoModelStages.h"
#include "support/fake_gl.h"
#include "support/reader_files.h"
#include "support/temp_dir.h"

namespace {

// Memory-backed when the system has it: every input writes a file. Removed
// when the fuzzer exits.
const testsupport::TempDir& folder() {
    static const testsupport::TempDir dir("fuzz_document", "/dev/shm");
    return dir;
}

// The folder with the valid texture beside where the documents go.
bool makeFolder() {
    static bool ready = false;
    if (ready) return true;
    if (folder().path().empty()) return false;
    if (!testsupport::writeFile(folder().file("t.bmp"), readerfiles::tinyBmp())) abort();
    ready = true;
    return true;
}

// Whatever the document, the box of every object holds the box of the
// visible ones, and each is ordered on every axis.
void checkBounds(const MeshModel* m) {
    float lo[3], hi[3], visibleLo[3], visibleHi[3];
    const int all = mqoModelBounds(m, 0, lo, hi);
    if (!mqoModelBounds(m, 1, visibleLo, visibleHi)) return;
    if (!all) abort();
    for (int k = 0; k < 3; ++k) {
        if (!(lo[k] <= visibleLo[k] && visibleLo[k] <= visibleHi[k] && visibleHi[k] <= hi[k])) {
            abort();
        }
    }
}

template <typename Index>
bool indicesWithin(const std::vector<unsigned char>& bytes, int vertexCount) {
    for (size_t at = 0; at + sizeof(Index) <= bytes.size(); at += sizeof(Index)) {
        Index index;
        std::memcpy(&index, &bytes[at], sizeof index);
        if (index >= static_cast<Index>(vertexCount)) return false;
    }
    return true;
}

void checkCompactBatch(const MaterialBatch& b) {
    if (b.plainVertices || b.texturedVertices || b.indices) abort();
    if (b.indexCount % 3 != 0 || b.indexCount < b.vertexCount) abort();
    if (b.indexSize != 2 && b.indexSize != 4) abort();
    if (b.indexSize == 2 && b.vertexCount > 65535) abort();
    size_t bytes = size_t(b.vertexCount) * (b.hasTexture ? 32 : 24);
    if (b.bufferName == 0 || fakegl::bufferData(b.bufferName).size() != bytes) abort();
    const std::vector<unsigned char>& indices = fakegl::bufferData(b.indexBufferName);
    if (b.indexBufferName == 0 || indices.size() != size_t(b.indexCount) * b.indexSize) abort();
    const bool within = b.indexSize == 2 ? indicesWithin<uint16_t>(indices, b.vertexCount)
                                         : indicesWithin<uint32_t>(indices, b.vertexCount);
    if (!within) abort();
}

void checkModel(const MeshModel* m) {
    if (m->objectCount < 0 || m->objectCount > 49) abort();
    if (m->extraObjectCount > 0 && m->objectCount != 49) abort();
    for (int i = 0; i < mqoModelObjectCount(m); ++i) {
        const MeshObject& o = *mqoModelObject(const_cast<MeshModel*>(m), i);
        if (o.batchCount < 0 || (o.batchCount > 0) != (o.batches != nullptr)) abort();
        if (std::memchr(o.name, '\0', sizeof o.name) == nullptr) abort();
        for (int k = 0; k < o.batchCount; ++k) {
            const MaterialBatch& b = o.batches[k];
            if (b.vertexCount < 0) abort();
            if (b.vertexCount == 0) {
                if (b.plainVertices || b.texturedVertices || b.bufferName) abort();
                continue;
            }
            if (b.indexCount != 0) {
                checkCompactBatch(b);
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
    const std::string path = folder().file("doc.mqo");
    if (!testsupport::writeFile(path, data, size)) abort();

    fakegl::reset();
    QuietStdout quiet;
    MqoLoadOptions options{};
    options.features = (size & 1) != 0 ? MQO_FEATURE_COMPACT : 0;
    MeshModel* m = mqoLoadModelEx(path.c_str(), 0.5, &options);
    if (m == nullptr) abort();  // the file exists: a load never fails
    checkModel(m);
    checkBounds(m);
    mqoFreeModel(m);
    mqoCleanupLibrary();
    return 0;
}
