// The grid of the document benchmarks (4 objects of 224 x 224 quads, 200,704
// quads with UVs over four materials) through this library and through two
// other loaders of the same mesh, in one process, the loads interleaved
// round by round so that a slow spell of the machine hits them all:
//   - this library: the whole mqoLoadModelEx to buffer objects (normals,
//     batches, uploads), default path;
//   - tinyobjloader on the mesh as OBJ (its default: triangulated);
//   - assimp on the OBJ, as read and with triangulation and smooth normals;
//   - assimp on binary glTF made from the OBJ by `assimp export` with
//     triangulation and smooth normals (so the normals are read, not made).
// The same rounds measure the floor of our load: reading the document from
// the page cache into a buffer touched before, writing the size of our
// vertex arrays into memory never touched before, and glBufferData of our
// batches' sizes from arrays written before (the driver's copy; bench/floor.h).
// Prints medians, ms and MB/s.
//
//   bench_peers [ROUNDS]   (EGL_PLATFORM=surfaceless, as bench/run.sh runs it; 7 rounds)
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <assimp/Importer.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <tiny_obj_loader.h>

#include "bench/bench_support.h"
#include "bench/floor.h"
#include "bench/grid_document.h"
#include "mqo/MqoModel.h"
#include "support/egl_context.h"
#include "support/reader_files.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct Contender {
    const char* name;
    std::string path;             // the file it reads; its size gives MB/s
    std::function<double()> run;  // one run's milliseconds, negative when it fails
    std::vector<double> ms;
};

// A contender's run: the milliseconds load takes, negative when it fails.
std::function<double()> timed(std::function<bool()> load) {
    return [load] {
        auto start = std::chrono::steady_clock::now();
        bool ok = load();
        std::chrono::duration<double, std::milli> d = std::chrono::steady_clock::now() - start;
        return ok ? d.count() : -1;
    };
}

bool loadOurs(const std::string& path, uint32_t features) {
    const MqoLoadOptions options = {features};
    MeshModel* m = mqoLoadModelEx(path.c_str(), 0.5, &options);
    bool ok = m != nullptr && m->objectCount == 4;
    mqoFreeModel(m);
    return ok;
}

bool loadTinyobj(const std::string& path, const std::string& folder) {
    tinyobj::ObjReader reader;
    tinyobj::ObjReaderConfig config;
    config.mtl_search_path = folder;
    return reader.ParseFromFile(path, config) && !reader.GetShapes().empty();
}

bool loadAssimp(const std::string& path, unsigned flags) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, flags);
    return scene != nullptr && scene->mNumMeshes > 0 &&
           scene->mMeshes[0]->HasNormals() == ((flags & aiProcess_GenSmoothNormals) != 0);
}

// The floor's first part (bench/floor.h has the other two): the document
// read from the page cache into a buffer touched before.
bool readFromPageCache(const std::string& path, std::vector<char>* buffer) {
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    size_t got = 0;
    ssize_t n;
    while (got < buffer->size() && (n = read(fd, buffer->data() + got, buffer->size() - got)) > 0)
        got += static_cast<size_t>(n);
    close(fd);
    return got == buffer->size();
}

double megabytes(const std::string& path) { return static_cast<double>(fs::file_size(path)) / 1e6; }

