// Procedural textures: the face in three moods, striped shirt, denim, and a
// soft round shadow whose alpha plane is its own 8-bit TGA.
#include "character_textures.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "character_math.h"

namespace character {

const char* const kFaceFiles[3] = {"face.bmp", "face_blink.bmp", "face_yawn.bmp"};
const char* const kShirtFile = "shirt.bmp";
const char* const kJeansFile = "jeans.tga";
const char* const kShadowFile = "shadow.tga";
const char* const kShadowAlphaFile = "shadow_a.tga";

namespace {

struct Colour {
    double r, g, b;
};

const Colour kSkin = {0.98, 0.80, 0.67};
const Colour kWhite = {0.98, 0.98, 0.97};
const Colour kIris = {0.16, 0.42, 0.86};
const Colour kIrisDark = {0.07, 0.20, 0.48};
const Colour kPupil = {0.04, 0.04, 0.10};
const Colour kLash = {0.17, 0.09, 0.06};
const Colour kBrow = {0.36, 0.21, 0.12};
const Colour kLip = {0.70, 0.25, 0.25};
const Colour kCheek = {0.99, 0.52, 0.52};

using Shape = std::function<bool(double x, double y)>;

Image blank(int size, Colour c) {
    Image img;
    img.size = size;
    img.rgb.resize(static_cast<size_t>(size) * size * 3);
    for (size_t i = 0; i < img.rgb.size(); i += 3) {
        img.rgb[i] = static_cast<float>(c.r);
        img.rgb[i + 1] = static_cast<float>(c.g);
        img.rgb[i + 2] = static_cast<float>(c.b);
    }
    return img;
}

void blendPixel(Image& img, int col, int row, Colour c, double a) {
    if (a <= 0) return;
    float* p = &img.rgb[(static_cast<size_t>(row) * img.size + col) * 3];
    p[0] = static_cast<float>(p[0] + (c.r - p[0]) * a);
    p[1] = static_cast<float>(p[1] + (c.g - p[1]) * a);
    p[2] = static_cast<float>(p[2] + (c.b - p[2]) * a);
}

// Paints a shape given in picture coordinates (x, y in [-1, 1], y up) with
// 4x4 samples per pixel, so edges come out smooth at any texture size.
void paint(Image& img, const Shape& inside, Colour c, double opacity = 1.0) {
    const int n = img.size;
    for (int row = 0; row < n; ++row)
        for (int col = 0; col < n; ++col) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    double x = (col + (sx + 0.5) / 4) / n * 2 - 1;
                    double y = 1 - (row + (sy + 0.5) / 4) / n * 2;
                    if (inside(x, y)) ++hits;
                }
            blendPixel(img, col, row, c, opacity * hits / 16.0);
        }
}

// Paints with an opacity that varies smoothly (evaluated at pixel centres).
void paintSoft(Image& img, const std::function<double(double, double)>& alpha, Colour c) {
    const int n = img.size;
    for (int row = 0; row < n; ++row)
        for (int col = 0; col < n; ++col) {
            double x = (col + 0.5) / n * 2 - 1, y = 1 - (row + 0.5) / n * 2;
            blendPixel(img, col, row, c, alpha(x, y));
        }
}

Shape ellipse(double cx, double cy, double rx, double ry) {
    return [=](double x, double y) {
        double dx = (x - cx) / rx, dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1;
    };
}

// A band of the given thickness along an ellipse, between two angles
// (degrees, counter-clockwise from +x).
Shape arc(double cx, double cy, double rx, double ry, double thickness, double from, double to) {
    return [=](double x, double y) {
        double dx = (x - cx) / rx, dy = (y - cy) / ry;
        double a = std::atan2(dy, dx) * 180 / kPi;
        if (a < 0) a += 360;
        if (a < from || a > to) return false;
        double r = std::sqrt(dx * dx + dy * dy);
        double scale = std::sqrt((rx * dx) * (rx * dx) + (ry * dy) * (ry * dy)) / (r > 0 ? r : 1);
        return std::fabs(r - 1) * scale <= thickness / 2;
    };
}

Shape both(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) && b(x, y); };
}

// A small deterministic hash noise in [0, 1).
double noise(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xffffff) / 16777216.0;
}

