// Drawing as pixels: small documents written here, loaded and drawn in a
// windowless Mesa context under a fixed orthographic projection, read back
// with glReadPixels. Every picture is saved as draw_<test>.png next to the
// test binary so a person can look at it when a check fails.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "mqo/MqoModelStages.h"
#include "support/draw_files.h"
#include "support/egl_context.h"
#include "support/encoded_images.h"

namespace {

using drawfiles::Square;

struct Rgb {
    int r, g, b;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

constexpr int kSize = 64;
// The background every picture starts from: (0, 0, 51) once read back.
constexpr float kClear[3] = {0.0f, 0.0f, 0.2f};

class DrawPixels : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(context_.ok());
        ASSERT_FALSE(dir_.path().empty());
        mqoInitLibrary();
        ASSERT_EQ(vboSupported, 1) << "llvmpipe lists GL_ARB_vertex_buffer_object";
    }
    void TearDown() override {
        mqoCleanupLibrary();
        mqoInitLibrary();  // buffer objects back on for the next test
    }

    // Clears and sets a projection where x and y run from -1 to 1 across the
    // picture and the camera looks down -z; no lighting unless asked.
    void begin(bool lighting = false, float lightZ = 1.0f) {
        glClearColor(kClear[0], kClear[1], kClear[2], 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        if (lighting) {
            // A white directional light from lightZ's side, no ambient.
            const GLfloat position[4] = {0, 0, lightZ, 0};
            const GLfloat white[4] = {1, 1, 1, 1};
            const GLfloat black[4] = {0, 0, 0, 1};
            glLightfv(GL_LIGHT0, GL_POSITION, position);
            glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
            glLightfv(GL_LIGHT0, GL_AMBIENT, black);
            glLightfv(GL_LIGHT0, GL_SPECULAR, black);
            glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
            glEnable(GL_LIGHT0);
            glEnable(GL_LIGHTING);
        } else {
            glDisable(GL_LIGHTING);
        }
    }

    // Picture coordinates: x, y from -1 to 1, y up.
    Rgb at(const std::vector<unsigned char>& rgb, float x, float y) const {
        const int px = static_cast<int>((x + 1) * 0.5f * kSize);
        const int py = static_cast<int>((y + 1) * 0.5f * kSize);
        const unsigned char* p = &rgb[(static_cast<size_t>(py) * kSize + px) * 3];
        return {p[0], p[1], p[2]};
    }

    std::vector<unsigned char> finish(const std::string& picture) {
        glFinish();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        const std::string png = "draw_" + picture + ".png";
        EXPECT_TRUE(context_.savePng(png)) << png;
        return context_.readRgb();
    }

    std::string write(const std::string& name, const Square& s) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(drawfiles::writeFile(path, drawfiles::document(s)));
        return path;
    }

    // An 8 x 8 texture: top left red, top right green, bottom left blue,
    // bottom right white; alpha plane 255 / 0 on top, 255 / 128 below.
    void writeQuadrantTexture() {
        std::vector<uint8_t> rgb, alpha;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool top = y < 4, left = x < 4;
                const Rgb c = top ? (left ? Rgb{255, 0, 0} : Rgb{0, 255, 0})
                                  : (left ? Rgb{0, 0, 255} : Rgb{255, 255, 255});
                rgb.push_back(static_cast<uint8_t>(c.r));
                rgb.push_back(static_cast<uint8_t>(c.g));
                rgb.push_back(static_cast<uint8_t>(c.b));
                alpha.push_back(left ? 255 : top ? 0 : 128);
            }
        }
        ASSERT_TRUE(drawfiles::writeFile(dir_.file("quads.bmp"), drawfiles::bmp(8, rgb)));
        ASSERT_TRUE(drawfiles::writeFile(dir_.file("quads_a.tga"), drawfiles::greyTga(8, alpha)));
    }

    // Draws the textured square and a red square beside it, returns the picture.
    std::vector<unsigned char> texturedAndRedScene(const std::string& picture) {
        Square textured;
        textured.color[0] = textured.color[1] = textured.color[2] = 1.0f;
        textured.texture = "quads.bmp";
        textured.alphaPlane = "quads_a.tga";
        textured.half = 0.5f;
        Square red;
        red.half = 0.2f;
        red.z = 0.5f;
        MeshModel* t = mqoLoadModel(write("textured.mqo", textured).c_str(), 1.0);
        MeshModel* r = mqoLoadModel(write("red.mqo", red).c_str(), 1.5);
        EXPECT_NE(t, nullptr);
        EXPECT_NE(r, nullptr);
        begin(true);
        mqoDrawModel(t);
        glTranslatef(0.6f, -0.6f, 0.0f);
        mqoDrawModel(r);
        auto rgb = finish(picture);
        mqoFreeModel(t);
        mqoFreeModel(r);
        return rgb;
    }

    EglContext context_{kSize, kSize};
    drawfiles::TempDir dir_;
};

