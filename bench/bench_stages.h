// A load run stage by stage through the library's public calls, so each
// stage can be timed on its own: the chunks read and scanned by the chunk
// readers, the objects built by mqoStageObjects, the textures asked of the
// pool by mqoSetTexturePool, and the objects appended and uploaded by
// mqoRealiseObjects. The chunk readers start after a chunk's opening line
// and stop after its "}", so a document is first written again (untimed) as
// its chunks' lines alone, back to back; a load of that file does what
// mqoLoadModel does with the document, bar the document-level lines (the
// header, Scene, the opening lines), a few per document.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mqo/MqoModelStages.h"

namespace benchstages {

// A document as its chunks' lines after their opening lines, in one file:
// order tells the chunks, 'm' for Material and 'o' for Object.
struct ChunkFile {
    std::string path;
    std::string directory;  // the document's folder, its separator included
    std::string order;
    std::vector<int> materialCounts;  // of each Material chunk
    std::vector<std::string> names;   // of each Object chunk, as its line gives it
};

// What the chunk readers made of a document: the records the builder takes.
struct Records {
    std::vector<MaterialEntry> materials;
    std::vector<ObjectEntry> objects;
};

inline bool writeBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::string readBytes(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, got);
        std::fclose(f);
    }
    return bytes;
}

// Writes the top-level chunks of a document (opened at a line's start,
// closed by a "}" at a line's start) to path, their opening lines left out.
// False when the file cannot be written or a chunk is not closed.
inline bool splitDocument(const std::string& bytes, const std::string& directory,
                          const std::string& path, ChunkFile* out) {
    *out = ChunkFile();
    out->path = path;
    out->directory = directory;
    std::string body;
    bool inChunk = false;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find('\n', at);
        end = end == std::string::npos ? bytes.size() : end + 1;
        const std::string line = bytes.substr(at, end - at);
        at = end;
        int count = 0;
        if (inChunk) {
            body += line;
            // A binary vertex list's block follows its "Vector n [s]" line
            // and may hold any byte: it is taken whole.
            if (std::sscanf(line.c_str(), " Vector %*d [%d]", &count) == 1 && count > 0) {
                const size_t block = std::min(static_cast<size_t>(count), bytes.size() - at);
                body.append(bytes, at, block);
                at += block;
            } else if (line[0] == '}') {
                inChunk = false;
            }
        } else if (std::sscanf(line.c_str(), "Material %d", &count) == 1) {
            out->order += 'm';
            out->materialCounts.push_back(count > 0 ? count : 0);
            inChunk = true;
        } else if (line.compare(0, 7, "Object ") == 0) {
            const size_t stop = line.find_first_of(" \t\r\n", 7);
            out->names.push_back(line.substr(7, stop == std::string::npos ? stop : stop - 7));
            out->order += 'o';
            inChunk = true;
        }
    }
    return !inChunk && writeBytes(path, body);
}

inline void freeObjectLists(Records* records) {
    for (ObjectEntry& o : records->objects) {
        std::free(o.vertices);
        std::free(o.faces);
        o.vertices = nullptr;
        o.faces = nullptr;
    }
}

inline void freeRecords(Records* records) {
    freeObjectLists(records);
    records->objects.clear();
    records->materials.clear();
}

// The reading and scanning stage: one stream, the chunk readers in the
// document's order. False when the file does not open.
inline bool readChunks(const ChunkFile& file, Records* records) {
    records->materials.clear();
    records->objects.assign(file.names.size(), ObjectEntry{});
    MqoStream* stream = mqoOpenStream(file.path.c_str());
    if (stream == nullptr) return false;
    size_t material = 0, object = 0;
    for (char chunk : file.order) {
        if (chunk == 'm') {
            // A later Material chunk replaces the earlier one, as in the reader.
            const int count = file.materialCounts[material++];
            records->materials.assign(static_cast<size_t>(count), MaterialEntry{});
            mqoReadMaterialChunk(stream, records->materials.data(), count);
        } else {
            ObjectEntry& o = records->objects[object];
            std::snprintf(o.name, sizeof o.name, "%s", file.names[object].c_str());
            ++object;
            mqoReadObjectChunk(stream, &o);
        }
    }
    mqoCloseStream(stream);
    return true;
}

