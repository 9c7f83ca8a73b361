// MqoModel: the MQO document reader: the document loop, Object chunks and
// their vertex and face lists, and the two load calls.
//
// A declared count only sizes an array up to what the rest of the file could
// fill (one entry per remaining byte, one binary vertex per 12), so a short
// file cannot make the reader allocate much more than its own size. Lines
// beyond a count are read and ignored.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "mqo/file_bytes.h"
#include "mqo/memory.h"
#include "mqo/mesh/mesh_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

enum { kObjectTableSize = 50 };

bool contains(const char* line, const char* word) { return std::strstr(line, word) != nullptr; }

// A copy of line that outlives the next read (the lists read on while the
// tests of their opening line still run): in small when it fits, else in a
// malloc'd copy put in *held for the caller to free. When memory runs out
// the copy is cut to 255 characters.
const char* holdLine(const char* line, char small[256], char** held) {
    *held = nullptr;
    size_t length = std::strlen(line);
    if (length < 256) {
        std::memcpy(small, line, length + 1);
        return small;
    }
    *held = static_cast<char*>(mqoMalloc(length + 1));
    if (*held == nullptr) {
        std::memcpy(small, line, 255);
        small[255] = '\0';
        return small;
    }
    std::memcpy(*held, line, length + 1);
    return *held;
}

int boundedCount(MqoStream* stream, int declared, int bytesPerEntry) {
    if (declared <= 0) return 0;
    long long limit = mqoStreamRemaining(stream) / bytesPerEntry;
    return declared > limit ? static_cast<int>(limit) : declared;
}

// Allocates count zeroed entries; an empty list or a failed allocation gives
// null and a count of 0, so the list's lines are then read and ignored.
void* allocateList(int* count, size_t entrySize) {
    if (*count <= 0) {
        *count = 0;
        return nullptr;
    }
    void* list = mqoCalloc(static_cast<size_t>(*count), entrySize);
    if (list == nullptr) *count = 0;
    return list;
}

// Skips lines up to and including the "}" that closes a block already
// opened depth times; a line that opens a block of its own ("{" without "}")
// is skipped to its own end.
void skipBlock(MqoStream* stream, int depth) {
    while (depth > 0) {
        const char* line = mqoReadLine(stream);
        if (line == nullptr) return;
        if (mqoFindBrace(line, '}') != nullptr) {
            --depth;
        } else if (mqoFindBrace(line, '{') != nullptr) {
            ++depth;
        }
    }
}

void freeObjectLists(ObjectEntry* object) {
    std::free(object->vertices);
    std::free(object->faces);
    object->vertices = nullptr;
    object->faces = nullptr;
}

// A "vertex" or "BVertex" line and the list after it; a second list in one
// object replaces the first.
void readVertexList(MqoStream* stream, const char* line, bool binary, ObjectEntry* object) {
    int declared = object->vertexCount;
    if (binary) {
        mqoScanBVertexCount(line, &declared);
    } else {
        mqoScanVertexCount(line, &declared);
    }
    std::free(object->vertices);
    int count = boundedCount(stream, declared, binary ? 12 : 1);
    object->vertices = static_cast<float(*)[3]>(allocateList(&count, sizeof(float[3])));
    object->vertexCount = count;
    if (binary) {
        mqoReadBinaryVertexChunk(stream, object->vertices, count);
    } else {
        mqoReadVertexChunk(stream, object->vertices, count);
    }
}

}  // namespace

void mqoReadFaceLine(const char* line, FaceEntry* face) {
    mqoScanFaceCorners(line, &face->vertexCount);
    const int corners = face->vertexCount;
    if (const char* at = std::strstr(line, "V(")) {
        if (corners == 3 || corners == 4) mqoScanFaceIndices(at, corners, face->vertex);
    }
    if (const char* at = std::strstr(line, "M(")) {
        face->material = 0;
        mqoScanFaceMaterial(at, &face->material);
    } else {
        face->material = -1;
    }
    if (const char* at = std::strstr(line, "UV(")) {
        if (corners == 3 || corners == 4) mqoScanFaceUV(at, corners, face->uv);
    }
}

