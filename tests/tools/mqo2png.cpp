// mqo2png run as a user runs it: pictures read back with a PNG decoder,
// exit statuses and what the batch form prints.
#include <gtest/gtest.h>
#include <spng.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "mqo/MqoModel.h"
#include "support/corpus_files.h"
#include "support/temp_dir.h"
#include "support/zip_files.h"
#include "view/framing.h"
#include "view/offscreen.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs mqo2png with args (already quoted), capturing both outputs.
Outcome mqo2png(const testsupport::TempDir& dir, const std::string& args) {
    const std::string out = dir.file("stdout"), err = dir.file("stderr");
    std::string command =
        "ASAN_OPTIONS=detect_leaks=0 " MQO2PNG " " + args + " >" + out + " 2>" + err;
    Outcome run;
    int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = testsupport::readFile(out);
    run.err = testsupport::readFile(err);
    return run;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    // Share of pixels that are not fully transparent.
    double covered() const {
        size_t n = 0;
        for (size_t i = 3; i < rgba.size(); i += 4) n += rgba[i] != 0;
        return rgba.empty() ? 0 : static_cast<double>(n) / (rgba.size() / 4);
    }
};

Picture readPng(const std::string& path) {
    Picture p;
    std::string bytes = testsupport::readFile(path);
    spng_ctx* ctx = spng_ctx_new(0);
    spng_ihdr header;
    size_t size = 0;
    if (spng_set_png_buffer(ctx, bytes.data(), bytes.size()) == 0 &&
        spng_get_ihdr(ctx, &header) == 0 &&
        spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) == 0) {
        p.rgba.resize(size);
        if (spng_decode_image(ctx, p.rgba.data(), size, SPNG_FMT_RGBA8, 0) == 0) {
            p.width = static_cast<int>(header.width);
            p.height = static_cast<int>(header.height);
        } else {
            p.rgba.clear();
        }
    }
    spng_ctx_free(ctx);
    return p;
}

const char* const kTetrahedron =
    "Metasequoia Document\nFormat Text Ver 1.0\n\n"
    "Material 1 {\n\t\"m\" col(1 0.5 0.2 1) dif(0.8) amb(0.6) emi(0) spc(0) power(5)\n}\n"
    "Object \"t\" {\n\tvisible 15\n\tshading 1\n\tfacet 59.5\n\tvertex 4 {\n"
    "\t\t0 100 0\n\t\t-100 -60 60\n\t\t100 -60 60\n\t\t0 -60 -100\n\t}\n\tface 4 {\n"
    "\t\t3 V(0 1 2) M(0)\n\t\t3 V(0 2 3) M(0)\n\t\t3 V(0 3 1) M(0)\n\t\t3 V(1 3 2) M(0)\n"
    "\t}\n}\nEof\n";

TEST(Mqo2Png, FramesTheModelOnATransparentSquare) {
    testsupport::TempDir dir("mqo2png");
    ASSERT_TRUE(testsupport::writeFile(dir.file("t.mqo"), std::string(kTetrahedron)));
    Outcome run = mqo2png(dir, "-s 96 " + dir.file("t.mqo") + " " + dir.file("t.png"));
    ASSERT_EQ(run.status, 0) << run.err;
    Picture p = readPng(dir.file("t.png"));
    ASSERT_EQ(p.width, 96);
    ASSERT_EQ(p.height, 96);
    EXPECT_EQ(p.rgba[3], 0) << "corner not transparent";
    EXPECT_GT(p.covered(), 0.08);
    EXPECT_LT(p.covered(), 0.9);
}

TEST(Mqo2Png, CorpusDocumentsCoverASensibleShare) {
    const char* const names[] = {"mug", "miku01", "medaka", "autocsg_sample"};
    testsupport::TempDir dir("mqo2png");
    std::string args = "-s 128 --out-dir " + dir.file("out");
    for (const char* name : names) {
        const std::string path = corpusfiles::find(std::string(name) + ".mqo");
        if (path.empty()) GTEST_SKIP() << "no " << name << ".mqo in a corpus beside the project";
        args += " '" + path + "'";
    }
    Outcome run = mqo2png(dir, args);
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : names) {
        Picture p = readPng(dir.file(std::string("out/") + name + ".png"));
        ASSERT_EQ(p.width, 128) << name;
        EXPECT_GT(p.covered(), 0.04) << name;
        EXPECT_LT(p.covered(), 0.9) << name;
    }
}

