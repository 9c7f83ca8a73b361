// MqoModel to binary glTF 2.0 (.glb): a document as the library reads and
// builds it, written for programs that read glTF. CPU stage: no GL context,
// no GL header, no library state (the texture pool is not used), so it runs
// on any thread. Its own header because its options and report would
// double the manual (mqo/MqoModel.h, whose conventions hold here too).
//
//   MqoGltfReport report;
//   if (mqoWriteGltfFile("walk.mqo", "walk.glb", NULL, &report) != 0) ...
//
// What is written (docs/gltf.md has the material table and the reasons):
// - One scene; one node and one mesh per object that is drawn (visible
//   non-zero; includeHidden adds the others), named in UTF-8 (names that
//   are not are read as CP932; bytes that still do not convert become '?'),
//   in the order mqoModelObject counts them. An object with no triangle
//   gets no node.
// - One primitive per material the object's triangles use: exactly the
//   triangles mqoDrawModel draws, with their normals (a flat-shaded object's
//   triangle takes the normal of its last corner, which GL_FLAT lights it
//   by) and, textured, their UVs as stored (the document's and glTF's V
//   both run down from the image's top row). Corners equal in every byte are
//   merged, then reordered for the vertex cache; indices are uint16 when
//   every index fits, else uint32. Winding is turned to glTF's
//   counter-clockwise front. Positions are multiplied by scale.
// - A material per material a primitive uses, each texture image once
//   (PNG and JPEG files copied byte for byte; BMP, TGA, any texture with an
//   alpha plane and PNGs with colour-space chunks as the library decodes
//   them, encoded to PNG). Textures of a package come from the package.
// - The same input and options give the same bytes.
// - Bounded: the output is at most MQO_GLTF_OUTPUT_FACTOR times the bytes
//   read (document file and texture files) plus MQO_GLTF_OUTPUT_SLACK;
//   a document that would give more writes nothing (MQO_GLTF_TOO_LARGE).
#ifndef MQO_MQOMODELGLTF_H
#define MQO_MQOMODELGLTF_H

#include "mqo/MqoModel.h"

#ifdef __cplusplus
extern "C" {
#endif

// MQO units are commonly millimetres and glTF's are metres.
#define MQO_GLTF_DEFAULT_SCALE 0.001
#define MQO_GLTF_OUTPUT_FACTOR 256
#define MQO_GLTF_OUTPUT_SLACK (1u << 20)

typedef struct MqoGltfOptions {
    uint32_t features;      // MQO_FEATURE_* bits the document is read with (COMPACT ignored)
    double scale;           // multiplies every position; finite and above 0
    int32_t includeHidden;  // non-zero: objects with visible 0 get nodes too
} MqoGltfOptions;

// What a null options pointer means: MQO_FEATURE_ALL, the default scale,
// drawn objects only.
MQO_API MqoGltfOptions mqoGltfDefaultOptions(void);

typedef enum MqoGltfResult {
    MQO_GLTF_OK = 0,
    MQO_GLTF_NOT_READ,       // the document (or package) cannot be opened or read
    MQO_GLTF_BAD_OPTIONS,    // a null path or output, or a scale that is not above 0
    MQO_GLTF_TOO_LARGE,      // past the output bound above
    MQO_GLTF_OUT_OF_MEMORY,  // memory ran out while building the file
    MQO_GLTF_WRITE_FAILED    // the output file could not be written
} MqoGltfResult;

typedef struct MqoGltfReport {
    MqoGltfResult result;
    MqoLoadReport load;  // the reading's own report (faces left out, ...)
    // What was written.
    int32_t nodes, primitives, materials, images;
    int32_t imagesCopied;   // of images: file bytes as they were
    int32_t imagesEncoded;  // of images: decoded, encoded to PNG
    int64_t triangles, vertices;
    int64_t bytes;  // the .glb's size
    // What was left out.
    int32_t hiddenObjects;  // objects not drawn (visible 0), without includeHidden
    int32_t emptyObjects;   // objects with no triangle
    // Textured materials whose image did not read: written without texture,
    // as mqoDrawModel draws them. Names as in MqoLoadReport.
    int32_t texturesNotRead;
    char textureNames[MQO_REPORT_NAMES][MQO_REPORT_NAME_SIZE];
    int32_t namesReplaced;  // node names with bytes that did not convert to UTF-8
} MqoGltfReport;

// Reads the document at path (a .mqoz package with MQO_FEATURE_MQOZ) and
// writes its .glb into a malloc'd block.
// - Returns 0 with *bytes (freed with mqoFreeGltf) and *size set; else
//   the MqoGltfResult, with *bytes null and *size 0.
// - options null: mqoGltfDefaultOptions(). report, when not null, is zeroed
//   and filled, on failure too.
// - Prints nothing: the reading's console messages are dropped.
// - Safe on untrusted documents, packages and textures.
MQO_API int mqoWriteGltf(const char* path, const MqoGltfOptions* options, unsigned char** bytes,
                         size_t* size, MqoGltfReport* report);

// mqoWriteGltf into the file at output (replaced when it exists).
// - Written whole or not at all: under a temporary name in output's folder,
//   renamed over output. On a failed write (a full disk) MQO_GLTF_WRITE_FAILED,
//   with the old file as it was (or none) and no temporary left. A device or
//   symbolic link is written directly, every write checked.
MQO_API int mqoWriteGltfFile(const char* path, const char* output, const MqoGltfOptions* options,
                             MqoGltfReport* report);

// Frees a block mqoWriteGltf gave. Null does nothing.
MQO_API void mqoFreeGltf(unsigned char* bytes);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // MQO_MQOMODELGLTF_H
