// MqoModel, the stages of a load: what mqo/MqoModel.h includes for callers
// that need more than its calls (a parse on threads of their own, the
// reader's chunk readers and records, the mesh builder's steps, the texture
// pool's slots and the library's globals). The conventions of MqoModel.h hold
// here too; include that header, not this one.
#ifndef MQO_MQOMODELSTAGES_H
#define MQO_MQOMODELSTAGES_H

#include "mqo/MqoModel.h"

#ifdef __cplusplus
extern "C" {
#endif

// ---------------------------------------------------------------------------
// Parse records: one document as read, before the mesh builder runs
// ---------------------------------------------------------------------------

typedef struct MaterialEntry {
    float color[4];     // col(r g b a)
    float diffuse[4];   // dif * rgb, alpha copied
    float ambient[4];   // amb * rgb, alpha copied
    float emission[4];  // emi * rgb, alpha copied
    float specular[4];  // spc * rgb, alpha copied
    float power;
    int32_t useTexture;     // 1 for a textured material
    char textureFile[256];  // as written in the document
    char alphaFile[256];    // empty when there is none
    int32_t textureId;      // pool result: texture name or -1; 0 untextured
} MaterialEntry;

typedef struct FaceEntry {
    int32_t vertexCount;  // 3 and 4 are the counts that are built
    int32_t material;     // -1 when the face has no M(
    int32_t vertex[4];    // indices into the object's vertices
    float uv[8];          // (u, v) of corners 0..3
} FaceEntry;

typedef struct ObjectEntry {
    char name[256];  // first word after "Object ", quotes included
    int32_t visible;
    int32_t shading;  // 0 means flat
    float facet;      // smoothing angle, used as radians
    int32_t faceCount;
    int32_t vertexCount;
    FaceEntry* faces;      // owned, faceCount entries
    float (*vertices)[3];  // owned, vertexCount positions
} ObjectEntry;

// ---------------------------------------------------------------------------
// Texture pool
// ---------------------------------------------------------------------------

enum { MQO_TEXTURE_POOL_SIZE = 100, MQO_POOL_PATH_SIZE = 260 };

typedef struct TexturePoolEntry {
    uint32_t textureName;
    int32_t size;  // width = height of the uploaded image
    char texturePath[MQO_POOL_PATH_SIZE];
    char alphaPath[MQO_POOL_PATH_SIZE];
    uint8_t alpha;
} TexturePoolEntry;

// ---------------------------------------------------------------------------
// Library globals
// ---------------------------------------------------------------------------

extern MQO_API int32_t libraryInitialised;  // set by mqoInitLibrary, never cleared
extern MQO_API int32_t vboSupported;        // 1 when buffer objects are used
extern MQO_API TexturePoolEntry texturePool[MQO_TEXTURE_POOL_SIZE];
extern MQO_API int32_t texturePoolCount;

// ---------------------------------------------------------------------------
// Library state
// ---------------------------------------------------------------------------

// Tests whether the driver lists an extension as a whole token.
// - Returns 1 or 0. An empty name, a name with a space, or no current context
//   (no extension string) gives 0; null gives 0.
MQO_API int mqoHasExtension(const char* name);

// Reads a texture file and an optional TGA alpha plane into one square RGBA
// block (memory row 0 is the last row stored in the file).
// - Returns a malloc'd block of size x size x 4 bytes that the caller frees,
//   or null. *size receives the width last read from a header, or -1.
// - Paths may be null and may be rewritten in place as for mqoSetTexturePool.
//   size may be null. Files are found as mqoSetTexturePool says.
// - Safe on untrusted files. These give null with *size -1: a name shorter
//   than three characters (read-error message), a file shorter than its
//   header (18 bytes TGA, 54 bytes BMP), a width of 0 or less, above 32767 or
//   above the driver's GL_MAX_TEXTURE_SIZE, and a block of more than 64 KiB
//   that would exceed 16 times the file's size (a damaged width in a tiny
//   file). Widths of texture and alpha file that differ give null too.
// - BMP rows start at the header's pixel-data offset (bytes 10-13) when it
//   lies between byte 54 and the file's end, else at byte 54; TGA rows after
//   the 18-byte header, the image ID field and a colour map (when byte 1 is 1).
// - The block starts zeroed: pixels a short texture file does not supply are
//   0 in all four bytes (a short alpha plane leaves the texture's alpha), and
//   a block made from the alpha file alone has R, G, B 0.
MQO_API unsigned char* mqoReadTextureImage(char* texturePath, char* alphaPath, int* size,
                                           unsigned char alpha);

// ---------------------------------------------------------------------------
// Document reader
// ---------------------------------------------------------------------------

// A document being read: a file and its current line.
typedef struct MqoStream MqoStream;

// Reads the document at path into model (a slot of an array): its materials,
// their textures (through the pool, after the file is closed) and its
// objects, which are built and appended after the slot's objects.
// - Returns 1 when the file was read, 0 when model or path is null or the file
//   cannot be opened (a directory counts as one that cannot); the slot is then
//   untouched. Safe on untrusted files; damaged input loads what it holds:
// - The end of the file inside any chunk or list ends it there.
// - A line is everything up to its line feed, however long; an object name
//   or a texture name longer than its 256-byte record is cut to 255
//   characters. Memory for one line is bounded by the file's size (1 MiB
//   from a stream of unknown size, beyond which the line is cut).
// - A declared count (materials, vertices, faces) sizes its array only up to
//   what the rest of the file could fill: one entry per remaining byte, one
//   binary vertex per 12. Negative counts give empty lists; lines beyond a
//   count are read and ignored.
// - Only a line that the whole-line scan "Material %d" reads starts a Material
//   chunk ("MaterialEx2" does not); a later one replaces the earlier one. A
//   count of 0 or less gives no material list, as if the chunk were absent.
// - Inside an Object chunk, a line that opens a block ("{") of an unknown kind
//   (vertexattr, ...) opens a nested block that is skipped to its own "}";
//   likewise after a binary vertex block.
// - A "{" or "}" between a closed pair of double quotes on one line is part
//   of a name or path, not a brace: it neither opens nor closes a chunk, a
//   list or a nested block (the second byte of a Shift_JIS character such as
//   the katakana MA, 0x83 0x7D, is "}"). A quote with no partner later in
//   its line is no quote and hides nothing, so a stray or cut-off quote
//   cannot swallow the brace that closes a chunk.
// - Object chunks beyond the 50th are read and dropped (kept, in the
//   parse's extraObjects, with MQO_FEATURE_MANY_OBJECTS).
// - A texture path (directory + name) that does not fit in 255 characters is
//   not passed to the pool: the read-error message is printed and the
//   material's texture is -1, as for a missing file.
MQO_API int mqoReadDocument(MeshModel* model, const char* path, double scale, unsigned char alpha);

// Writes the directory part of path, with its closing separator, into
// directory (256 bytes): up to the later of the last slash and the last
// backslash. Empty when path has no separator (or is null).
// - Returns 1, or 0 when the directory does not fit in 255 characters (it is
//   then written empty) or directory is null.
MQO_API int mqoDirectoryOf(const char* path, char* directory);

// Opens a document for the chunk readers below (binary mode; a line is
// everything up to its line feed, however long). Null when path is null or
// the file cannot be opened.
MQO_API MqoStream* mqoOpenStream(const char* path);

// Closes a stream opened by mqoOpenStream. Null does nothing.
MQO_API void mqoCloseStream(MqoStream* stream);

// Reads the lines of a Material chunk up to its "}" (consumed): line n fills
// materials[n] while n < count; later lines are ignored.
// - A "}" inside a closed pair of quotes (a Shift_JIS name or texture path)
//   does not end the chunk; an unpaired quote hides nothing (mqoReadDocument).
// - The colour is scanned from the first "col(" that begins an attribute (at
//   the line start or after a blank, tab, closing quote or parenthesis, and
//   not inside the quoted name), so "vcol(1) col(...)" reads the colour.
// - Values the line lacks are those of a new material: col(1 1 1 1) dif(0.8)
//   amb(0.6) emi(0) spc(0) power(5).
// - tex(" ") and aplane(" ") names are cut between the keyword's quote and
//   the first ")" minus one; without ")" (or with nothing inside) the name is
//   empty.
MQO_API void mqoReadMaterialChunk(MqoStream* stream, MaterialEntry* materials, int count);

// Reads an Object chunk up to its own "}" into object, allocating its vertex
// and face lists (a second list of a kind replaces the first). Here and in
// the list readers below, braces inside a closed pair of quotes are not
// braces, as mqoReadDocument says.
MQO_API void mqoReadObjectChunk(MqoStream* stream, ObjectEntry* object);

// Reads a text vertex list up to its "}": line n fills vertices[n] while
// n < count.
MQO_API void mqoReadVertexChunk(MqoStream* stream, float (*vertices)[3], int count);

// Reads a binary vertex list: the "Vector n [s]" line, the s-byte block right
// after it, then lines up to the list's "}".
// - Returns n, or -1 (nothing more read) when the first line has no "Vector".
// - Copies at most min(n, count, whole 12-byte vertices read) positions. A
//   block larger than the rest of the file is read up to the end of the file.
MQO_API int mqoReadBinaryVertexChunk(MqoStream* stream, float (*vertices)[3], int count);

// Reads a face list up to its "}": line n fills faces[n] while n < count.
MQO_API void mqoReadFaceChunk(MqoStream* stream, FaceEntry* faces, int count);

// ---------------------------------------------------------------------------
// Mesh builder
// ---------------------------------------------------------------------------

// Builds every parsed object into drawable objects appended to model.
// - A face is skipped everywhere (normals and batches) when it has 3 or 4
//   corners and one of their indices is outside 0 .. vertexCount - 1, or when
//   its material is at or beyond materialCount (1 when materials is null).
//   Faces with material -1 or below shape normals but join no batch.
// - The arrays must hold the counts the entries state.
MQO_API void mqoBuildObjects(MeshModel* model, ObjectEntry* objects, int objectCount,
                             MaterialEntry* materials, int materialCount, double scale,
                             unsigned char alpha);

// Builds one parsed object into model's next object slot.
// - When completing it raises objectCount to 50, the object-limit message is
//   printed with 50, the object's batches, arrays and buffer objects are
//   released at once and objectCount drops back to 49.
// - Does nothing when objectCount is outside 0 .. 49, or when vertexNormals is
//   null for an object that has vertices (out of memory: one object fewer).
// - A batch whose array cannot be allocated stays empty (vertexCount 0).
// - With vboSupported, each non-empty batch gets a static buffer object; the
//   last one stays bound.
MQO_API void mqoBuildObject(ObjectEntry* object, MeshModel* model, float (*vertexNormals)[3],
                            MaterialEntry* materials, int materialCount, double scale,
                            unsigned char alpha);

// Smoothed vertex normals of an object: a new array of vertexCount normals
// that the caller frees, or null (no vertices, or out of memory).
// - Faces are skipped as for mqoBuildObjects, with materialCount as given.
MQO_API float (*mqoVertexNormals(const ObjectEntry* object, int materialCount))[3];

// Unit normal of the triangle p, q, r (clockwise front), or zero.
MQO_API void mqoFaceNormal(const float p[3], const float q[3], const float r[3], float normal[3]);

// Arc cosine in radians; 0 at and beyond -1 and 1.
MQO_API double mqoSafeAcos(double x);

// Fills one batch with the triangles of material k, writing at most the
// batch's vertexCount vertices; faces with an index outside 0 ..
// vertexCount - 1 are skipped. Sets the colour even when there is no array.
MQO_API void mqoFillBatch(MaterialBatch* batch, int k, FaceEntry* faces, int faceCount,
                          float (*vertices)[3], int vertexCount, float (*vertexNormals)[3],
                          double facet, const float colorSource[4], double scale,
                          unsigned char alpha);

// ---------------------------------------------------------------------------
// The two stages of a load
// ---------------------------------------------------------------------------

// An object built on any thread: its drawable record, arrays filled, without
// buffer objects or texture names yet. NONE: nothing was built (out of
// memory for its normals); HEADER: name and flags only (out of memory for its
// batches), which the slot takes but does not count; BUILT: complete.
enum { MQO_STAGED_NONE = 0, MQO_STAGED_HEADER, MQO_STAGED_BUILT };
typedef struct MqoStagedObject {
    MeshObject object;
    int32_t state;
} MqoStagedObject;

// A document read and built without GL: what the GL stage needs to finish it.
typedef struct MqoParsedModel {
    uint8_t alpha;
    uint32_t features;    // MQO_FEATURE_* bits it was read with
    char directory[256];  // of the document, for its texture names
    int32_t directoryFits;
    MaterialEntry* materials;  // owned; null without a Material chunk
    int32_t materialCount;
    int32_t objectCount;
    MqoStagedObject objects[MQO_MAX_OBJECTS];
    char package[MQO_POOL_PATH_SIZE];  // the .mqoz read from (its textures' source); "" for a file
    // With MQO_FEATURE_MANY_OBJECTS: the objects past the 50 of objects[]
    // (owned; null and 0 otherwise).
    MqoStagedObject* extraObjects;
    int32_t extraObjectCount;
} MqoParsedModel;

// Builds objects into staged (objectCount entries), as mqoBuildObjects would
// before its uploads: normals, batches and their arrays. No GL, no globals.
MQO_API void mqoStageObjects(MqoStagedObject* staged, ObjectEntry* objects, int objectCount,
                             MaterialEntry* materials, int materialCount, double scale,
                             unsigned char alpha);

// mqoBuildObject's CPU part: one object into staged, with the given normals.
MQO_API void mqoStageObject(ObjectEntry* object, MqoStagedObject* staged, float (*vertexNormals)[3],
                            MaterialEntry* materials, int materialCount, double scale,
                            unsigned char alpha);

// Appends the staged objects to model in order: texture names from the
// materials' pool results, buffer objects in batch order, and the object
// limit as mqoBuildObject applies it. Each staged object is consumed.
MQO_API void mqoRealiseObjects(MeshModel* model, MqoStagedObject* staged, int count,
                               const MaterialEntry* materials);

// Frees a staged object that was never realised (it has no buffer objects).
MQO_API void mqoDiscardStagedObject(MqoStagedObject* staged);

// The CPU stage of mqoReadDocument: reads and builds the document at path
// into parsed (about 15 KB; the caller's storage).
// - Returns 1, or 0 (parsed left empty) when the file cannot be opened or
//   parsed is null. No GL call and no library state: safe on any thread for
//   different documents at once. Release with mqoRealiseDocument or
//   mqoReleaseParsedModel.
MQO_API int mqoParseDocument(const char* path, double scale, unsigned char alpha,
                             MqoParsedModel* parsed);

// mqoParseDocument reading what features (MQO_FEATURE_* bits) asks for as
// well; 0 gives exactly mqoParseDocument.
MQO_API int mqoParseDocumentEx(const char* path, double scale, unsigned char alpha,
                               uint32_t features, MqoParsedModel* parsed);

// The GL stage, on the GL thread: the model alpha, the textures (pool
// requests in material order), then the objects appended and uploaded, as
// mqoReadDocument does after reading. parsed is left empty; with a null model
// it is only released, and a null parsed does nothing.
MQO_API void mqoRealiseDocument(MeshModel* model, MqoParsedModel* parsed);

// Frees what parsed still holds, without GL. Null does nothing.
MQO_API void mqoReleaseParsedModel(MqoParsedModel* parsed);

#ifdef __cplusplus
}  // extern "C"
#endif

// The buffer-object entry points the library looked up. A file that defines
// MQO_NO_GL_HEADERS before including mqo/MqoModel.h leaves them out, and with
// them every GL header: the parse stage needs none.
#ifndef MQO_NO_GL_HEADERS
#include "mqo/MqoModelGL.h"
#endif

#endif  // MQO_MQOMODELSTAGES_H