void expectNear(const Rgb& got, const Rgb& want, int tolerance, const char* where) {
    EXPECT_NEAR(got.r, want.r, tolerance) << where << " " << got;
    EXPECT_NEAR(got.g, want.g, tolerance) << where << " " << got;
    EXPECT_NEAR(got.b, want.b, tolerance) << where << " " << got;
}

const Rgb kBackground{0, 0, 51};

TEST_F(DrawPixels, RedSquareIsLitOnlyFromTheSideItsNormalFaces) {
    MeshModel* m = mqoLoadModel(write("red.mqo", Square()).c_str(), 1.0);
    ASSERT_NE(m, nullptr);

    begin(true, 1.0f);  // light from +z, the side the normal faces
    mqoDrawModel(m);
    auto lit = finish("red_lit");
    expectNear(at(lit, 0, 0), {255, 0, 0}, 2, "centre");
    expectNear(at(lit, 0.45f, -0.45f), {255, 0, 0}, 2, "inside corner");
    expectNear(at(lit, 0.6f, 0.0f), kBackground, 0, "outside");
    expectNear(at(lit, -0.9f, 0.9f), kBackground, 0, "picture corner");

    begin(true, -1.0f);  // light from behind: the front stays dark
    mqoDrawModel(m);
    auto unlit = finish("red_lit_from_behind");
    expectNear(at(unlit, 0, 0), {0, 0, 0}, 2, "centre");

    // Front faces are the clockwise ones while drawing: with back faces
    // culled the square stays seen from +z and goes seen from behind.
    begin(true, 1.0f);
    glEnable(GL_CULL_FACE);
    mqoDrawModel(m);
    auto front = finish("red_front_culling_on");
    expectNear(at(front, 0, 0), {255, 0, 0}, 2, "front kept");
    GLint frontFace = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(frontFace, GL_CCW) << "the caller's front face is back";

    begin(false);
    glEnable(GL_CULL_FACE);
    glRotatef(180.0f, 0, 1, 0);
    mqoDrawModel(m);
    auto behind = finish("red_back_culling_on");
    expectNear(at(behind, 0, 0), kBackground, 0, "back culled");
    glDisable(GL_CULL_FACE);
    mqoFreeModel(m);
}

TEST_F(DrawPixels, TexturedSquareIsUprightAndBlendsItsAlphaPlane) {
    writeQuadrantTexture();
    Square s;
    s.color[0] = s.color[1] = s.color[2] = 1.0f;
    s.texture = "quads.bmp";
    s.alphaPlane = "quads_a.tga";
    s.half = 1.0f;  // fills the picture
    MeshModel* m = mqoLoadModel(write("textured.mqo", s).c_str(), 1.0);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->objects[0].batches[0].hasTexture, 1);

    glBindTexture(GL_TEXTURE_2D, 0);
    begin(false);
    mqoDrawModel(m);
    auto rgb = finish("textured_alpha_plane");
    // The image's top row is at t = 0, the square's top edge.
    expectNear(at(rgb, -0.5f, 0.5f), {255, 0, 0}, 2, "top left, opaque red");
    expectNear(at(rgb, 0.5f, 0.5f), kBackground, 2, "top right, transparent green");
    expectNear(at(rgb, -0.5f, -0.5f), {0, 0, 255}, 2, "bottom left, opaque blue");
    expectNear(at(rgb, 0.5f, -0.5f), {128, 128, 153}, 3, "bottom right, half white");
    // Texturing and blending are off again, texture 0 bound again.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    mqoFreeModel(m);
}

TEST_F(DrawPixels, ModelLoadedWithAlpha128BlendsHalfOverTheBackground) {
    MeshModel* m = mqoAllocModels(1);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(mqoLoadModelSlot(m, 0, write("red.mqo", Square()).c_str(), 1.0, 128), 0);
    for (bool lighting : {false, true}) {
        SCOPED_TRACE(lighting ? "lit (material alpha)" : "unlit (colour alpha)");
        begin(lighting);
        mqoDrawModel(m);
        auto rgb = finish(lighting ? "alpha128_lit" : "alpha128_unlit");
        // 255 * 128/255 over 51 * 127/255.
        expectNear(at(rgb, 0, 0), {128, 0, 25}, 2, "centre");
        expectNear(at(rgb, 0.8f, 0.8f), kBackground, 0, "outside");
    }
    mqoFreeModels(m, 1);
}

