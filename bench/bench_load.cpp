// Document loading speed: mqoLoadModel on a large synthetic document (about
// 200,000 quads with UVs over four materials, one textured), the same with a
// binary vertex list, and a run of 150 small documents as the viewer loads
// its frames. Runs in a windowless Mesa context, so buffer objects are made.
//
//   bench_load [--benchmark_filter=...]
//
// Reports milliseconds per load and MB/s of document text; the Scan
// benchmarks time reading and scanning alone (no normals, batches, uploads):
// the first stage of a load, through the chunk readers (bench_stages.h).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_stages.h"
#include "mqo/MqoModelStages.h"
#include "support/egl_context.h"
#include "support/reader_files.h"

namespace fs = std::filesystem;

namespace {

std::string folder;
std::string textPath, binaryPath;
std::vector<std::string> smallPaths;

// A failed write would time nothing worth reporting.
void writeFile(const std::string& path, const std::string& bytes) {
    if (!testsupport::writeFile(path, bytes)) std::abort();
}

const char* const kHeader =
    "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"
    "Scene {\r\n\tpos 0.0000 0.0000 1500.0000\r\n\tlookat 0.0000 0.0000 0.0000\r\n}\r\n";

// The Material chunk's lines after "Material 4 {".
std::string materialChunk() {
    return "\t\"skin\" col(1.000 0.800 0.700 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) "
           "power(5.00)\r\n"
           "\t\"cloth\" shader(3) col(1.000 1.000 1.000 1.000) dif(0.800) amb(0.600) emi(0.000) "
           "spc(0.100) "
           "power(5.00) tex(\"cloth.bmp\")\r\n"
           "\t\"hair\" col(0.200 0.100 0.050 1.000) dif(0.700) amb(0.500) emi(0.000) spc(0.300) "
           "power(20.00)\r\n"
           "\t\"eye\" col(0.100 0.100 0.100 0.800) dif(0.800) amb(0.600) emi(0.200) spc(0.500) "
           "power(50.00)\r\n"
           "}\r\n";
}

// Object o's chunk after its "Object" line: an n x n grid of quads, its
// vertices as text or binary.
std::string gridObjectChunk(int o, int n, bool binary) {
    std::string doc;
    char line[256];
    const int side = n + 1;
    doc += "\tvisible 15\r\n\tshading 1\r\n\tfacet 59.5\r\n";
    if (binary) {
        std::snprintf(line, sizeof line, "\t%s %d {\r\n\t\tVector %d [%d]\r\n", "BVertex",
                      side * side, side * side, side * side * 12);
        doc += line;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                float v[3] = {x * 1.5f - 100, y * 1.5f - 100, static_cast<float>(o * 10)};
                doc.append(reinterpret_cast<const char*>(v), sizeof v);
            }
        }
        doc += "\r\n\t}\r\n";
    } else {
        std::snprintf(line, sizeof line, "\tvertex %d {\r\n", side * side);
        doc += line;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                std::snprintf(line, sizeof line, "\t\t%.4f %.4f %.4f\r\n", x * 1.5 - 100,
                              y * 1.5 - 100, o * 10.0);
                doc += line;
            }
        }
        doc += "\t}\r\n";
    }
    std::snprintf(line, sizeof line, "\tface %d {\r\n", n * n);
    doc += line;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            int a = y * side + x;
            double u0 = static_cast<double>(x) / n, u1 = static_cast<double>(x + 1) / n;
            double v0 = static_cast<double>(y) / n, v1 = static_cast<double>(y + 1) / n;
            std::snprintf(
                line, sizeof line,
                "\t\t4 V(%d %d %d %d) M(%d) UV(%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f)\r\n", a,
                a + side, a + side + 1, a + 1, (x + y) % 4, u0, v0, u0, v1, u1, v1, u1, v0);
            doc += line;
        }
    }
    return doc + "\t}\r\n}\r\n";
}

// The document at path: objects objects of an n x n grid each. With chunks,
// its chunks' lines are also written beside it (path + "_chunks") for the
// Scan benchmarks.
void writeGrid(const std::string& path, int objects, int n, bool binary,
               benchstages::ChunkFile* chunks = nullptr) {
    std::string doc = std::string(kHeader) + "Material 4 {\r\n" + materialChunk();
    std::string lines = materialChunk();
    benchstages::ChunkFile file;
    file.path = path + "_chunks";
    file.directory = folder + "/";
    file.order = "m";
    file.materialCounts = {4};
    for (int o = 0; o < objects; ++o) {
        const std::string name = "\"part" + std::to_string(o) + "\"";
        const std::string chunk = gridObjectChunk(o, n, binary);
        doc += "Object " + name + " {\r\n" + chunk;
        lines += chunk;
        file.order += 'o';
        file.names.push_back(name);
    }
    writeFile(path, doc + "Eof\r\n");
    if (chunks == nullptr) return;
    writeFile(file.path, lines);
    *chunks = file;
}

}  // namespace