namespace {

// The face list; with a polygon store, lines of five or more corners are
// read whole into it.
void readFaceList(MqoStream* stream, FaceEntry* faces, int count, MqoPolygonStore* polygons) {
    int n = 0;
    bool share = faces != nullptr;
    for (;;) {
        if (share && n < count) n += mqoShareList(stream, &faces[n], true, count - n, &share);
        const char* line = mqoReadLine(stream);
        if (line == nullptr) break;
        if (faces != nullptr && n < count && mqoScanFaceLine(line, &faces[n])) {
            ++n;
            continue;
        }
        if (mqoFindBrace(line, '}') != nullptr) return;
        if (faces == nullptr || n >= count) continue;
        if (polygons != nullptr && mqoReadPolygonLine(line, &faces[n], polygons)) {
            ++n;
            continue;
        }
        mqoReadFaceLine(line, &faces[n++]);
    }
}

}  // namespace

namespace {

// The tests of one Object chunk line, each that matches acting in turn.
// False when the line closes the chunk.
bool readObjectLine(MqoStream* stream, const char* line, ObjectEntry* object,
                    MqoObjectExtras* extras) {
    if (mqoFindBrace(line, '}') != nullptr) return false;
    bool list = false;
    if (extras != nullptr) mqoReadObjectKeys(line, extras);
    if (contains(line, "visible ")) mqoScanVisible(line, &object->visible);
    if (contains(line, "shading ")) mqoScanShading(line, &object->shading);
    if (contains(line, "facet ")) mqoScanFacet(line, &object->facet);
    if (contains(line, "vertex ")) {
        readVertexList(stream, line, false, object);
        list = true;
    }
    if (contains(line, "BVertex")) {
        readVertexList(stream, line, true, object);
        list = true;
    }
    if (contains(line, "face ")) {
        int declared = object->faceCount;
        mqoScanFaceCount(line, &declared);
        std::free(object->faces);
        int count = boundedCount(stream, declared, 1);
        object->faces = static_cast<FaceEntry*>(allocateList(&count, sizeof(FaceEntry)));
        object->faceCount = count;
        MqoPolygonStore* polygons = nullptr;
        if (extras != nullptr && (extras->read->features & MQO_FEATURE_POLYGONS) != 0) {
            polygons = &extras->polygons;
            mqoResetPolygons(polygons);
        }
        readFaceList(stream, object->faces, count, polygons);
        list = true;
    }
    // A block of another kind (vertexattr, weit, ...) is skipped whole,
    // so its "}" does not end the object.
    if (!list && mqoFindBrace(line, '{') != nullptr) skipBlock(stream, 1);
    return true;
}

}  // namespace

void mqoReadObjectLines(MqoStream* stream, ObjectEntry* object, MqoObjectExtras* extras) {
    if (stream == nullptr || object == nullptr) return;
    while (const char* read = mqoReadLine(stream)) {
        // The lists overwrite the stream's line, and every test runs on the
        // object's own line.
        char small[256];
        char* held;
        const char* line = holdLine(read, small, &held);
        bool more = readObjectLine(stream, line, object, extras);
        std::free(held);
        if (!more) return;
    }
}

