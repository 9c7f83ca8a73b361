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
// - One thread: every call runs on the thread that owns the current GL context
//   (mqoLoadModels reads on threads of its own; mqoParseDocument, declared in
//   mqo/MqoModelStages.h with the other stage-level calls, may run anywhere).
// - The header is C as well as C++: the calls have C linkage.
// - Files are untrusted: no document or image, however damaged, makes a call
//   read or write outside its buffers or allocate far beyond the file's size.
// - Every release call accepts null and does nothing with it.
// - Console messages are printed to standard output in UTF-8.
#ifndef MQO_MQOMODEL_H
#define MQO_MQOMODEL_H

#include <stddef.h>
#include <stdint.h>

#include "mqo/MqoExport.h"

// The library's version, as the build and its packages give it: a release
// keeps the calls of every earlier one of the same major and minor version.
#define MQO_VERSION_MAJOR 0
#define MQO_VERSION_MINOR 1
#define MQO_VERSION_PATCH 0

#ifdef __cplusplus
#define MQO_STATIC_ASSERT static_assert
extern "C" {
#else
#define MQO_STATIC_ASSERT _Static_assert
#endif

// ---------------------------------------------------------------------------
// Drawable records
// ---------------------------------------------------------------------------

// One corner of a textured triangle, handed to GL as it lies in memory.
typedef struct TexturedVertex {
    float position[3];  // scaled model position, byte 0
    float normal[3];    // unit vector or zero, byte 12
    float uv[2];        // texture coordinates, byte 24
} TexturedVertex;

// One corner of an untextured triangle.
typedef struct PlainVertex {
    float position[3];  // byte 0
    float normal[3];    // byte 12
} PlainVertex;

// The triangles of one object that share one material, as one vertex array.
typedef struct MaterialBatch {
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
    float power;                       // shininess
    PlainVertex* plainVertices;        // owned, when hasTexture is 0
    TexturedVertex* texturedVertices;  // owned, when hasTexture is 1
} MaterialBatch;

// One object of a document, ready to draw.
typedef struct MeshObject {
    char name[256];
    int32_t visible;         // drawn only when non-zero
    int32_t flatShading;     // 1: GL_FLAT, 0: GL_SMOOTH
    int32_t batchCount;      // highest material index used + 1
    MaterialBatch* batches;  // owned; entry k holds material k
} MeshObject;

enum { MQO_MAX_OBJECTS = 50 };  // slots per model; at most 49 are counted

// One model. Always allocated in arrays by mqoAllocModels.
// - objects[] and objectCount are as they always were: at most 49 objects.
//   A load with MQO_FEATURE_MANY_OBJECTS puts the objects past the 49th in
//   extraObjects, in document order, instead of dropping them; every other
//   load leaves extraObjectCount 0 and extraObjects null.
// - Code that walks only objects[] sees the first 49 of such a model; to
//   see every object use mqoModelObjectCount and mqoModelObject.
typedef struct MeshModel {
    uint8_t alpha;        // model opacity 0..255 given at load time
    int32_t objectCount;  // 0..49 objects in use
    MeshObject objects[MQO_MAX_OBJECTS];
    int32_t extraObjectCount;  // objects in extraObjects
    MeshObject* extraObjects;  // owned; objects 49, 50, ... of the model
} MeshModel;

MQO_STATIC_ASSERT(sizeof(TexturedVertex) == 32, "textured vertex stride is 32 bytes");
MQO_STATIC_ASSERT(offsetof(TexturedVertex, normal) == 12, "normal at byte 12");
MQO_STATIC_ASSERT(offsetof(TexturedVertex, uv) == 24, "uv at byte 24");
MQO_STATIC_ASSERT(sizeof(PlainVertex) == 24, "plain vertex stride is 24 bytes");
MQO_STATIC_ASSERT(offsetof(PlainVertex, normal) == 12, "normal at byte 12");

// ---------------------------------------------------------------------------
// Sequences
// ---------------------------------------------------------------------------

typedef struct ModelSequence {
    MeshModel* models;   // owned; frame i is slot i
    int32_t frameCount;  // frames that can be drawn; -1 when the first file failed
} ModelSequence;

// ---------------------------------------------------------------------------
// Library state and model arrays
// ---------------------------------------------------------------------------

// Empties the texture pool and detects buffer-object support.
// - Needs a current GL context. Textures the pool held are not deleted.
// - When the driver lists GL_ARB_vertex_buffer_object but any of the four
//   entry points cannot be looked up, the extension is treated as absent:
//   vboSupported 0 and all four pointers null.
MQO_API void mqoInitLibrary(void);

// Deletes every pooled texture and empties the pool. Changes nothing else.
MQO_API void mqoCleanupLibrary(void);

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

// mqoFreeModels(model, 1).
MQO_API void mqoFreeModel(MeshModel* model);

// Every object of a model: objectCount + extraObjectCount; 0 for null.
MQO_API int mqoModelObjectCount(const MeshModel* model);

// Object index of a model, counting objects[] first, then extraObjects.
// Null when model is null or index is outside 0 .. mqoModelObjectCount - 1.
MQO_API MeshObject* mqoModelObject(MeshModel* model, int index);

// The box around a model's triangle corners: per axis the least and the
// greatest position, as stored (already scaled). Needs no GL context.
// - Returns 1 and sets min and max when at least one corner was counted;
//   returns 0 and leaves them untouched otherwise (null model, min or max, a
//   model without objects, or without a corner to count).
// - Walks every object mqoModelObjectCount counts: objects[] (within the
//   49 counted), then extraObjects; every batch of each, through its
//   texturedVertices or plainVertices as hasTexture says. A batch with
//   vertexCount <= 0 or without that array is passed over.
// - visibleOnly non-zero passes over objects with visible 0.
// - A corner with a coordinate that is not a number (NaN) is passed over;
//   infinite coordinates count.
MQO_API int mqoModelBounds(const MeshModel* model, int visibleOnly, float min[3], float max[3]);

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
// Document reader
// ---------------------------------------------------------------------------

// Loads a document into slot index of a model array, appending its objects
// after any the slot already holds.
// - Returns 0, or -1 when models is null, index is negative or the file
//   cannot be opened. index is not checked against the array's size.
// - Safe on untrusted files.
MQO_API int mqoLoadModelSlot(MeshModel* models, int index, const char* path, double scale,
                             unsigned char alpha);

// Loads a document as a model of its own, with alpha 255.
// - Returns a new model that the caller frees with mqoFreeModel, or null when
//   the file cannot be opened (or the model cannot be allocated).
MQO_API MeshModel* mqoLoadModel(const char* path, double scale);

// What a load reads beyond the exact subset: MQO_FEATURE_* bits, one per
// capability; 0 (or null options) reads exactly as mqoLoadModel does.
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
//   than INT_MAX corners, or one memory runs out for, is smoothed as without
//   the bit.
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
#define MQO_FEATURE_PNG_JPEG 0x01u
#define MQO_FEATURE_IMAGE_LAYOUT 0x02u
#define MQO_FEATURE_UNMATERIALED 0x04u
#define MQO_FEATURE_FORMAT_DEFAULTS 0x08u
#define MQO_FEATURE_MIRROR 0x10u
#define MQO_FEATURE_POLYGONS 0x20u
#define MQO_FEATURE_MQOZ 0x40u
#define MQO_FEATURE_UTF8_NAMES 0x80u
#define MQO_FEATURE_MANY_OBJECTS 0x100u
#define MQO_FEATURE_QUOTED_NAMES 0x200u
#define MQO_FEATURE_FACET_SMOOTHING 0x400u
#define MQO_FEATURE_TEXTURE_SEARCH 0x800u
#define MQO_FEATURE_ALL 0xFFFu

typedef struct MqoLoadOptions {
    uint32_t features;  // MQO_FEATURE_* bits; 0 = the exact subset
} MqoLoadOptions;

// mqoLoadModelSlot, reading what options->features asks for as well.
// - Null options or features 0 give exactly mqoLoadModelSlot. Unknown bits
//   are ignored. A texture read under one set of features is never handed to
//   a request under another whose pixels would differ.
// - Safe on untrusted files and packages, within the bounds given above.
MQO_API int mqoLoadModelSlotEx(MeshModel* models, int index, const char* path, double scale,
                               unsigned char alpha, const MqoLoadOptions* options);

// mqoLoadModel with options, as mqoLoadModelSlotEx reads them.
MQO_API MeshModel* mqoLoadModelEx(const char* path, double scale, const MqoLoadOptions* options);

// Loads count documents as mqoLoadModel(paths[i], scale) would, into
// models[i], reading and building them on worker threads while this thread
// makes every GL call.
// - Returns how many loaded. models[i] is null where a file cannot be opened
//   (or a null path); each other one is the caller's, freed with mqoFreeModel.
// - Models, console messages (in list order) and GL calls are those of the
//   loads one after another. Uses at most the hardware's threads and never
//   more than count; with none to be had, reads on this thread.
// - Null paths or models, or count <= 0, load nothing and return 0.
MQO_API int mqoLoadModels(const char* const* paths, int count, double scale, MeshModel** models);

// mqoLoadModels in two halves, so the reading overlaps work of the caller's
// own (opening its window, say): this half starts the worker threads and
// returns at once; mqoFinishLoadModels makes the GL calls.
// - Returns what mqoFinishLoadModels takes, or null when paths is null or
//   count <= 0. paths and its strings must stay valid until then.
// - Makes no GL call and needs no context; prints nothing.
typedef struct MqoPendingLoad MqoPendingLoad;
MQO_API MqoPendingLoad* mqoStartLoadModels(const char* const* paths, int count, double scale);

// Waits for the reading, then does mqoLoadModels' GL stage into models
// (count entries) and releases pending. Returns how many loaded.
// - A null models discards what was read with no GL call; null pending gives 0.
// - Every started load must be finished, once.
MQO_API int mqoFinishLoadModels(MqoPendingLoad* pending, MeshModel** models);

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
MQO_API void mqoDrawModelSlot(MeshModel* models, int index);

// mqoDrawModelSlot(model, 0).
MQO_API void mqoDrawModel(MeshModel* model);

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
MQO_API ModelSequence mqoLoadSequence(const char* pattern, int fileCount, double scale, int fade,
                                      unsigned char alpha);

// mqoLoadSequence(pattern, fileCount, scale, 0, 255).
MQO_API ModelSequence mqoLoadSequenceNoFade(const char* pattern, int fileCount, double scale);

// Draws frame when 0 <= frame < frameCount; otherwise makes no GL call.
MQO_API void mqoDrawSequenceFrame(ModelSequence sequence, int frame);

// Releases frameCount frames and frees the array. A null array does nothing;
// frameCount <= 0 frees the array only.
MQO_API void mqoFreeSequence(ModelSequence sequence);

#ifdef __cplusplus
}  // extern "C"
#endif

// The stages of a load, the parse records, the pool's slots and the library's
// globals, for callers that need more than the calls above.
#include "mqo/MqoModelStages.h"

#endif  // MQO_MQOMODEL_H
