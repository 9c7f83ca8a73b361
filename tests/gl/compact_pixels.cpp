// The compact model drawn against the default one: every corpus document and
// a sample of the character's frames, loaded both ways in one Mesa context
// and drawn under one camera (framed by the default model's bounds, as the
// compact one keeps no arrays to measure). The pictures agree within
// rounding; the shaded path refuses the compact model.
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
#include "view/framing.h"

namespace {

constexpr int kWidth = 192, kHeight = 160;
constexpr float kBackground[4] = {0.1f, 0.15f, 0.2f, 1.0f};
using Picture = std::vector<unsigned char>;

// The corpus, then every fifteenth frame of the character.
std::vector<std::string> documents() {
    std::vector<std::string> docs = corpusfiles::documentsIn(corpusfiles::folder());
    const std::vector<std::string> frames = corpusfiles::documentsIn(MQO_CHARACTER_DIR);
    for (size_t i = 0; i < frames.size(); i += 15) docs.push_back(frames[i]);
    return docs;
}

MeshModel* load(const std::string& path, uint32_t features) {
    MqoLoadOptions options{};
    options.features = features;
    options.quiet = 1;
    return mqoLoadModelEx(path.c_str(), 1.0, &options);
}

bool textured(const MeshModel* model) {
    for (int j = 0; j < mqoModelObjectCount(model); ++j) {
        const MeshObject& o = *mqoModelObject(const_cast<MeshModel*>(model), j);
        for (int k = 0; k < o.batchCount; ++k)
            if (o.batches[k].hasTexture && o.batches[k].vertexCount > 0) return true;
    }
    return false;
}

// Largest channel difference, and the share of pixels within 2/255.
struct Difference {
    int largest = 0;
    double within2 = 0;
};

Difference compare(const Picture& a, const Picture& b) {
    Difference d;
    size_t close = 0;
    const size_t pixels = a.size() / 3;
    for (size_t p = 0; p < pixels; ++p) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a[p * 3 + c] - b[p * 3 + c]));
        close += worst <= 2 ? 1 : 0;
        d.largest = std::max(d.largest, worst);
    }
    d.within2 = pixels > 0 ? static_cast<double>(close) / pixels : 0;
    return d;
}

TEST(CompactPixels, CompactModelsDrawTheDefaultPicture) {
    const std::vector<std::string> docs = documents();
    if (docs.empty()) GTEST_SKIP() << "no corpus and no character frames";
    EglContext context(kWidth, kHeight);
    ASSERT_TRUE(context.ok());
    mqoInitLibrary();
    ASSERT_EQ(vboSupported, 1);
    int texturedDocuments = 0, frames = 0;
    for (const std::string& path : docs) {
        MeshModel* wide = load(path, MQO_FEATURE_ALL);
        MeshModel* compact = load(path, MQO_FEATURE_ALL | MQO_FEATURE_COMPACT);
        ASSERT_EQ(wide == nullptr, compact == nullptr) << path;
        if (wide == nullptr) continue;
        const ModelSummary summary = summariseModel(wide);
        drawFramed(wide, summary, Camera(), kWidth, kHeight, kBackground);
        const Picture expected = context.readRgb();
        drawFramed(compact, summary, Camera(), kWidth, kHeight, kBackground);
        const Picture got = context.readRgb();
        const Difference d = compare(expected, got);
        std::printf("%-60s within 2/255: %7.3f%%  largest %3d/255\n",
                    std::filesystem::path(path).filename().c_str(), d.within2 * 100, d.largest);
        EXPECT_GE(d.within2, 0.999) << path;
        EXPECT_LE(d.largest, 2) << path;
        texturedDocuments += textured(wide) ? 1 : 0;
        frames += path.find(MQO_CHARACTER_DIR) == 0 ? 1 : 0;
        mqoFreeModel(wide);
        mqoFreeModel(compact);
    }
    if (!corpusfiles::documentsIn(corpusfiles::folder()).empty()) EXPECT_GT(texturedDocuments, 0);
    EXPECT_GT(frames, 0) << "the character's frames were not generated";
    mqoCleanupLibrary();
}

TEST(CompactPixels, ShadedPathRefusesACompactModel) {
    const std::vector<std::string> frames = corpusfiles::documentsIn(MQO_CHARACTER_DIR);
    ASSERT_FALSE(frames.empty());
    EglContext context(kWidth, kHeight);
    ASSERT_TRUE(context.ok());
    mqoInitLibrary();
    MeshModel* wide = load(frames[0], 0);
    MeshModel* compact = load(frames[0], MQO_FEATURE_COMPACT);
    ASSERT_NE(wide, nullptr);
    ASSERT_NE(compact, nullptr);
    MqoShadedModel* shaded = mqoPrepareShadedModel(wide, MQO_SHADE_GOURAUD);
    EXPECT_NE(shaded, nullptr) << "the context draws the shaded path";
    EXPECT_EQ(mqoPrepareShadedModel(compact, MQO_SHADE_GOURAUD), nullptr);
    mqoReleaseShadedModel(shaded);
    mqoFreeModel(wide);
    mqoFreeModel(compact);
    mqoCleanupLibrary();
}

}  // namespace
