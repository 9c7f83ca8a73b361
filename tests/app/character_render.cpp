// The generated character drawn by the library in a real Mesa context, set
// up as ambletoe's viewer sets up its window: how much of the picture the
// figure fills, and whether its face shows.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

#include "support/character_support.h"
#include "support/egl_context.h"

using namespace charactertest;

namespace {

const int kWidth = 640, kHeight = 480;

// Projection, light and placement as ambletoe draws a frame at its start
// position; yaw turns the figure as playback and drags do.
void drawAsViewer(const MeshModel* model, float yaw = 0) {
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    double top = 10.0 * std::tan(25.0 * 3.14159265358979323846 / 180.0);
    double right = top * kWidth / kHeight;
    glFrustum(-right, right, -top, top, 10.0, 10000.0);
    glClearColor(0, 0, 0.2f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    const float diffuse[] = {0.9f, 0.9f, 0.9f, 1.0f}, specular[] = {1, 1, 1, 1};
    const float ambient[] = {0.3f, 0.3f, 0.3f, 0.1f}, position[] = {0, 0, 0, 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glPushMatrix();
    glTranslatef(0, 100, -3000);
    glRotatef(yaw, 0, 1, 0);
    mqoDrawModel(const_cast<MeshModel*>(model));
    glPopMatrix();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glFinish();
}

struct Picture {
    std::vector<unsigned char> rgb;  // bottom row first
    const unsigned char* at(int x, int y) const { return &rgb[(y * kWidth + x) * 3]; }
};

// The figure: any pixel with red or green in it (the background and the
// shadow on it have none).
bool isFigure(const unsigned char* p) { return p[0] > 16 || p[1] > 16; }
bool isIris(const unsigned char* p) { return p[2] > 110 && p[2] > p[0] + 60 && p[2] > p[1] + 25; }
bool isWhite(const unsigned char* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; }
bool isSkin(const unsigned char* p) {
    return p[0] > 170 && p[1] > 120 && p[2] > 90 && p[0] > p[1] + 15 && p[1] > p[2] + 10;
}

struct Extent {
    int bottom = kHeight, top = -1, left = kWidth, right = -1;
};

Extent figureExtent(const Picture& pic) {
    Extent e;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (isFigure(pic.at(x, y))) {
                e.bottom = std::min(e.bottom, y);
                e.top = std::max(e.top, y);
                e.left = std::min(e.left, x);
                e.right = std::max(e.right, x);
            }
    return e;
}

class CharacterRender : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(context.ok());
        ASSERT_FALSE(generated().empty()) << "make_character failed";
        mqoInitLibrary();
    }
    void TearDown() override { mqoCleanupLibrary(); }

    Picture render(int motion, int frame, float yaw = 0) {
        std::string printed;
        MeshModel* model = loadFrame(motion, frame, &printed);
        EXPECT_NE(model, nullptr);
        EXPECT_EQ(printed, "");
        Picture pic;
        if (!model) return pic;
        drawAsViewer(model, yaw);
        pic.rgb = context.readRgb();
        mqoFreeModel(model);
        return pic;
    }

    EglContext context{kWidth, kHeight};
};

TEST_F(CharacterRender, FrameZeroOfEachMotionStandsCentredAtItsShareOfTheHeight) {
    for (int motion = 0; motion < 3; ++motion) {
        SCOPED_TRACE(kMotions[motion].name);
        Picture pic = render(motion, 0);
        ASSERT_FALSE(pic.rgb.empty());
        Extent e = figureExtent(pic);
        ASSERT_GE(e.top, 0) << "nothing drawn";
        double height = (e.top - e.bottom + 1) / double(kHeight);
        EXPECT_GE(height, 0.34);
        EXPECT_LE(height, 0.51);
        double middle = (e.top + e.bottom) / 2.0 / kHeight;
        EXPECT_NEAR(middle, 0.5, 0.08);
        double across = (e.left + e.right) / 2.0 / kWidth;
        EXPECT_NEAR(across, 0.5, 0.06);
        // The whole figure is inside, with room to spare.
        EXPECT_GT(e.bottom, 10);
        EXPECT_LT(e.top, kHeight - 10);
        long covered = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) covered += isFigure(pic.at(x, y));
        EXPECT_GT(covered, kWidth * kHeight / 40) << "a figure, not a stick";
    }
}

TEST_F(CharacterRender, FrameZeroShowsTheFacePictureWithEyes) {
    for (int motion = 0; motion < 3; ++motion) {
        SCOPED_TRACE(kMotions[motion].name);
        Picture pic = render(motion, 0);
        ASSERT_FALSE(pic.rgb.empty());
        Extent e = figureExtent(pic);
        ASSERT_GE(e.top, 0);
        // The head takes the top fifth of the figure.
        int headBottom = e.top - (e.top - e.bottom) / 5;
        int iris = 0, white = 0, skin = 0;
        for (int y = headBottom; y <= e.top; ++y)
            for (int x = e.left; x <= e.right; ++x) {
                const unsigned char* p = pic.at(x, y);
                iris += isIris(p);
                white += isWhite(p);
                skin += isSkin(p);
            }
        EXPECT_GE(iris, 6) << "blue eyes of the face picture";
        EXPECT_GE(white, 4) << "the whites of the eyes";
        EXPECT_GE(skin, 300) << "a face, lit from the front";
    }
}

TEST_F(CharacterRender, TheBackOfTheHeadShowsNoFace) {
    // Turned round (heading 4), the viewer sees hair, not eyes.
    Picture pic = render(0, 0, 180);
    ASSERT_FALSE(pic.rgb.empty());
    Extent e = figureExtent(pic);
    int headBottom = e.top - (e.top - e.bottom) / 5, iris = 0;
    for (int y = headBottom; y <= e.top; ++y)
        for (int x = e.left; x <= e.right; ++x) iris += isIris(pic.at(x, y));
    EXPECT_EQ(iris, 0);
}

// For a person to look at: CHARACTER_PNG_DIR=folder CHARACTER_FRAMES="0:0 1:5:45"
// (motion:frame[:yaw]) with --gtest_also_run_disabled_tests.
TEST_F(CharacterRender, DISABLED_SavePictures) {
    const char* folder = std::getenv("CHARACTER_PNG_DIR");
    const char* frames = std::getenv("CHARACTER_FRAMES");
    ASSERT_TRUE(folder && frames);
    std::istringstream list(frames);
    std::string item;
    while (list >> item) {
        int motion = 0, frame = 0, yaw = 0;
        std::sscanf(item.c_str(), "%d:%d:%d", &motion, &frame, &yaw);
        render(motion, frame, static_cast<float>(yaw));
        char name[128];
        std::snprintf(name, sizeof name, "%s/%s_%03d_%03d.png", folder, kMotions[motion].name,
                      frame, yaw);
        EXPECT_TRUE(context.savePng(name));
    }
}

}  // namespace
