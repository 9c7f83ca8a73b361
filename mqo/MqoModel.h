// MqoModel: reads MQO model documents into drawable OpenGL models. This header
// is the manual (what each call owns, what null does, what bad input yields)
// and includes no GL header, so any GL loader may come before it.
//
//   #include <mqo/MqoModel.h>
//   mqoInitLibrary();                               // once a GL context is current
//   MeshModel* m = mqoLoadModel("walk.mqo", 0.5);  // null when the file cannot be read
//   mqoDrawModel(m);                                // every frame, under your camera and lights
//   mqoFreeModel(m);                                // while the context still exists
//   mqoCleanupLibrary();                            // deletes the pooled textures
//
// Beyond it: mqo/MqoModelStages.h (GL-free too) for the stages of a load, model
// arrays, sequences, the texture pool, the author's camera and the feature bits
// in full; mqo/MqoModelGL.h (with <GL/gl.h>) for the GL entry points looked up;
// mqo/MqoModelGltf.h (GL-free) to write a document as binary glTF 2.0.
//
// Conventions that hold for every call:
// - One thread: every call runs on the thread that owns the current GL
//   context (mqoLoadModels reads on threads of its own).
// - C as well as C++: the calls have C linkage.
// - Files are untrusted: no document or image, however damaged, makes a call
//   read or write outside its buffers or allocate far beyond the file's size.
// - Every release call accepts null and does nothing with it.
// - Console messages are printed to standard output in UTF-8, unless a
//   load's options send them elsewhere (Options).
#ifndef MQO_MQOMODEL_H
#define MQO_MQOMODEL_H

#include <stddef.h>
#include <stdint.h>

#include "mqo/MqoExport.h"

// The library's version, as the build and its packages give it: a release
// keeps the calls of every earlier one of the same major and minor version.
#define MQO_VERSION_MAJOR 0
#define MQO_VERSION_MINOR 2
#define MQO_VERSION_PATCH 0

