// MqoModel glTF writer: a batch's triangles as an indexed primitive. The
// corners are taken as mqoDrawModel draws them, then merged where equal in
// every byte and ordered for the vertex cache by meshoptimizer.
#include <meshoptimizer.h>

#include <cmath>
#include <new>

#include "mqo/export/export_internal.h"
#include "mqo/memory.h"

namespace mqo::detail {

namespace {

struct Corner {
    float position[3], normal[3], uv[2];
};

bool finite(const float p[3]) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// glTF asks for unit normals: the library's zero ("none") becomes the
// triangle's own normal, and one not of unit length is normalised.
void unitNormal(float n[3], const float* p, const float* q, const float* r) {
    const double length =
        std::sqrt(double{n[0]} * n[0] + double{n[1]} * n[1] + double{n[2]} * n[2]);
    if (std::fabs(length - 1) < 1e-4) return;
    if (length > 1e-6 && std::isfinite(length)) {
        for (int k = 0; k < 3; ++k) n[k] = static_cast<float>(n[k] / length);
        return;
    }
    mqoFaceNormal(p, q, r, n);
    if (n[0] == 0 && n[1] == 0 && n[2] == 0) n[2] = 1;
}

template <typename Vertex>
void takeTriangle(const Vertex* v, bool flat, const float (*uv)[2], Corner out[3]) {
    // Clockwise in the library, counter-clockwise in glTF: corners 0, 2, 1.
    const int order[3] = {0, 2, 1};
    for (int c = 0; c < 3; ++c) {
        Corner& k = out[c];
        const Vertex& from = v[order[c]];
        // GL_FLAT lights a triangle by its last corner's normal.
        const float* normal = flat ? v[2].normal : from.normal;
        for (int i = 0; i < 3; ++i) {
            k.position[i] = from.position[i];
            k.normal[i] = normal[i];
        }
        k.uv[0] = uv != nullptr ? uv[order[c]][0] : 0.0f;
        k.uv[1] = uv != nullptr ? uv[order[c]][1] : 0.0f;
        unitNormal(k.normal, v[0].position, v[1].position, v[2].position);
    }
}

// Corners of the batch's drawable triangles (those with finite positions).
bool gatherCorners(const MaterialBatch& batch, bool flat, std::vector<Corner>* corners) {
    const int triangles = batch.vertexCount / 3;
    corners->reserve(static_cast<size_t>(triangles) * 3);
    for (int t = 0; t < triangles; ++t) {
        Corner tri[3];
        if (batch.hasTexture) {
            const TexturedVertex* v = batch.texturedVertices + 3 * static_cast<size_t>(t);
            if (!finite(v[0].position) || !finite(v[1].position) || !finite(v[2].position))
                continue;
            const float uv[3][2] = {
                {v[0].uv[0], v[0].uv[1]}, {v[1].uv[0], v[1].uv[1]}, {v[2].uv[0], v[2].uv[1]}};
            takeTriangle(v, flat, uv, tri);
        } else {
            const PlainVertex* v = batch.plainVertices + 3 * static_cast<size_t>(t);
            if (!finite(v[0].position) || !finite(v[1].position) || !finite(v[2].position))
                continue;
            takeTriangle(v, flat, nullptr, tri);
        }
        corners->insert(corners->end(), tri, tri + 3);
    }
    return true;
}

void fillPrimitive(const std::vector<Corner>& unique, bool textured, MqoIndexedPrimitive* out) {
    out->positions.resize(unique.size() * 3);
    out->normals.resize(unique.size() * 3);
    out->uvs.resize(textured ? unique.size() * 2 : 0);
    for (int k = 0; k < 3; ++k) {
        out->min[k] = unique.empty() ? 0 : unique[0].position[k];
        out->max[k] = out->min[k];
    }
    for (size_t i = 0; i < unique.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            out->positions[3 * i + k] = unique[i].position[k];
            out->normals[3 * i + k] = unique[i].normal[k];
            out->min[k] = std::fmin(out->min[k], unique[i].position[k]);
            out->max[k] = std::fmax(out->max[k], unique[i].position[k]);
        }
        if (textured) {
            out->uvs[2 * i] = unique[i].uv[0];
            out->uvs[2 * i + 1] = unique[i].uv[1];
        }
    }
}

}  // namespace

bool mqoIndexBatch(const MaterialBatch& batch, bool flat, MqoIndexedPrimitive* out) {
    try {
        std::vector<Corner> corners;
        gatherCorners(batch, flat, &corners);
        const size_t count = corners.size();
        std::vector<unsigned int> remap(count);
        const size_t unique = meshopt_generateVertexRemap(remap.data(), nullptr, count,
                                                          corners.data(), count, sizeof(Corner));
        std::vector<Corner> vertices(unique);
        meshopt_remapVertexBuffer(vertices.data(), corners.data(), count, sizeof(Corner),
                                  remap.data());
        out->indices.resize(count);
        meshopt_remapIndexBuffer(out->indices.data(), nullptr, count, remap.data());
        meshopt_optimizeVertexCache(out->indices.data(), out->indices.data(), count, unique);
        fillPrimitive(vertices, batch.hasTexture != 0, out);
        return true;
    } catch (const std::bad_alloc&) {
        mqoNoteOutOfMemory();
        return false;
    }
}

}  // namespace mqo::detail
