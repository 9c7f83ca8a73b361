// MqoModel: reads MQO model documents into drawable OpenGL models.
//
// A model is loaded in one call (mqoLoadModel), drawn with mqoDrawModel under
// any projection and lighting the caller sets up, and released with
// mqoFreeModel while the OpenGL context that loaded it is still current.
// Textures named by the documents (24-bit BMP, uncompressed TGA, optional TGA
// alpha planes) are shared between models through one process-wide pool.
//
//   mqoInitLibrary();                       // after the GL context exists
//   MeshModel* m = mqoLoadModel("walk.mqo", 0.5);
//   mqoDrawModel(m);                        // every frame
//   mqoFreeModel(m);
//   mqoCleanupLibrary();                    // deletes pooled textures
//
// Conventions that hold for every call below:
// - One thread: every call runs on the thread that owns the current GL context.
// - Files are untrusted: no document or image, however damaged, makes a call
//   read or write outside its buffers or allocate far beyond the file's size.
// - Every release call accepts null and does nothing with it.
// - Console messages are printed to standard output in UTF-8.
#ifndef MQO_MQOMODEL_H
#define MQO_MQOMODEL_H

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

// ---------------------------------------------------------------------------
// Drawable records
// ---------------------------------------------------------------------------

// One corner of a textured triangle, handed to GL as it lies in memory.
struct TexturedVertex {
    float position[3];  // scaled model position, byte 0
    float normal[3];    // unit vector or zero, byte 12
    float uv[2];        // texture coordinates, byte 24
};

// One corner of an untextured triangle.
struct PlainVertex {
    float position[3];  // byte 0
    float normal[3];    // byte 12
};

// The triangles of one object that share one material, as one vertex array.
struct MaterialBatch {
    int32_t hasMaterial;   // 1: the material colours below are applied
    int32_t hasTexture;    // 1: texturedVertices and textureName are used
    uint32_t textureName;  // pool texture (not owned); -1 when the pool failed
    uint32_t bufferName;   // owned buffer object when vboSupported
    int32_t vertexCount;   // 3 per triangle; 0 means no arrays, no buffer
    float color[4];        // glColor4f value
    float diffuse[4];
    float ambient[4];
    float emission[4];
    float specular[4];
    float power;                        // shininess
    PlainVertex* plainVertices;         // owned, when hasTexture is 0
    TexturedVertex* texturedVertices;   // owned, when hasTexture is 1
};

// One object of a document, ready to draw.
struct MeshObject {
    char name[256];
    int32_t visible;      // drawn only when non-zero
    int32_t flatShading;  // 1: GL_FLAT, 0: GL_SMOOTH
    int32_t batchCount;   // highest material index used + 1
    MaterialBatch* batches;  // owned; entry k holds material k
};

enum { MQO_MAX_OBJECTS = 50 };  // slots per model; at most 49 are counted

// One model. Always allocated in arrays by mqoAllocModels.
struct MeshModel {
    uint8_t alpha;        // model opacity 0..255 given at load time
    int32_t objectCount;  // 0..49 objects in use
    MeshObject objects[MQO_MAX_OBJECTS];
};

static_assert(sizeof(TexturedVertex) == 32, "textured vertex stride is 32 bytes");
static_assert(offsetof(TexturedVertex, normal) == 12, "normal at byte 12");
static_assert(offsetof(TexturedVertex, uv) == 24, "uv at byte 24");
static_assert(sizeof(PlainVertex) == 24, "plain vertex stride is 24 bytes");
static_assert(offsetof(PlainVertex, normal) == 12, "normal at byte 12");

// ---------------------------------------------------------------------------
// Parse records: one document as read, before the mesh builder runs
// ---------------------------------------------------------------------------

struct MaterialEntry {
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
};

struct FaceEntry {
    int32_t vertexCount;  // 3 and 4 are the counts that are built
    int32_t material;     // -1 when the face has no M(
    int32_t vertex[4];    // indices into the object's vertices
    float uv[8];          // (u, v) of corners 0..3
};

struct ObjectEntry {
    char name[256];  // first word after "Object ", quotes included
    int32_t visible;
    int32_t shading;  // 0 means flat
    float facet;      // smoothing angle, used as radians
    int32_t faceCount;
    int32_t vertexCount;
    FaceEntry* faces;       // owned, faceCount entries
    float (*vertices)[3];   // owned, vertexCount positions
};

// ---------------------------------------------------------------------------
// Texture pool
// ---------------------------------------------------------------------------

