// Real documents written by modelling tools and other people's programs
// (../shared/corpus beside the project, skipped where absent), loaded in a
// Mesa context: each must load and draw without a sanitizer report, give the
// objects and triangle counts that the file declares, and draw nothing from
// outside its vertex lists.
//
// The expected counts come from a separate, plain reading of each file
// below. It shares only the line model with the library (a line is all up to
// its line feed, however long) and counts faces of 3 and 4 corners whose
// material exists and whose indices are in range.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "mqo/MqoModel.h"
#include "support/corpus_files.h"
#include "support/egl_context.h"

namespace fs = std::filesystem;

namespace {

using corpusfiles::has;
using corpusfiles::Lines;
using corpusfiles::numbersAfter;
using corpusfiles::skipBlock;

struct ExpectedObject {
    std::string name;
    std::vector<float> vertices;     // x y z per vertex
    std::map<int, int> perMaterial;  // material -> vertices in its batch
    int batchCount = 0;
};

std::string firstWord(const std::string& line) {
    std::istringstream in(line);
    std::string w;
    in >> w;
    return w;
}

ExpectedObject readObject(Lines& lines, const std::string& header, int materialCount) {
    ExpectedObject o;
    std::istringstream h(header);
    std::string word;
    h >> word >> o.name;
    std::vector<std::string> faceLines;
    std::string line;
    while (lines.next(line)) {
        if (has(line, "}")) break;
        std::string w = firstWord(line);
        long count = 0;
        std::istringstream(line) >> w >> count;
        if (w == "vertex") {
            for (long i = 0; lines.next(line) && !has(line, "}"); ++i) {
                if (i >= count) continue;
                std::istringstream in(line);
                float x = 0, y = 0, z = 0;
                in >> x >> y >> z;
                o.vertices.insert(o.vertices.end(), {x, y, z});
            }
        } else if (w == "BVertex") {
            lines.next(line);
            long n = 0, size = 0;
            std::sscanf(line.substr(line.find("Vector")).c_str(), "Vector %ld [%ld]", &n, &size);
            std::string block = lines.take(static_cast<size_t>(size));
            o.vertices.resize(static_cast<size_t>(count) * 3);
            std::memcpy(o.vertices.data(), block.data(),
                        std::min<size_t>(block.size(), o.vertices.size() * 4));
            skipBlock(lines);
        } else if (w == "face") {
            for (long i = 0; lines.next(line) && !has(line, "}"); ++i) {
                if (i < count) faceLines.push_back(line);
            }
        } else if (has(line, "{")) {
            skipBlock(lines);
        }
    }
    const long vertexCount = static_cast<long>(o.vertices.size() / 3);
    const int materials = materialCount > 0 ? materialCount : 1;
    for (const std::string& f : faceLines) {
        long corners = 0;
        std::istringstream(f) >> corners;
        std::vector<long> m = numbersAfter<long>(f, "M(");
        if (m.empty() || m[0] < 0 || m[0] >= materials) continue;
        if (corners == 3 || corners == 4) {
            std::vector<long> v = numbersAfter<long>(f, "V(");
            if (v.size() < static_cast<size_t>(corners)) continue;
            bool inRange = true;
            for (long c = 0; c < corners; ++c) inRange = inRange && v[c] >= 0 && v[c] < vertexCount;
            if (!inRange) continue;
            o.perMaterial[static_cast<int>(m[0])] += corners == 3 ? 3 : 6;
        }
        o.batchCount = std::max(o.batchCount, static_cast<int>(m[0]) + 1);
    }
    return o;
}

std::vector<ExpectedObject> expectedObjects(const std::string& bytes) {
    Lines lines(bytes);
    std::vector<ExpectedObject> objects;
    int materialCount = 0;
    std::string line;
    while (lines.next(line)) {
        std::string w = firstWord(line);
        if (w == "Material" && line.rfind("Material", 0) == 0) {
            std::istringstream(line) >> w >> materialCount;
            skipBlock(lines);
        } else if (w == "Object") {
            objects.push_back(readObject(lines, line, materialCount));
        }
    }
    return objects;
}

}  // namespace

TEST(Corpus, EveryDocumentLoadsWithTheTrianglesItDeclares) {
    fs::path folder = corpusfiles::folder();
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no corpus at " << folder;
    EglContext context(64, 64);
    ASSERT_TRUE(context.ok());
    mqoInitLibrary();

    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_regular_file() && e.path().extension() == ".mqo") files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());

    const double scale = 0.5;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<ExpectedObject> expected = expectedObjects(bytes);

        MeshModel* m = mqoLoadModel(file.string().c_str(), scale);
        ASSERT_NE(m, nullptr);
        ASSERT_EQ(m->objectCount, static_cast<int>(std::min<size_t>(expected.size(), 49)));
        for (int i = 0; i < m->objectCount; ++i) {
            const MeshObject& o = m->objects[i];
            const ExpectedObject& e = expected[i];
            SCOPED_TRACE(e.name);
            EXPECT_EQ(std::string(o.name), e.name);
            ASSERT_EQ(o.batchCount, e.batchCount);
            float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
            for (size_t v = 0; v < e.vertices.size(); ++v) {
                float s = static_cast<float>(e.vertices[v] * scale);
                lo[v % 3] = std::min(lo[v % 3], s);
                hi[v % 3] = std::max(hi[v % 3], s);
            }
            for (int k = 0; k < o.batchCount; ++k) {
                const MaterialBatch& b = o.batches[k];
                auto it = e.perMaterial.find(k);
                ASSERT_EQ(b.vertexCount, it == e.perMaterial.end() ? 0 : it->second)
                    << "batch " << k;
                for (int j = 0; j < b.vertexCount; ++j) {
                    const float* p =
                        b.hasTexture ? b.texturedVertices[j].position : b.plainVertices[j].position;
                    const float* n =
                        b.hasTexture ? b.texturedVertices[j].normal : b.plainVertices[j].normal;
                    for (int c = 0; c < 3; ++c) {
                        ASSERT_GE(p[c], lo[c]);
                        ASSERT_LE(p[c], hi[c]);
                        ASSERT_LE(std::abs(n[c]), 1.0001f);
                    }
                }
            }
        }

        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-500, 500, -500, 500, -5000, 5000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        mqoDrawModel(m);
        glFinish();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        mqoFreeModel(m);
    }
    mqoCleanupLibrary();
}
