// The complete profile's image reading: PNG and JPEG, BMP and TGA as their
// headers say, the square block of any image, alpha planes, and what
// damaged or hostile files give.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"
#include "support/encoded_images.h"
#include "support/image_files.h"

using namespace mqo::detail;

namespace {

using testimages::Bytes;
using testimages::PathBuffer;

const uint32_t COMPLETE = MQO_FEATURE_PNG_JPEG | MQO_FEATURE_IMAGE_LAYOUT;
int widestAnswer = 0;
int widest() { return widestAnswer; }

struct Block {
    unsigned char* rgba = nullptr;
    int size = -7;
    std::string printed;
    ~Block() { std::free(rgba); }
    // The pixel x columns from the left, y rows from the picture's bottom
    // (memory row 0 is its top, the texture's t = 0).
    Bytes at(int x, int y) const {
        const unsigned char* p = rgba + (static_cast<size_t>(size - 1 - y) * size + x) * 4;
        return Bytes(p, p + 4);
    }
    // Bottom-left, bottom-right, top-left, top-right.
    std::vector<Bytes> corners() const {
        const int e = size - 1;
        return {at(0, 0), at(e, 0), at(0, e), at(e, e)};
    }
};

class ImageComplete : public ::testing::Test {
protected:
    void SetUp() override { widestAnswer = 0; }
    void decode(Block* b, const std::optional<std::string>& tex,
                const std::optional<std::string>& plane = std::nullopt, unsigned char alpha = 255,
                uint32_t features = COMPLETE) {
        std::optional<PathBuffer> t, a;
        if (tex) t.emplace(*tex);
        if (plane) a.emplace(*plane);
        MqoReadContext read = {features};
        read.widestTexture = widest;
        testing::internal::CaptureStdout();
        b->rgba =
            mqoDecodeTexture(t ? t->get() : nullptr, a ? a->get() : nullptr, &b->size, alpha, read);
        b->printed = testing::internal::GetCapturedStdout();
    }
    std::string file(const std::string& name, const Bytes& bytes) { return dir.write(name, bytes); }

    testimages::TempDir dir;
};

const Bytes RED = {255, 0, 0}, GREEN = {0, 255, 0}, BLUE = {0, 0, 255}, WHITE = {255, 255, 255};

Bytes rgba(const Bytes& rgb, uint8_t a) { return {rgb[0], rgb[1], rgb[2], a}; }

// A w x h RGB picture, top row first: red, green, blue, white corners
// (top-left, top-right, bottom-left, bottom-right), grey elsewhere.
Bytes cornerPicture(int w, int h) {
    Bytes p(static_cast<size_t>(w) * h * 3, 128);
    auto set = [&](int x, int y, const Bytes& c) {
        std::copy(c.begin(), c.end(), p.begin() + (static_cast<size_t>(y) * w + x) * 3);
    };
    set(0, 0, RED);
    set(w - 1, 0, GREEN);
    set(0, h - 1, BLUE);
    set(w - 1, h - 1, WHITE);
    return p;
}

TEST_F(ImageComplete, NonSquarePngStretchesToItsLongerSideKeepingItsCorners) {
    Block b;
    decode(&b, file("t.png", testimages::png(3, 5, SPNG_COLOR_TYPE_TRUECOLOR, cornerPicture(3, 5))),
           std::nullopt, 200);
    ASSERT_NE(b.rgba, nullptr) << b.printed;
    EXPECT_EQ(b.size, 5);
    EXPECT_EQ(b.corners(), (std::vector<Bytes>{rgba(BLUE, 200), rgba(WHITE, 200), rgba(RED, 200),
                                               rgba(GREEN, 200)}));
    EXPECT_EQ(b.at(1, 2), rgba({128, 128, 128}, 200));  // inside: grey stays grey
}

// A from the texture's own alpha, or from a plane: its alpha channel when it
// has one, else its grey level; never above the alpha byte (100 here).
TEST_F(ImageComplete, AlphaComesFromThePlanesAlphaElseItsGreyBelowTheAlphaByte) {
    const Bytes texel = {9, 8, 7};
    Bytes rgbaPixels;
    for (uint8_t a : {255, 10, 150, 90}) rgbaPixels.insert(rgbaPixels.end(), {9, 8, 7, a});
    const std::string tex =
        file("t.png", testimages::png(2, 2, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, rgbaPixels));
    struct Case {
        const char* name;
        Bytes plane;     // empty: none
        Bytes expected;  // A, top row first
    } cases[] = {
        {"own", {}, {100, 10, 100, 90}},
        {"grey.png", testimages::png(1, 1, SPNG_COLOR_TYPE_GRAYSCALE, {60}), {60, 60, 60, 60}},
        {"ga.png",
         testimages::png(2, 2, SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, {255, 5, 0, 50, 255, 200, 0, 250}),
         {5, 50, 100, 100}},
    };
    for (const Case& c : cases) {
        Block b;
        decode(&b, tex, c.plane.empty() ? std::nullopt : std::optional(file(c.name, c.plane)), 100);
        ASSERT_NE(b.rgba, nullptr) << c.name;
        ASSERT_EQ(b.size, 2) << c.name;
        const Bytes got = {b.at(0, 1)[3], b.at(1, 1)[3], b.at(0, 0)[3], b.at(1, 0)[3]};
        EXPECT_EQ(got, c.expected) << c.name;
        EXPECT_EQ(Bytes(b.rgba, b.rgba + 3), texel) << c.name;
    }
}

TEST_F(ImageComplete, JpegColoursArriveWithinTolerance) {
    Bytes picture;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const Bytes& c = y < 8 ? (x < 8 ? RED : GREEN) : (x < 8 ? BLUE : WHITE);
            picture.insert(picture.end(), c.begin(), c.end());
        }
    Block b;
    decode(&b, file("t.jpg", testimages::jpeg(16, 16, picture)), std::nullopt, 77);
    ASSERT_NE(b.rgba, nullptr) << b.printed;
    ASSERT_EQ(b.size, 16);
    const Bytes expected[4] = {BLUE, WHITE, RED, GREEN};
    for (int i = 0; i < 4; ++i) {
        const Bytes got = b.corners()[i];
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], expected[i][k], 8) << i;
        EXPECT_EQ(got[3], 77);
    }
}