enum { MQO_TEXTURE_POOL_SIZE = 100, MQO_POOL_PATH_SIZE = 260 };

struct TexturePoolEntry {
    uint32_t textureName;
    int32_t size;  // width = height of the uploaded image
    char texturePath[MQO_POOL_PATH_SIZE];
    char alphaPath[MQO_POOL_PATH_SIZE];
    uint8_t alpha;
};

// ---------------------------------------------------------------------------
// Sequences
// ---------------------------------------------------------------------------

struct ModelSequence {
    MeshModel* models;   // owned; frame i is slot i
    int32_t frameCount;  // frames that can be drawn; -1 when the first file failed
};

// ---------------------------------------------------------------------------
// Library globals
// ---------------------------------------------------------------------------

extern int32_t libraryInitialised;  // set by mqoInitLibrary, never cleared
extern int32_t vboSupported;        // 1 when buffer objects are used
extern TexturePoolEntry texturePool[MQO_TEXTURE_POOL_SIZE];
extern int32_t texturePoolCount;

// The GL library exports functions of these names itself, so ours live in a
// namespace. Null unless vboSupported is 1.
namespace mqo {
extern PFNGLGENBUFFERSARBPROC glGenBuffersARB;
extern PFNGLBINDBUFFERARBPROC glBindBufferARB;
extern PFNGLBUFFERDATAARBPROC glBufferDataARB;
extern PFNGLDELETEBUFFERSARBPROC glDeleteBuffersARB;
}  // namespace mqo

// ---------------------------------------------------------------------------
// Library state and model arrays
// ---------------------------------------------------------------------------

// Tests whether the driver lists an extension as a whole token.
// - Returns 1 or 0. An empty name, a name with a space, or no current context
//   (no extension string) gives 0; null gives 0.
int mqoHasExtension(const char* name);

// Empties the texture pool and detects buffer-object support.
// - Needs a current GL context. Textures the pool held are not deleted.
// - When the driver lists GL_ARB_vertex_buffer_object but any of the four
//   entry points cannot be looked up, the extension is treated as absent:
//   vboSupported 0 and all four pointers null.
void mqoInitLibrary(void);

// Deletes every pooled texture and empties the pool. Changes nothing else.
void mqoCleanupLibrary(void);

// Allocates n zeroed models as one block; initialises the library first if
// that has not happened.
// - The caller owns the block; release it with mqoFreeModels.
// - n <= 0, or n so large that n models do not fit in memory, gives null.
MeshModel* mqoAllocModels(int n);

// Releases the batches (vertex arrays and buffer objects) of slots
// start .. start + n - 1. Object counts and names stay.
// - Null models, n <= 0 or start < 0 do nothing. The range must lie within
//   the array. Batches with vertexCount <= 0 are passed over untouched.
// - A slot that counts 49 objects also has its fiftieth (uncounted) object
//   released, so an object built beyond the limit does not leak.
// - Released twice, a range does nothing more. Textures are not touched.
void mqoReleaseModelSlots(MeshModel* models, int start, int n);

// Releases slots 0 .. n - 1 and frees the block. Null does nothing; n <= 0
// still frees the block.
void mqoFreeModels(MeshModel* models, int n);

// mqoFreeModels(model, 1).
void mqoFreeModel(MeshModel* model);

// ---------------------------------------------------------------------------
// Texture pool and image reader
// ---------------------------------------------------------------------------

// Returns the texture for a (texture path, alpha path, alpha) combination,
// reading and uploading the images the first time the combination is asked.
// - A null path matches any stored path. Both paths may be rewritten in
//   place (a name not ending in tga/png/jpg gets its last three characters
//   replaced by "bmp").
// - Returns the GL texture name, or -1 when the pool is full or no image
//   could be read (the pool prints why). Safe on untrusted files.
// - A path of 260 characters or more cannot be stored in a slot: the request
//   prints the read-error message with that path and returns -1 without
//   reading anything or taking a slot.
// - A failed read leaves the slot free; the same request later reads again.
// - A name that does not open as written is tried with backslashes as folder
//   separators, then matched in any ASCII case folder by folder (of several
//   matches the first in strcmp order); not so a drive-qualified name ("C:").
//   The slot keeps the name as given (after the rename above), not the file found.
int mqoSetTexturePool(char* texturePath, char* alphaPath, unsigned char alpha);

// Deletes the textures of all slots in use and empties the pool.
void mqoReleaseTexturePool(void);

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
unsigned char* mqoReadTextureImage(char* texturePath, char* alphaPath, int* size,
                                   unsigned char alpha);

