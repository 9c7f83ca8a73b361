// MqoModel: an Object chunk read under the complete profile, and the steps
// that finish it once its lists are read: polygons into triangles, then the
// mirror copies (of the triangles too), then the smoothing angle in radians.
#include <cmath>
#include <cstring>

#include "mqo/mesh/mesh_internal.h"
#include "mqo/read/read_internal.h"

namespace mqo::detail {

namespace {

// What an object without the keys has in a document the format writes.
const int kDefaultVisible = 15;
const int kDefaultShading = 1;
const float kDefaultFacetDegrees = 59.5f;
const double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

bool has(const char* line, const char* word) { return std::strstr(line, word) != nullptr; }

void finishObject(ObjectEntry* object, MqoObjectExtras* extras) {
    const uint32_t features = extras->read->features;
    if ((features & MQO_FEATURE_POLYGONS) && extras->polygons.polygonCount > 0) {
        mqoExpandPolygons(object, &extras->polygons);
    }
    const int axes = extras->mirrorAxis & 7;
    if ((features & MQO_FEATURE_MIRROR) && (extras->mirror == 1 || extras->mirror == 2) &&
        axes != 0) {
        // Without a mirror_dis line an edge joins at any distance. Only a
        // vertex on the plane is one with its image: one near it is joined
        // to its image by the faces on its edges, as the modelling tool does.
        const float joinLimit = extras->hasMirrorDistance ? extras->mirrorDistance : HUGE_VALF;
        mqoMirrorObject(object, axes, extras->mirror == 2, 0.0f, joinLimit);
    }
    // The smoothing reads the angle as the format writes it, with or
    // without the format's defaults.
    if (features & (MQO_FEATURE_FORMAT_DEFAULTS | MQO_FEATURE_FACET_SMOOTHING)) {
        object->facet = static_cast<float>(object->facet * kRadiansPerDegree);
    }
}

}  // namespace

void mqoReadObjectKeys(const char* line, MqoObjectExtras* extras) {
    if ((extras->read->features & MQO_FEATURE_MIRROR) == 0) return;
    if (has(line, "mirror ")) mqoScanMirror(line, &extras->mirror);
    if (has(line, "mirror_axis ")) mqoScanMirrorAxis(line, &extras->mirrorAxis);
    if (has(line, "mirror_dis ") && mqoScanMirrorDistance(line, &extras->mirrorDistance) == 1) {
        extras->hasMirrorDistance = true;
    }
}

void mqoReadObject(MqoStream* stream, ObjectEntry* object, const MqoReadContext& read) {
    if ((read.features & MQO_OBJECT_FEATURES) == 0) {
        return mqoReadObjectLines(stream, object, nullptr);
    }
    if (stream == nullptr || object == nullptr) return;
    if (read.features & MQO_FEATURE_FORMAT_DEFAULTS) {
        object->visible = kDefaultVisible;
        object->shading = kDefaultShading;
        object->facet = kDefaultFacetDegrees;
    }
    MqoObjectExtras extras;
    std::memset(&extras, 0, sizeof extras);
    extras.read = &read;
    extras.mirrorAxis = 1;  // X, when the key is absent
    mqoReadObjectLines(stream, object, &extras);
    finishObject(object, &extras);
    mqoReleasePolygons(&extras.polygons);
}

}  // namespace mqo::detail
