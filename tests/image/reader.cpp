// The image reader: pixel placement for both formats, alpha planes and
// clamping, and what damaged or hostile files give.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "mqo/MqoModelStages.h"
#include "mqo/image/image_internal.h"
#include "mqo/read/read_internal.h"
#include "support/fake_gl.h"
#include "support/image_files.h"

using namespace mqo::detail;

namespace {

using testimages::Bytes;
using testimages::PathBuffer;

struct Result {
    bool ok = false;  // a block came back
    Bytes rgba;
    int size = -7;
    std::string printed;
    std::string texturePath, alphaPath;  // as the reader left them
};

class ImageReader : public ::testing::Test {
protected:
    void SetUp() override { fakegl::reset(); }

    Result read(const std::optional<std::string>& tex, const std::optional<std::string>& alphaFile,
                unsigned char alpha = 255) {
        Result r;
        std::optional<PathBuffer> t, a;
        if (tex) t.emplace(*tex);
        if (alphaFile) a.emplace(*alphaFile);
        testing::internal::CaptureStdout();
        unsigned char* block =
            mqoReadTextureImage(t ? t->get() : nullptr, a ? a->get() : nullptr, &r.size, alpha);
        r.printed = testing::internal::GetCapturedStdout();
        if (block) {
            r.ok = true;
            EXPECT_GT(r.size, 0);
            if (r.size > 0) r.rgba.assign(block, block + static_cast<size_t>(r.size) * r.size * 4);
            std::free(block);
        }
        if (t) r.texturePath = t->str();
        if (a) r.alphaPath = a->str();
        return r;
    }
    std::string file(const std::string& name, const Bytes& bytes) { return dir.write(name, bytes); }

    testimages::TempDir dir;
};

// The block expected from colour pixels stored B G R (A) bottom row first.
Bytes expectedBlock(int w, const Bytes& stored, int bytesPerPixel, unsigned char alpha) {
    Bytes rgba(static_cast<size_t>(w) * w * 4, 0);
    for (int y = 0; y < w; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* s = &stored[(static_cast<size_t>(y) * w + x) * bytesPerPixel];
            uint8_t* d = &rgba[(static_cast<size_t>(w - 1 - y) * w + x) * 4];
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = bytesPerPixel == 4 ? std::min<uint8_t>(s[3], alpha) : alpha;
        }
    }
    return rgba;
}

TEST_F(ImageReader, BmpRowsAreStoredBottomUpWithoutPadding) {
    Bytes stored = testimages::counting(3 * 3 * 3);  // 9-byte rows: padding would show
    Result r = read(file("t.bmp", testimages::bmp(3, 3, stored)), std::nullopt, 200);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.size, 3);
    EXPECT_EQ(r.printed, "");
    EXPECT_EQ(r.rgba, expectedBlock(3, stored, 3, 200));
    // The file's first B G R land as R G B at the start of the last memory row.
    EXPECT_EQ((Bytes{r.rgba[24], r.rgba[25], r.rgba[26], r.rgba[27]}), (Bytes{3, 2, 1, 200}));
}

TEST_F(ImageReader, TgaIsReadBottomUpWhateverItsDescriptorSays) {
    Bytes stored = testimages::counting(2 * 2 * 3, 50);
    Result r = read(file("t.tga", testimages::tga(2, 2, 2, 24, stored, 0x20)), std::nullopt);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgba, expectedBlock(2, stored, 3, 255));
}

// Pixel rows start where the header puts them: after a longer BMP info
// header, and after a TGA's ID field and colour map. An offset that cannot
// be right (inside the 54 header bytes, or past the end) reads from 54.
TEST_F(ImageReader, PixelsStartWhereTheHeaderSaysTheyDo) {
    const Bytes stored = testimages::counting(2 * 2 * 3, 7);
    const Bytes garbage(84 + 9, 0xEE);
    auto bmpAt = [&](uint32_t offset, size_t extra) {
        Bytes b = testimages::bmp(2, 2, Bytes(extra, 0xEE));
        b.insert(b.end(), stored.begin(), stored.end());
        testimages::put32(b, 10, offset);
        return b;
    };
    auto tgaWith = [&](uint8_t idLength, uint8_t mapType, uint16_t mapLength, uint8_t entryBits) {
        size_t skipped = idLength + (mapType == 1 ? mapLength * ((entryBits + 7u) / 8u) : 0u);
        Bytes pixels(garbage.begin(), garbage.begin() + static_cast<long>(skipped));
        pixels.insert(pixels.end(), stored.begin(), stored.end());
        Bytes b = testimages::tga(2, 2, 2, 24, pixels);
        b[0] = idLength;
        b[1] = mapType;
        testimages::put16(b, 5, mapLength);
        b[7] = entryBits;
        return b;
    };
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"v5.bmp", bmpAt(54 + 84, 84)},  // a 124-byte info header
        {"plain.bmp", bmpAt(54, 0)},         {"inside.bmp", bmpAt(20, 0)},
        {"beyond.bmp", bmpAt(4000, 0)},      {"id.tga", tgaWith(9, 0, 0, 0)},
        {"map.tga", tgaWith(3, 1, 4, 24)},   {"map15.tga", tgaWith(0, 1, 3, 15)},
        {"nomap.tga", tgaWith(0, 0, 5, 24)},  // no map: its fields are ignored
    };
    for (const Case& c : cases) {
        Result r = read(file(c.name, c.file), std::nullopt);
        ASSERT_TRUE(r.ok) << c.name;
        EXPECT_EQ(r.rgba, expectedBlock(2, stored, 3, 255)) << c.name;
    }
}

