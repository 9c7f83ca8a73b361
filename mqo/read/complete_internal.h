// The complete reading profile's part of the document reader: object keys
// the exact subset ignores, whole polygon lines, and the steps that finish
// an object and a document. CPU stage; not installed.
#ifndef MQO_READ_COMPLETE_INTERNAL_H
#define MQO_READ_COMPLETE_INTERNAL_H

#include "mqo/MqoModelStages.h"
#include "mqo/mesh/polygons.h"

// The bits that change how an Object chunk is read or finished.
#define MQO_OBJECT_FEATURES                                                    \
    (MQO_FEATURE_FORMAT_DEFAULTS | MQO_FEATURE_MIRROR | MQO_FEATURE_POLYGONS | \
     MQO_FEATURE_FACET_SMOOTHING)

// What an Object chunk holds beyond its ObjectEntry, while it is read.
struct MqoObjectExtras {
    uint32_t features;
    int32_t mirror;      // 0 none, 1 separate, 2 connected
    int32_t mirrorAxis;  // X 1, Y 2, Z 4
    float mirrorDistance;
    bool hasMirrorDistance;    // a mirror_dis line was read
    MqoPolygonStore polygons;  // used with MQO_FEATURE_POLYGONS
};

// The Object chunk loop of mqoReadObjectChunk; with extras, the lines also
// give the mirror keys, and with MQO_FEATURE_POLYGONS in extras->features
// polygon lines go to extras->polygons. Null extras: mqoReadObjectChunk.
void mqoReadObjectLines(MqoStream* stream, ObjectEntry* object, MqoObjectExtras* extras);

// mqoReadObjectChunk reading what features asks for, then finishing the
// object: polygons cut into triangles, mirror copies added, facet given in
// radians (read in degrees with FORMAT_DEFAULTS or FACET_SMOOTHING).
// Features without an object bit: mqoReadObjectChunk exactly.
void mqoReadObjectChunkEx(MqoStream* stream, ObjectEntry* object, uint32_t features);

// The mirror keys of one Object chunk line.
void mqoReadObjectKeys(const char* line, MqoObjectExtras* extras);

// One face line of five or more corners: material as mqoReadFaceLine reads
// it, every corner of "V(" up to the declared count (and their "UV(", 0
// where missing) appended to store, and a placeholder in face. False, with
// nothing written, for a line of fewer corners.
bool mqoReadPolygonLine(const char* line, FaceEntry* face, MqoPolygonStore* store);

// Empties the polygons of an earlier face list, which a new one replaces.
void mqoResetPolygons(MqoPolygonStore* store);

// Appends the default material (a material line with no attributes) when a
// face needs it: one without a material (below 0), or any face of a
// document without materials. Those faces are given its index. Nothing
// changes when no face needs it or memory runs out.
void mqoAddDefaultMaterial(MaterialEntry** materials, int* materialCount, ObjectEntry* objects,
                           int objectCount);

// A material line as the Material chunk reads it into m.
void mqoReadMaterialLine(const char* line, MaterialEntry* m);

#endif  // MQO_READ_COMPLETE_INTERNAL_H