namespace {

benchstages::ChunkFile textChunks, binaryChunks;

void loadOnce(benchmark::State& state, const std::string& path, uint32_t features = 0) {
    int64_t bytes = static_cast<int64_t>(fs::file_size(path));
    const MqoLoadOptions options = {features};
    for (auto _ : state) {
        MeshModel* m = mqoLoadModelEx(path.c_str(), 0.5, &options);
        if (m == nullptr || m->objectCount == 0) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(m->objects[0].batches);
        mqoFreeModel(m);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

// Reading and scanning alone: the document's chunks through the chunk
// readers (the first stage of a load, before normals, batches and uploads),
// their lists freed as the reader frees them. Throughput is counted over the
// whole document, as for the loads.
void scanOnce(benchmark::State& state, const std::string& path,
              const benchstages::ChunkFile& chunks) {
    int64_t bytes = static_cast<int64_t>(fs::file_size(path));
    benchstages::Records records;
    for (auto _ : state) {
        if (!benchstages::readChunks(chunks, &records) || records.objects.empty() ||
            records.objects[0].faceCount == 0) {
            state.SkipWithError("scan failed");
            break;
        }
        benchmark::DoNotOptimize(records.objects[0].faces);
        benchstages::freeRecords(&records);
    }
    benchstages::freeRecords(&records);
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_LoadLargeText(benchmark::State& state) { loadOnce(state, textPath); }
// The same grid read with every feature: smoothing by the facet rule is the
// part that costs more.
void BM_LoadLargeTextComplete(benchmark::State& state) {
    loadOnce(state, textPath, MQO_FEATURE_ALL);
}
void BM_ScanLargeText(benchmark::State& state) { scanOnce(state, textPath, textChunks); }
void BM_ScanLargeBinaryVertices(benchmark::State& state) {
    scanOnce(state, binaryPath, binaryChunks);
}
void BM_LoadLargeBinaryVertices(benchmark::State& state) { loadOnce(state, binaryPath); }

// The viewer's start-up: 150 frame files into 150 models, then all freed.
void BM_LoadRunOf150Small(benchmark::State& state) {
    int64_t bytes = 0;
    for (const std::string& p : smallPaths) bytes += static_cast<int64_t>(fs::file_size(p));
    std::vector<MeshModel*> models(smallPaths.size());
    for (auto _ : state) {
        for (size_t i = 0; i < smallPaths.size(); ++i)
            models[i] = mqoLoadModel(smallPaths[i].c_str(), 0.5);
        state.PauseTiming();
        for (MeshModel* m : models) mqoFreeModel(m);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

// Every document of the corpus beside the project (textures included: the
// pool is emptied after each round), read exactly and with every feature.
void loadCorpus(benchmark::State& state, uint32_t features) {
    const fs::path corpus = fs::path(MQO_SOURCE_DIR) / ".." / "shared" / "corpus";
    std::vector<std::string> paths;
    int64_t bytes = 0;
    if (fs::is_directory(corpus)) {
        for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".mqo" && ext != ".mqoz") continue;
            paths.push_back(entry.path().string());
            bytes += static_cast<int64_t>(entry.file_size());
        }
    }
    if (paths.empty()) {
        state.SkipWithError("no corpus beside the project");
        return;
    }
    const MqoLoadOptions options = {features};
    for (auto _ : state) {
        int loaded = 0;
        for (const std::string& p : paths) {
            MeshModel* m = mqoLoadModelEx(p.c_str(), 1.0, &options);
            loaded += m != nullptr;
            mqoFreeModel(m);
        }
        mqoReleaseTexturePool();
        if (loaded == 0) state.SkipWithError("nothing loaded");
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["documents"] = static_cast<double>(paths.size());
}
void BM_LoadCorpusExact(benchmark::State& state) { loadCorpus(state, 0); }
void BM_LoadCorpusComplete(benchmark::State& state) { loadCorpus(state, MQO_FEATURE_ALL); }

BENCHMARK(BM_LoadCorpusExact)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_LoadCorpusComplete)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ScanLargeText)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_ScanLargeBinaryVertices)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_LoadLargeText)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_LoadLargeTextComplete)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_LoadLargeBinaryVertices)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_LoadRunOf150Small)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void removeFolder() {
    std::error_code ec;
    fs::remove_all(folder, ec);
}

}  // namespace

int main(int argc, char** argv) {
    char pattern[] = "/tmp/bench_load_XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    folder = pattern;
    std::atexit(removeFolder);

    EglContext context(64, 64);
    if (!context.ok()) return 1;
    mqoInitLibrary();
    if (!vboSupported) std::fprintf(stderr, "note: no buffer objects in this context\n");

    writeFile(folder + "/cloth.bmp", readerfiles::tinyBmp());
    // 4 objects of 224 x 224 quads: 200,704 quads.
    textPath = folder + "/large_text.mqo";
    binaryPath = folder + "/large_binary.mqo";
    writeGrid(textPath, 4, 224, false, &textChunks);
    writeGrid(binaryPath, 4, 224, true, &binaryChunks);
    // Frame-sized documents: 3 objects of 24 x 24 quads (1,728 quads).
    for (int i = 0; i < 150; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/frame_%05d.mqo", i);
        smallPaths.push_back(folder + name);
        writeGrid(smallPaths.back(), 3, 24, false);
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    mqoCleanupLibrary();
    return 0;
}