void printRow(const Contender& c) {
    double ms = benchsupport::median(c.ms);
    if (c.path.empty()) {
        std::printf("  %-44s %8.1f ms\n", c.name, ms);
        return;
    }
    double mb = megabytes(c.path);
    std::printf("  %-44s %8.1f ms  %6.1f MB  %7.1f MB/s\n", c.name, ms, mb, mb / ms * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: bench_peers [ROUNDS]\n");
        return 2;
    }
    testsupport::TempDir dir("bench_peers");
    const std::string folder = dir.path();
    const std::string mqo = folder + "/grid.mqo", obj = folder + "/grid.obj";
    const std::string glb = folder + "/grid.glb";
    bool written = testsupport::writeFile(folder + "/cloth.bmp", readerfiles::tinyBmp()) &&
                   testsupport::writeFile(mqo, benchsupport::gridDocument(4, 224, false)) &&
                   testsupport::writeFile(obj, benchsupport::gridObj(4, 224, "grid.mtl")) &&
                   testsupport::writeFile(folder + "/grid.mtl", benchsupport::gridMtl());
    std::string exportCommand = std::string(MQO_ASSIMP_TOOL) + " export '" + obj + "' '" + glb +
                                "' -tri -gsn >/dev/null 2>&1";
    if (!written || std::system(exportCommand.c_str()) != 0 || !fs::exists(glb)) {
        std::fprintf(stderr, "bench_peers: could not write the grid files or export %s\n",
                     glb.c_str());
        return 1;
    }

    EglContext context(64, 64);
    if (!context.ok()) return 1;
    mqoInitLibrary();
    MeshModel* kept = mqoLoadModel(mqo.c_str(), 0.5);
    if (kept == nullptr) return 1;
    benchfloor::Batches upload;
    benchfloor::addBatches(kept, &upload);
    std::vector<char> fileBuffer(fs::file_size(mqo), 1), arrays(upload.total, 1);
    std::vector<GLuint> buffers;

    const unsigned triNormals = aiProcess_Triangulate | aiProcess_GenSmoothNormals;
    std::vector<Contender> loads = {
        {"this library, default path (to buffers)",
         mqo,
         timed([&] { return loadOurs(mqo, 0); }),
         {}},
        // COMPACT: the compact model's row goes here once the library has its
        // feature bit: {"this library, compact model", mqo, timed([&] { return
        // loadOurs(mqo, MQO_FEATURE_<its name>); }), {}},
        {"tinyobjloader, OBJ", obj, timed([&] { return loadTinyobj(obj, folder + "/"); }), {}},
        {"assimp, OBJ", obj, timed([&] { return loadAssimp(obj, 0); }), {}},
        {"assimp, OBJ, triangulated, smooth normals",
         obj,
         timed([&] { return loadAssimp(obj, triNormals); }),
         {}},
        {"assimp, binary glTF with normals",
         glb,
         timed([&] { return loadAssimp(glb, triNormals); }),
         {}},
    };
    std::vector<Contender> floor = {
        {"read the document from the page cache",
         mqo,
         timed([&] { return readFromPageCache(mqo, &fileBuffer); }),
         {}},
        {"first-touch writes of our vertex arrays",
         "",
         [&] { return benchfloor::firstTouchSeconds(upload.total) * 1e3; },
         {}},
        {"glBufferData of our batches (driver copy)",
         "",
         timed([&] { return benchfloor::driverCopy(upload, arrays.data(), &buffers); }),
         {}},
    };

    std::vector<double> floorTotal;
    for (int r = -1; r < rounds; ++r) {  // round -1 warms the caches and is not counted
        double sum = 0;
        for (auto* group : {&loads, &floor}) {
            for (Contender& c : *group) {
                double ms = c.run();
                if (ms < 0) {
                    std::fprintf(stderr, "bench_peers: %s failed\n", c.name);
                    return 1;
                }
                if (group == &floor) sum += ms, benchfloor::deleteBuffers(&buffers);
                if (r >= 0) c.ms.push_back(ms);
            }
        }
        if (r >= 0) floorTotal.push_back(sum);
    }

    std::printf("grid: 200,704 quads; %zu vertex bytes in %zu batches; medians of %d rounds\n",
                upload.total, upload.sizes.size(), rounds);
    for (const Contender& c : loads) printRow(c);
    std::printf("floor of our load, in the same rounds:\n");
    for (const Contender& c : floor) printRow(c);
    double ours = benchsupport::median(loads[0].ms), total = benchsupport::median(floorTotal);
    std::printf("  %-44s %8.1f ms\n", "floor (sum per round)", total);
    std::printf("ours / floor %.2f, ours / tinyobjloader %.2f, ours / assimp binary glTF %.2f\n",
                ours / total, ours / benchsupport::median(loads[1].ms),
                ours / benchsupport::median(loads.back().ms));
    mqoFreeModel(kept);
    mqoCleanupLibrary();
    return 0;
}
