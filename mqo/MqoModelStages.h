// MqoModel beyond the manual (mqo/MqoModel.h, which this includes): the
// feature bits in full, model arrays and their slots, loading in two halves,
// the texture pool, the author's camera, sequences, and the stages of a load
// (a parse on threads of your own, the reader's chunk readers and records,
// the mesh builder's steps and its math, the pool's slots and the library's
// globals). The conventions of MqoModel.h hold here too. No GL header: the
// GL entry points are in mqo/MqoModelGL.h.
#ifndef MQO_MQOMODELSTAGES_H
#define MQO_MQOMODELSTAGES_H

#include "mqo/MqoModel.h"

#ifdef __cplusplus
#define MQO_STATIC_ASSERT static_assert
extern "C" {
#else
#define MQO_STATIC_ASSERT _Static_assert
#endif

// The vertex layouts MqoModel.h promises, as GL is handed them.
MQO_STATIC_ASSERT(sizeof(TexturedVertex) == 32, "textured vertex stride is 32 bytes");
MQO_STATIC_ASSERT(offsetof(TexturedVertex, normal) == 12, "normal at byte 12");
MQO_STATIC_ASSERT(offsetof(TexturedVertex, uv) == 24, "uv at byte 24");
MQO_STATIC_ASSERT(sizeof(PlainVertex) == 24, "plain vertex stride is 24 bytes");
MQO_STATIC_ASSERT(offsetof(PlainVertex, normal) == 12, "normal at byte 12");

// ---------------------------------------------------------------------------
// Feature bits: what each MQO_FEATURE_* bit of MqoLoadOptions reads
// ---------------------------------------------------------------------------

// What a load reads beyond the exact subset, bit by bit (mqo/MqoModel.h gives
// each in a line).
// - PNG_JPEG: PNG/JPEG textures and PNG alpha planes, told by their first bytes.
// - IMAGE_LAYOUT: BMP 24/32-bit (BI_RGB, byte-wide BITFIELDS), BMP 1/4/8-bit
//   palettes, RLE4/RLE8 (OS/2 core headers too), TGA types 2, 3, 10, 11, rows
//   as the header orders them. An index past the palette (at most 2^bits
//   entries, whatever its count) is opaque black; pixels the runs skip are
//   0 0 0 0; runs past a row's end are cut there; a file ending before end of
//   bitmap (or the last row) is damaged. With either image bit an image of
//   any size is stretched (bilinear) to the square of its longer side; a side
//   over the driver's limit or 32767, over 256 MiB of pixels or of file, or a
//   damaged file gives no texture.
// - UNMATERIALED: faces without M( (every face, without a Material chunk) take
//   col 1 1 1 1, dif 0.8, amb 0.6, emi 0, spc 0, power 5, appended as needed.
// - FORMAT_DEFAULTS: absent object keys are visible 15, shading 1, facet 59.5;
//   facet is in degrees.
// - MIRROR: mirror 1 or 2 (connected: vertices on a plane shared with their
//   images), mirror_axis X 1, Y 2, Z 4 (1 when absent); copies wound to face out.
//   Connected halves are joined: each open edge a -> b (of a face of 3+
//   corners, matched by no other) gets the face (a, a', b', b) to its image
//   across the lowest axis set, with its face's material and a's UV at a and
//   a', b's at b and b'; a shared end makes it a triangle, two (an edge on
//   the plane) no face. Without a mirror_dis line (or an unreadable one)
//   every open edge joins; with one only edges with 2 |c| <= mirror_dis at
//   both ends (c: the coordinate on that axis).
//   Further axes copy the joining faces too. An object's faces grow at most
//   3 x 2^(axes set) times (24 times); its vertices 2^(axes set) times.
// - POLYGONS: faces of 5+ corners become n - 2 triangles by ear clipping in
//   their plane, with their UVs; flat, crossing or costly ones become a fan.
// - MQOZ: a ".mqoz" path is a zip read for its ".mqo" entry and its textures;
//   at most 65536 entries looked at, 256 MiB for the document, 64 MiB a texture.
// - UTF8_NAMES: object names not in UTF-8 converted from CP932 (kept when they
//   do not convert); texture names tried as written, then as UTF-8.
// - MANY_OBJECTS: every Object chunk is built, past the 49 of objects[]: the
//   rest go to extraObjects (see MeshModel), with no object-limit message.
//   Each chunk takes at least its "Object" line, so the count is bounded by
//   the file's size; when memory for the extra objects runs out they are
//   dropped (the first 49 stay).
// - QUOTED_NAMES: an object name is the whole quoted text, spaces included,
//   without its quotes.
// - FACET_SMOOTHING: a corner's normal is the normalised sum of the unit
//   normals of the faces at its vertex within facet degrees of its own face
//   (facet read in degrees, with or without FORMAT_DEFAULTS), its own face
//   included, each face once; so edges sharper than facet stay sharp. A
//   face's normal is the normalised sum of (prev - v) x (next - v) over its
//   triangles; the triangles of a polygon (POLYGONS) and of a mirror copy of
//   one share one normal. Faces meet where they share a vertex index, so
//   separate mirror halves stay apart and connected ones smooth across.
//   shading 0, or facet 0 or below, gives every corner its face's normal;
//   facet 180 or more sums every face at the vertex; a sum of length zero
//   gives the face's normal. Bounded work: an object compares at most 4M
//   pairs of faces plus 256 a corner, and a vertex whose faces would pass
//   what is left gives its corners their faces' normals; an object of more
//   than INT_MAX corners is smoothed as without the bit (memory running out
//   fails the load, as anywhere in it).
// - TEXTURE_SEARCH: a texture or alpha file not found by its name (as
//   mqoSetTexturePool looks it up; inside the package for one) is looked for
//   by its last component in the document's folder (in the package, for
//   one), then, for a package, beside it: by its path in the package (unless
//   drive-qualified or rooted), then by its last component. Each of these
//   places is matched folder by folder in any ASCII case, as
//   mqoSetTexturePool does, and must be a regular file; with UTF8_NAMES it
//   is tried as UTF-8 too. The pool keeps each document folder's textures
//   apart. Names that are valid UTF-8 ('/'-separated part by part) read
//   every backslash as a separator; others are read as Shift_JIS too, where
//   a 0x5C after a lead byte (0x81-0x9F, 0xE0-0xFC) ends the character: the
//   whole name after its plain reading, its last component before (CP949
//   names never end a character in 0x5C but may pair up as Shift_JIS does).
//   A joined place of 260 bytes or more is not tried. When nothing opens
//   from a package, the read-error message names the package's folder
//   joined with the last component (the name as asked when that does not
//   fit).
// - COMPACT (not in MQO_FEATURE_ALL: it changes the model's form, not what
//   is read): each batch's identical corners (every byte of position,
//   normal and uv alike, once -0 is made +0) are merged into one vertex, so vertexCount counts
//   distinct vertices, and its triangles become indexCount indices. An
//   opaque batch (untextured, colour and diffuse alpha 1, model alpha 255)
//   has its triangles reordered for the vertex cache, each keeping its
//   winding; any other keeps the document's order, so blending gives the
//   default model's picture. Indices are 2 bytes when the
//   batch has at most 65535 vertices, else 4. With buffer objects in use
//   the realised batch keeps only its two buffer objects (bufferName, then
//   indexBufferName): vertices and indices are freed once handed to GL, so
//   mqoModelBounds has nothing to count. A batch memory runs out for while
//   merging stays as independent triangles (indexCount 0). The parse calls
//   honour the bit (their staged batches come indexed, arrays kept).
//   Drawing: the client arrays as for any batch, then
//   glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, indexBufferName),
//   glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT or
//   GL_UNSIGNED_INT, 0), glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0); from
//   memory (no buffer objects) the same with the indices' address and, when
//   buffer objects exist at all, the element buffer unbound first. Who
//   takes a compact model: mqoDrawModel, mqoDrawModelSlot, the slots and
//   release calls and mqoModelBounds; mqoPrepareShadedModel refuses one
//   (null); the glTF writer ignores the bit (it indexes its file anyway).
//   Calls that take no features (mqoLoadModel, mqoLoadModels, sequences,
//   mqoBuildObjects) always build default models.

// ---------------------------------------------------------------------------
// Model arrays: models in slots of one block, as sequences hold them
// ---------------------------------------------------------------------------

// Allocates n zeroed models as one block; initialises the library first if
// that has not happened.
// - The caller owns the block; release it with mqoFreeModels.
// - n <= 0, or n so large that n models do not fit in memory, gives null.
MQO_API MeshModel* mqoAllocModels(int n);

// Releases the batches (vertex arrays and buffer objects) of slots
// start .. start + n - 1. Object counts and names stay.
// - Null models, n <= 0 or start < 0 do nothing. The range must lie within
//   the array. Batches with vertexCount <= 0 are passed over untouched.
// - A slot that counts 49 objects also has its fiftieth (uncounted) object
//   released, so an object built beyond the limit does not leak.
// - The extra objects are released and their array freed (extraObjectCount 0).
// - Released twice, a range does nothing more. Textures are not touched.
MQO_API void mqoReleaseModelSlots(MeshModel* models, int start, int n);

// Releases slots 0 .. n - 1 and frees the block. Null does nothing; n <= 0
// still frees the block.
MQO_API void mqoFreeModels(MeshModel* models, int n);

// Loads a document into slot index of a model array, appending its objects
// after any the slot already holds.
// - Returns 0, or -1 when models is null, index is negative or the file
//   cannot be opened. index is not checked against the array's size.
// - Safe on untrusted files.
MQO_API int mqoLoadModelSlot(MeshModel* models, int index, const char* path, double scale,
                             unsigned char alpha);

// mqoLoadModelSlot, reading what options->features asks for as well.
// - Null options or features 0 give exactly mqoLoadModelSlot. Unknown bits
//   are ignored. A texture read under one set of features is never handed to
//   a request under another whose pixels would differ.
// - Safe on untrusted files and packages, within the bounds given above.
// - Fills options->report and sends messages to its sink as mqoLoadModelEx
//   does; a null models or negative index reports MQO_LOAD_NOT_FOUND.
MQO_API int mqoLoadModelSlotEx(MeshModel* models, int index, const char* path, double scale,
                               unsigned char alpha, const MqoLoadOptions* options);

// mqoDrawModel for slot index of a model array. Null draws nothing and makes
// no GL call. index is not checked: keep it within the array.
MQO_API void mqoDrawModelSlot(MeshModel* models, int index);

// ---------------------------------------------------------------------------
// Loading many documents in two halves
// ---------------------------------------------------------------------------

// mqoLoadModels in two halves, so the reading overlaps work of the caller's
// own (opening its window, say): this half starts the worker threads (one
// per hardware thread but one, leaving the caller its core) and returns at
// once; mqoFinishLoadModels makes the GL calls.
// - Returns what mqoFinishLoadModels takes, or null when paths is null or
//   count <= 0. paths and its strings must stay valid until then.
// - Makes no GL call and needs no context; prints nothing.
typedef struct MqoPendingLoad MqoPendingLoad;
MQO_API MqoPendingLoad* mqoStartLoadModels(const char* const* paths, int count, double scale);

// Does mqoLoadModels' GL stage into models (count entries), in list order,
// and releases pending. Returns how many loaded.
// - Rather than wait for a document still being read, reads the next one no
//   worker has begun itself.
// - A null models discards what was read with no GL call, and reads no
//   document a worker has not begun; null pending gives 0.
// - Every started load must be finished, once.
MQO_API int mqoFinishLoadModels(MqoPendingLoad* pending, MeshModel** models);

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
MQO_API int mqoSetTexturePool(char* texturePath, char* alphaPath, unsigned char alpha);

// Deletes the textures of all slots in use and empties the pool.
MQO_API void mqoReleaseTexturePool(void);

// ---------------------------------------------------------------------------
// The author's camera and thumbnail
// ---------------------------------------------------------------------------

// What a document remembers of the view its author last had: the Scene
// chunk's camera and the Thumbnail picture drawn from it. The camera maps a
// world point P (vertex coordinates as written, at load scale 1) to OpenGL
// eye space as Rz(bank) Rx(pich) Ry(head) (P - lookat) + (pos.x, pos.y,
// -pos.z); a perspective view has the focal length zoom2 * pos.z / 1000 in
// normalised device units, an orthographic one a half-height of 1000 / zoom2.
typedef struct MqoScene {
    float pos[3];            // pan (x, y) and distance from lookat (z)
    float lookat[3];         // the point the camera turns about
    float head, pich, bank;  // radians, as written (not wrapped)
    int32_t ortho;           // 1: orthographic
    float zoom2;
    float frontclip, backclip;                // near and far distances
    int32_t thumbnailWidth, thumbnailHeight;  // 0 without a thumbnail
    unsigned char* thumbnail;                 // owned RGB rows, the top row first; or null
} MqoScene;

enum { MQO_THUMBNAIL_MOST_SIDE = 1024 };  // a longer side is not read

// Reads the Scene and Thumbnail chunks of the document at path (a ".mqoz"
// path, in any case, is read as a package, for the document inside it).
// - Returns 1 when a Scene chunk was read, 0 when there is none, the file
//   cannot be opened, or scene is null. Without a Scene chunk the camera is
//   the format's default: pos 0 0 1500, lookat 0 0 0, head -0.5236, pich
//   0.5236, bank 0, ortho 0, zoom2 5.
// - A key absent from the chunk, or given a value that does not scan or is
//   not finite, keeps its default; absent clips are 0.15 and 30 times the
//   distance, as the modelling tool writes them. Values are not checked
//   further: a distance or zoom2 of zero or less is handed on as written.
// - Only top-level chunks (named at a line's start, not indented) before the
//   first Object or Eof line are looked at, where the tool writes them, so a
//   large model is not read through. Of several Scene chunks the first counts,
//   of several Thumbnail chunks the first that reads.
// - The thumbnail is read only as "Thumbnail W H 24 rgb raw {" with sides of
//   1 to MQO_THUMBNAIL_MOST_SIDE and hex digits for every pixel that the rest
//   of the file can hold; a picture cut short, or holding a character that
//   is neither a hex digit nor white space, is dropped (null, sides 0).
// - Safe on untrusted files. Release with mqoReleaseScene; no GL call.
MQO_API int mqoReadScene(const char* path, MqoScene* scene);

// Frees the thumbnail and sets it null with sides 0. Null does nothing.
MQO_API void mqoReleaseScene(MqoScene* scene);

// ---------------------------------------------------------------------------
// Sequences
// ---------------------------------------------------------------------------

typedef struct ModelSequence {
    MeshModel* models;   // owned; frame i is slot i
    int32_t frameCount;  // frames that can be drawn; -1 when the first file failed
} ModelSequence;

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
MQO_API ModelSequence mqoLoadSequence(const char* pattern, int fileCount, double scale, int fade,
                                      unsigned char alpha);

// mqoLoadSequence(pattern, fileCount, scale, 0, 255).
MQO_API ModelSequence mqoLoadSequenceNoFade(const char* pattern, int fileCount, double scale);

// Draws frame when 0 <= frame < frameCount; otherwise makes no GL call.
MQO_API void mqoDrawSequenceFrame(ModelSequence sequence, int frame);

// Releases frameCount frames and frees the array. A null array does nothing;
// frameCount <= 0 frees the array only.
MQO_API void mqoFreeSequence(ModelSequence sequence);

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
// Texture pool slots
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
// vboSupported is 1 when the driver lists GL_ARB_vertex_buffer_object and all
// four entry points of mqo/MqoModelGL.h were found (else 0, and they are null).
extern MQO_API int32_t vboSupported;
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
// - A file under 8 MiB is read whole by the first list reader; from
//   128 KiB, an idle helper thread then scans the second half of what is
//   left for the list readers until the stream is closed (mqoLoadModel's
//   threads).
MQO_API MqoStream* mqoOpenStream(const char* path);

// Closes a stream opened by mqoOpenStream, waiting for its helper if one
// still scans (a scan not yet begun is called off). Null does nothing.
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
//   last one stays bound. (Always independent triangles: COMPACT is a bit
//   of the loads and parses that take features.)
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
//   read to its end, memory runs out, or parsed is null. No GL call and no library state: safe on
//   any thread for different documents at once. Release with mqoRealiseDocument or
//   mqoReleaseParsedModel.
MQO_API int mqoParseDocument(const char* path, double scale, unsigned char alpha,
                             MqoParsedModel* parsed);

// mqoParseDocument reading what features (MQO_FEATURE_* bits) asks for as
// well; 0 gives exactly mqoParseDocument.
MQO_API int mqoParseDocumentEx(const char* path, double scale, unsigned char alpha,
                               uint32_t features, MqoParsedModel* parsed);

// mqoParseDocumentEx over a document already in memory: size bytes at bytes,
// read as a file holding them would be, with directory standing for the
// document's folder. Parsing from a file and from its bytes gives the same
// parsed model.
// - The bytes are copied (the caller keeps them, and may free them as soon
//   as this returns); size is at most MQO_PARSE_MEMORY_MAX_BYTES (256 MiB),
//   the bound a packaged document has too.
// - directory is prefixed to the document's texture names, so it ends with
//   its separator, as mqoDirectoryOf writes one; null or "" looks for them
//   in the working directory. When it does not fit in 255 characters the
//   parse still succeeds but its textures are not looked for, as for a file
//   whose folder is too long.
// - The bytes are always a document: MQO_FEATURE_MQOZ has no effect here,
//   so the bytes of a .mqoz read as a document without chunks.
// - Returns 1, or 0 (parsed left empty) when parsed is null, bytes is null
//   while size is not 0, size is beyond the bound, or memory runs out.
#define MQO_PARSE_MEMORY_MAX_BYTES (256u << 20)
MQO_API int mqoParseDocumentMemory(const void* bytes, size_t size, const char* directory,
                                   double scale, unsigned char alpha, uint32_t features,
                                   MqoParsedModel* parsed);

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

#endif  // MQO_MQOMODELSTAGES_H
