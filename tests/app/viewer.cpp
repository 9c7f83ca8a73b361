// The viewer over the recording fake GL and stand-in GLUT calls: drawing
// order, projection, input handlers, the set-up sequence and the ways out.
#include "viewer.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "mqo/MqoModelStages.h"
#include "playback.h"
#include "support/app_glut_stub.h"
#include "support/fake_gl.h"
#include "support/temp_dir.h"

namespace {

using Calls = std::vector<std::string>;

class Viewer : public ::testing::Test {
protected:
    void SetUp() override {
        fakegl::reset();
        glutstub::reset();
        playback = initialPlayback;
        commandBuffer.count = 0;
        lastMouseX = lastMouseY = 0;
        for (MeshModel*& m : modelSlots) m = nullptr;
    }
    void TearDown() override {
        for (MeshModel* m : handMade) freeHandMade(m);
        for (MeshModel*& m : modelSlots) m = nullptr;
    }
    // A one-object model whose only batch draws `vertices` plain vertices,
    // made here so the slot tests need nothing but the drawing code.
    MeshModel* handMadeModel(int vertices) {
        MeshModel* m = static_cast<MeshModel*>(calloc(1, sizeof(MeshModel)));
        m->alpha = 255;
        m->objectCount = 1;
        m->objects[0].visible = 1;
        m->objects[0].batchCount = 1;
        m->objects[0].batches = static_cast<MaterialBatch*>(calloc(1, sizeof(MaterialBatch)));
        m->objects[0].batches[0].vertexCount = vertices;
        m->objects[0].batches[0].plainVertices =
            static_cast<PlainVertex*>(calloc(vertices, sizeof(PlainVertex)));
        handMade.push_back(m);
        return m;
    }
    static void freeHandMade(MeshModel* m) {
        free(m->objects[0].batches[0].plainVertices);
        free(m->objects[0].batches);
        free(m);
    }
    std::vector<MeshModel*> handMade;
};

const Calls frameCalls(const std::string& translate, const std::string& tilt,
                       const std::string& yaw) {
    return {"glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)",
            "glClearColor(0, 0, 0.2, 1)",
            "glMatrixMode(GL_MODELVIEW)",
            "glEnable(GL_DEPTH_TEST)",
            "glLightfv(GL_LIGHT0, GL_DIFFUSE, ptr)",
            "glLightfv(GL_LIGHT0, GL_SPECULAR, ptr)",
            "glLightfv(GL_LIGHT0, GL_AMBIENT, ptr)",
            "glLightfv(GL_LIGHT0, GL_POSITION, ptr)",
            "glShadeModel(GL_SMOOTH)",
            "glEnable(GL_LIGHT0)",
            "glEnable(GL_LIGHTING)",
            "glPushMatrix()",
            translate,
            tilt,
            yaw,
            "glPopMatrix()",
            "glDisable(GL_LIGHTING)",
            "glDisable(GL_DEPTH_TEST)"};
}

TEST_F(Viewer, DisplayClearsThenSetsTheClearColourLightsPlacesAndSwaps) {
    playback.posX = 12.5;
    playback.posZ = -3040;
    playback.tiltDeg = -5;
    playback.yawDeg = 20;
    onDisplay();
    EXPECT_EQ(fakegl::calls(), frameCalls("glTranslatef(12.5, 100, -3040)",
                                          "glRotatef(-5, 1, 0, 0)", "glRotatef(20, 0, 1, 0)"));
    ASSERT_EQ(glutstub::log.size(), 1u);
    EXPECT_EQ(glutstub::log[0].call, "glutSwapBuffers");
    EXPECT_EQ(glutstub::log[0].glCallsBefore, fakegl::calls().size());
}

TEST_F(Viewer, LightIsAWhitePointLightAtTheEye) {
    onDisplay();
    EXPECT_EQ(fakegl::callValues(4), (std::vector<float>{0.9f, 0.9f, 0.9f, 1.0f}));
    EXPECT_EQ(fakegl::callValues(5), (std::vector<float>{1.0f, 1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(fakegl::callValues(6), (std::vector<float>{0.3f, 0.3f, 0.3f, 0.1f}));
    EXPECT_EQ(fakegl::callValues(7), (std::vector<float>{0.0f, 0.0f, 0.0f, 1.0f}));
}

TEST_F(Viewer, DisplayDrawsTheSlotOfMotionAndFrameInsideTheTransform) {
    modelSlots[29] = handMadeModel(3);
    modelSlots[129] = handMadeModel(9);
    modelSlots[229] = handMadeModel(6);
    playback.motion = 2;
    playback.frame = 29;
    onDisplay();
    const Calls& calls = fakegl::calls();
    size_t rotate = 0, pop = 0, draw = 0;
    int draws = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i] == "glRotatef(0, 0, 1, 0)") rotate = i;
        if (calls[i] == "glPopMatrix()") pop = i;
        if (calls[i].rfind("glDrawArrays", 0) == 0) {
            draw = i;
            ++draws;
        }
    }
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(calls[draw], "glDrawArrays(GL_TRIANGLES, 0, 6)");
    EXPECT_LT(rotate, draw);
    EXPECT_LT(draw, pop);
}

TEST_F(Viewer, AnEmptySlotOrAStateOutsideTheTableDrawsOnlyTheBackground) {
    modelSlots[99] = handMadeModel(3);
    playback.motion = 0;
    playback.frame = 100;  // slot 100: empty
    onDisplay();
    playback.motion = 3;  // slot 300: outside the table
    playback.frame = 0;
    onDisplay();
    playback.motion = -1;
    playback.frame = 99;  // slot -1
    onDisplay();
    EXPECT_TRUE(fakegl::callsNamed({"glDrawArrays"}).empty());
    EXPECT_EQ(fakegl::callsNamed({"glClear"}).size(), 3u);
}

TEST_F(Viewer, ReshapeSetsViewportAndPerspectiveAndLeavesProjectionMode) {
    onReshape(640, 480);
    EXPECT_EQ(fakegl::calls(),
              (Calls{"glViewport(0, 0, 640, 480)", "glMatrixMode(GL_PROJECTION)",
                     "glLoadIdentity()", "gluPerspective(50, 1.33333, 10, 10000)"}));
}

TEST_F(Viewer, ReshapeToNoHeightOrWidthUsesASquareAspect) {
    onReshape(640, 0);
    onReshape(0, 0);
    onReshape(0, 480);
    EXPECT_EQ(fakegl::callsNamed({"gluPerspective", "glViewport"}),
              (Calls{"glViewport(0, 0, 640, 0)", "gluPerspective(50, 1, 10, 10000)",
                     "glViewport(0, 0, 0, 0)", "gluPerspective(50, 1, 10, 10000)",
                     "glViewport(0, 0, 0, 480)", "gluPerspective(50, 1, 10, 10000)"}));
}

TEST_F(Viewer, DragFrom10x10To30x5AddsYaw20AndTiltMinus5) {
    playback.yawDeg = 36;
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 10);
    onMotion(20, 8);
    onMotion(30, 5);
    EXPECT_EQ(playback.yawDeg, 56);
    EXPECT_EQ(playback.tiltDeg, -5);
    EXPECT_EQ(lastMouseX, 30);
    EXPECT_EQ(lastMouseY, 5);
}