TEST_F(ImageReader, WidthIsUsedForBothSidesOfANonSquareImage) {
    Bytes stored = testimages::counting(2 * 5 * 3);
    Result r = read(file("tall.bmp", testimages::bmp(2, 5, stored)), std::nullopt);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.size, 2);
    EXPECT_EQ(r.rgba, expectedBlock(2, Bytes(stored.begin(), stored.begin() + 12), 3, 255));
}

TEST_F(ImageReader, ThirtyTwoBitTgaAlphaIsLoweredToTheAlphaArgument) {
    Bytes stored = {1, 2, 3, 255, 4, 5, 6, 40, 7, 8, 9, 128, 10, 11, 12, 0};
    Result r = read(file("t.tga", testimages::tga(2, 2, 2, 32, stored)), std::nullopt, 128);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgba, expectedBlock(2, stored, 4, 128));
    EXPECT_EQ(r.rgba[(1 * 2 + 0) * 4 + 3], 128);  // stored 255
    EXPECT_EQ(r.rgba[(1 * 2 + 1) * 4 + 3], 40);
}

TEST_F(ImageReader, GreyAlphaPlaneSetsOnlyAlphaAndIsClamped) {
    Bytes stored = testimages::counting(12);
    std::string tex = file("t.bmp", testimages::bmp(2, 2, stored));
    std::string plane = file("a.tga", testimages::tga(2, 2, 3, 8, Bytes{10, 200, 30, 250}));
    Result r = read(tex, plane, 100);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.printed, "");
    Bytes expected = expectedBlock(2, stored, 3, 100);
    expected[(2 + 0) * 4 + 3] = 10;  // stored row 0 is memory row 1
    expected[(2 + 1) * 4 + 3] = 100;
    expected[(0 + 0) * 4 + 3] = 30;
    expected[(0 + 1) * 4 + 3] = 100;
    EXPECT_EQ(r.rgba, expected);
}

TEST_F(ImageReader, ThirtyTwoBitAlphaPlaneGivesItsFourthBytes) {
    std::string tex = file("t.tga", testimages::tga(1, 1, 2, 24, Bytes{1, 2, 3}));
    std::string plane = file("a.TGA", testimages::tga(1, 1, 2, 32, Bytes{90, 91, 92, 60}));
    Result r = read(tex, plane, 255);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgba, (Bytes{3, 2, 1, 60}));
    EXPECT_EQ(r.alphaPath, plane);  // tga in any case is left alone
}

TEST_F(ImageReader, AlphaFileAloneMakesAClearedBlock) {
    std::string plane = file("a.tga", testimages::tga(2, 2, 3, 8, Bytes{1, 2, 3, 4}));
    for (const std::optional<std::string>& tex :
         {std::optional<std::string>(), std::optional<std::string>(dir.path() + "/gone.bmp")}) {
        Result r = read(tex, plane, 255);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.rgba, (Bytes{0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 2}));
    }
}

TEST_F(ImageReader, WidthsThatDisagreeGiveNoImage) {
    std::string tex = file("t.bmp", testimages::bmp(2, 2, Bytes(12, 1)));
    std::string plane = file("a.tga", testimages::tga(4, 4, 3, 8, Bytes(16, 1)));
    Result r = read(tex, plane);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.size, 4);  // the width last read
    EXPECT_EQ(r.printed, "");
}