// ---------------------------------------------------------------------------
// Document reader
// ---------------------------------------------------------------------------

// A document being read: a file and its current line.
struct MqoStream;

// Loads a document into slot index of a model array, appending its objects
// after any the slot already holds.
// - Returns 0, or -1 when models is null, index is negative or the file
//   cannot be opened. index is not checked against the array's size.
// - Safe on untrusted files.
int mqoLoadModelSlot(MeshModel* models, int index, const char* path, double scale,
                     unsigned char alpha);

// Loads a document as a model of its own, with alpha 255.
// - Returns a new model that the caller frees with mqoFreeModel, or null when
//   the file cannot be opened (or the model cannot be allocated).
MeshModel* mqoLoadModel(const char* path, double scale);

// Loads count documents as mqoLoadModel(paths[i], scale) would, into
// models[i], reading and building them on worker threads while this thread
// makes every GL call.
// - Returns how many loaded. models[i] is null where a file cannot be opened
//   (or a null path); each other one is the caller's, freed with mqoFreeModel.
// - Models, console messages (in list order) and GL calls are those of the
//   loads one after another. Uses at most the hardware's threads and never
//   more than count; with none to be had, reads on this thread.
// - Null paths or models, or count <= 0, load nothing and return 0.
int mqoLoadModels(const char* const* paths, int count, double scale, MeshModel** models);

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
// - Object chunks beyond the 50th are read and dropped.
// - A texture path (directory + name) that does not fit in 255 characters is
//   not passed to the pool: the read-error message is printed and the
//   material's texture is -1, as for a missing file.
int mqoReadDocument(MeshModel* model, const char* path, double scale, unsigned char alpha);

// Writes the directory part of path, with its closing separator, into
// directory (256 bytes): up to the later of the last slash and the last
// backslash. Empty when path has no separator (or is null).
// - Returns 1, or 0 when the directory does not fit in 255 characters (it is
//   then written empty) or directory is null.
int mqoDirectoryOf(const char* path, char* directory);

// Opens a document for the chunk readers below (binary mode; a line is
// everything up to its line feed, however long). Null when path is null or
// the file cannot be opened.
MqoStream* mqoOpenStream(const char* path);

// Closes a stream opened by mqoOpenStream. Null does nothing.
void mqoCloseStream(MqoStream* stream);

// Reads the lines of a Material chunk up to its "}" (consumed): line n fills
// materials[n] while n < count; later lines are ignored.
// - The colour is scanned from the first "col(" that begins an attribute (at
//   the line start or after a blank, tab, closing quote or parenthesis, and
//   not inside the quoted name), so "vcol(1) col(...)" reads the colour.
// - Values the line lacks are those of a new material: col(1 1 1 1) dif(0.8)
//   amb(0.6) emi(0) spc(0) power(5).
// - tex(" ") and aplane(" ") names are cut between the keyword's quote and
//   the first ")" minus one; without ")" (or with nothing inside) the name is
//   empty.
void mqoReadMaterialChunk(MqoStream* stream, MaterialEntry* materials, int count);

// Reads an Object chunk up to its own "}" into object, allocating its vertex
// and face lists (a second list of a kind replaces the first).
void mqoReadObjectChunk(MqoStream* stream, ObjectEntry* object);

// Reads a text vertex list up to its "}": line n fills vertices[n] while
// n < count.
void mqoReadVertexChunk(MqoStream* stream, float (*vertices)[3], int count);

// Reads a binary vertex list: the "Vector n [s]" line, the s-byte block right
// after it, then lines up to the list's "}".
// - Returns n, or -1 (nothing more read) when the first line has no "Vector".
// - Copies at most min(n, count, whole 12-byte vertices read) positions. A
//   block larger than the rest of the file is read up to the end of the file.
int mqoReadBinaryVertexChunk(MqoStream* stream, float (*vertices)[3], int count);

// Reads a face list up to its "}": line n fills faces[n] while n < count.
void mqoReadFaceChunk(MqoStream* stream, FaceEntry* faces, int count);

// ---------------------------------------------------------------------------
// Mesh builder
// ---------------------------------------------------------------------------