void drawOpenEye(Image& img, double cx, double cy, double side) {
    const double rx = 0.15, ry = 0.20;
    paint(img, ellipse(cx, cy, rx, ry), kWhite);
    Shape white = ellipse(cx, cy, rx, ry);
    // Iris sits low and a little inward, looking at the viewer.
    double ix = cx - side * 0.015, iy = cy - 0.035;
    paint(img, both(white, ellipse(ix, iy, 0.115, 0.155)), kIrisDark);
    paint(img, both(white, ellipse(ix, iy, 0.095, 0.135)), kIris);
    paint(img, both(white, ellipse(ix, iy - 0.04, 0.07, 0.06)), {0.35, 0.65, 0.98}, 0.7);
    paint(img, ellipse(ix, iy + 0.005, 0.055, 0.075), kPupil);
    paint(img, ellipse(ix + 0.035, iy + 0.05, 0.03, 0.035), kWhite);
    paint(img, ellipse(ix - 0.03, iy - 0.05, 0.014, 0.014), kWhite);
    // Upper lid and a flick of lashes at the outer corner.
    paint(img, arc(cx, cy, rx, ry, 0.05, 15, 165), kLash);
    paint(
        img,
        arc(cx + side * 0.12, cy + 0.13, 0.06, 0.05, 0.03, side > 0 ? 0 : 120, side > 0 ? 60 : 180),
        kLash);
}

void drawClosedEye(Image& img, double cx, double cy, bool squeezed) {
    if (squeezed)  // ^ shape: tightly shut with the yawn
        paint(img, arc(cx, cy - 0.08, 0.14, 0.12, 0.045, 25, 155), kLash);
    else  // a relaxed lid, curving down
        paint(img, arc(cx, cy + 0.03, 0.14, 0.09, 0.045, 200, 340), kLash);
}

}  // namespace

Image drawFace(FaceVariant variant) {
    Image img = blank(256, kSkin);
    // Cheeks: soft blush fading out.
    for (int side = -1; side <= 1; side += 2) {
        double cx = side * 0.52, cy = -0.27;
        paintSoft(
            img,
            [=](double x, double y) {
                double d = std::sqrt((x - cx) * (x - cx) / 0.02 + (y - cy) * (y - cy) / 0.01);
                return 0.45 * (1 - std::fmin(1.0, d)) * (1 - std::fmin(1.0, d));
            },
            kCheek);
    }
    for (int side = -1; side <= 1; side += 2) {
        double cx = side * 0.36, cy = -0.02;
        double browLift = variant == FaceYawn ? 0.06 : 0.0;
        if (variant == FaceYawn)  // raised, slanted brows
            paint(img, arc(cx - side * 0.02, cy + 0.30 + browLift, 0.16, 0.07, 0.04, 35, 145),
                  kBrow);
        else
            paint(img, arc(cx, cy + 0.28, 0.16, 0.06, 0.04, 30, 150), kBrow);
        if (variant == FaceOpen)
            drawOpenEye(img, cx, cy, side);
        else
            drawClosedEye(img, cx, cy, variant == FaceYawn);
    }
    if (variant == FaceYawn) {
        // Wide open mouth with a tongue, and a tear at one eye.
        Shape mouth = ellipse(0, -0.47, 0.19, 0.24);
        paint(img, ellipse(0, -0.47, 0.215, 0.265), kLip);
        paint(img, mouth, {0.33, 0.05, 0.08});
        paint(img, both(mouth, ellipse(0, -0.70, 0.15, 0.12)), {0.93, 0.48, 0.52});
        paint(img, both(mouth, ellipse(0, -0.18, 0.16, 0.08)), kWhite);
        paint(img, ellipse(0.53, -0.12, 0.03, 0.045), {0.70, 0.88, 1.0});
    } else {
        // A small smile.
        paint(img, arc(0, -0.33, 0.16, 0.11, 0.04, 200, 340), kLip);
        paint(img, ellipse(0, -0.46, 0.05, 0.018), {0.88, 0.62, 0.55}, 0.6);
    }
    return img;
}

Image drawShirt() {
    // Warm yellow with red bands round the body, and a white collar band at
    // the top (v = 0), on a faint weave.
    const int n = 128;
    Image img = blank(n, {0.98, 0.80, 0.28});
    for (int row = 0; row < n; ++row) {
        double v = (row + 0.5) / n;
        double band = std::fmod(v * 5.0 + 0.25, 1.0);
        for (int col = 0; col < n; ++col) {
            float* p = &img.rgb[(static_cast<size_t>(row) * n + col) * 3];
            if (v < 0.07) {
                p[0] = 0.97f;
                p[1] = 0.96f;
                p[2] = 0.93f;
            } else if (band < 0.32) {
                p[0] = 0.86f;
                p[1] = 0.22f;
                p[2] = 0.18f;
            }
            double weave = ((row + col) % 4 < 2 ? 0.03 : -0.03) + (noise(col, row, 1) - 0.5) * 0.05;
            for (int c = 0; c < 3; ++c) p[c] = static_cast<float>(p[c] * (1 + weave));
        }
    }
    return img;
}