// BMP and TGA layouts; each picture is red, green over blue, white (with A
// 40 in the white corner where the file has alpha), whatever its size.
TEST_F(ImageComplete, BmpAndTgaAreReadAsTheirHeadersSay) {
    auto bmp32 = [](int32_t height, const Bytes& pixels) {
        Bytes b = testimages::bmp(2, height, pixels);
        testimages::put16(b, 28, 32);
        return b;
    };
    const Bytes bottomUpBgra = {255, 0, 0, 255, 255, 255, 255, 40, 0, 0, 255, 255, 0, 255, 0, 255};
    Bytes clearBgra = bottomUpBgra;
    for (size_t i = 3; i < clearBgra.size(); i += 4) clearBgra[i] = 0;
    const Bytes topDownBgr = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    // Width 2: 6 bytes a row, padded to 8.
    Bytes paddedTopDown = topDownBgr;
    paddedTopDown.insert(paddedTopDown.begin() + 6, {0xEE, 0xEE});
    paddedTopDown.insert(paddedTopDown.end(), {0xEE, 0xEE});
    // Width 3, height 2: 9 bytes a row, padded to 12. Bottom row first.
    const Bytes padded = {255, 0, 0,   128, 128, 128, 255, 255, 255, 0xEE, 0xEE, 0xEE,
                          0,   0, 255, 128, 128, 128, 0,   255, 0,   0xEE, 0xEE, 0xEE};
    // Top-left origin, run-length: a run of red, green, then raw blue, white.
    const Bytes runs = {0x80, 0, 0, 255, 0x80, 0, 255, 0, 0x01, 255, 0, 0, 255, 255, 255};
    Bytes rle = testimages::tga(2, 2, 10, 24, runs, 0x20);
    struct Case {
        const char* name;
        Bytes file;
        int size;
        uint8_t whiteAlpha;
    } cases[] = {
        {"topdown.bmp", testimages::bmp(2, -2, paddedTopDown), 2, 255},
        {"padded.bmp", testimages::bmp(3, 2, padded), 3, 255},
        {"alpha32.bmp", bmp32(2, bottomUpBgra), 2, 40},
        {"clear32.bmp", bmp32(2, clearBgra), 2, 255},
        {"topleft.tga", testimages::tga(2, 2, 2, 24, topDownBgr, 0x20), 2, 255},
        {"rle.tga", rle, 2, 255},
    };
    for (const Case& c : cases) {
        Block b;
        decode(&b, file(c.name, c.file), std::nullopt, 255, MQO_FEATURE_IMAGE_LAYOUT);
        ASSERT_NE(b.rgba, nullptr) << c.name << b.printed;
        EXPECT_EQ(b.size, c.size) << c.name;
        EXPECT_EQ(b.corners(), (std::vector<Bytes>{rgba(BLUE, 255), rgba(WHITE, c.whiteAlpha),
                                                   rgba(RED, 255), rgba(GREEN, 255)}))
            << c.name;
    }
}

