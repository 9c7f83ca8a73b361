// Texture decoding speed under the complete profile: a 1024 x 1024 PNG and
// JPEG (and a 1024 x 768 PNG, which is also stretched to its square) read
// through the public stages as a load reads them (a one-material document
// parsed with MQO_FEATURE_PNG_JPEG | MQO_FEATURE_IMAGE_LAYOUT, then its
// texture request in mqoRealiseDocument), against a plain libspng /
// TurboJPEG decode of the same bytes already in memory. The Ex figures
// include opening and reading the file, the bottom-up row order, the alpha
// pass, any resampling and the texture's upload; BM_Upload1024 times that
// upload alone, so the decoding is the difference. Needs a windowless Mesa
// context for the uploads.
//
//   bench_images [--benchmark_filter=...]
//
// The exact reader's BMP and TGA (a 32-bit TGA with a grey alpha plane) go
// through mqoReadTextureImage, and the BMP once more through the complete
// profile's square reading (MQO_FEATURE_PNG_JPEG alone, with the upload).
//
// Reports MB/s of decoded RGBA pixels (width x height x 4).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "mqo/MqoModelGL.h"
#include "support/egl_context.h"
#include "support/encoded_images.h"
#include "support/temp_dir.h"

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

// An uncompressed square BMP (24-bit) or TGA (type 2 or 3) of stored bytes.
Bytes squareFile(bool tga, int side, int type, int depth, const Bytes& stored) {
    const size_t header = tga ? 18 : 54;
    Bytes b(header + stored.size(), 0);
    auto put16 = [&b](size_t at, uint32_t v) {
        b[at] = static_cast<uint8_t>(v);
        b[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    if (tga) {
        b[2] = static_cast<uint8_t>(type);
        put16(12, static_cast<uint32_t>(side));
        put16(14, static_cast<uint32_t>(side));
        b[16] = static_cast<uint8_t>(depth);
    } else {
        b[0] = 'B';
        b[1] = 'M';
        put16(10, 54);
        put16(14, 40);
        put16(18, static_cast<uint32_t>(side));
        put16(22, static_cast<uint32_t>(side));
        put16(26, 1);
        put16(28, 24);
    }
    std::copy(stored.begin(), stored.end(), b.begin() + static_cast<std::ptrdiff_t>(header));
    return b;
}

// n stored bytes of the picture's noise.
Bytes storedBytes(size_t n) {
    Bytes rgb = picture(SIDE, SIDE);
    Bytes out(n);
    for (size_t i = 0; i < n; ++i) out[i] = rgb[i % rgb.size()];
    return out;
}

struct Inputs {
    testsupport::TempDir dir{"bench_images"};
    Bytes png = testimages::png(SIDE, SIDE, SPNG_COLOR_TYPE_TRUECOLOR, picture(SIDE, SIDE));
    Bytes wide = testimages::png(SIDE, 768, SPNG_COLOR_TYPE_TRUECOLOR, picture(SIDE, 768));
    Bytes jpeg = testimages::jpeg(SIDE, SIDE, picture(SIDE, SIDE));
    std::string pngPath = dir.write("t.png", png);
    std::string widePath = dir.write("wide.png", wide);
    std::string jpegPath = dir.write("t.jpg", jpeg);
    std::string bmpPath = dir.write("t.bmp", squareFile(false, SIDE, 0, 24, picture(SIDE, SIDE)));
    std::string tgaPath =
        dir.write("t.tga", squareFile(true, SIDE, 2, 32, storedBytes(size_t(SIDE) * SIDE * 4)));
    std::string planePath =
        dir.write("a.tga", squareFile(true, SIDE, 3, 8, storedBytes(size_t(SIDE) * SIDE)));
};

const Inputs& inputs() {
    static const Inputs in;
    if (in.png.empty() || in.wide.empty() || in.jpeg.empty()) std::abort();
    return in;
}

// One texture request under the complete profile per iteration: the
// document naming the file is parsed from memory, its texture asked of the
// pool as a load asks it, and the pool emptied again.
void decodeEx(benchmark::State& state, const std::string& path, int width, int height,
              uint32_t features = MQO_FEATURE_PNG_JPEG | MQO_FEATURE_IMAGE_LAYOUT) {
    const size_t slash = path.rfind('/');
    const std::string directory = path.substr(0, slash + 1);
    const std::string document =
        "Metasequoia Document\r\nFormat Text Ver 1.0\r\nMaterial 1 {\r\n\t\"t\" col(1 1 1 1) "
        "tex(\"" +
        path.substr(slash + 1) + "\")\r\n}\r\nEof\r\n";
    static MqoParsedModel parsed;  // about 15 KB: not on the stack
    for (auto _ : state) {
        MeshModel* model = mqoAllocModels(1);
        if (model == nullptr ||
            mqoParseDocumentMemory(document.data(), document.size(), directory.c_str(), 1.0, 255,
                                   features, &parsed) == 0) {
            state.SkipWithError("parse failed");
            mqoFreeModels(model, 1);
            break;
        }
        mqoRealiseDocument(model, &parsed);
        if (texturePoolCount != 1 || texturePool[0].size != SIDE)
            state.SkipWithError("decode failed");
        mqoFreeModels(model, 1);
        mqoReleaseTexturePool();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(width) * height * 4);
}

void BM_ExPng(benchmark::State& state) { decodeEx(state, inputs().pngPath, SIDE, SIDE); }
void BM_ExPngStretched1024x768(benchmark::State& state) {
    decodeEx(state, inputs().widePath, SIDE, 768);
}
void BM_ExJpeg(benchmark::State& state) { decodeEx(state, inputs().jpegPath, SIDE, SIDE); }

// The exact reader: no features (the driver's limit asked, no upload).
void decodeExact(benchmark::State& state, const std::string& path, const std::string& plane) {
    std::string name = path, planeName = plane;
    for (auto _ : state) {
        int size = 0;
        unsigned char* block =
            mqoReadTextureImage(&name[0], plane.empty() ? nullptr : &planeName[0], &size, 255);
        if (block == nullptr || size != SIDE) state.SkipWithError("decode failed");
        std::free(block);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(SIDE) * SIDE * 4);
}

void BM_ExactBmp(benchmark::State& state) { decodeExact(state, inputs().bmpPath, ""); }
void BM_ExactTgaWithPlane(benchmark::State& state) {
    decodeExact(state, inputs().tgaPath, inputs().planePath);
}

// The complete profile's square BMP reading (no layout bit), through the pool.
void BM_SquareBmp(benchmark::State& state) {
    decodeEx(state, inputs().bmpPath, SIDE, SIDE, MQO_FEATURE_PNG_JPEG);
}

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

// The upload each Ex iteration includes: one 1024 x 1024 RGBA texture made,
// filled and deleted as the pool does it.
void BM_Upload1024(benchmark::State& state) {
    std::vector<unsigned char> pixels(size_t(SIDE) * SIDE * 4, 255);
    for (auto _ : state) {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, SIDE, SIDE, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &name);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(pixels.size()));
}

}  // namespace

BENCHMARK(BM_ExPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExPngStretched1024x768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTurboJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExactBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExactTgaWithPlane)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SquareBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Upload1024)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    EglContext context(64, 64);
    if (!context.ok()) return 1;
    mqoInitLibrary();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    mqoCleanupLibrary();
    return 0;
}