// The builder's stage: normals, batches and their arrays; the object lists
// are freed after, as the reader frees them.
inline std::vector<MqoStagedObject> stageObjects(Records* records, double scale,
                                                 unsigned char alpha) {
    std::vector<MqoStagedObject> staged(records->objects.size());
    MaterialEntry* materials = records->materials.empty() ? nullptr : records->materials.data();
    mqoStageObjects(staged.data(), records->objects.data(), static_cast<int>(staged.size()),
                    materials, static_cast<int>(records->materials.size()), scale, alpha);
    freeObjectLists(records);
    return staged;
}

// The texture requests, in material order, with names joined to the
// document's folder as the reader joins them.
inline void requestTextures(const std::string& directory, Records* records, unsigned char alpha) {
    for (MaterialEntry& m : records->materials) {
        if (m.useTexture == 0) continue;
        char texture[256], plane[256];
        auto join = [&](const char* name, char* path) {
            const bool alone = std::strchr(name, ':') != nullptr;
            return std::snprintf(path, 256, "%s%s", alone ? "" : directory.c_str(), name) < 256;
        };
        const bool hasAlpha = m.alphaFile[0] != '\0';
        if (!join(m.textureFile, texture) || (hasAlpha && !join(m.alphaFile, plane))) {
            m.textureId = -1;
            continue;
        }
        m.textureId = mqoSetTexturePool(texture, hasAlpha ? plane : nullptr, alpha);
    }
}

// The objects appended to a new model and uploaded; the staged ones are consumed.
inline MeshModel* realiseObjects(std::vector<MqoStagedObject>* staged, const Records& records,
                                 unsigned char alpha) {
    MeshModel* model = mqoAllocModels(1);
    if (model == nullptr) {
        for (MqoStagedObject& s : *staged) mqoDiscardStagedObject(&s);
        return nullptr;
    }
    model->alpha = alpha;
    mqoRealiseObjects(model, staged->data(), static_cast<int>(staged->size()),
                      records.materials.empty() ? nullptr : records.materials.data());
    return model;
}

// Whether two models hold the same objects and batches, arrays included:
// the check that a load stage by stage did what the whole load does.
inline bool sameModel(const MeshModel* a, const MeshModel* b) {
    if (a == nullptr || b == nullptr || a->objectCount != b->objectCount) return false;
    for (int i = 0; i < a->objectCount; ++i) {
        const MeshObject &p = a->objects[i], &q = b->objects[i];
        if (std::strcmp(p.name, q.name) != 0 || p.batchCount != q.batchCount) return false;
        for (int k = 0; k < p.batchCount; ++k) {
            const MaterialBatch &x = p.batches[k], &y = q.batches[k];
            if (x.vertexCount != y.vertexCount || x.hasTexture != y.hasTexture ||
                x.textureName != y.textureName)
                return false;
            const size_t n = x.vertexCount > 0 ? static_cast<size_t>(x.vertexCount) : 0;
            const void* u = x.hasTexture ? static_cast<const void*>(x.texturedVertices)
                                         : static_cast<const void*>(x.plainVertices);
            const void* v = y.hasTexture ? static_cast<const void*>(y.texturedVertices)
                                         : static_cast<const void*>(y.plainVertices);
            const size_t stride = x.hasTexture ? sizeof(TexturedVertex) : sizeof(PlainVertex);
            if (n != 0 && (u == nullptr || v == nullptr || std::memcmp(u, v, n * stride) != 0))
                return false;
        }
    }
    return true;
}

}  // namespace benchstages
