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
#include "bench/grid_document.h"
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

// The document at path: objects objects of an n x n grid each. With chunks,
// its chunks' lines are also written beside it (path + "_chunks") for the
// Scan benchmarks.
void writeGrid(const std::string& path, int objects, int n, bool binary,
               benchstages::ChunkFile* chunks = nullptr) {
    std::string doc = benchsupport::gridHeader();
    std::string lines = benchsupport::materialChunk();
    benchstages::ChunkFile file;
    file.path = path + "_chunks";
    file.directory = folder + "/";
    file.order = "m";
    file.materialCounts = {4};
    for (int o = 0; o < objects; ++o) {
        const std::string name = benchsupport::gridObjectName(o);
        const std::string chunk = benchsupport::gridObjectChunk(o, n, binary);
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
