// The shaded path against the fixed-function one: every corpus document and
// a sample of the character's frames drawn both ways under one camera, in a
// compatibility context for mqoDrawModel and in a 3.3 core and an ES 3.0
// context for mqoDrawShadedModel. Lit per vertex the two agree within
// rounding; the per-pixel mode covers the same pixels in other colours.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "mqo/MqoModelShaded.h"
#include "mqo/MqoModelStages.h"
#include "support/corpus_files.h"
#include "support/egl_context.h"
#include "view/shaded_framing.h"

namespace {

constexpr int kWidth = 192, kHeight = 160;
constexpr float kBackground[4] = {0.1f, 0.15f, 0.2f, 1.0f};
using Picture = std::vector<unsigned char>;

// The corpus, then every tenth frame of the character.
const std::vector<std::string>& documents() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> docs = corpusfiles::documentsIn(corpusfiles::folder());
        const std::vector<std::string> frames = corpusfiles::documentsIn(MQO_CHARACTER_DIR);
        for (size_t i = 0; i < frames.size(); i += 10) docs.push_back(frames[i]);
        return docs;
    }();
    return all;
}

void drawFixed(MeshModel* model, const ModelSummary& summary) {
    float modelview[16], projection[16];
    cameraMatrices(summary, Camera(), static_cast<double>(kWidth) / kHeight, modelview, projection);
    beginPicture(kWidth, kHeight, kBackground);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    placeViewerLight();
    glLoadMatrixf(modelview);
    mqoDrawModel(model);
}

// Every document drawn in a context of one kind: fixed-function in the
// compatibility profile, shaded (in mode) otherwise. Empty pictures for
// documents that do not load.
std::vector<Picture> drawAll(OffscreenApi api, int mode) {
    std::vector<Picture> pictures;
    EglContext context(kWidth, kHeight, api);
    if (!context.ok()) return pictures;
    mqoInitLibrary();
    MqoLoadOptions options{};
    options.features = MQO_FEATURE_ALL;
    options.quiet = 1;
    for (const std::string& path : documents()) {
        MeshModel* model = mqoLoadModelEx(path.c_str(), 1.0, &options);
        if (model == nullptr) {
            pictures.emplace_back();
            continue;
        }
        const ModelSummary summary = summariseModel(model);
        if (api == OffscreenApi::Compatibility) {
            drawFixed(model, summary);
        } else {
            MqoShadedModel* shaded = mqoPrepareShadedModel(model, mode);
            EXPECT_NE(shaded, nullptr) << path;
            drawFramedShaded(shaded, summary, Camera(), kWidth, kHeight, kBackground);
            mqoReleaseShadedModel(shaded);
        }
        pictures.push_back(context.readRgb());
        mqoFreeModel(model);
    }
    mqoCleanupLibrary();
    return pictures;
}

const std::vector<Picture>& fixedPictures() {
    static const std::vector<Picture> pictures = drawAll(OffscreenApi::Compatibility, 0);
    return pictures;
}

struct Difference {
    double within3;  // fraction of pixels no channel of which differs by more than 3
    int largest;     // largest channel difference
    double same;     // fraction of pixels background in both or in neither
    double drawn;    // fraction of the first picture's pixels that are not background
};

Difference compare(const Picture& a, const Picture& b) {
    Difference d{0, 0, 0, 0};
    const size_t pixels = a.size() / 3;
    size_t close = 0, same = 0, drawn = 0;
    const int bg[3] = {static_cast<int>(kBackground[0] * 255 + 0.5f),
                       static_cast<int>(kBackground[1] * 255 + 0.5f),
                       static_cast<int>(kBackground[2] * 255 + 0.5f)};
    for (size_t p = 0; p < pixels; ++p) {
        int worst = 0;
        bool backA = true, backB = true;
        for (int c = 0; c < 3; ++c) {
            worst = std::max(worst, std::abs(a[p * 3 + c] - b[p * 3 + c]));
            backA = backA && std::abs(a[p * 3 + c] - bg[c]) <= 1;
            backB = backB && std::abs(b[p * 3 + c] - bg[c]) <= 1;
        }
        close += worst <= 3 ? 1 : 0;
        same += backA == backB ? 1 : 0;
        drawn += backA ? 0 : 1;
        d.largest = std::max(d.largest, worst);
    }
    d.within3 = pixels > 0 ? static_cast<double>(close) / pixels : 0;
    d.same = pixels > 0 ? static_cast<double>(same) / pixels : 0;
    d.drawn = pixels > 0 ? static_cast<double>(drawn) / pixels : 0;
    return d;
}

std::string shortName(const std::string& path) {
    const std::filesystem::path p(path);
    return p.parent_path().filename().string() + "/" + p.filename().string();
}

// Every document within the bounds; each one's figures printed.
void expectSamePictures(const char* name, OffscreenApi api) {
    if (documents().empty()) GTEST_SKIP() << "no corpus and no character frames";
    const std::vector<Picture>& fixed = fixedPictures();
    const std::vector<Picture> shaded = drawAll(api, MQO_SHADE_GOURAUD);
    ASSERT_EQ(fixed.size(), documents().size());
    ASSERT_EQ(shaded.size(), documents().size());
    for (size_t i = 0; i < fixed.size(); ++i) {
        if (fixed[i].empty()) continue;
        const Difference d = compare(fixed[i], shaded[i]);
        std::printf("%s %-52s drawn %5.1f%%  within 3/255: %7.3f%%  largest: %3d/255\n", name,
                    shortName(documents()[i]).c_str(), d.drawn * 100, d.within3 * 100, d.largest);
        EXPECT_GE(d.within3, 0.99) << documents()[i];
        EXPECT_LE(d.largest, 16) << documents()[i];
    }
}

TEST(ShadedPixels, Core33MatchesFixedFunction) {
    expectSamePictures("core33", OffscreenApi::Core33);
}

TEST(ShadedPixels, Es30MatchesFixedFunction) { expectSamePictures("gles30", OffscreenApi::Es30); }

// Lit per fragment the colours differ, but the same pixels are covered.
TEST(ShadedPerPixel, CoversWhatGouraudCovers) {
    if (documents().empty()) GTEST_SKIP() << "no corpus and no character frames";
    const std::vector<Picture>& fixed = fixedPictures();
    const std::vector<Picture> perPixel = drawAll(OffscreenApi::Core33, MQO_SHADE_PER_PIXEL);
    ASSERT_EQ(perPixel.size(), fixed.size());
    for (size_t i = 0; i < fixed.size(); ++i) {
        if (fixed[i].empty()) continue;
        EXPECT_GE(compare(fixed[i], perPixel[i]).same, 0.99) << documents()[i];
    }
}

}  // namespace