TEST_F(Viewer, AnyButtonsPressAnchorsTheDragAndReleasesDoNot) {
    onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 100, 200);
    EXPECT_EQ(lastMouseX, 100);
    EXPECT_EQ(lastMouseY, 200);
    onMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 5, 6);
    onMouse(GLUT_MIDDLE_BUTTON, 7, 5, 6);
    EXPECT_EQ(lastMouseX, 100);
    EXPECT_EQ(lastMouseY, 200);
    onMotion(90, 230);  // a new drag without a press continues from the anchor
    EXPECT_EQ(playback.yawDeg, -10);
    EXPECT_EQ(playback.tiltDeg, 30);
}

TEST_F(Viewer, EndlessDraggingFoldsWholeTurnsAwayInsteadOfOverflowing) {
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    for (int i = 0; i < 3000; ++i) {
        onMotion(2000000, 0);  // far beyond any screen, 2e6 degrees a time
        onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    }
    EXPECT_LE(playback.yawDeg, 360 * 100000);
    EXPECT_EQ(((playback.yawDeg % 360) + 360) % 360, (3000LL * 2000000 % 360));
}

void pressWithPendingOutput(unsigned char key) {
    // Both streams fully buffered and pointing at the captured stderr, so the
    // text shows only if the key's way out flushes them.
    static char outBuffer[256], errBuffer[256];
    dup2(2, 1);
    setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    setvbuf(stderr, errBuffer, _IOFBF, sizeof errBuffer);
    fputs("[out pending]", stdout);
    fputs("[err pending]", stderr);
    onKeyboard(key, 0, 0);
    fputs("[key returned]", stderr);
    fflush(stderr);
    abort();
}