TEST_F(DrawPixels, SamePictureWithAndWithoutBufferObjects) {
    writeQuadrantTexture();
    const auto withBuffers = texturedAndRedScene("buffers");
    vboSupported = 0;  // the client-array path, as without the extension
    const auto withoutBuffers = texturedAndRedScene("client_arrays");
    vboSupported = 1;
    // Something was drawn, and it is the same with both vertex sources.
    expectNear(at(withBuffers, -0.25f, 0.25f), {255, 0, 0}, 2, "textured");
    expectNear(at(withBuffers, 0.6f, -0.6f), {255, 0, 0}, 2, "red square");
    EXPECT_TRUE(withBuffers == withoutBuffers);
}

TEST_F(DrawPixels, MirroredConcavePolygonIsFilledOnBothSidesAndLitFromTheFront) {
    // An L of six corners right of the Y plane, clockwise from the front
    // (+z), mirrored across it.
    const std::string path = dir_.file("mirrored_l.mqo");
    ASSERT_TRUE(drawfiles::writeFile(path,
                                     "Metasequoia Document\nFormat Text Ver 1.0\n"
                                     "Material 1 {\n\t\"red\" col(1 0 0 1) dif(1)\n}\n"
                                     "Object \"l\" {\n\tmirror 1\n\tvertex 6 {\n"
                                     "\t\t0.1 0.35 0\n\t\t0.35 0.35 0\n\t\t0.35 -0.15 0\n"
                                     "\t\t0.85 -0.15 0\n\t\t0.85 -0.4 0\n\t\t0.1 -0.4 0\n"
                                     "\t}\n\tface 1 {\n\t\t6 V(0 1 2 3 4 5) M(0)\n\t}\n}\n"));
    const MqoLoadOptions options = {MQO_FEATURE_ALL & ~MQO_FEATURE_MQOZ};
    MeshModel* m = mqoLoadModelEx(path.c_str(), 1.0, &options);
    ASSERT_NE(m, nullptr);
    begin(true);
    mqoDrawModel(m);
    auto rgb = finish("mirrored_l");
    for (float side : {1.0f, -1.0f}) {
        expectNear(at(rgb, side * 0.2f, 0.1f), {255, 0, 0}, 2, "upright arm");
        expectNear(at(rgb, side * 0.7f, -0.3f), {255, 0, 0}, 2, "lying arm");
        expectNear(at(rgb, side * 0.65f, -0.05f), kBackground, 0, "inside the corner");
    }
    mqoFreeModel(m);
}

// Under the complete profile a PNG texture of another shape covers the
// whole square: an 8 x 4 picture, red and green over blue and white.
TEST_F(DrawPixels, NonSquarePngTextureCoversTheSquare) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool top = y < 2, left = x < 4;
            const Rgb c = top ? (left ? Rgb{255, 0, 0} : Rgb{0, 255, 0})
                              : (left ? Rgb{0, 0, 255} : Rgb{255, 255, 255});
            rgb.insert(rgb.end(), {static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g),
                                   static_cast<uint8_t>(c.b)});
        }
    ASSERT_TRUE(drawfiles::writeFile(dir_.file("quads.png"),
                                     testimages::png(8, 4, SPNG_COLOR_TYPE_TRUECOLOR, rgb)));
    Square s;
    s.color[0] = s.color[1] = s.color[2] = 1.0f;
    s.texture = "quads.png";
    s.half = 1.0f;
    const MqoLoadOptions options = {MQO_FEATURE_PNG_JPEG};
    MeshModel* m = mqoLoadModelEx(write("png.mqo", s).c_str(), 1.0, &options);
    ASSERT_NE(m, nullptr);
    begin(false);
    mqoDrawModel(m);
    auto picture = finish("png_texture");
    expectNear(at(picture, -0.7f, 0.7f), {255, 0, 0}, 2, "top left");
    expectNear(at(picture, 0.7f, 0.7f), {0, 255, 0}, 2, "top right");
    expectNear(at(picture, -0.7f, -0.7f), {0, 0, 255}, 2, "bottom left");
    expectNear(at(picture, 0.7f, -0.7f), {255, 255, 255}, 2, "bottom right");
    mqoFreeModel(m);
}

