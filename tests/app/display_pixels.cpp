// The viewer's frame in a real Mesa context: what the clear-colour order and
// the fixed eye and light put on screen. GLUT is not used here; its calls are
// inert stand-ins.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "playback.h"
#include "support/egl_context.h"
#include "viewer.h"

void glutInit(int*, char**) {}
void glutSetOption(GLenum, int) {}
void glutInitWindowPosition(int, int) {}
void glutInitWindowSize(int, int) {}
void glutInitDisplayMode(unsigned int) {}
int glutCreateWindow(const char*) { return 1; }
void glutDisplayFunc(void (*)(void)) {}
void glutIdleFunc(void (*)(void)) {}
void glutReshapeFunc(void (*)(int, int)) {}
void glutKeyboardFunc(void (*)(unsigned char, int, int)) {}
void glutMouseFunc(void (*)(int, int, int, int)) {}
void glutMotionFunc(void (*)(int, int)) {}
void glutMainLoop(void) {}
void glutSwapBuffers(void) {}

namespace {

struct Rgb {
    int r, g, b;
};

// Pixel (x, y) with y counted from the top, as on screen.
Rgb at(const EglContext& gl, const std::vector<unsigned char>& rgb, int x, int y) {
    size_t i = (static_cast<size_t>(gl.height() - 1 - y) * gl.width() + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

bool isBackground(Rgb p) { return p.r == 0 && p.g == 0 && p.b == 51; }
bool isRedCube(Rgb p) { return p.r >= 60 && p.g <= 30 && p.b <= 30; }

// A red cube with corners at +-800 (+-400 at the viewer's scale 0.5).
const char cube[] =
    "Metasequoia Document\nFormat Text Ver 1.0\n"
    "Material 1 {\n"
    "\t\"red\" col(1.000 0.000 0.000 1.000) dif(0.800) amb(0.600) emi(0.400) spc(0.000) "
    "power(5.00)\n}\n"
    "Object \"cube\" {\n\tvisible 15\n\tshading 0\n\tfacet 59.5\n\tvertex 8 {\n"
    "\t\t-800 800 800\n\t\t800 800 800\n\t\t800 -800 800\n\t\t-800 -800 800\n"
    "\t\t-800 800 -800\n\t\t800 800 -800\n\t\t800 -800 -800\n\t\t-800 -800 -800\n\t}\n"
    "\tface 6 {\n"
    "\t\t4 V(0 1 2 3) M(0)\n\t\t4 V(5 4 7 6) M(0)\n\t\t4 V(4 0 3 7) M(0)\n"
    "\t\t4 V(1 5 6 2) M(0)\n\t\t4 V(4 5 1 0) M(0)\n\t\t4 V(3 2 6 7) M(0)\n\t}\n}\nEof\n";

class DisplayPixels : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        mqoInitLibrary();
        playback = initialPlayback;
        for (MeshModel*& m : modelSlots) m = nullptr;
        onReshape(gl.width(), gl.height());
    }
    void TearDown() override { releaseAll(); }
    void loadCubeInto(int slot) {
        char path[] = "/tmp/app_cube_XXXXXX";
        int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        close(fd);
        std::ofstream(path, std::ios::binary) << cube;
        modelSlots[slot] = mqoLoadModel(path, 0.5);
        unlink(path);
        ASSERT_NE(modelSlots[slot], nullptr);
    }
    EglContext gl{640, 480};
};

TEST_F(DisplayPixels, FirstFrameIsClearedBlackEveryLaterOneDarkBlue) {
    onDisplay();
    std::vector<unsigned char> first = gl.readRgb();
    Rgb p = at(gl, first, 5, 5);
    EXPECT_EQ((std::vector<int>{p.r, p.g, p.b}), (std::vector<int>{0, 0, 0}));
    onDisplay();
    std::vector<unsigned char> second = gl.readRgb();
    for (size_t i = 0; i + 2 < second.size(); i += 3) {
        if (second[i] != 0 || second[i + 1] != 0 || second[i + 2] != 51) {
            ADD_FAILURE() << "pixel " << i / 3 << " is not background with no model";
            break;
        }
    }
}

TEST_F(DisplayPixels, TheCharacterStands3000InFrontOfTheEyeAnd100AboveItsAxis) {
    loadCubeInto(0);
    playback.motion = 0;
    playback.frame = 0;
    onDisplay();
    onDisplay();
    std::vector<unsigned char> rgb = gl.readRgb();
    // +-400 at 2600..3400 from the eye spans about 80 px around (320, 220).
    for (auto xy : {std::pair{320, 220}, {270, 220}, {370, 220}, {320, 170}, {320, 270}})
        EXPECT_TRUE(isRedCube(at(gl, rgb, xy.first, xy.second))) << xy.first << "," << xy.second;
    for (auto xy : {std::pair{320, 70}, {320, 370}, {170, 220}, {470, 220}, {5, 5}})
        EXPECT_TRUE(isBackground(at(gl, rgb, xy.first, xy.second))) << xy.first << "," << xy.second;
}

TEST_F(DisplayPixels, AStateFarOutsideTheViewDrawsOnlyBackground) {
    loadCubeInto(100);
    playback.motion = 1;
    playback.posX = 100000;  // far to the right of the view
    onDisplay();
    onDisplay();
    std::vector<unsigned char> rgb = gl.readRgb();
    EXPECT_TRUE(isBackground(at(gl, rgb, 320, 220)));
}

}  // namespace