namespace {

// The parse records of one document while it is read. objects is the fixed
// table, or with MQO_FEATURE_MANY_OBJECTS a larger heap copy of it once the
// table is full.
struct DocumentRecords {
    ObjectEntry table[kObjectTableSize];
    ObjectEntry* objects;
    int objectRoom;
    int objectCount;
    MaterialEntry* materials;
    int materialCount;
    const MqoReadContext* read;  // its features within kMqoKnownFeatures
};

// The next object entry, growing the table when many objects are read;
// null when the chunk is to be read and dropped.
ObjectEntry* nextObject(DocumentRecords* records, MqoStream* stream) {
    if (records->objectCount < records->objectRoom) return &records->objects[records->objectCount];
    if ((records->read->features & MQO_FEATURE_MANY_OBJECTS) == 0) return nullptr;
    // Every further chunk takes at least its "Object" line, so the rest of
    // the file bounds the room needed; doubling keeps the copies linear.
    long long room = 2LL * records->objectRoom;
    long long most = records->objectCount + mqoStreamRemaining(stream) / 6 + 1;
    if (room > most) room = most;
    if (room > INT_MAX / static_cast<long long>(sizeof(ObjectEntry))) return nullptr;
    auto* grown =
        static_cast<ObjectEntry*>(mqoMalloc(static_cast<size_t>(room) * sizeof(ObjectEntry)));
    if (grown == nullptr) return nullptr;
    std::memcpy(grown, records->objects, records->objectCount * sizeof(ObjectEntry));
    std::memset(grown + records->objectCount, 0,
                static_cast<size_t>(room - records->objectCount) * sizeof(ObjectEntry));
    if (records->objects != records->table) std::free(records->objects);
    records->objects = grown;
    records->objectRoom = static_cast<int>(room);
    return &grown[records->objectCount];
}

// One line of the document level: it may start a Material chunk and then,
// tested on the same line, an Object chunk.
void readDocumentLine(MqoStream* stream, const char* line, DocumentRecords* records) {
    int declared = 0;
    if (contains(line, "Material") && mqoScanMaterialCount(line, &declared) == 1) {
        std::free(records->materials);  // a later Material chunk replaces the earlier one
        int count = boundedCount(stream, declared, 1);
        records->materials =
            static_cast<MaterialEntry*>(allocateList(&count, sizeof(MaterialEntry)));
        records->materialCount = count;
        mqoReadMaterialChunk(stream, records->materials, count);
    }
    if (contains(line, "Object")) {
        // Chunks beyond the table are read and dropped.
        ObjectEntry spare;
        std::memset(&spare, 0, sizeof spare);
        ObjectEntry* next = nextObject(records, stream);
        bool fits = next != nullptr;
        ObjectEntry* object = fits ? next : &spare;
        if (records->read->features & MQO_FEATURE_QUOTED_NAMES) {
            mqoScanQuotedObjectName(line, object->name);
        } else {
            mqoScanObjectName(line, object->name);
        }
        mqoReadObject(stream, object, *records->read);
        if (fits) {
            ++records->objectCount;
        } else {
            freeObjectLists(&spare);
            MqoLoadReport* report = records->read->report;
            bool limited = (records->read->features & MQO_FEATURE_MANY_OBJECTS) == 0;
            if (report != nullptr && limited && report->objectsPastLimit < INT_MAX) {
                report->objectsPastLimit += 1;
            }
        }
    }
}

void stageObjects(MqoStagedObject* staged, ObjectEntry* objects, int count,
                  const DocumentRecords* records, double scale, unsigned char alpha) {
    const bool smooth = (records->read->features & MQO_FEATURE_FACET_SMOOTHING) != 0;
    mqoStageDocumentObjects(staged, objects, count, records->materials, records->materialCount,
                            smooth, scale, alpha);
}

// Builds the objects read into parsed: the first table's worth into its
// objects, the rest (many objects only) into its extra objects. When memory
// for those runs out they are dropped.
void stageDocument(MqoParsedModel* parsed, DocumentRecords* records, double scale,
                   unsigned char alpha) {
    int first = records->objectCount < kObjectTableSize ? records->objectCount : kObjectTableSize;
    stageObjects(parsed->objects, records->objects, first, records, scale, alpha);
    parsed->objectCount = first;
    int more = records->objectCount - first;
    if (more <= 0) return;
    // calloc refuses a product that overflows.
    parsed->extraObjects = static_cast<MqoStagedObject*>(
        mqoCalloc(static_cast<size_t>(more), sizeof(MqoStagedObject)));
    if (parsed->extraObjects == nullptr) return;
    stageObjects(parsed->extraObjects, records->objects + first, more, records, scale, alpha);
    parsed->extraObjectCount = more;
}

// Counts into report the faces the builder will leave out, by the first
// reason it meets (faces without M( are left out by design). Polygons read
// whole are the polygon stage's: their corners are not checked here.
void reportFaces(MqoLoadReport* report, const DocumentRecords* records) {
    for (int i = 0; i < records->objectCount; ++i) {
        const ObjectEntry& object = records->objects[i];
        for (int f = 0; object.faces != nullptr && f < object.faceCount; ++f) {
            const FaceEntry& face = object.faces[f];
            if (face.material < 0) continue;
            int32_t* reason = nullptr;
            const bool polygons = (records->read->features & MQO_FEATURE_POLYGONS) != 0;
            if (face.vertexCount < 3 || (face.vertexCount > 4 && !polygons)) {
                reason = &report->facesBadCorners;
            } else if (face.material >= records->materialCount) {
                reason = &report->facesBadMaterial;
            } else if (face.vertexCount <= 4) {
                for (int c = 0; c < face.vertexCount; ++c) {
                    if (face.vertex[c] < 0 || face.vertex[c] >= object.vertexCount) {
                        reason = &report->facesBadVertices;
                    }
                }
            }
            if (reason != nullptr && *reason < INT_MAX) *reason += 1;
        }
    }
}

// The report's view of the document's first and last lines.
void reportLine(MqoLoadReport* report, const char* line, bool first) {
    if (report == nullptr) return;
    if (first && std::strncmp(line, "Metasequoia Document", 20) != 0) {
        report->result = MQO_LOAD_NOT_DOCUMENT;
    }
    // Blank lines (and the NULs some writers add) after "Eof" keep it last.
    if (line[std::strspn(line, " \t\r\n")] == '\0') return;
    report->missingEof = std::strncmp(line, "Eof", 3) == 0 ? 0 : 1;
}

}  // namespace