// Builds every parsed object into drawable objects appended to model.
// - A face is skipped everywhere (normals and batches) when it has 3 or 4
//   corners and one of their indices is outside 0 .. vertexCount - 1, or when
//   its material is at or beyond materialCount (1 when materials is null).
//   Faces with material -1 or below shape normals but join no batch.
// - The arrays must hold the counts the entries state.
void mqoBuildObjects(MeshModel* model, ObjectEntry* objects, int objectCount,
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
void mqoBuildObject(ObjectEntry* object, MeshModel* model, float (*vertexNormals)[3],
                    MaterialEntry* materials, int materialCount, double scale,
                    unsigned char alpha);

// Smoothed vertex normals of an object: a new array of vertexCount normals
// that the caller frees, or null (no vertices, or out of memory).
// - Faces are skipped as for mqoBuildObjects, with materialCount as given.
float (*mqoVertexNormals(const ObjectEntry* object, int materialCount))[3];

// Unit normal of the triangle p, q, r (clockwise front), or zero.
void mqoFaceNormal(const float p[3], const float q[3], const float r[3], float normal[3]);

// Arc cosine in radians; 0 at and beyond -1 and 1.
double mqoSafeAcos(double x);

// Fills one batch with the triangles of material k, writing at most the
// batch's vertexCount vertices; faces with an index outside 0 ..
// vertexCount - 1 are skipped. Sets the colour even when there is no array.
void mqoFillBatch(MaterialBatch* batch, int k, FaceEntry* faces, int faceCount,
                  float (*vertices)[3], int vertexCount, float (*vertexNormals)[3],
                  double facet, const float colorSource[4], double scale, unsigned char alpha);

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------

// Draws slot index of a model array with its materials and textures, into
// the current modelview frame, under the caller's projection and lighting.
// - Null draws nothing and makes no GL call. index is not checked: keep it
//   within the array.
// - Material colours get their fourth component scaled by alpha / 255; the
//   glColor4f colour is passed unscaled. Invisible objects and batches with no
//   vertices are skipped.
// - Restored afterwards: modelview matrix, front face (GL_CW while drawing),
//   and per batch GL_TEXTURE_2D, GL_BLEND and the 2D texture binding.
// - Left as drawing set it: shade model, material, current colour, blend
//   function (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA). Vertex, normal and
//   texture-coordinate client arrays end disabled, also ones the caller had
//   enabled; GL_ARRAY_BUFFER_ARB ends at 0 when buffer objects are in use.
// - A batch without a buffer object is drawn from its array in memory; one
//   without either is skipped.
void mqoDrawModelSlot(MeshModel* models, int index);

// mqoDrawModelSlot(model, 0).
void mqoDrawModel(MeshModel* model);

// ---------------------------------------------------------------------------
// Sequences
// ---------------------------------------------------------------------------

// Loads files pattern % 0 .. fileCount - 1 as one sequence, fading in
// (fade > 0) or out (fade < 0) over |fade| frames.
// - The sequence has max(fileCount, |fade|) frames; frames past the last file
//   load the last file again. Frame alphas (A = alpha, integer division):
//   fade 0: A throughout; fade > 0: min(A, i * (A / fade)), the last frame A;
//   fade < 0: A until frame fileCount - |fade|, then falling by A / |fade|
//   per frame, at least 0, the last frame 0. A fade of INT_MIN counts as
//   INT_MAX frames.
// - The caller owns the array (also after a failed load) and frees it with
//   mqoFreeSequence.
// - pattern must hold exactly one conversion taking an int: %d, %i, %u, %x,
//   %X or %o, with optional flags -+ #0, width, precision and h or hh; "%%"
//   may appear anywhere. Any other pattern ("%s", "%d%d", "%n", "%*d",
//   "%ld", "%1$d", none), a null pattern, and fileCount <= 0 (whatever the
//   fade) give a null array and frameCount 0; nothing is loaded.
// - A file that cannot be read ends the load and drops the frame before it:
//   frameCount is the failed frame's index - 1, or -1 when frame 0 failed.
//   A name that would be longer than 255 characters fails the same way.
//   When the array cannot be allocated (an enormous |fade|): null array,
//   frameCount -1. Documents are read as by mqoLoadModelSlot.
ModelSequence mqoLoadSequence(const char* pattern, int fileCount, double scale, int fade,
                              unsigned char alpha);

// mqoLoadSequence(pattern, fileCount, scale, 0, 255).
ModelSequence mqoLoadSequenceNoFade(const char* pattern, int fileCount, double scale);

// Draws frame when 0 <= frame < frameCount; otherwise makes no GL call.
void mqoDrawSequenceFrame(ModelSequence sequence, int frame);

// Releases frameCount frames and frees the array. A null array does nothing;
// frameCount <= 0 frees the array only.
void mqoFreeSequence(ModelSequence sequence);

#endif  // MQO_MQOMODEL_H