// Palette BMPs, as rows and as runs: the test's picture (indices, top row
// first; -1 a pixel the runs skip, 0 0 0 0) against the decoded block, each
// index looked up in the test's own palette (past it: opaque black).
TEST_F(ImageComplete, PaletteBmpsGiveTheirIndicesColours) {
    using testimages::paletteBmp;
    const uint8_t E = 0xEE;  // row padding, never a pixel
    std::vector<Bytes> four = {RED, GREEN, BLUE, WHITE}, many = four;
    for (int k = 4; k < 256; ++k)
        many.push_back({static_cast<uint8_t>(k), static_cast<uint8_t>(255 - k), 1});
    const std::vector<Bytes> two(four.begin(), four.begin() + 2);
    // 1-bit 3 x 3, bottom-up: one byte a row (unused bits set), padded to 4.
    const Bytes oneBit = {0x9F, E, E, E, 0x7F, E, E, E, 0xBF, E, E, E};
    const std::vector<int> oneBitPicture = {1, 0, 1, 0, 1, 1, 1, 0, 0};
    // 8-bit 3 x 3, bottom-up: three bytes a row, padded to 4.
    const Bytes eightBit = {255, 0, 3, E, 1, 1, 2, E, 0, 200, 3, E};
    const std::vector<int> eightBitPicture = {0, 200, 3, 1, 1, 2, 255, 0, 3};
    // RLE8, bottom row first: a run and end of line; an odd absolute run
    // (padded) and a run past the row's end; a delta over a row; end of bitmap.
    const Bytes rle8 = {3, 1, 0, 0, 0, 3, 2, 0, 3, 0, 5, 1, 0, 0, 0, 2, 1, 1, 2, 2, 0, 1};
    // RLE4: a run of alternating nibbles; an absolute run of five (three
    // bytes, padded) cut at the row's end; a delta along the row; end of bitmap.
    const Bytes rle4 = {4, 0x12, 0, 0, 0, 5,    0x01, 0x23, 0x30, 0,    0, 0,
                        0, 2,    2, 0, 2, 0x33, 0,    0,    3,    0x21, 0, 1};
    // Runs cut at the row's end, then a delta past the last row: later bytes unread.
    const Bytes pastEnd = {5, 1, 0, 2, 0, 5, 9, 9, 9};
    struct Case {
        const char* name;
        Bytes file;
        const std::vector<Bytes>& colours;
        std::vector<int> picture;
    } cases[] = {
        {"1bit.bmp", paletteBmp(3, 3, 1, 0, two, oneBit), two, oneBitPicture},
        {"core.bmp", paletteBmp(3, 3, 1, 0, two, oneBit, true), two, oneBitPicture},
        {"4bit.bmp",
         paletteBmp(3, -3, 4, 0, four, {0x01, 0x2F, E, E, 0x39, 0x0F, E, E, 0x22, 0x1F, E, E}),
         four,
         {0, 1, 2, 3, 9, 0, 2, 2, 1}},
        {"8bit.bmp", paletteBmp(3, 3, 8, 0, many, eightBit, false, 0), many, eightBitPicture},
        {"count300.bmp", paletteBmp(3, 3, 8, 0, many, eightBit, false, 300), many, eightBitPicture},
        {"rle8.bmp",
         paletteBmp(4, 4, 8, 1, four, rle8),
         four,
         {-1, 2, 2, -1, -1, -1, -1, -1, 2, 0, 3, 1, 1, 1, 1, -1}},
        {"rle4.bmp",
         paletteBmp(4, 4, 4, 2, four, rle4),
         four,
         {2, 1, 2, -1, -1, -1, 3, 3, 0, 1, 2, 3, 1, 2, 1, 2}},
        {"past.bmp", paletteBmp(2, 2, 8, 1, four, pastEnd), four, {-1, -1, 1, 1}},
    };
    for (const Case& c : cases) {
        Bytes expected;
        for (int index : c.picture) {
            const bool known = index >= 0 && static_cast<size_t>(index) < c.colours.size();
            const Bytes& colour = known ? c.colours[static_cast<size_t>(index)] : Bytes{0, 0, 0};
            expected.insert(expected.end(), colour.begin(), colour.end());
            expected.push_back(index < 0 ? 0 : 255);
        }
        Block b;
        decode(&b, file(c.name, c.file), std::nullopt, 255, MQO_FEATURE_IMAGE_LAYOUT);
        ASSERT_NE(b.rgba, nullptr) << c.name << b.printed;
        ASSERT_EQ(static_cast<size_t>(b.size) * b.size, c.picture.size()) << c.name;
        EXPECT_EQ(Bytes(b.rgba, b.rgba + expected.size()), expected) << c.name;
    }
}