#ifdef __cplusplus
extern "C" {
#endif

typedef struct MeshModel MeshModel;            // a drawable model (Records below)
typedef struct MeshObject MeshObject;          // one of its objects
typedef struct MqoLoadOptions MqoLoadOptions;  // what a load reads (Options below)

// ---- Calls ----------------------------------------------------------------

// Readies the library: empties the texture pool, detects buffer objects.
// - Needs a current GL context. A load made before it calls it itself.
// - Textures the pool held are not deleted (mqoCleanupLibrary does that).
MQO_API void mqoInitLibrary(void);

// Loads the document at path as a model of its own, opaque (alpha 255).
// - Returns a model the caller owns and frees with mqoFreeModel; null when
//   path is null, the file cannot be opened or read to its end, or memory
//   runs out anywhere in the load (never a model with parts left out).
// - scale multiplies every vertex coordinate (1 keeps the document's units).
// - Needs the GL context that will draw it current (textures, buffers go there).
// - Reads the exact subset (features 0). A damaged file loads what it holds,
//   as mqoReadDocument (mqo/MqoModelStages.h) details. A texture that
//   cannot be read prints why; its batches keep textureName -1.
// - Object names and visible values are kept as written (see MeshObject).
// - Uses helper threads the library starts the first time (one fewer than
//   the hardware's threads, at most 7), with the same result as one thread:
//   a document of 128 KiB to 8 MiB (a file is read whole) has its second
//   half scanned by one idle helper meanwhile; in a larger one a vertex or
//   face list with 2,048 lines or more is scanned in pieces on this thread
//   and the idle helpers. Objects that split into two runs of 32,768 faces
//   or more are built half here, half on one idle helper. Each parse call
//   does this (the stages too); with no helper idle, all is done here.
//   Work a helper has not begun when this thread needs it (every core busy)
//   is done here instead of waited for.
MQO_API MeshModel* mqoLoadModel(const char* path, double scale);

// mqoLoadModel reading what options->features asks for as well (Options).
// - Null options or features 0 give exactly mqoLoadModel; unknown bits are
//   ignored. A texture read under one set of features is never handed to a
//   request under another whose pixels would differ.
// - Safe on untrusted files and packages, within each bit's bounds.
// - options->report, when set, says why a load failed and what it left out;
//   options->message (or quiet) takes its console messages (Options).
MQO_API MeshModel* mqoLoadModelEx(const char* path, double scale, const MqoLoadOptions* options);

// Loads count documents as mqoLoadModel(paths[i], scale) would, into
// models[i], reading and building them on worker threads while this thread
// makes every GL call.
// - Returns how many loaded. models[i] is null where a file cannot be opened
//   (or a null path); each other one is the caller's, freed with mqoFreeModel.
// - Models, console messages (in list order) and GL calls are those of the
//   loads one after another. Reads on a worker per hardware thread but one
//   (at least one, never more than count) and on this thread whenever it
//   would wait; with no worker to be had, on this thread alone. With a
//   reader on every core, none hands work to the helper threads.
// - Null paths or models, or count <= 0, load nothing and return 0.
// - Its two halves, to overlap the reading with work of your own:
//   mqoStartLoadModels and mqoFinishLoadModels (mqo/MqoModelStages.h).
MQO_API int mqoLoadModels(const char* const* paths, int count, double scale, MeshModel** models);

// Draws a model with its materials and textures into the current modelview
// frame, under the caller's projection and lighting. Null makes no GL call.
// - Needs a compatibility-profile context (fixed-function materials, client
//   arrays): the one the model was loaded in, or one sharing its objects.
// - Skips objects with visible 0 and batches that have no vertices (or no
//   buffer object and no array). Material colours get their fourth component
//   scaled by alpha / 255; the glColor4f colour is passed unscaled.
// - Restores the modelview matrix, the front face (GL_CW while drawing) and
//   per batch GL_TEXTURE_2D, GL_BLEND and the 2D texture binding. Leaves as
//   set: shade model, material, colour, blend function (GL_SRC_ALPHA,
//   GL_ONE_MINUS_SRC_ALPHA); vertex, normal and texture-coordinate client
//   arrays disabled (also ones enabled before); with buffer objects in use,
//   GL_ARRAY_BUFFER_ARB at 0, and after a compact batch (glDrawElements)
//   GL_ELEMENT_ARRAY_BUFFER_ARB at 0 too.
MQO_API void mqoDrawModel(MeshModel* model);

// The box around a model's triangle corners: per axis the least and the
// greatest position, as stored (already scaled). Needs no GL context.
// - Returns 1 and sets min and max when a corner was counted; else 0, with
//   them untouched (null model, min or max, or no corner to count).
// - Counts every object mqoModelObjectCount counts (visibleOnly non-zero:
//   those with visible non-zero), every batch with vertices and its array.
// - Corners with a NaN coordinate are passed over; infinite ones count.
// - A compact model loaded with buffer objects keeps no arrays: 0.
MQO_API int mqoModelBounds(const MeshModel* model, int visibleOnly, float min[3], float max[3]);

// Every object of a model: objectCount + extraObjectCount; 0 for null.
MQO_API int mqoModelObjectCount(const MeshModel* model);

// Object index of a model, counting objects[] first, then extraObjects.
// Null when model is null or index is outside 0 .. mqoModelObjectCount - 1.
MQO_API MeshObject* mqoModelObject(MeshModel* model, int index);

// Releases a model: its arrays, its buffer objects and the model itself.
// - Needs the context it was loaded in (its buffer objects are deleted there).
// - Textures stay in the pool until mqoCleanupLibrary.
MQO_API void mqoFreeModel(MeshModel* model);

// Deletes every pooled texture and empties the pool, and ends the helper
// threads (next started when needed; left running while a stream opened by
// mqoOpenStream still holds one). Changes nothing else.
// - Not while a load is under way on another thread.
MQO_API void mqoCleanupLibrary(void);

// ---- Options: MQO_FEATURE_* bits, one per capability beyond the exact subset
// (each in full under "Feature bits" in mqo/MqoModelStages.h).

// A load's report (options->report, filled by mqoLoadModelEx and
// mqoLoadModelSlotEx; mqoLoadModels fills none). Counting changes no model,
// GL call or message; each count stops at INT32_MAX. A model is returned
// with MQO_LOAD_OK or MQO_LOAD_NOT_DOCUMENT (loaded as the exact reading always
// loaded such a file); with any other result the load returns null (the slot
// call -1).
typedef enum MqoLoadResult {
    MQO_LOAD_OK = 0,
    MQO_LOAD_NOT_FOUND,        // no such file (or a null path)
    MQO_LOAD_FOLDER,           // the path is a directory
    MQO_LOAD_UNREADABLE,       // exists, but cannot be opened or read (permissions, I/O error)
    MQO_LOAD_NOT_DOCUMENT,     // loaded, but the first line is not "Metasequoia Document"
    MQO_LOAD_DAMAGED_PACKAGE,  // MQO_FEATURE_MQOZ: no zip, or no readable .mqo entry
    MQO_LOAD_OUT_OF_MEMORY     // the model or the reader's buffers could not be allocated
} MqoLoadResult;

enum { MQO_REPORT_NAMES = 8, MQO_REPORT_NAME_SIZE = 260 };

typedef struct MqoLoadReport {
    MqoLoadResult result;
    // Faces left out (of every object read), by the first reason that holds;
    // faces without M( are not counted (the exact reading never draws them).
    int32_t facesBadCorners;   // fewer than 3 corners (more than 4 without POLYGONS)
    int32_t facesBadMaterial;  // M( names a material the document lacks
    int32_t facesBadVertices;  // a corner names a vertex the object lacks
    // Textured materials whose texture the pool could not give (one name
    // failing for two materials counts twice), and the first MQO_REPORT_NAMES
    // of their tex( names, as the document writes them.
    int32_t texturesNotRead;
    char textureNames[MQO_REPORT_NAMES][MQO_REPORT_NAME_SIZE];
    // Object chunks dropped past the 49 of objects[] (0 with MANY_OBJECTS).
    int32_t objectsPastLimit;
    int32_t missingEof;  // 1: the last line that is not blank is not "Eof" (or none)
} MqoLoadReport;

struct MqoLoadOptions {
    uint32_t features;      // MQO_FEATURE_* bits; 0 = the exact subset
    MqoLoadReport* report;  // null: no report; else zeroed, then filled by the load
    // Every console message of the load (the same UTF-8 text, line end
    // included) goes to message instead of standard output, with context;
    // null prints as ever. quiet non-zero drops them when message is null.
    void (*message)(void* context, const char* text);
    void* context;
    int32_t quiet;
};

#define MQO_FEATURE_PNG_JPEG 0x01u          // PNG and JPEG textures, PNG alpha planes
#define MQO_FEATURE_IMAGE_LAYOUT 0x02u      // BMP/TGA of every depth and size, as stored
#define MQO_FEATURE_UNMATERIALED 0x04u      // faces without M( drawn in a default material
#define MQO_FEATURE_FORMAT_DEFAULTS 0x08u   // absent object keys as the format sets them
#define MQO_FEATURE_MIRROR 0x10u            // mirror copies, connected ones joined
#define MQO_FEATURE_POLYGONS 0x20u          // faces of 5+ corners cut into triangles
#define MQO_FEATURE_MQOZ 0x40u              // .mqoz packages and the textures in them
#define MQO_FEATURE_UTF8_NAMES 0x80u        // CP932 object names to UTF-8; UTF-8 texture names
#define MQO_FEATURE_MANY_OBJECTS 0x100u     // objects past 49 into extraObjects
#define MQO_FEATURE_QUOTED_NAMES 0x200u     // names are the whole quoted text, without quotes
#define MQO_FEATURE_FACET_SMOOTHING 0x400u  // edges sharper than facet stay sharp
#define MQO_FEATURE_TEXTURE_SEARCH 0x800u   // textures looked for beside the document
#define MQO_FEATURE_ALL 0xFFFu              // every reading bit above
// The compact model: a form of the model, not a reading, so ALL leaves it out.
#define MQO_FEATURE_COMPACT 0x1000u  // indexed batches, 16-bit indices, no CPU copies

// ---- Records: a model as loaded, for code that walks its objects or vertices.

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
    uint32_t bufferName;   // owned buffer object when vboSupported, else 0
    int32_t vertexCount;   // 3 per triangle; 0 means no arrays, no buffer
    float color[4];        // glColor4f value
    float diffuse[4], ambient[4], emission[4], specular[4];
    float power;                       // shininess
    PlainVertex* plainVertices;        // owned, when hasTexture is 0
    TexturedVertex* texturedVertices;  // owned, when hasTexture is 1
    // Compact batches only (MQO_FEATURE_COMPACT): vertexCount then counts
    // distinct corners, drawn through these indices. Zero and null otherwise.
    int32_t indexCount;        // 3 per triangle; 0: independent triangles
    int32_t indexSize;         // bytes per index: 2 (uint16_t) or 4 (uint32_t)
    uint32_t indexBufferName;  // owned element buffer object when vboSupported, else 0
    void* indices;             // owned; null once copied into indexBufferName
} MaterialBatch;

// One object of a document, ready to draw.
struct MeshObject {
    // The exact reading keeps the first word after "Object " as written,
    // quotes included ("body" with its quotes); QUOTED_NAMES drops them.
    char name[256];
    int32_t visible;         // the document's value (0 when absent); drawn when non-zero
    int32_t flatShading;     // 1: GL_FLAT (shading 0), 0: GL_SMOOTH
    int32_t batchCount;      // highest material index used + 1
    MaterialBatch* batches;  // owned; entry k holds material k
};

enum { MQO_MAX_OBJECTS = 50 };  // slots per model; at most 49 are counted

// One model: objects[] holds at most 49 objects; with MQO_FEATURE_MANY_OBJECTS
// the rest are in extraObjects, in document order (else 0 and null). Code that
// walks objects[] alone sees the first 49: mqoModelObject reaches them all.
struct MeshModel {
    uint8_t alpha;        // model opacity 0..255 given at load time
    int32_t objectCount;  // 0..49 objects in use
    MeshObject objects[MQO_MAX_OBJECTS];
    int32_t extraObjectCount;  // objects in extraObjects
    MeshObject* extraObjects;  // owned; objects 49, 50, ... of the model
};

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // MQO_MQOMODEL_H