namespace {

// Reads the opened document into parsed (already cleared, its directory
// set) and builds its objects; closes the stream. False when reading the
// file failed part way (parsed then holds what came before, to release).
bool parseStream(MqoStream* stream, const MqoReadContext& read, double scale, unsigned char alpha,
                 MqoParsedModel* parsed) {
    parsed->alpha = alpha;
    parsed->features = read.features;

    // The parse records live only until the objects are built from them.
    DocumentRecords records;
    std::memset(&records, 0, sizeof records);
    records.objects = records.table;
    records.objectRoom = kObjectTableSize;
    records.read = &read;
    MqoLoadReport* report = read.report;
    if (report != nullptr) report->missingEof = 1;  // until a last line says otherwise
    bool first = true;
    while (const char* line = mqoReadLine(stream)) {
        reportLine(report, line, first);
        first = false;
        // The chunks read on, and the Object test still runs on this line.
        char small[256];
        char* held;
        readDocumentLine(stream, holdLine(line, small, &held), &records);
        std::free(held);
    }
    const bool whole = !mqoStreamFailed(stream);
    mqoCloseStream(stream);
    if (read.features & MQO_FEATURE_UNMATERIALED) {
        mqoAddDefaultMaterial(&records.materials, &records.materialCount, records.objects,
                              records.objectCount);
    }

    if (report != nullptr) {
        if (first) report->result = MQO_LOAD_NOT_DOCUMENT;  // an empty file
        reportFaces(report, &records);
    }
    stageDocument(parsed, &records, scale, alpha);
    if ((read.features & MQO_FEATURE_COMPACT) != 0) mqoCompactParsed(parsed);
    if ((read.features & MQO_FEATURE_UTF8_NAMES) != 0) mqoConvertObjectNames(parsed);
    parsed->materials = records.materials;
    parsed->materialCount = records.materialCount;
    for (int i = 0; i < records.objectCount; ++i) freeObjectLists(&records.objects[i]);
    if (records.objects != records.table) std::free(records.objects);
    return whole;
}

// A stream over a copy of the bytes, with directory as the document's
// folder. The bytes are the document, never a package, whatever MQOZ says.
MqoStream* openBytes(const MqoReadContext& read, MqoParsedModel* parsed) {
    if (read.size > MQO_PARSE_MEMORY_MAX_BYTES) return nullptr;
    // The stream owns its block; one byte more keeps malloc(0) from
    // answering null for an empty document.
    auto* copy = static_cast<unsigned char*>(mqoMalloc(read.size + 1));
    if (copy == nullptr) return nullptr;
    if (read.size != 0) std::memcpy(copy, read.bytes, read.size);
    MqoStream* stream = mqoOpenStreamMemory(copy, read.size);  // frees copy when it fails
    if (stream == nullptr) return nullptr;
    const size_t length = read.directory == nullptr ? 0 : std::strlen(read.directory);
    parsed->directoryFits = length < sizeof parsed->directory;
    if (parsed->directoryFits && length != 0)
        std::memcpy(parsed->directory, read.directory, length);
    return stream;
}

MqoStream* openPath(const MqoReadContext& read, MqoParsedModel* parsed) {
    if ((read.features & MQO_FEATURE_MQOZ) != 0 && mqoIsPackagePath(read.path)) {
        return mqoOpenPackageDocument(read.path, parsed);
    }
    MqoStream* stream = mqoOpenStream(read.path);
    if (stream != nullptr) parsed->directoryFits = mqoDirectoryOf(read.path, parsed->directory);
    return stream;
}

}  // namespace

