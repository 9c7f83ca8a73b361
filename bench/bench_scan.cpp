// The decimal scan alone: every number of the grid document's vertex and UV
// lines (4 objects of 224 x 224 quads, "%.4f" positions, "%.5f" UVs), one
// space apart, through the line scanner's %f and through the decimal scan as
// first written (kept beside the reference reader), in MB/s of that text.
//
//   bench_scan [--benchmark_repetitions=N]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "mqo/read/read_internal.h"
#include "reference/scan_float_first.h"

using namespace mqo::detail;

namespace {

std::string gridNumbers() {
    std::string text;
    char line[160];
    const int n = 224, side = n + 1;
    for (int o = 0; o < 4; ++o) {
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                std::snprintf(line, sizeof line, "%.4f %.4f %.4f ", x * 1.5 - 100, y * 1.5 - 100,
                              o * 10.0);
                text += line;
            }
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                double u0 = static_cast<double>(x) / n, u1 = static_cast<double>(x + 1) / n;
                double v0 = static_cast<double>(y) / n, v1 = static_cast<double>(y + 1) / n;
                std::snprintf(line, sizeof line, "%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f ", u0, v0,
                              u0, v1, u1, v1, u1, v0);
                text += line;
            }
    }
    return text;
}

const std::string& numbers() {
    static const std::string text = gridNumbers();
    return text;
}

template <const char* (*Scan)(const char*, float*)>
void scanAll(benchmark::State& state) {
    const std::string& text = numbers();
    float sum = 0;
    for (auto _ : state) {
        const char* p = mqoScanSkipSpace(text.c_str());
        while (*p != '\0') {
            float v = 0;
            p = Scan(p, &v);
            if (p == nullptr) {
                state.SkipWithError("scan failed");
                return;
            }
            sum += v;
            p = mqoScanSkipSpace(p);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

const char* scanFloat(const char* s, float* v) { return mqoScanFloat(s, v); }

void BM_ScanFloat(benchmark::State& state) { scanAll<scanFloat>(state); }
void BM_ScanFloatFirst(benchmark::State& state) {
    scanAll<mqo::reference::mqoScanFloatFirst>(state);
}
BENCHMARK(BM_ScanFloat)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ScanFloatFirst)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