// --core draws through the shaded path in a core context: the same picture,
// within rounding, for every document of the corpus.
TEST(Mqo2Png, CoreGivesTheSamePicture) {
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(corpusfiles::folder(), ec))
        if (e.path().extension() == ".mqo") paths.push_back(e.path().string());
    if (paths.empty()) GTEST_SKIP() << "no corpus beside the project";
    std::sort(paths.begin(), paths.end());
    testsupport::TempDir dir("mqo2png");
    std::string files;
    for (const std::string& path : paths) files += " '" + path + "'";
    Outcome fixed = mqo2png(dir, "-s 128 --out-dir " + dir.file("fixed") + files);
    Outcome core = mqo2png(dir, "-s 128 --core --out-dir " + dir.file("core") + files);
    ASSERT_EQ(fixed.status, core.status) << core.err;
    size_t compared = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.file("fixed"))) {
        ++compared;
        const std::string name = e.path().filename().string();
        const Picture a = readPng(e.path().string()), b = readPng(dir.file("core/" + name));
        ASSERT_EQ(a.rgba.size(), b.rgba.size()) << name;
        size_t close = 0;
        int largest = 0;
        for (size_t i = 0; i < a.rgba.size(); i += 4) {
            int worst = 0;
            for (size_t c = 0; c < 4; ++c)
                worst = std::max(worst, std::abs(a.rgba[i + c] - b.rgba[i + c]));
            close += worst <= 3 ? 1 : 0;
            largest = std::max(largest, worst);
        }
        EXPECT_GE(close, a.rgba.size() / 4 * 99 / 100) << name;
        EXPECT_LE(largest, 16) << name;
    }
    EXPECT_EQ(compared, paths.size());
}