int mqoParseSource(const MqoReadContext& read, double scale, unsigned char alpha,
                   MqoParsedModel* parsed) {
    std::memset(parsed, 0, sizeof *parsed);
    const unsigned long failures = mqoMemoryFailures();
    MqoStream* stream = read.bytes != nullptr ? openBytes(read, parsed) : openPath(read, parsed);
    if (stream == nullptr) return 0;  // parsed stays empty
    // The bit is recorded as read, for bytes too, as a file's parse records it.
    const bool whole = parseStream(stream, read, scale, alpha, parsed);
    if (whole && mqoMemoryFailures() == failures) return 1;
    // A read error is not the end of the file, and memory that ran out left
    // something out: no model from part of a document.
    mqoReleaseParsedModel(parsed);
    std::memset(parsed, 0, sizeof *parsed);
    if (!whole && read.report != nullptr) read.report->result = MQO_LOAD_UNREADABLE;
    return 0;
}

MqoReadContext mqoParsedContext(const MqoReadContext& load, const MqoParsedModel& parsed) {
    MqoReadContext read = load;
    read.features = parsed.features;
    read.package = parsed.package[0] != '\0' ? parsed.package : nullptr;
    read.directory = parsed.directoryFits != 0 ? parsed.directory : nullptr;
    read.path = nullptr;
    read.bytes = nullptr;
    read.size = 0;
    return read;
}

}  // namespace mqo::detail

// The public calls, declared by the public headers.
using namespace mqo::detail;

void mqoReadVertexChunk(MqoStream* stream, float (*vertices)[3], int count) {
    if (stream == nullptr) return;
    int n = 0;
    bool share = vertices != nullptr;
    for (;;) {
        if (share && n < count) n += mqoShareList(stream, vertices[n], false, count - n, &share);
        const char* line = mqoReadLine(stream);
        if (line == nullptr) break;
        if (vertices != nullptr && n < count && mqoScanVertexLine(line, vertices[n])) {
            ++n;
            continue;
        }
        if (mqoFindBrace(line, '}') != nullptr) return;
        if (vertices != nullptr && n < count) mqoScanVertex(line, vertices[n++]);
    }
}