TEST_F(Viewer, EscapeQAndqFlushAndEndWithStatus0) {
    for (unsigned char key : {'\x1b', 'Q', 'q'}) {
        SCOPED_TRACE(key);
        EXPECT_EXIT(pressWithPendingOutput(key), ::testing::ExitedWithCode(0),
                    "\\[out pending\\]\\[err pending\\]$");
    }
}

TEST_F(Viewer, EveryOtherKeyIsIgnored) {
    for (int key = 0; key < 256; ++key) {
        if (key == 27 || key == 'Q' || key == 'q') continue;
        onKeyboard(static_cast<unsigned char>(key), 10, 10);
    }
    EXPECT_TRUE(fakegl::calls().empty());
    EXPECT_EQ(playback.yawDeg, 0);
}

// ---- viewerMain, run in a child process in a folder of its own ----

std::string setUpDir;  // the child's working folder

// A cube with corners at +-800 in one red material.
std::string cubeDocument() {
    return "Metasequoia Document\n"
           "Format Text Ver 1.0\n"
           "\n"
           "Material 1 {\n"
           "\t\"red\" col(1.000 0.000 0.000 1.000) dif(0.800) amb(0.600) emi(0.400) "
           "spc(0.000) power(5.00)\n"
           "}\n"
           "Object \"cube\" {\n"
           "\tvisible 15\n"
           "\tshading 0\n"
           "\tfacet 59.5\n"
           "\tvertex 8 {\n"
           "\t\t-800 800 800\n\t\t800 800 800\n\t\t800 -800 800\n\t\t-800 -800 800\n"
           "\t\t-800 800 -800\n\t\t800 800 -800\n\t\t800 -800 -800\n\t\t-800 -800 -800\n"
           "\t}\n"
           "\tface 6 {\n"
           "\t\t4 V(0 1 2 3) M(0)\n\t\t4 V(5 4 7 6) M(0)\n\t\t4 V(4 0 3 7) M(0)\n"
           "\t\t4 V(1 5 6 2) M(0)\n\t\t4 V(4 5 1 0) M(0)\n\t\t4 V(3 2 6 7) M(0)\n"
           "\t}\n"
           "}\n"
           "Eof\n";
}

// What the stand-in main loop saw, written for the parent to read.
void reportFromMainLoop(void) {
    std::ofstream out(setUpDir + "/report.txt");
    for (const glutstub::Entry& e : glutstub::log)
        out << "glut " << e.glCallsBefore << " " << e.stdoutBytes << " " << e.call << "\n";
    for (const std::string& c : fakegl::calls()) out << "gl " << c << "\n";
    for (int i = 0; i < MODEL_SLOT_COUNT; ++i)
        if (modelSlots[i]) out << "slot " << i << "\n";
    float largest = 0;
    if (MeshModel* m = modelSlots[0]) {
        for (int o = 0; o < m->objectCount; ++o)
            for (int b = 0; b < m->objects[o].batchCount; ++b) {
                const MaterialBatch& batch = m->objects[o].batches[b];
                for (int v = 0; batch.plainVertices && v < batch.vertexCount; ++v)
                    for (float c : batch.plainVertices[v].position)
                        if (c > largest) largest = c;
            }
    }
    out << "largest " << largest << "\n";
    out << "callbacks " << (glutstub::display == onDisplay) << (glutstub::idle == onIdle)
        << (glutstub::reshape == onReshape) << (glutstub::keyboard == onKeyboard)
        << (glutstub::mouse == onMouse) << (glutstub::motion == onMotion) << "\n";
    out << "commands " << commandBuffer.count << " "
        << (commandBuffer.count ? commandBuffer.codes[commandBuffer.count - 1] : '-') << "\n";
}

void runViewerMain() {
    if (chdir(setUpDir.c_str()) != 0) abort();
    if (!freopen("stdout.txt", "w", stdout)) abort();
    glutstub::mainLoop = reportFromMainLoop;
    commandBuffer.count = 3;
    viewerMain();
    abort();  // viewerMain never returns
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) lines.push_back(line.substr(prefix.size()));
    return lines;
}