TEST_F(ImageReader, NoFileReadGivesNullAndMinusOne) {
    Result r = read(std::nullopt, std::nullopt);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.size, -1);
    r = read(file("p.png", Bytes(40, 0)), std::nullopt);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.size, -1);
}

TEST_F(ImageReader, NamesAreRewrittenToBmpUnlessTheyEndInAKnownType) {
    struct Case {
        const char* name;
        const char* after;
    } cases[] = {{"a.BMP", "a.bmp"}, {"a.gif", "a.bmp"}, {"a.jpeg", "a.jbmp"}, {"a.Tga", "a.Tga"},
                 {"a.PNG", "a.PNG"}, {"a.jPg", "a.jPg"}, {"abc", "bmp"}};
    for (const Case& c : cases) {
        Result r = read(dir.path() + "/" + c.name, std::nullopt);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.texturePath, dir.path() + "/" + c.after);
    }
}

TEST_F(ImageReader, NamesTooShortToTypeAreRejected) {
    std::string tex = file("t.bmp", testimages::bmp(1, 1, Bytes{1, 2, 3}));
    for (const char* shortName : {"", "a", "tg"}) {
        Result r = read(std::string(shortName), std::nullopt);
        EXPECT_FALSE(r.ok) << shortName;
        EXPECT_EQ(r.size, -1);
        EXPECT_EQ(r.texturePath, shortName);  // not rewritten
        EXPECT_EQ(r.printed, std::string("MqoModel:テクスチャ読み込みエラー[") + shortName + "]\n");
        EXPECT_FALSE(read(tex, std::string(shortName)).ok);
    }
}

TEST_F(ImageReader, WidthsThatCannotBecomeATextureAreRejected) {
    fakegl::setMaxTextureSize(64);
    Bytes plenty(70 * 70 * 3, 1);
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"zero.bmp", testimages::bmp(0, 0, plenty)},
        {"negative.bmp", testimages::bmp(-2, 2, plenty)},
        {"huge.bmp", testimages::bmp(0x7fffffff, 1, plenty)},
        {"min.bmp", testimages::bmp(INT32_MIN, 1, plenty)},
        {"zero.tga", testimages::tga(0, 1, 2, 24, plenty)},
        {"wide.tga", testimages::tga(32768, 1, 2, 24, plenty)},
        {"widest.tga", testimages::tga(65535, 1, 2, 24, plenty)},
        {"driver.bmp", testimages::bmp(65, 65, plenty)},  // above GL_MAX_TEXTURE_SIZE
    };
    for (const auto& c : cases) {
        Result r = read(file(c.name, c.bytes), std::nullopt);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.size, -1) << c.name;
    }
    EXPECT_TRUE(read(file("limit.bmp", testimages::bmp(64, 64, plenty)), std::nullopt).ok);
}

TEST_F(ImageReader, ATinyFileCannotClaimAHugeImage) {
    // 16384 is within the driver's limit, but a 1 GiB block from an 18-byte
    // file is refused; a width whose block stays small is read as zeros.
    EXPECT_FALSE(read(file("big.tga", testimages::tga(16384, 16384, 2, 24, {})), std::nullopt).ok);
    Result r = read(file("empty.tga", testimages::tga(128, 128, 2, 24, {})), std::nullopt);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgba, Bytes(128 * 128 * 4, 0));
}

TEST_F(ImageReader, ShortFilesLeaveUnsuppliedPixelsZero) {
    Bytes stored = testimages::counting(5 * 3 + 2);  // five pixels and part of a sixth
    Result r = read(file("short.bmp", testimages::bmp(4, 4, stored)), std::nullopt, 255);
    ASSERT_TRUE(r.ok);
    Bytes expected(4 * 4 * 4, 0);
    for (int i = 0; i < 5; ++i) {
        int row = i / 4, x = i % 4;
        uint8_t* d = &expected[((3 - row) * 4 + x) * 4];
        d[0] = stored[i * 3 + 2];
        d[1] = stored[i * 3 + 1];
        d[2] = stored[i * 3];
        d[3] = 255;
    }
    EXPECT_EQ(r.rgba, expected);

    // A short alpha plane leaves the texture's constant alpha where it ends.
    std::string tex = file("t.bmp", testimages::bmp(2, 2, Bytes(12, 9)));
    r = read(tex, file("a.tga", testimages::tga(2, 2, 3, 8, Bytes{7})), 255);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rgba[(1 * 2 + 0) * 4 + 3], 7);
    EXPECT_EQ(r.rgba[(1 * 2 + 1) * 4 + 3], 255);
}