int mqoReadBinaryVertexChunk(MqoStream* stream, float (*vertices)[3], int count) {
    if (stream == nullptr) return -1;
    const char* line = mqoReadLine(stream);
    if (line == nullptr) return -1;
    const char* at = std::strstr(line, "Vector");
    if (at == nullptr) return -1;
    int n = 0, bytes = 0;
    mqoScanVector(at, &n, &bytes);

    // The block is read in one piece, but never more of it than the file
    // still holds: a size beyond that is a block cut short by the end.
    long long want = bytes > 0 ? bytes : 0;
    long long remaining = mqoStreamRemaining(stream);
    if (want > remaining) want = remaining;
    auto* block = static_cast<unsigned char*>(mqoMalloc(want > 0 ? static_cast<size_t>(want) : 1));
    size_t got = mqoReadBlock(stream, block, static_cast<size_t>(want));
    long long usable = static_cast<long long>(block != nullptr ? got : 0) / 12;
    if (usable > n) usable = n;
    if (usable > count) usable = count;
    for (long long i = 0; vertices != nullptr && i < usable; ++i) {
        for (int k = 0; k < 3; ++k) {
            const unsigned char* b = block + i * 12 + k * 4;
            uint32_t bits = mqoLittle32(b);
            std::memcpy(&vertices[i][k], &bits, 4);
        }
    }
    std::free(block);
    skipBlock(stream, 1);
    return n;
}

void mqoReadFaceChunk(MqoStream* stream, FaceEntry* faces, int count) {
    if (stream == nullptr) return;
    readFaceList(stream, faces, count, nullptr);
}

void mqoReadObjectChunk(MqoStream* stream, ObjectEntry* object) {
    mqoReadObject(stream, object, MqoReadContext());
}

int mqoParseDocument(const char* path, double scale, unsigned char alpha, MqoParsedModel* parsed) {
    return mqoParseDocumentEx(path, scale, alpha, 0, parsed);
}

int mqoParseDocumentEx(const char* path, double scale, unsigned char alpha, uint32_t features,
                       MqoParsedModel* parsed) {
    if (parsed == nullptr) return 0;
    MqoReadContext read = mqoAmbientRead();
    read.features = features & kMqoKnownFeatures;
    read.path = path;
    return mqoParseSource(read, scale, alpha, parsed);
}

int mqoParseDocumentMemory(const void* bytes, size_t size, const char* directory, double scale,
                           unsigned char alpha, uint32_t features, MqoParsedModel* parsed) {
    if (parsed == nullptr) return 0;
    if (bytes == nullptr && size != 0) {
        std::memset(parsed, 0, sizeof *parsed);
        return 0;
    }
    static const unsigned char kNoBytes = 0;  // an empty document, still in memory
    MqoReadContext read = mqoAmbientRead();
    read.features = features & kMqoKnownFeatures;
    read.bytes = bytes != nullptr ? static_cast<const unsigned char*>(bytes) : &kNoBytes;
    read.size = size;
    read.directory = directory;
    return mqoParseSource(read, scale, alpha, parsed);
}

void mqoReleaseParsedModel(MqoParsedModel* parsed) {
    if (parsed == nullptr) return;
    for (int i = 0; i < parsed->objectCount; ++i) mqoDiscardStagedObject(&parsed->objects[i]);
    for (int i = 0; i < parsed->extraObjectCount; ++i) {
        mqoDiscardStagedObject(&parsed->extraObjects[i]);
    }
    std::free(parsed->extraObjects);
    parsed->extraObjects = nullptr;
    parsed->extraObjectCount = 0;
    std::free(parsed->materials);
    parsed->materials = nullptr;
    parsed->materialCount = 0;
    parsed->objectCount = 0;
}