Image drawJeans() {
    // Denim twill: diagonal ribs, thread noise, and orange seams at the sides
    // (u = 0.25 and 0.75 on every leg and round the hips).
    const int n = 128;
    Image img = blank(n, {0.20, 0.33, 0.60});
    for (int row = 0; row < n; ++row)
        for (int col = 0; col < n; ++col) {
            float* p = &img.rgb[(static_cast<size_t>(row) * n + col) * 3];
            double twill = ((col + row) % 6 < 2) ? 0.10 : 0.0;
            double thread = (noise(col, row, 2) - 0.5) * 0.12;
            p[0] = static_cast<float>(p[0] + twill * 0.8 + thread * 0.5);
            p[1] = static_cast<float>(p[1] + twill + thread * 0.7);
            p[2] = static_cast<float>(p[2] + twill + thread);
            for (int seam = 0; seam < 2; ++seam) {
                int sc = seam == 0 ? n / 4 : 3 * n / 4;
                if ((col == sc - 3 || col == sc + 2) && row % 8 < 5) {
                    p[0] = 0.90f;
                    p[1] = 0.62f;
                    p[2] = 0.25f;
                } else if (col >= sc - 1 && col <= sc) {
                    p[0] *= 0.75f;
                    p[1] *= 0.75f;
                    p[2] *= 0.8f;
                }
            }
        }
    return img;
}

Image drawShadowColour() { return blank(64, {0.0, 0.0, 0.0}); }

GrayImage drawShadowAlpha() {
    GrayImage img;
    img.size = 64;
    img.value.resize(64 * 64);
    for (int row = 0; row < 64; ++row)
        for (int col = 0; col < 64; ++col) {
            double x = (col + 0.5) / 32 - 1, y = (row + 0.5) / 32 - 1;
            double r = std::sqrt(x * x + y * y);
            double t = (r - 0.25) / 0.72;
            t = t < 0 ? 0 : (t > 1 ? 1 : t);
            img.value[row * 64 + col] = static_cast<float>(0.7 * (1 - t * t * (3 - 2 * t)));
        }
    return img;
}

namespace {

uint8_t toByte(float v) {
    double c = v < 0 ? 0 : (v > 1 ? 1 : v);
    return static_cast<uint8_t>(std::lround(c * 255));
}

void put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(static_cast<uint8_t>(v & 0xff));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// Pixel rows bottom first, as both formats store them by default: the
// reader turns the first stored row into the last row of the texture.
void putPixels(std::vector<uint8_t>& out, const Image& img) {
    for (int row = img.size - 1; row >= 0; --row)
        for (int col = 0; col < img.size; ++col) {
            const float* p = &img.rgb[(static_cast<size_t>(row) * img.size + col) * 3];
            out.push_back(toByte(p[2]));
            out.push_back(toByte(p[1]));
            out.push_back(toByte(p[0]));
        }
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> tgaHeader(int type, int size, int depth) {
    std::vector<uint8_t> out(2, 0);  // no id, no colour map
    out.push_back(static_cast<uint8_t>(type));
    out.resize(12, 0);  // colour map fields and image origin
    put16(out, static_cast<unsigned>(size));
    put16(out, static_cast<unsigned>(size));
    out.push_back(static_cast<uint8_t>(depth));
    out.push_back(0);  // bottom-left origin
    return out;
}

}  // namespace

bool writeBmp(const std::string& path, const Image& img) {
    uint32_t pixels = static_cast<uint32_t>(img.size) * img.size * 3;
    std::vector<uint8_t> out = {'B', 'M'};
    put32(out, 54 + pixels);
    put32(out, 0);
    put32(out, 54);  // pixel data offset
    put32(out, 40);  // info header size
    put32(out, static_cast<uint32_t>(img.size));
    put32(out, static_cast<uint32_t>(img.size));
    put16(out, 1);   // planes
    put16(out, 24);  // bits per pixel
    put32(out, 0);   // no compression
    put32(out, pixels);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    putPixels(out, img);
    return writeFile(path, out);
}

bool writeTga(const std::string& path, const Image& img) {
    std::vector<uint8_t> out = tgaHeader(2, img.size, 24);
    putPixels(out, img);
    return writeFile(path, out);
}

bool writeTgaGray(const std::string& path, const GrayImage& img) {
    std::vector<uint8_t> out = tgaHeader(3, img.size, 8);
    for (int row = img.size - 1; row >= 0; --row)
        for (int col = 0; col < img.size; ++col)
            out.push_back(toByte(img.value[row * img.size + col]));
    return writeFile(path, out);
}

bool writeTextures(const std::string& folder) {
    std::string dir = folder + "/";
    for (int v = 0; v < 3; ++v)
        if (!writeBmp(dir + kFaceFiles[v], drawFace(static_cast<FaceVariant>(v)))) return false;
    return writeBmp(dir + kShirtFile, drawShirt()) && writeTga(dir + kJeansFile, drawJeans()) &&
           writeTga(dir + kShadowFile, drawShadowColour()) &&
           writeTgaGray(dir + kShadowAlphaFile, drawShadowAlpha());
}

}  // namespace character