// A box lit from a slant, turned to show three faces: under the complete
// profile each face is one colour, both its triangles carrying its normal;
// without the smoothing bit the corners' averaged normals tell the two
// triangles of a face apart.
TEST_F(DrawPixels, BoxFacesAreEachOneColourUnderFacetSmoothing) {
    std::string doc =
        "Metasequoia Document\nFormat Text Ver 1.0\n"
        "Material 1 {\n\t\"white\" col(1 1 1 1) dif(1)\n}\nObject \"box\" {\n\tvertex 8 {\n";
    float corners[8][3];
    for (int i = 0; i < 8; ++i) {
        for (int a = 0; a < 3; ++a) corners[i][a] = (i >> a & 1) ? 0.45f : -0.45f;
        doc += "\t\t" + std::to_string(corners[i][0]) + " " + std::to_string(corners[i][1]) + " " +
               std::to_string(corners[i][2]) + "\n";
    }
    const int faces[6][4] = {{5, 7, 3, 1}, {2, 6, 4, 0}, {3, 7, 6, 2},
                             {4, 5, 1, 0}, {6, 7, 5, 4}, {1, 3, 2, 0}};
    doc += "\t}\n\tface 6 {\n";
    for (const auto& f : faces) {
        doc += "\t\t4 V(" + std::to_string(f[0]) + " " + std::to_string(f[1]) + " " +
               std::to_string(f[2]) + " " + std::to_string(f[3]) + ") M(0)\n";
    }
    doc += "\t}\n}\nEof\n";
    const std::string path = dir_.file("box.mqo");
    ASSERT_TRUE(drawfiles::writeFile(path, doc));

    // Where glRotatef(30, x) then glRotatef(40, y) puts a corner on the picture.
    const float a = 30 * static_cast<float>(M_PI) / 180, b = 40 * static_cast<float>(M_PI) / 180;
    auto place = [&](const float p[3], float out[3]) {
        float x = p[0] * std::cos(b) + p[2] * std::sin(b);
        float z = -p[0] * std::sin(b) + p[2] * std::cos(b);
        out[0] = x;
        out[1] = p[1] * std::cos(a) - z * std::sin(a);
        out[2] = p[1] * std::sin(a) + z * std::cos(a);
    };
    for (bool smoothing : {true, false}) {
        SCOPED_TRACE(smoothing ? "smoothing" : "without");
        const uint32_t all = MQO_FEATURE_ALL & ~MQO_FEATURE_MQOZ;
        const MqoLoadOptions options = {smoothing ? all : all & ~MQO_FEATURE_FACET_SMOOTHING};
        MeshModel* m = mqoLoadModelEx(path.c_str(), 1.0, &options);
        ASSERT_NE(m, nullptr);
        begin(true);
        const GLfloat slant[4] = {-0.3f, 0.7f, 1.0f, 0.0f};  // lights all three
        glLightfv(GL_LIGHT0, GL_POSITION, slant);
        glEnable(GL_CULL_FACE);
        glRotatef(30, 1, 0, 0);
        glRotatef(40, 0, 1, 0);
        mqoDrawModel(m);
        glDisable(GL_CULL_FACE);
        auto rgb = finish(smoothing ? "box_facets" : "box_averaged");
        int seen = 0, split = 0;
        for (const auto& f : faces) {
            float q[4][3];
            for (int c = 0; c < 4; ++c) place(corners[f[c]], q[c]);
            float nz = (q[0][0] - q[1][0]) * (q[2][1] - q[1][1]) -
                       (q[0][1] - q[1][1]) * (q[2][0] - q[1][0]);
            if (nz <= 0) continue;  // turned away: its outward normal points from the eye
            ++seen;
            // The centres of the triangles (0, 1, 2) and (0, 2, 3).
            Rgb first =
                at(rgb, (q[0][0] + q[1][0] + q[2][0]) / 3, (q[0][1] + q[1][1] + q[2][1]) / 3);
            Rgb second =
                at(rgb, (q[0][0] + q[2][0] + q[3][0]) / 3, (q[0][1] + q[2][1] + q[3][1]) / 3);
            int apart = std::abs(first.r - second.r) + std::abs(first.g - second.g) +
                        std::abs(first.b - second.b);
            if (smoothing) expectNear(first, second, 1, "the two triangles of a face");
            split += apart > 6;
        }
        EXPECT_EQ(seen, 3);
        if (!smoothing) EXPECT_GT(split, 0) << "the picture tells the triangles apart";
        mqoFreeModel(m);
    }
}

}  // namespace
