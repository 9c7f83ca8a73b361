// The real documents of ../shared/corpus (skipped where absent) read under
// the complete profile, packages aside: every object must hold the
// triangles a plain count of its face lines gives. That count is written
// here, apart from the library: a face of n >= 3 corners gives n - 2
// triangles when its indices lie in the vertex list; faces without a
// material (or any face, without a Material chunk) take the default one;
// a mirrored object holds one copy per combination of its axes, and a
// connected one also joins each edge that one face alone has to its image
// across its lowest axis (two triangles, one less for each end lying on the
// plane or, with mirror_dis, within it), copied across the further axes.
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "mqo/MqoModelStages.h"
#include "support/corpus_files.h"

namespace fs = std::filesystem;

namespace {

using corpusfiles::has;
using corpusfiles::Lines;
using corpusfiles::numbersAfter;
using corpusfiles::skipBlock;

struct Expected {
    int visible = 15;
    long triangles = 0;
    bool usesDefault = false;
};

struct Document {
    std::vector<Expected> objects;
    int materials = 0;
};

// Triangles of one face line whose corners all lie in the vertex list.
long faceTriangles(const std::string& face, long vertexCount) {
    long corners = 0;
    std::istringstream(face) >> corners;
    std::vector<double> v = numbersAfter<double>(face, "V(");
    v.resize(std::min<size_t>(v.size(), static_cast<size_t>(std::max(corners, 0L))));
    if (corners < 3 || v.size() < 3 || (corners <= 4 && v.size() < static_cast<size_t>(corners))) {
        return 0;
    }
    auto in = [&](size_t k) { return v[k] >= 0 && v[k] < vertexCount; };
    long n = 0;
    for (size_t t = 1; t + 1 < v.size(); ++t) n += in(0) && in(t) && in(t + 1);
    return n;
}

// The corners of a face line that a face keeps: all of V( within the
// declared count, when there are 3 or more and (up to 4 corners) all of them.
std::vector<long> faceCorners(const std::string& face) {
    long corners = 0;
    std::istringstream(face) >> corners;
    std::vector<long> v = numbersAfter<long>(face, "V(");
    v.resize(std::min<size_t>(v.size(), static_cast<size_t>(std::max(corners, 0L))));
    if (corners < 3 || v.size() < 3 || (corners <= 4 && v.size() < static_cast<size_t>(corners))) {
        v.clear();
    }
    return v;
}

struct MirrorKeys {
    long mirror = 0, axis = 1;
    bool hasDistance = false;
    double distance = 0;
};

// Triangles joining a connected mirror's halves, counted once (before the
// copies across further axes), for the faces whose material is kept.
long joiningTriangles(const std::vector<std::string>& faces, const std::vector<bool>& kept,
                      const std::vector<std::vector<double>>& points, const MirrorKeys& keys) {
    const int axes = static_cast<int>(keys.axis & 7);
    const int axis = axes & 1 ? 0 : axes & 2 ? 1 : 2;
    const size_t count = points.size();
    std::vector<std::vector<long>> corners;
    std::map<std::pair<long, long>, int> edges;
    for (const std::string& f : faces) {
        std::vector<long> v = faceCorners(f);
        auto inside = [&](long i) { return i >= 0 && i < static_cast<long>(count); };
        if (!std::all_of(v.begin(), v.end(), inside)) v.clear();
        for (size_t c = 0; c < v.size(); ++c) {
            long a = v[c], b = v[(c + 1) % v.size()];
            if (a != b) ++edges[{std::min(a, b), std::max(a, b)}];
        }
        corners.push_back(v);
    }
    auto shared = [&](long i) { return std::fabs(points[i][axis]) <= keys.distance; };
    auto near = [&](long i) {
        return !keys.hasDistance || 2 * std::fabs(points[i][axis]) <= keys.distance;
    };
    long n = 0;
    for (size_t f = 0; f < faces.size(); ++f) {
        const std::vector<long>& v = corners[f];
        for (size_t c = 0; kept[f] && c < v.size(); ++c) {
            long a = v[c], b = v[(c + 1) % v.size()];
            if (a == b || edges[{std::min(a, b), std::max(a, b)}] != 1 || !near(a) || !near(b))
                continue;
            n += 2 - shared(a) - shared(b);
        }
    }
    return n;
}

Expected readObject(Lines& lines, int materials) {
    Expected o;
    MirrorKeys keys;
    long vertexCount = 0;
    std::vector<std::vector<double>> points;
    std::vector<std::string> faces;
    std::string line, word;
    while (lines.next(line) && !has(line, "}")) {
        long count = 0;
        std::istringstream(line) >> word >> count;
        if (word == "visible") o.visible = static_cast<int>(count);
        if (word == "mirror") keys.mirror = count;
        if (word == "mirror_axis") keys.axis = count;
        if (word == "mirror_dis") {
            keys.hasDistance = true;
            std::istringstream(line) >> word >> keys.distance;
        }
        if (word == "vertex") {
            vertexCount = count;
            for (long i = 0; lines.next(line) && !has(line, "}"); ++i) {
                std::vector<double> p(3, 1.0);
                std::istringstream(line) >> p[0] >> p[1] >> p[2];
                if (i < count) points.push_back(p);
            }
        } else if (word == "BVertex") {
            vertexCount = count;
            lines.next(line);
            lines.take(static_cast<size_t>(numbersAfter<double>(line, "[").at(0)));
            skipBlock(lines);
        } else if (word == "face") {
            for (long i = 0; lines.next(line) && !has(line, "}"); ++i) {
                if (i < count) faces.push_back(line);
            }
        } else if (has(line, "{")) {
            skipBlock(lines);
        }
    }
    // Off the planes, where unknown (a binary list) or missing.
    points.resize(static_cast<size_t>(std::max(vertexCount, 0L)), std::vector<double>(3, 1.0));
    std::vector<bool> kept;
    for (const std::string& f : faces) {
        std::vector<double> m = numbersAfter<double>(f, "M(");
        bool byDefault = materials == 0 || m.empty() || m[0] < 0;
        kept.push_back(byDefault || m[0] < materials);
        if (!kept.back()) continue;
        o.usesDefault = o.usesDefault || byDefault;
        o.triangles += faceTriangles(f, vertexCount);
    }
    int axes = static_cast<int>(keys.axis & 7);
    if ((keys.mirror == 1 || keys.mirror == 2) && axes != 0) {
        const int reflections = (axes & 1) + (axes >> 1 & 1) + (axes >> 2 & 1);
        o.triangles <<= reflections;
        if (keys.mirror == 2) {
            o.triangles += joiningTriangles(faces, kept, points, keys) << (reflections - 1);
        }
    }
    return o;
}

Document expectedDocument(const std::string& bytes) {
    Lines lines(bytes);
    Document d;
    std::string line, word;
    while (lines.next(line)) {
        std::istringstream(line) >> word;
        if (word == "Material" && line.rfind("Material", 0) == 0) {
            std::istringstream(line) >> word >> d.materials;
            skipBlock(lines);
        } else if (word == "Object") {
            d.objects.push_back(readObject(lines, d.materials));
        }
    }
    return d;
}

// The document's text: the file itself, or a package's .mqo entry read
// here with libzip directly.
std::string documentText(const fs::path& file) {
    if (file.extension() != ".mqoz") {
        std::ifstream in(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::string text;
    zip_t* archive = zip_open(file.string().c_str(), ZIP_RDONLY, nullptr);
    for (zip_int64_t i = 0; archive != nullptr && i < zip_get_num_entries(archive, 0); ++i) {
        const std::string name = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".mqo") != 0) continue;
        zip_file_t* entry = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        char buffer[4096];
        for (zip_int64_t got;
             entry != nullptr && (got = zip_fread(entry, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(got));
        if (entry != nullptr) zip_fclose(entry);
        break;
    }
    if (archive != nullptr) zip_discard(archive);
    return text;
}

}  // namespace

TEST(CorpusComplete, EveryDocumentHoldsTheTrianglesItsFacesMirrorsAndMaterialsGive) {
    fs::path folder = corpusfiles::folder();
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no corpus at " << folder;
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const fs::path ext = e.path().extension();
        if (e.is_regular_file() && (ext == ".mqo" || ext == ".mqoz")) files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());

    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        Document expected = expectedDocument(documentText(file));
        MqoParsedModel parsed;
        ASSERT_EQ(mqoParseDocumentEx(file.string().c_str(), 1.0, 255, MQO_FEATURE_ALL, &parsed), 1);
        ASSERT_EQ(parsed.objectCount, static_cast<int>(expected.objects.size()));
        bool usesDefault = false;
        for (int i = 0; i < parsed.objectCount; ++i) {
            SCOPED_TRACE(i);
            const Expected& e = expected.objects[i];
            const MeshObject& o = parsed.objects[i].object;
            long vertices = 0;
            for (int k = 0; k < o.batchCount; ++k) vertices += o.batches[k].vertexCount;
            EXPECT_EQ(vertices, 3 * e.triangles);
            EXPECT_EQ(o.visible, e.visible);
            usesDefault = usesDefault || e.usesDefault;
        }
        EXPECT_EQ(parsed.materialCount, expected.materials + (usesDefault ? 1 : 0));
        mqoReleaseParsedModel(&parsed);
    }
}