TEST_F(ImageReader, FilesShorterThanTheirHeaderAreRejected) {
    Bytes bmpFile = testimages::bmp(1, 1, {});
    Bytes tgaFile = testimages::tga(1, 1, 2, 24, {});
    EXPECT_TRUE(read(file("whole.bmp", bmpFile), std::nullopt).ok);
    EXPECT_FALSE(read(file("cut.bmp", Bytes(bmpFile.begin(), bmpFile.end() - 1)), std::nullopt).ok);
    EXPECT_FALSE(
        read(file("cut2.bmp", Bytes(bmpFile.begin(), bmpFile.begin() + 20)), std::nullopt).ok);
    EXPECT_FALSE(read(file("cut.tga", Bytes(tgaFile.begin(), tgaFile.end() - 1)), std::nullopt).ok);
    EXPECT_FALSE(read(file("empty.tga", {}), std::nullopt).ok);
}

// The exact reader reads a file only as far as its pixels go, the complete
// profile's square reading (no layout bit) reads it whole; both give the
// same block, whether the file stops inside a pixel, at a row's end, before
// any pixel, or goes on far past its pixels, alone or with an alpha plane.
TEST_F(ImageReader, ExactAndSquareReadingsGiveTheSameBlocks) {
    const Bytes bgr = testimages::counting(4 * 4 * 3), bgra = testimages::counting(4 * 4 * 4, 60);
    const Bytes tail(256 * 1024, 0xEE);
    auto cut = [](Bytes b, size_t n) {
        b.resize(n);
        return b;
    };
    auto longer = [&tail](Bytes b) {
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    };
    auto decode = [](uint32_t features, const std::string& tex, const std::string& plane,
                     unsigned char alpha) {
        PathBuffer t(tex), a(plane);
        MqoReadContext read;
        read.features = features;
        int size = -7;
        unsigned char* block =
            mqoDecodeTexture(t.get(), plane.empty() ? nullptr : a.get(), &size, alpha, read);
        Bytes rgba;
        if (block != nullptr) rgba.assign(block, block + static_cast<size_t>(size) * size * 4);
        std::free(block);
        return std::make_pair(size, rgba);
    };
    struct Case {
        const char* name;
        Bytes texture;
        const char* planeName;  // null: none
        Bytes plane;
        unsigned char alpha;
    } cases[] = {
        {"pixel.bmp", cut(testimages::bmp(4, 4, bgr), 54 + 5 * 3 + 2), nullptr, {}, 255},
        {"rows.bmp", cut(testimages::bmp(4, 4, bgr), 54 + 2 * 4 * 3), nullptr, {}, 255},
        {"pixel.tga", cut(testimages::tga(4, 4, 2, 32, bgra), 18 + 6 * 4 + 3), nullptr, {}, 100},
        {"bare.bmp", testimages::bmp(4, 4, {}), nullptr, {}, 255},
        {"long.bmp", longer(testimages::bmp(4, 4, bgr)), nullptr, {}, 255},
        {"long.tga", longer(testimages::tga(4, 4, 2, 32, bgra)), nullptr, {}, 100},
        {"t.bmp", testimages::bmp(4, 4, bgr), "grey.tga",
         longer(testimages::tga(4, 4, 3, 8, testimages::counting(16, 200))), 205},
        {"t.tga", testimages::tga(4, 4, 2, 24, bgr), "a32.tga", testimages::tga(4, 4, 2, 32, bgra),
         255},
    };
    for (const Case& c : cases) {
        const std::string tex = file(c.name, c.texture);
        const std::string plane = c.planeName != nullptr ? file(c.planeName, c.plane) : "";
        const auto exact = decode(0, tex, plane, c.alpha);
        EXPECT_EQ(exact.first, 4) << c.name;
        EXPECT_EQ(exact, decode(MQO_FEATURE_PNG_JPEG, tex, plane, c.alpha)) << c.name;
    }
    // What lies past the pixels is not read into them.
    EXPECT_EQ(decode(0, dir.file("long.bmp"), "", 255).second, expectedBlock(4, bgr, 3, 255));
    EXPECT_EQ(decode(0, dir.file("long.tga"), "", 100).second, expectedBlock(4, bgra, 4, 100));
}

TEST_F(ImageReader, NullSizeIsAllowed) {
    PathBuffer tex(file("t.bmp", testimages::bmp(1, 1, Bytes{1, 2, 3})));
    unsigned char* block = mqoReadTextureImage(tex.get(), nullptr, nullptr, 255);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[0], 3);
    std::free(block);
}

}  // namespace