// Palette BMPs another program wrote, against that program's own decoding of
// the same files, every pixel, top row first in both. Square pictures: the
// block is then the file's pixels, unscaled. The header's depth and
// compression are checked too, so a writer that changes its mind fails
// rather than testing something else. It writes no RLE4, and RLE8 only as
// runs and line ends: absolute runs and deltas are the hand-made test's.
TEST_F(ImageComplete, PaletteBmpsMatchAnotherProgramsDecoding) {
    const std::string convert = "/usr/bin/convert";
#if defined(_WIN32)
    GTEST_SKIP() << "the other program is a Linux one";
#endif
    if (access(convert.c_str(), X_OK) != 0)
        GTEST_SKIP() << convert << " is missing (scripts/deps.sh installs ImageMagick)";
    struct Case {
        const char* name;
        int side;
        const char* options;
        unsigned depth, compression;
    } cases[] = {
        {"raw8", 15, "-colors 200 -type Palette -compress None BMP3", 8, 0},
        {"rle8", 15, "-colors 200 -type Palette -compress RLE BMP3", 8, 1},
        {"rle8few", 16, "-colors 6 -type Palette -compress RLE BMP3", 8, 1},
        {"rle8v5", 15, "-colors 200 -type Palette -compress RLE BMP", 8, 1},  // 124-byte header
        {"raw4", 15, "-colors 16 -type Palette -compress None BMP3", 4, 0},
        {"raw1", 13, "-monochrome -compress None BMP3", 1, 0},
    };
    for (const Case& c : cases) {
        // A flat left third (long runs), then a ramp on both axes (many colours).
        std::string ppm =
            "P6\n" + std::to_string(c.side) + " " + std::to_string(c.side) + "\n255\n";
        for (int y = 0; y < c.side; ++y)
            for (int x = 0; x < c.side; ++x) {
                const bool flat = x < c.side / 3;
                ppm += static_cast<char>(flat ? 200 : x * 255 / (c.side - 1));
                ppm += static_cast<char>(flat ? 40 : y * 255 / (c.side - 1));
                ppm += static_cast<char>(flat ? 40 : (x * y * 7) % 256);
            }
        const std::string base = dir.file(c.name), bmp = base + ".bmp";
        testsupport::writeFile(base + ".ppm", ppm);
        const std::string write = convert + " '" + base + ".ppm' " + c.options + ":'" + bmp + "'";
        const std::string read = convert + " '" + bmp + "' -depth 8 'rgba:" + base + ".rgba'";
        ASSERT_EQ(std::system(write.c_str()), 0) << write;
        ASSERT_EQ(std::system(read.c_str()), 0) << read;
        const std::string header = testsupport::readFile(bmp);
        const std::string theirs = testsupport::readFile(base + ".rgba");
        ASSERT_GE(header.size(), 34u) << c.name;
        EXPECT_EQ(static_cast<uint8_t>(header[28]), c.depth) << c.name;
        EXPECT_EQ(static_cast<uint8_t>(header[30]), c.compression) << c.name;
        Block b;
        decode(&b, bmp, std::nullopt, 255, MQO_FEATURE_IMAGE_LAYOUT);
        ASSERT_NE(b.rgba, nullptr) << c.name << b.printed;
        ASSERT_EQ(b.size, c.side) << c.name;
        ASSERT_EQ(theirs.size(), static_cast<size_t>(c.side) * c.side * 4) << c.name;
        // The first pixel that differs, as x, y from the top left; none: the side squared.
        const Bytes ours(b.rgba, b.rgba + theirs.size()), want(theirs.begin(), theirs.end());
        const auto first =
            (std::mismatch(ours.begin(), ours.end(), want.begin()).first - ours.begin()) / 4;
        EXPECT_EQ(first, c.side * c.side)
            << c.name << " at " << first % c.side << ", " << first / c.side;
    }
}

