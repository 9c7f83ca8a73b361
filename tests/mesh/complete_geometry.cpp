// The complete reading profile's geometry, read through the CPU stage:
// polygons cut into triangles, mirror copies, the default material and the
// format's object defaults. The documents are written here.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "mqo/mesh/mesh_internal.h"
#include "support/temp_dir.h"

using namespace mqo::detail;

namespace {

const uint32_t kGeometry = MQO_FEATURE_ALL & ~MQO_FEATURE_MQOZ;

struct Parsed {
    MqoParsedModel model{};
    ~Parsed() { mqoReleaseParsedModel(&model); }
};

std::unique_ptr<Parsed> parse(const std::string& text, uint32_t features = kGeometry) {
    static const testsupport::TempDir dir("complete_geometry");
    auto parsed = std::make_unique<Parsed>();
    std::string path = dir.write("doc.mqo", text);
    EXPECT_EQ(mqoParseDocumentEx(path.c_str(), 1.0, 255, features, &parsed->model), 1);
    return parsed;
}

// A document with one object; points are "x y z" lines, faces whole lines.
std::string document(const std::vector<std::string>& points, const std::vector<std::string>& faces,
                     const std::string& keys = "", bool material = true) {
    std::ostringstream d;
    d << "Metasequoia Document\nFormat Text Ver 1.0\n\n";
    if (material) d << "Material 1 {\n\t\"m\" col(1 0 0 1) dif(1) tex(\"t.bmp\")\n}\n";
    d << "Object \"o\" {\n" << keys << "\tvertex " << points.size() << " {\n";
    for (const auto& p : points) d << "\t\t" << p << "\n";
    d << "\t}\n\tface " << faces.size() << " {\n";
    for (const auto& f : faces) d << "\t\t" << f << "\n";
    d << "\t}\n}\nEof\n";
    return d.str();
}

struct V3 {
    double x, y, z;
};
V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 crossOf(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double length(V3 a) { return std::sqrt(dot(a, a)); }
V3 at(const float p[3]) { return {p[0], p[1], p[2]}; }

// The builder's normal convention (clockwise front) for corners p, q, r.
V3 frontNormal(V3 p, V3 q, V3 r) { return crossOf(sub(p, q), sub(r, q)); }

V3 unit(V3 a) {
    double l = length(a);
    return {a.x / l, a.y / l, a.z / l};
}

// The faces of a box on corners 0..7 (bit 0 x, bit 1 y, bit 2 z), each
// wound to face out.
const char* const kBoxFaces[6] = {"4 V(5 7 3 1)", "4 V(2 6 4 0)", "4 V(3 7 6 2)",
                                  "4 V(4 5 1 0)", "4 V(6 7 5 4)", "4 V(1 3 2 0)"};

std::string cubeDocument(const std::string& keys) {
    std::vector<std::string> points, faces;
    for (int i = 0; i < 8; ++i) {
        points.push_back(std::to_string((i & 1) * 2 - 1) + " " +
                         std::to_string((i >> 1 & 1) * 2 - 1) + " " +
                         std::to_string((i >> 2 & 1) * 2 - 1));
    }
    for (const char* f : kBoxFaces) faces.push_back(std::string(f) + " M(0)");
    return document(points, faces, keys);
}

// Every vertex of a parsed one-object, one-batch document.
std::vector<TexturedVertex> corners(const Parsed& parsed) {
    const MeshObject& o = parsed.model.objects[0].object;
    if (o.batchCount < 1) return {};
    const MaterialBatch& b = o.batches[0];
    return std::vector<TexturedVertex>(b.texturedVertices, b.texturedVertices + b.vertexCount);
}

// The unit normal of the triangle that vertex j belongs to.
V3 triangleNormal(const std::vector<TexturedVertex>& t, size_t j) {
    size_t k = j - j % 3;
    return unit(frontNormal(at(t[k].position), at(t[k + 1].position), at(t[k + 2].position)));
}

// A polygon in a tilted plane: 2D outline (x, y) -> x U + y V.
struct Polygon {
    const char* name;
    std::vector<double> outline;  // x y per corner, corner 1 convex
};

std::string polygonDocument(const Polygon& poly, std::vector<V3>* corners) {
    const V3 u = {0.6, 0.0, 0.8}, v = {0.0, 1.0, 0.0};
    std::vector<std::string> points;
    std::ostringstream face, uv;
    size_t n = poly.outline.size() / 2;
    face << n << " V(";
    uv << " UV(";
    for (size_t i = 0; i < n; ++i) {
        double x = poly.outline[2 * i], y = poly.outline[2 * i + 1];
        V3 p = {x * u.x + y * v.x, x * u.y + y * v.y, x * u.z + y * v.z};
        corners->push_back(p);
        std::ostringstream line;
        line << p.x << " " << p.y << " " << p.z;
        points.push_back(line.str());
        face << (i ? " " : "") << i;
        // The UV of corner i is (i, -i): each output corner must carry its own.
        uv << (i ? " " : "") << i << " " << -static_cast<double>(i);
    }
    face << ") M(0)" << uv.str() << ")";
    return document(points, {face.str()}, "\tshading 0\n");
}

std::vector<double> star(int points, double outer, double inner) {
    std::vector<double> out;
    for (int i = 0; i < 2 * points; ++i) {
        double r = i % 2 ? outer : inner, a = -M_PI * i / points;  // clockwise
        out.push_back(r * std::cos(a));
        out.push_back(r * std::sin(a));
    }
    return out;
}

// Every triangle of an object, as three corners.
std::vector<std::array<V3, 3>> trianglesOf(const MeshObject& o) {
    std::vector<std::array<V3, 3>> out;
    for (int k = 0; k < o.batchCount; ++k) {
        const MaterialBatch& b = o.batches[k];
        for (int j = 0; j + 2 < b.vertexCount; j += 3) {
            std::array<V3, 3> t;
            for (int c = 0; c < 3; ++c) {
                t[c] = at(b.hasTexture ? b.texturedVertices[j + c].position
                                       : b.plainVertices[j + c].position);
            }
            out.push_back(t);
        }
    }
    return out;
}

// Closed and wound one way: every edge, by its ends, runs once each way.
bool closedShell(const std::vector<std::array<V3, 3>>& triangles) {
    std::map<std::array<double, 6>, int> edges;
    for (const auto& t : triangles) {
        for (int c = 0; c < 3; ++c) {
            const V3 p = t[c], q = t[(c + 1) % 3];
            ++edges[{p.x, p.y, p.z, q.x, q.y, q.z}];
        }
    }
    for (const auto& [e, count] : edges) {
        auto back = edges.find({e[3], e[4], e[5], e[0], e[1], e[2]});
        if (count != 1 || back == edges.end() || back->second != 1) return false;
    }
    return true;
}

}  // namespace

TEST(CompleteGeometry, PolygonsBecomeTrianglesCoveringThemInTheirWinding) {
    const Polygon polygons[] = {
        {"convex pentagon", {0, 0, 0, 2, 2, 3, 4, 2, 4, 0}},
        {"concave L hexagon", {0, 3, 1, 3, 1, 1, 3, 1, 3, 0, 0, 0}},
        {"66-corner star", star(33, 3.0, 1.0)},
    };
    for (const Polygon& poly : polygons) {
        SCOPED_TRACE(poly.name);
        std::vector<V3> corners;
        auto parsed = parse(polygonDocument(poly, &corners));
        ASSERT_EQ(parsed->model.objectCount, 1);
        const MeshObject& o = parsed->model.objects[0].object;
        ASSERT_EQ(o.batchCount, 1);
        const int n = static_cast<int>(corners.size());
        ASSERT_EQ(o.batches[0].vertexCount, 3 * (n - 2));
        const TexturedVertex* t = o.batches[0].texturedVertices;

        V3 face = frontNormal(corners[0], corners[1], corners[2]);
        face = {face.x / length(face), face.y / length(face), face.z / length(face)};
        double area = 0, outline = 0;
        for (int i = 0; i < n; ++i) outline += dot(face, crossOf(corners[(i + 1) % n], corners[i]));
        for (int k = 0; k < n - 2; ++k) {
            V3 normal = frontNormal(at(t[3 * k].position), at(t[3 * k + 1].position),
                                    at(t[3 * k + 2].position));
            EXPECT_GT(dot(normal, face), 0.0) << "triangle " << k << " faces the other way";
            area += length(normal) / 2;
        }
        EXPECT_NEAR(area, std::fabs(outline) / 2, 1e-4);
        for (int j = 0; j < 3 * (n - 2); ++j) {
            int i = static_cast<int>(t[j].uv[0]);
            ASSERT_TRUE(i >= 0 && i < n);
            EXPECT_FLOAT_EQ(t[j].uv[1], -static_cast<float>(i));
            EXPECT_NEAR(length(sub(at(t[j].position), corners[i])), 0.0, 1e-5);
        }
    }
}

TEST(CompleteGeometry, DegeneratePolygonsStillGiveTheirTrianglesAndEnd) {
    struct Case {
        const char* name;
        std::vector<std::string> points;
        std::string face;
        int triangles;
    };
    const std::vector<std::string> line = {"0 0 0", "1 0 0", "2 0 0", "3 0 0", "4 0 0"};
    const std::vector<std::string> same(6, "1 1 1");
    const std::vector<std::string> bowtie = {"0 0 0", "2 2 0", "2 0 0", "0 2 0", "1 3 0"};
    const std::vector<std::string> nan = {"0 0 0", "nan 1 0", "1 1 0", "1 0 0", "inf 0 0"};
    const Case cases[] = {
        {"collinear", line, "5 V(0 1 2 3 4) M(0)", 3},
        {"one point", same, "6 V(0 1 2 3 4 5) M(0)", 4},
        {"self-crossing", bowtie, "5 V(0 1 2 3 4) M(0)", 3},
        {"not finite", nan, "5 V(0 1 2 3 4) M(0)", 3},
        {"fewer indices than declared", line, "7 V(0 1 2 3) M(0)", 2},
        {"index outside the list", line, "5 V(0 1 2 3 9) M(0)", 2},
        {"two indices", line, "5 V(0 1) M(0)", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto parsed = parse(document(c.points, {c.face}));
        const MeshObject& o = parsed->model.objects[0].object;
        EXPECT_EQ(o.batchCount > 0 ? o.batches[0].vertexCount : 0, 3 * c.triangles);
    }
}

TEST(CompleteGeometry, MirrorCopiesFaceOutwardAndConnectedHalvesShareTheSeam) {
    // A closed box at x 1..2, wound so that every face faces out.
    std::vector<std::string> points;
    for (int i = 0; i < 8; ++i) {
        points.push_back(std::to_string(1 + (i & 1)) + " " + std::to_string((i >> 1 & 1) * 2 - 1) +
                         " " + std::to_string((i >> 2 & 1) * 2 - 1));
    }
    const char* faces[6] = {"4 V(5 7 3 1)", "4 V(2 6 4 0)", "4 V(3 7 6 2)",
                            "4 V(4 5 1 0)", "4 V(6 7 5 4)", "4 V(1 3 2 0)"};
    std::vector<std::string> list;
    for (const char* f : faces) list.push_back(std::string(f) + " M(0)");
    auto parsed = parse(document(points, list, "\tmirror 1\n"));
    const MaterialBatch& b = parsed->model.objects[0].object.batches[0];
    ASSERT_EQ(b.vertexCount, 2 * 6 * 6);
    for (int j = 0; j < b.vertexCount; ++j) {
        V3 p = at(b.texturedVertices[j].position), n = at(b.texturedVertices[j].normal);
        V3 centre = {p.x > 0 ? 1.5 : -1.5, 0, 0};
        EXPECT_GT(dot(n, sub(p, centre)), 0.0) << "vertex " << j;
    }

    // Connected on X and Y: a quad touching both planes makes a 3 x 3 grid.
    std::vector<float> xyz = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0.001f, 1, 0};
    FaceEntry quad{4, 0, {0, 1, 2, 3}, {}};
    ObjectEntry o{};
    o.vertexCount = 4;
    o.faceCount = 1;
    o.vertices = static_cast<float(*)[3]>(std::malloc(sizeof xyz[0] * xyz.size()));
    std::memcpy(o.vertices, xyz.data(), sizeof xyz[0] * xyz.size());
    o.faces = static_cast<FaceEntry*>(std::malloc(sizeof quad));
    *o.faces = quad;
    ASSERT_TRUE(mqoMirrorObject(&o, 3, true, 0.01f, 0.02f));
    EXPECT_EQ(o.vertexCount, 9);
    ASSERT_EQ(o.faceCount, 4);
    EXPECT_EQ(o.faces[1].vertex[0], 0);  // the corner on both planes, in every copy
    EXPECT_EQ(o.faces[3].vertex[0], 0);
    std::free(o.vertices);
    std::free(o.faces);
}

TEST(CompleteGeometry, ConnectedMirrorSmoothsAcrossTheSeamSeparateDoesNot) {
    // Half a shallow roof: its ridge lies on the X plane.
    const std::vector<std::string> roof = {"0 1 -1", "2 0.3 -1", "2 0.3 1", "0 1 1"};
    for (int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        auto parsed =
            parse(document(roof, {"4 V(0 3 2 1) M(0)"}, "\tmirror " + std::to_string(mode) + "\n"));
        const MaterialBatch& b = parsed->model.objects[0].object.batches[0];
        // Connected, the gables and the floor close it: 2 + 2 triangles more.
        ASSERT_EQ(b.vertexCount, mode == 1 ? 12 : 24);
        for (int j = 0; j < b.vertexCount; ++j) {
            const TexturedVertex& v = b.texturedVertices[j];
            if (v.position[0] != 0.0f) continue;
            EXPECT_EQ(std::fabs(v.normal[0]) < 1e-6f, mode == 2) << "ridge vertex " << j;
        }
    }
}

TEST(CompleteGeometry, ConnectedMirrorJoinsOpenEdgesToTheirImages) {
    const std::vector<std::string> panel = {"100 100 100", "100 -100 100", "100 100 -100",
                                            "100 -100 -100"};
    const std::vector<std::string> raised = {"100 228 228", "100 28 228", "100 228 28",
                                             "100 28 28"};
    const std::vector<std::string> strip = {"1 0 1", "3 0 1", "3 1 1", "1 1 1"};
    const std::vector<std::string> roof = {"0 1 -1", "2 0.3 -1", "2 0.3 1", "0 1 1"};
    struct Case {
        const char* name;
        const std::vector<std::string>& points;
        const char* face;
        std::string keys;
        int triangles;
        bool closed;  // and facing out
        V3 centre;    // of each closed box, its y and z taken to the triangle's side
    };
    const std::string joined = "\tmirror 2\n";
    const Case cases[] = {
        {"one quad gives a cube", panel, "4 V(0 2 3 1)", joined, 12, true, {0, 0, 0}},
        {"separate halves", panel, "4 V(0 2 3 1)", "\tmirror 1\n", 4, false, {}},
        {"Y copies the cube",
         raised,
         "4 V(0 2 3 1)",
         joined + "\tmirror_axis 3\n",
         24,
         true,
         {0, 128, 128}},
        {"Z copies both cubes",
         raised,
         "4 V(0 2 3 1)",
         joined + "\tmirror_axis 7\n",
         48,
         true,
         {0, 128, 128}},
        {"no mirror_dis: every edge joins", strip, "4 V(0 1 2 3)", joined, 12, false, {}},
        // Only the near edge (x = 1) lies within mirror_dis of its image.
        {"mirror_dis 2", strip, "4 V(0 1 2 3)", joined + "\tmirror_dis 2\n", 6, false, {}},
        {"an edge on the plane adds nothing", roof, "4 V(0 1 2 3)", joined, 8, true, {0, 0.55, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto parsed = parse(document(c.points, {std::string(c.face) + " M(0)"}, c.keys));
        const auto triangles = trianglesOf(parsed->model.objects[0].object);
        ASSERT_EQ(static_cast<int>(triangles.size()), c.triangles);
        if (c.closed) EXPECT_TRUE(closedShell(triangles));
        for (size_t k = 0; c.closed && k < triangles.size(); ++k) {
            const auto& t = triangles[k];
            V3 mid = {(t[0].x + t[1].x + t[2].x) / 3, (t[0].y + t[1].y + t[2].y) / 3,
                      (t[0].z + t[1].z + t[2].z) / 3};
            V3 centre = {0, std::copysign(c.centre.y, mid.y), std::copysign(c.centre.z, mid.z)};
            EXPECT_GT(dot(frontNormal(t[0], t[1], t[2]), sub(mid, centre)), 0.0) << k;
        }
    }
}

TEST(CompleteGeometry, AnEdgeJoinsWhenBothEndsAreWithinTheLimitOfTheirImages) {
    // The strip's near edge (x = 1) lies 2 from its image, the far one 6.
    const float xyz[4][3] = {{1, 0, 1}, {3, 0, 1}, {3, 1, 1}, {1, 1, 1}};
    const struct {
        float limit;
        int faces;
    } cases[] = {{HUGE_VALF, 2 + 4}, {5, 2 + 1}, {2, 2 + 1}, {1.9f, 2}, {NAN, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        ObjectEntry o{};
        o.vertexCount = 4;
        o.faceCount = 1;
        o.vertices = static_cast<float(*)[3]>(std::malloc(sizeof xyz));
        std::memcpy(o.vertices, xyz, sizeof xyz);
        o.faces = static_cast<FaceEntry*>(std::malloc(sizeof(FaceEntry)));
        *o.faces = FaceEntry{4, 0, {0, 1, 2, 3}, {}};
        ASSERT_TRUE(mqoMirrorObject(&o, 1, true, 0, c.limit));
        ASSERT_EQ(o.faceCount, c.faces);
        for (int k = 0; c.faces == 3 && k < 4; ++k) {
            EXPECT_EQ(std::fabs(o.vertices[o.faces[2].vertex[k]][0]), 1.0f);
        }
        std::free(o.vertices);
        std::free(o.faces);
    }
}

TEST(CompleteGeometry, JoiningFacesTakeTheirEdgesUVsAndTheirFacesMaterial) {
    std::string text =
        document({"100 100 100", "100 -100 100", "100 100 -100", "100 -100 -100"},
                 {"4 V(0 2 3 1) M(1) UV(0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8)"}, "\tmirror 2\n");
    const std::string one = "Material 1 {\n\t\"m\" col(1 0 0 1) dif(1) tex(\"t.bmp\")\n}\n";
    text.replace(
        text.find(one), one.size(),
        "Material 2 {\n\t\"plain\" col(0 1 0 1)\n\t\"m\" col(1 0 0 1) tex(\"t.bmp\")\n}\n");
    auto parsed = parse(text);
    const MeshObject& o = parsed->model.objects[0].object;
    ASSERT_EQ(o.batchCount, 2);
    EXPECT_EQ(o.batches[0].vertexCount, 0);
    const MaterialBatch& b = o.batches[1];
    ASSERT_EQ(b.vertexCount, 36);
    // Each corner's UV belongs to its (y, z): every vertex there, on either
    // side of the plane, must carry it.
    const float corners[4][4] = {{100, 100, 0.1f, 0.2f},
                                 {100, -100, 0.3f, 0.4f},
                                 {-100, 100, 0.7f, 0.8f},
                                 {-100, -100, 0.5f, 0.6f}};
    for (int j = 0; j < b.vertexCount; ++j) {
        const TexturedVertex& v = b.texturedVertices[j];
        int k = (v.position[1] < 0) * 2 + (v.position[2] < 0);
        ASSERT_EQ(v.position[1], corners[k][0]);
        ASSERT_EQ(v.position[2], corners[k][1]);
        EXPECT_EQ(v.uv[0], corners[k][2]) << j;
        EXPECT_EQ(v.uv[1], corners[k][3]) << j;
    }
}

TEST(CompleteGeometry, FacesWithoutMaterialTakeTheDefaultMaterial) {
    const std::vector<std::string> points = {"0 0 0", "0 1 0", "1 0 0"};
    const std::vector<std::string> faces = {"3 V(0 1 2) M(0)", "3 V(0 2 1)"};
    struct Case {
        bool materialChunk;
        int defaultBatch;
        int defaultVertices;
    };
    for (Case c : {Case{false, 0, 6}, Case{true, 1, 3}}) {
        SCOPED_TRACE(c.materialChunk);
        auto parsed = parse(document(points, faces, "", c.materialChunk));
        ASSERT_EQ(parsed->model.materialCount, c.defaultBatch + 1);
        const MeshObject& o = parsed->model.objects[0].object;
        ASSERT_EQ(o.batchCount, c.defaultBatch + 1);
        const MaterialBatch& b = o.batches[c.defaultBatch];
        EXPECT_EQ(b.vertexCount, c.defaultVertices);
        EXPECT_EQ(b.hasMaterial, 1);
        EXPECT_EQ(b.hasTexture, 0);
        const float expected[] = {1, 1, 1, 1, 0.8f, 0.8f, 0.8f, 1, 0.6f, 0.6f, 0.6f, 1, 0, 0, 0, 1};
        const float actual[] = {b.color[0],    b.color[1],    b.color[2],    b.color[3],
                                b.diffuse[0],  b.diffuse[1],  b.diffuse[2],  b.diffuse[3],
                                b.ambient[0],  b.ambient[1],  b.ambient[2],  b.ambient[3],
                                b.specular[0], b.specular[1], b.specular[2], b.specular[3]};
        for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(actual[i], expected[i]) << i;
        EXPECT_FLOAT_EQ(b.power, 5.0f);
    }
}

TEST(CompleteGeometry, AbsentKeysTakeTheFormatDefaultsAndFacetIsInDegrees) {
    struct Case {
        std::string facet;  // the key's line, or none
        double edgeDegrees;
        bool smooth;
    };
    const Case cases[] = {
        {"", 40, true},
        {"", 90, false},
        {"\tfacet 30\n", 90, false},
        {"\tfacet 10\n", 40, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.facet + std::to_string(c.edgeDegrees));
        // Two quads hinged on the z axis, their normals edgeDegrees apart.
        double a = c.edgeDegrees * M_PI / 180;
        std::ostringstream far;
        far << -std::cos(a) << " " << -std::sin(a);
        auto parsed =
            parse(document({"0 0 0", "0 0 1", "1 0 1", "1 0 0", far.str() + " 1", far.str() + " 0"},
                           {"4 V(0 1 2 3) M(0)", "4 V(5 4 1 0) M(0)"}, c.facet));
        const MeshObject& o = parsed->model.objects[0].object;
        EXPECT_NE(o.visible, 0);
        EXPECT_EQ(o.flatShading, 0);
        const MaterialBatch& b = o.batches[0];
        ASSERT_EQ(b.vertexCount, 12);
        // Corners at one place on the hinge (x = y = 0) carry one normal
        // when smoothed, their faces' own when not.
        bool oneNormal = true;
        int hinge = 0;
        for (int j = 0; j < 12; ++j) {
            const TexturedVertex& v = b.texturedVertices[j];
            if (v.position[0] != 0.0f || v.position[1] != 0.0f) continue;
            ++hinge;
            for (int k = 0; k < 12; ++k) {
                const TexturedVertex& w = b.texturedVertices[k];
                if (length(sub(at(w.position), at(v.position))) == 0.0) {
                    oneNormal = oneNormal && length(sub(at(w.normal), at(v.normal))) < 1e-5;
                }
            }
        }
        ASSERT_EQ(hinge, 6);
        EXPECT_EQ(oneNormal, c.smooth);
    }
}

TEST(CompleteGeometry, CubeCornersTakeTheirFaceNormalUnlessFacetReachesItsEdges) {
    const uint32_t noSmoothing = kGeometry & ~MQO_FEATURE_FACET_SMOOTHING;
    enum Normal { kFace, kRadial, kNotFace };
    struct Case {
        const char* keys;
        uint32_t features;
        Normal normal;
    };
    const Case cases[] = {
        {"", kGeometry, kFace},  // facet 59.5: the 90-degree edges stay sharp
        {"\tfacet 91\n", kGeometry, kRadial},
        {"\tfacet 180\n", kGeometry, kRadial},
        {"\tfacet 400\n", kGeometry, kRadial},
        {"\tfacet 0\n", kGeometry, kFace},
        {"\tfacet -30\n", kGeometry, kFace},
        {"\tshading 0\n\tfacet 180\n", kGeometry, kFace},
        // Without the bit, the average of every triangle at a corner
        // passes a facet of 59.5 at most corners.
        {"", noSmoothing, kNotFace},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keys) + (c.features == kGeometry ? " smoothing" : " without"));
        auto parsed = parse(cubeDocument(c.keys), c.features);
        std::vector<TexturedVertex> t = corners(*parsed);
        ASSERT_EQ(t.size(), 36u);
        int notFace = 0;
        for (size_t j = 0; j < t.size(); ++j) {
            V3 want = c.normal == kRadial ? unit(at(t[j].position)) : triangleNormal(t, j);
            double off = length(sub(at(t[j].normal), want));
            notFace += off > 0.5;
            if (c.normal != kNotFace) EXPECT_LT(off, 1e-6) << "vertex " << j;
        }
        if (c.normal == kNotFace) EXPECT_GE(notFace, 24);
    }
}

TEST(CompleteGeometry, CylinderIsSmoothRoundItsSideAndSharpAtItsPolygonCaps) {
    // 64 segments, 5.6 degrees apart; the caps are 64-corner polygons.
    const int n = 64;
    std::vector<std::string> points, faces;
    for (int ring = 0; ring < 2; ++ring) {
        for (int k = 0; k < n; ++k) {
            std::ostringstream p;
            p << std::cos(2 * M_PI * k / n) << " " << (ring ? 1 : -1) << " "
              << std::sin(2 * M_PI * k / n);
            points.push_back(p.str());
        }
    }
    std::ostringstream top, bottom;
    top << n << " V(";
    bottom << n << " V(";
    for (int k = 0; k < n; ++k) {
        std::ostringstream side;
        side << "4 V(" << k << " " << (k + 1) % n << " " << n + (k + 1) % n << " " << n + k
             << ") M(0)";
        faces.push_back(side.str());
        top << (k ? " " : "") << n + k;
        bottom << (k ? " " : "") << n - 1 - k;
    }
    faces.push_back(top.str() + ") M(0)");
    faces.push_back(bottom.str() + ") M(0)");
    auto parsed = parse(document(points, faces));
    std::vector<TexturedVertex> t = corners(*parsed);
    ASSERT_EQ(t.size(), static_cast<size_t>(6 * n + 2 * 3 * (n - 2)));
    for (size_t j = 0; j < t.size(); ++j) {
        V3 p = at(t[j].position), want = unit({p.x, 0, p.z});
        if (j >= static_cast<size_t>(6 * n)) want = {0, p.y, 0};  // the caps
        EXPECT_NEAR(length(sub(at(t[j].normal), want)), 0.0, 1e-5) << "vertex " << j;
    }
}

TEST(CompleteGeometry, TrianglesOfOnePolygonAndOfItsMirrorCopyShareOneNormal) {
    // A pentagon bent out of its plane, right of the X plane, mirrored.
    const std::vector<std::string> points = {"1 0 0", "1 1 0.3", "2 1.5 0", "3 1 0.4", "3 0 0"};
    auto parsed = parse(document(points, {"5 V(0 1 2 3 4) M(0)"}, "\tshading 0\n\tmirror 1\n"));
    std::vector<TexturedVertex> t = corners(*parsed);
    ASSERT_EQ(t.size(), 18u);
    const V3 first = at(t[0].normal), image = at(t[9].normal);
    EXPECT_GT(first.z, 0.9);
    EXPECT_NEAR(length(sub(image, {-first.x, first.y, first.z})), 0.0, 1e-6);
    for (size_t j = 0; j < t.size(); ++j) {
        EXPECT_NEAR(length(sub(at(t[j].normal), j < 9 ? first : image)), 0.0, 0.0) << j;
    }
}

TEST(CompleteGeometry, AHugeFanAtOneVertexStaysSharpThereWithinTheWorkBound) {
    // A shallow cone: its faces lie 22 degrees apart at most, so its tip
    // smooths to straight up, until the fan passes the comparisons allowed.
    struct Case {
        int faces;
        bool smooth;
    };
    for (Case c : {Case{1000, true}, Case{4000, false}}) {
        SCOPED_TRACE(c.faces);
        std::vector<std::string> points = {"0 0.2 0"}, faces;
        for (int k = 0; k < c.faces; ++k) {
            std::ostringstream p, f;
            p << std::cos(2 * M_PI * k / c.faces) << " 0 " << std::sin(2 * M_PI * k / c.faces);
            points.push_back(p.str());
            f << "3 V(0 " << 1 + k << " " << 1 + (k + 1) % c.faces << ") M(0)";
            faces.push_back(f.str());
        }
        auto parsed = parse(document(points, faces));
        std::vector<TexturedVertex> t = corners(*parsed);
        ASSERT_EQ(t.size(), static_cast<size_t>(3 * c.faces));
        for (size_t j = 0; j < t.size(); j += 3) {
            V3 want = c.smooth ? V3{0, 1, 0} : triangleNormal(t, j);
            ASSERT_NEAR(length(sub(at(t[j].normal), want)), 0.0, 1e-5) << "tip of face " << j / 3;
        }
    }
}
