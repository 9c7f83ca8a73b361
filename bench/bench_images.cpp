// Texture decoding speed under the complete profile: a 1024 x 1024 PNG and
// JPEG (and a 1024 x 768 PNG, which is also stretched to its square) through
// mqoDecodeTexture, against a plain libspng / TurboJPEG decode of the
// same bytes already in memory. The Ex figures include opening and reading
// the file, the bottom-up row order, the alpha pass and any resampling.
//
//   bench_images [--benchmark_filter=...]
//
// Reports MB/s of decoded RGBA pixels (width x height x 4).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"
#include "support/encoded_images.h"
#include "support/temp_dir.h"

using namespace mqo::detail;

namespace {

using Bytes = std::vector<uint8_t>;
const int SIDE = 1024;

// A smooth picture with some noise, so the files compress as photos and
// painted textures do, not as flat colour.
Bytes picture(int w, int h) {
    Bytes rgb(static_cast<size_t>(w) * h * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            noise = noise * 1103515245u + 12345u;
            uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(x / 4 + (noise >> 28));
            p[1] = static_cast<uint8_t>(y / 4 + (noise >> 24 & 7));
            p[2] = static_cast<uint8_t>((x + y) / 8);
        }
    return rgb;
}

struct Inputs {
    testsupport::TempDir dir{"bench_images"};
    Bytes png = testimages::png(SIDE, SIDE, SPNG_COLOR_TYPE_TRUECOLOR, picture(SIDE, SIDE));
    Bytes wide = testimages::png(SIDE, 768, SPNG_COLOR_TYPE_TRUECOLOR, picture(SIDE, 768));
    Bytes jpeg = testimages::jpeg(SIDE, SIDE, picture(SIDE, SIDE));
    std::string pngPath = dir.write("t.png", png);
    std::string widePath = dir.write("wide.png", wide);
    std::string jpegPath = dir.write("t.jpg", jpeg);
};

const Inputs& inputs() {
    static const Inputs in;
    if (in.png.empty() || in.wide.empty() || in.jpeg.empty()) std::abort();
    return in;
}

void decodeEx(benchmark::State& state, const std::string& path, int width, int height) {
    const MqoReadContext read = {MQO_FEATURE_PNG_JPEG | MQO_FEATURE_IMAGE_LAYOUT};
    std::string name = path;
    for (auto _ : state) {
        int size = 0;
        unsigned char* block = mqoDecodeTexture(&name[0], nullptr, &size, 255, read);
        if (block == nullptr || size != SIDE || block[3] != 255)
            state.SkipWithError("decode failed");
        std::free(block);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(width) * height * 4);
}

void BM_ExPng(benchmark::State& state) { decodeEx(state, inputs().pngPath, SIDE, SIDE); }
void BM_ExPngStretched1024x768(benchmark::State& state) {
    decodeEx(state, inputs().widePath, SIDE, 768);
}
void BM_ExJpeg(benchmark::State& state) { decodeEx(state, inputs().jpegPath, SIDE, SIDE); }

void BM_PlainSpng(benchmark::State& state) {
    const Bytes& png = inputs().png;
    std::vector<unsigned char> out(size_t(SIDE) * SIDE * 4);
    for (auto _ : state) {
        spng_ctx* ctx = spng_ctx_new(0);
        spng_set_png_buffer(ctx, png.data(), png.size());
        int error =
            spng_decode_image(ctx, out.data(), out.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
        spng_ctx_free(ctx);
        if (error != 0 || out[3] != 255) state.SkipWithError("decode failed");
    }
    state.SetBytesProcessed(state.iterations() * int64_t(out.size()));
}

void BM_PlainTurboJpeg(benchmark::State& state) {
    const Bytes& jpeg = inputs().jpeg;
    std::vector<unsigned char> out(size_t(SIDE) * SIDE * 4);
    for (auto _ : state) {
        tjhandle handle = tjInitDecompress();
        int error = tjDecompress2(handle, jpeg.data(), jpeg.size(), out.data(), SIDE, SIDE * 4,
                                  SIDE, TJPF_RGBA, 0);
        tjDestroy(handle);
        if (error != 0 || out[3] != 255) state.SkipWithError("decode failed");
    }
    state.SetBytesProcessed(state.iterations() * int64_t(out.size()));
}

}  // namespace

BENCHMARK(BM_ExPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExPngStretched1024x768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTurboJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