// Each bit reads only what it names: a 2 x 5 BMP (rows padded to 8 bytes) stays 2 x 2 (the exact
// rule) without the layout bit; a PNG is a format not read without its bit.
TEST_F(ImageComplete, EachBitChangesOnlyWhatItNames) {
    const std::string tall = file("tall.bmp", testimages::bmp(2, 5, testimages::counting(40)));
    const std::string png = file("t.png", testimages::png(1, 1, SPNG_COLOR_TYPE_GRAYSCALE, {9}));
    struct Case {
        uint32_t features;
        const std::string& path;
        int size;
    } cases[] = {
        {0, tall, 2}, {MQO_FEATURE_PNG_JPEG, tall, 2},     {MQO_FEATURE_IMAGE_LAYOUT, tall, 5},
        {0, png, -1}, {MQO_FEATURE_IMAGE_LAYOUT, png, -1}, {MQO_FEATURE_PNG_JPEG, png, 1}};
    for (const Case& c : cases) {
        Block b;
        decode(&b, c.path, std::nullopt, 255, c.features);
        EXPECT_EQ(b.size, c.size) << c.features << c.path;
        EXPECT_EQ(b.rgba != nullptr, c.size > 0) << c.features << c.path;
    }
    // Without the layout bit, BMP and TGA blocks are the exact reader's.
    const std::string plane = file("a.tga", testimages::tga(2, 2, 3, 8, Bytes{10, 250, 30, 90}));
    PathBuffer t(tall), a(plane);
    int exactSize = 0;
    unsigned char* exact = mqoDecodeTextureImage(t.get(), a.get(), &exactSize, 200, nullptr);
    Block b;
    decode(&b, tall, plane, 200, MQO_FEATURE_PNG_JPEG);
    ASSERT_TRUE(exact != nullptr && b.rgba != nullptr && exactSize == 2 && b.size == 2);
    EXPECT_EQ(Bytes(b.rgba, b.rgba + 16), Bytes(exact, exact + 16));
    std::free(exact);
}

TEST_F(ImageComplete, DamagedAndHostileFilesGiveNull) {
    const Bytes small = testimages::png(8, 8, SPNG_COLOR_TYPE_TRUECOLOR, Bytes(8 * 8 * 3, 50));
    const Bytes jpg = testimages::jpeg(16, 16, Bytes(16 * 16 * 3, 50));
    Bytes sixteenBit = testimages::bmp(2, 2, Bytes(8, 0));
    testimages::put16(sixteenBit, 28, 16);
    const std::vector<Bytes> grey = {{128, 128, 128}};
    const Bytes palette1 =
        testimages::paletteBmp(1, 1, 1, 0, {grey[0], grey[0]}, {0, 0, 0, 0}, true);
    struct Case {
        const char* name;
        Bytes file;
        int widest;
    } cases[] = {
        {"bomb.png", testimages::pngClaiming(small, 30000, 30000), 0},  // 3.4 GiB of pixels
        {"wide.png", testimages::pngClaiming(small, 40000, 1), 0},
        {"driver.png", testimages::pngClaiming(small, 4000, 8), 2048},
        {"cut.png", Bytes(small.begin(), small.begin() + small.size() / 2), 0},
        {"cut.jpg", Bytes(jpg.begin(), jpg.begin() + jpg.size() / 2), 0},
        {"cut.bmp", testimages::bmp(4, 4, Bytes(40, 1)), 0},
        {"cut.tga", testimages::tga(4, 4, 2, 24, Bytes(40, 1)), 0},
        {"sixteen.bmp", sixteenBit, 0},
        {"mapped.tga", testimages::tga(2, 2, 1, 8, Bytes(4, 0)), 0},
        // Palettes and runs cut short, or runs of a depth they do not take.
        {"rows.bmp", testimages::paletteBmp(3, 3, 8, 0, grey, Bytes(10, 0)), 0},
        {"palette.bmp", testimages::paletteBmp(3, 3, 8, 0, grey, Bytes(12, 0), false, 0), 0},
        {"core.bmp", Bytes(palette1.begin(), palette1.begin() + 25), 0},
        {"run.bmp", testimages::paletteBmp(2, 2, 8, 1, grey, {2, 0, 0, 0, 2, 0}), 0},
        {"absolute.bmp", testimages::paletteBmp(2, 2, 8, 1, grey, {0, 3, 0, 0}), 0},
        {"delta.bmp", testimages::paletteBmp(2, 2, 8, 1, grey, {0, 2, 1}), 0},
        {"rle4of8.bmp", testimages::paletteBmp(2, 2, 8, 2, grey, {0, 1}), 0},
        {"rle8of4.bmp", testimages::paletteBmp(2, 2, 4, 1, grey, {0, 1}), 0},
    };
    for (const Case& c : cases) {
        widestAnswer = c.widest;
        Block b;
        decode(&b, file(c.name, c.file));
        EXPECT_EQ(b.rgba, nullptr) << c.name;
        EXPECT_EQ(b.size, -1) << c.name;
    }
}

}  // namespace