TEST(Mqo2Png, BatchGoesOnPastBadFilesAndFailsAtTheEnd) {
    testsupport::TempDir dir("mqo2png");
    ASSERT_TRUE(testsupport::writeFile(dir.file("good.mqo"), std::string(kTetrahedron)));
    ASSERT_TRUE(testsupport::writeFile(dir.file("text.mqo"), std::string("hello\n")));
    Outcome run =
        mqo2png(dir, "-s 32 --out-dir " + dir.file("out") + " " + dir.file("missing.mqo") + " " +
                         dir.file("text.mqo") + " " + dir.file("good.mqo"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("missing.mqo: No such file or directory"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("text.mqo: not an MQO document"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("2 of 3 failed"), std::string::npos) << run.err;
    // Not a terminal: one plain line per file.
    EXPECT_NE(run.out.find("1/3 "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("3/3 "), std::string::npos) << run.out;
    EXPECT_EQ(readPng(dir.file("out/good.png")).width, 32);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/text.png")));
}

// kTetrahedron at half opacity, and in front of a larger triangle (both
// sides) of another half-opaque colour, drawn before it so that it shows
// through.
std::string halfTetrahedron() {
    std::string doc = kTetrahedron;
    doc.replace(doc.find("0.2 1)"), 6, "0.2 0.5)");
    return doc;
}

std::string overlappingLayers() {
    std::string doc = halfTetrahedron();
    doc.replace(doc.find("Material 1"), 10, "Material 2");
    doc.replace(doc.find("}\nObject"), 2,
                "\t\"n\" col(0.2 0.4 1 0.5) dif(0.8) amb(0.6) emi(0) spc(0) power(5)\n}\n"
                "Object \"s\" {\n\tvisible 15\n\tvertex 3 {\n\t\t-250 -150 -160\n"
                "\t\t250 -150 -160\n\t\t0 250 -160\n\t}\n\tface 2 {\n\t\t3 V(0 1 2) M(1)\n"
                "\t\t3 V(0 2 1) M(1)\n\t}\n}\n");
    return doc;
}

// The document drawn in this process over an opaque background, rows top
// first: what the picture composited over that background must give.
std::vector<unsigned char> drawnOver(const std::string& path, int size, float grey) {
    Offscreen target;
    std::string error;
    if (!target.open(size, &error)) return {};
    mqoInitLibrary();
    MqoLoadOptions load = {MQO_FEATURE_ALL};
    MeshModel* model = mqoLoadModelEx(path.c_str(), 1.0, &load);
    const float background[4] = {grey, grey, grey, 1};
    drawFramed(model, summariseModel(model), Camera(), size, size, background);
    std::vector<unsigned char> pixels = target.readRgba();
    mqoFreeModel(model);
    mqoCleanupLibrary();
    return pixels;
}

// Largest channel difference between the picture composited over a grey
// background (0 or 255) and the same pixels drawn over it.
int compositeError(const Picture& picture, const std::vector<unsigned char>& drawn, int grey) {
    int worst = 0;
    for (size_t i = 0; i + 3 < picture.rgba.size() && i + 3 < drawn.size(); i += 4) {
        const int alpha = picture.rgba[i + 3];
        for (int k = 0; k < 3; ++k) {
            const int over = (picture.rgba[i + k] * alpha + grey * (255 - alpha) + 127) / 255;
            worst = std::max(worst, std::abs(over - drawn[i + k]));
        }
    }
    return worst;
}

TEST(Mqo2Png, TranslucentPicturesComposeAsDrawingOverTheBackground) {
    struct Case {
        const char* name;
        std::string document;
        std::vector<int> alphas;  // every covered pixel has one, and each is seen
    };
    // Two half-opaque layers leave a quarter showing through: 191.
    const Case cases[] = {{"half", halfTetrahedron(), {128}},
                          {"opaque", kTetrahedron, {255}},
                          {"layers", overlappingLayers(), {128, 191}}};
    testsupport::TempDir dir("mqo2png");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string doc = dir.file(std::string(c.name) + ".mqo");
        const std::string png = dir.file(std::string(c.name) + ".png");
        ASSERT_TRUE(testsupport::writeFile(doc, c.document));
        Outcome run = mqo2png(dir, "-s 96 " + doc + " " + png);
        ASSERT_EQ(run.status, 0) << run.err;
        Picture picture = readPng(png);
        ASSERT_EQ(picture.width, 96);
        const std::vector<unsigned char> overBlack = drawnOver(doc, 96, 0.0f);
        const std::vector<unsigned char> overWhite = drawnOver(doc, 96, 1.0f);
        ASSERT_EQ(overBlack.size(), picture.rgba.size()) << "no GL context in the test";
        EXPECT_LE(compositeError(picture, overBlack, 0), 2);
        EXPECT_LE(compositeError(picture, overWhite, 255), 2);
        std::vector<size_t> seen(c.alphas.size(), 0);
        for (size_t i = 3; i < picture.rgba.size(); i += 4) {
            if (picture.rgba[i] == 0) continue;
            auto near = std::find_if(c.alphas.begin(), c.alphas.end(),
                                     [&](int a) { return std::abs(picture.rgba[i] - a) <= 2; });
            ASSERT_NE(near, c.alphas.end()) << "pixel " << i / 4 << " alpha " << +picture.rgba[i];
            ++seen[static_cast<size_t>(near - c.alphas.begin())];
        }
        for (size_t k = 0; k < seen.size(); ++k)
            EXPECT_GT(seen[k], 96u * 96 / 50) << "few pixels of alpha " << c.alphas[k];
    }
}

TEST(Mqo2Png, BatchNamesTwinDocumentsApartAndSaysSo) {
    testsupport::TempDir dir("mqo2png");
    std::filesystem::create_directories(dir.file("a"));
    std::filesystem::create_directories(dir.file("b"));
    ASSERT_TRUE(testsupport::writeFile(dir.file("a/test.mqo"), std::string(kTetrahedron)));
    ASSERT_TRUE(testsupport::writeFile(dir.file("b/test.mqo"), halfTetrahedron()));
    ASSERT_TRUE(testsupport::writeFile(dir.file("test-2.mqo"), std::string(kTetrahedron)));
    const std::string out = dir.file("out");
    Outcome run = mqo2png(dir, "-s 32 --out-dir " + out + " " + dir.file("a/test.mqo") + " " +
                                   dir.file("b/test.mqo") + " " + dir.file("test-2.mqo"));
    ASSERT_EQ(run.status, 0) << run.err;
    // The second twin takes the next number, the document of that name the one after.
    EXPECT_NE(run.err.find("b/test.mqo: written as " + out + "/test-2.png, since " + out +
                           "/test.png is the picture of " + dir.file("a/test.mqo")),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("test-2.mqo: written as " + out + "/test-2-2.png"), std::string::npos)
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
    Picture first = readPng(out + "/test.png"), second = readPng(out + "/test-2.png");
    EXPECT_EQ(readPng(out + "/test-2-2.png").width, 32);
    ASSERT_EQ(first.width, 32);
    ASSERT_EQ(second.width, 32);
    EXPECT_NE(first.rgba, second.rgba) << "one document's picture written twice";
}

TEST(Mqo2Png, ExactReadingOfAPackageSaysToDropExact) {
    testsupport::TempDir dir("mqo2png");
    const std::string package = dir.file("t.mqoz");
    ASSERT_TRUE(zipfiles::write(package, {{"t.mqo", std::string(kTetrahedron)}}));
    Outcome exact = mqo2png(dir, "--exact " + package + " " + dir.file("exact.png"));
    EXPECT_EQ(exact.status, 1);
    EXPECT_EQ(exact.err, "mqo2png: " + package +
                             ": a .mqoz package needs the complete reading (drop --exact)\n");
    // The advice holds: without --exact the package is drawn.
    Outcome complete = mqo2png(dir, package + " " + dir.file("complete.png"));
    EXPECT_EQ(complete.status, 0) << complete.err;
    EXPECT_GT(readPng(dir.file("complete.png")).covered(), 0.08);
}

// What a load left out is one English line on standard error, the
// library's own console lines silenced; a document that lost nothing says
// nothing.
TEST(Mqo2Png, SaysWhatTheLoadDroppedInOneLine) {
    testsupport::TempDir dir("mqo2png");
    std::string doc(kTetrahedron);
    doc.replace(doc.find("power(5)"), 8, "power(5) tex(\"tex.bmp\")");
    doc.replace(doc.find("3 V(1 3 2)"), 10, "3 V(1 3 9)");
    ASSERT_TRUE(testsupport::writeFile(dir.file("a.mqo"), doc));
    Outcome run = mqo2png(dir, dir.file("a.mqo") + " " + dir.file("a.png"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "mqo2png: " + dir.file("a.mqo") +
                           ": 1 face dropped (bad vertex indices), 1 texture not read: tex.bmp\n");
    EXPECT_EQ(run.out, "");
    ASSERT_TRUE(testsupport::writeFile(dir.file("b.mqo"), std::string(kTetrahedron)));
    Outcome clean = mqo2png(dir, dir.file("b.mqo") + " " + dir.file("b.png"));
    EXPECT_EQ(clean.err, "");
}

TEST(Mqo2Png, UsageMistakesExitTwoAndHelpExitsZero) {
    testsupport::TempDir dir("mqo2png");
    EXPECT_EQ(mqo2png(dir, "").status, 2);
    EXPECT_EQ(mqo2png(dir, "-s 9 a.mqo b.png").status, 2);
    EXPECT_EQ(mqo2png(dir, "--yaw x a.mqo b.png").status, 2);
    EXPECT_EQ(mqo2png(dir, "--core --scene a.mqo b.png").status, 2);
    Outcome help = mqo2png(dir, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: mqo2png"), std::string::npos);
}

}  // namespace
