// glTF export speed and size: mqoWriteGltf (into memory, every feature) on
// the 200,704-quad grid bench_load reads, on the character's 150 frames and
// on the largest corpus document. No GL.
//
//   bench_gltf [vindle dir] [--benchmark_filter=...]
//
// Reports milliseconds per export, MB read and MB written.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/grid_document.h"
#include "bench_support.h"
#include "mqo/MqoModelGltf.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::string gridPath, vindle;

// Exports every path once per iteration; counters: what was read and written.
void exportAll(benchmark::State& state, const std::vector<std::string>& paths) {
    if (paths.empty()) {
        state.SkipWithError("no documents");
        return;
    }
    double in = 0, out = 0;
    for (const std::string& p : paths) in += static_cast<double>(fs::file_size(p));
    for (auto _ : state) {
        out = 0;
        for (const std::string& p : paths) {
            unsigned char* bytes = nullptr;
            size_t size = 0;
            if (mqoWriteGltf(p.c_str(), nullptr, &bytes, &size, nullptr) != MQO_GLTF_OK) {
                state.SkipWithError(("export failed: " + p).c_str());
                return;
            }
            out += static_cast<double>(size);
            mqoFreeGltf(bytes);
        }
    }
    state.counters["MB_read"] = in / 1e6;
    state.counters["MB_glb"] = out / 1e6;
}

void BM_GltfGrid(benchmark::State& state) { exportAll(state, {gridPath}); }

void BM_GltfCharacter150Frames(benchmark::State& state) {
    std::vector<std::string> paths = benchsupport::characterFramePaths(vindle);
    for (const std::string& p : paths) {
        if (!fs::exists(p)) {
            state.SkipWithError(("no frame " + p + " (build make_character)").c_str());
            return;
        }
    }
    exportAll(state, paths);
}

void BM_GltfLargestCorpusDocument(benchmark::State& state) {
    const fs::path corpus = fs::path(MQO_SOURCE_DIR) / ".." / "shared" / "corpus";
    std::string largest;
    std::error_code ec;
    uintmax_t most = 0;
    for (const auto& e : fs::recursive_directory_iterator(corpus, ec)) {
        const std::string ext = e.path().extension().string();
        if ((ext == ".mqo" || ext == ".mqoz") && e.file_size() > most) {
            most = e.file_size();
            largest = e.path().string();
        }
    }
    if (!largest.empty()) state.SetLabel(fs::path(largest).filename().string());
    exportAll(state,
              largest.empty() ? std::vector<std::string>{} : std::vector<std::string>{largest});
}

}  // namespace

BENCHMARK(BM_GltfGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GltfCharacter150Frames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GltfLargestCorpusDocument)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    vindle = MQO_BENCH_VINDLE;
    if (argc > 1 && argv[1][0] != '-') {
        vindle = argv[1];
        --argc;
        ++argv;
    }
    testsupport::TempDir dir("bench_gltf");
    gridPath = dir.write("large_text.mqo", benchsupport::gridDocument(4, 224, false));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