TEST_F(Viewer, ViewerMainSetsUpLoads150FilesAndEndsWhenTheMainLoopReturns) {
    char dir[] = "/tmp/app_viewer_XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    setUpDir = dir;
    ASSERT_EQ(mkdir((setUpDir + "/vindle").c_str(), 0700), 0);
    const char* present[] = {"akubi_00000", "akubi_00099", "walk_00019", "run_00000", "run_00029",
                             // names the viewer must not ask for
                             "akubi_00100", "walk_00020", "run_00030", "akubi_0001", "walk_20"};
    for (const char* name : present)
        testsupport::writeFile(setUpDir + "/vindle/" + name + ".mqo", cubeDocument());

    EXPECT_EXIT(runViewerMain(), ::testing::ExitedWithCode(0), "");

    std::string report = testsupport::readFile(setUpDir + "/report.txt");
    std::vector<std::string> glut = linesStartingWith(report, "glut ");
    // Each line: <GL calls before> <stdout bytes> <call>
    ASSERT_EQ(glut.size(), 13u) << report;
    const char* expectedCalls[] = {
        "glutInit(1, Walk, null)",
        "glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS)",
        "glutInitWindowPosition(100, 50)",
        "glutInitWindowSize(640, 480)",
        "glutInitDisplayMode(18)",
        "glutCreateWindow(Ambletoe)",
        "glutDisplayFunc",
        "glutIdleFunc",
        "glutReshapeFunc",
        "glutKeyboardFunc",
        "glutMouseFunc",
        "glutMotionFunc",
        "glutMainLoop"};
    for (size_t i = 0; i < 13; ++i) {
        std::istringstream fields(glut[i]);
        size_t glBefore = 0;
        long stdoutBytes = 0;
        fields >> glBefore >> stdoutBytes;
        std::string call;
        std::getline(fields >> std::ws, call);
        EXPECT_EQ(call, expectedCalls[i]);
        // The window exists before the library first touches GL.
        if (i <= 5) {
            EXPECT_EQ(glBefore, 0u) << call;
        }
        // "Loading Models..." reached the file before the loading started
        // (stdout to a file is fully buffered); " Done.\n" is still pending.
        EXPECT_EQ(stdoutBytes, i <= 5 ? 0 : 17) << call;
    }
    std::vector<std::string> gl = linesStartingWith(report, "gl ");
    // mqoInitLibrary ran, with the window's context.
    EXPECT_NE(std::find(gl.begin(), gl.end(), "glGetString(GL_EXTENSIONS)"), gl.end());

    EXPECT_EQ(linesStartingWith(report, "slot "),
              (std::vector<std::string>{"0", "99", "119", "200", "229"}));
    EXPECT_EQ(linesStartingWith(report, "largest "), std::vector<std::string>{"400"});
    EXPECT_EQ(linesStartingWith(report, "callbacks "), std::vector<std::string>{"111111"});
    EXPECT_EQ(linesStartingWith(report, "commands "), std::vector<std::string>{"4 w"});
    // Flushed on the way out although the main loop returned into the exit
    // sequence.
    EXPECT_EQ(testsupport::readFile(setUpDir + "/stdout.txt"), "Loading Models... Done.\n");

    std::string cleanup = "rm -rf '" + setUpDir + "'";
    EXPECT_EQ(system(cleanup.c_str()), 0);
}

TEST_F(Viewer, ReleaseAllFreesTheThreeMotionsSlotsAndEmptiesThePool) {
    for (int slot : {0, 99, 100, 119, 200, 229}) modelSlots[slot] = mqoAllocModels(1);
    MeshModel* outside = mqoAllocModels(1);
    modelSlots[150] = outside;  // not a frame of any motion
    texturePoolCount = 1;
    texturePool[0].textureName = 5;
    releaseAll();
    for (int slot = 0; slot < MODEL_SLOT_COUNT; ++slot)
        if (slot != 150) {
            EXPECT_EQ(modelSlots[slot], nullptr) << slot;
        }
    EXPECT_EQ(modelSlots[150], outside);
    EXPECT_EQ(texturePoolCount, 0);
    EXPECT_EQ(fakegl::deletedTextures(), std::vector<GLuint>{5});
    mqoFreeModel(outside);
    modelSlots[150] = nullptr;
}

}  // namespace
