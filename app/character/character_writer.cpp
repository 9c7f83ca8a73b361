// MQO text: fixed decimals and a fixed order, so every run writes the same
// bytes.
#include "character_writer.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "character_textures.h"

namespace character {

namespace {

struct MaterialLook {
    const char* name;
    double r, g, b, a, dif, amb, emi, spc, power;
    const char* texture;  // null when untextured
    const char* alpha;    // alpha plane, null when none
};

// Textured materials are white so the picture shows in its own colours; the
// face picture's border has the skin colour, so the two meet unseen. Skin
// and face are lit to at most full brightness (ambient, diffuse and
// specular sum below 1): a textured colour is clamped before the picture
// multiplies it, an untextured one is not, so any excess would mark the seam.
const MaterialLook kMaterials[MatCount] = {
    {"skin", 0.980, 0.800, 0.670, 1, 0.80, 0.60, 0.00, 0.08, 8, nullptr, nullptr},
    {"face", 1, 1, 1, 1, 0.80, 0.60, 0.00, 0.08, 8, "", nullptr},
    {"hair", 0.330, 0.190, 0.100, 1, 0.80, 0.60, 0.00, 0.35, 24, nullptr, nullptr},
    {"shirt", 1, 1, 1, 1, 0.85, 0.60, 0.04, 0.05, 5, "", nullptr},
    {"jeans", 1, 1, 1, 1, 0.85, 0.60, 0.04, 0.05, 5, "", nullptr},
    {"shoe", 0.760, 0.130, 0.110, 1, 0.80, 0.60, 0.00, 0.45, 30, nullptr, nullptr},
    {"sole", 0.950, 0.930, 0.880, 1, 0.80, 0.60, 0.05, 0.10, 5, nullptr, nullptr},
    {"belt", 0.320, 0.190, 0.100, 1, 0.80, 0.60, 0.00, 0.30, 20, nullptr, nullptr},
    {"buckle", 0.950, 0.780, 0.300, 1, 0.80, 0.60, 0.05, 0.90, 60, nullptr, nullptr},
    {"shadow", 1, 1, 1, 1, 0.80, 0.60, 0.00, 0.00, 5, "", ""},
};

const char* textureOf(int material, int faceVariant) {
    switch (material) {
        case MatFace:
            return kFaceFiles[faceVariant >= 0 && faceVariant < 3 ? faceVariant : 0];
        case MatShirt:
            return kShirtFile;
        case MatJeans:
            return kJeansFile;
        case MatShadow:
            return kShadowFile;
        default:
            return nullptr;
    }
}

void add(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void add(std::string& out, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) out.append(line, static_cast<size_t>(n) < sizeof line ? n : sizeof line - 1);
}

// Rounds away values that would print as "-0.0000".
double clean(double v, double unit) { return std::fabs(v) < unit / 2 ? 0.0 : v; }

void putFloat(std::string& out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xff));
}

void writeObject(std::string& out, const Part& part, bool binaryVertices) {
    const Mesh& m = part.mesh;
    add(out, "Object \"%s\" {\r\n", part.name.c_str());
    add(out, "\tdepth 0\r\n\tfolding 0\r\n");
    add(out, "\tscale 1.000000 1.000000 1.000000\r\n");
    add(out, "\trotation 0.000000 0.000000 0.000000\r\n");
    add(out, "\ttranslation 0.000000 0.000000 0.000000\r\n");
    add(out, "\tvisible 15\r\n\tlocking 0\r\n");
    add(out, "\tshading %d\r\n", part.shading);
    add(out, "\tfacet %.4f\r\n", part.facet);
    add(out, "\tcolor 0.898 0.498 0.698\r\n\tcolor_type 0\r\n");
    size_t n = m.vertices.size();
    if (binaryVertices) {
        add(out, "\tBVertex %zu {\r\n", n);
        add(out, "\t\tVector %zu [%zu]\r\n", n, n * 12);
        for (const Vec3& p : m.vertices) {
            putFloat(out, static_cast<float>(p.x));
            putFloat(out, static_cast<float>(p.y));
            putFloat(out, static_cast<float>(p.z));
        }
        add(out, "\t}\r\n");
    } else {
        add(out, "\tvertex %zu {\r\n", n);
        for (const Vec3& p : m.vertices)
            add(out, "\t\t%.4f %.4f %.4f\r\n", clean(p.x, 1e-4), clean(p.y, 1e-4),
                clean(p.z, 1e-4));
        add(out, "\t}\r\n");
    }
    add(out, "\tface %zu {\r\n", m.faces.size());
    for (const Face& f : m.faces) {
        // Corners reversed: the library takes clockwise corners as the front.
        int c[4];
        for (int i = 0; i < f.count; ++i) c[i] = f.count - 1 - i;
        if (f.count == 3)
            add(out, "\t\t3 V(%d %d %d)", f.v[c[0]], f.v[c[1]], f.v[c[2]]);
        else
            add(out, "\t\t4 V(%d %d %d %d)", f.v[c[0]], f.v[c[1]], f.v[c[2]], f.v[c[3]]);
        add(out, " M(%d) UV(", f.material);
        for (int i = 0; i < f.count; ++i)
            add(out, "%s%.5f %.5f", i ? " " : "", clean(f.uv[c[i]][0], 1e-5),
                clean(f.uv[c[i]][1], 1e-5));
        add(out, ")\r\n");
    }
    add(out, "\t}\r\n}\r\n");
}

}  // namespace

std::string documentText(const std::vector<Part>& parts, int faceVariant, bool binaryVertices) {
    std::string out;
    out.reserve(1 << 20);
    add(out, "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n");
    add(out, "Scene {\r\n\tpos 0.0000 -200.0000 5000.0000\r\n\tlookat 0.0000 -200.0000 0.0000\r\n");
    add(out, "\thead -0.5236\r\n\tpich 0.3491\r\n\tortho 0\r\n\tzoom2 2.0000\r\n");
    add(out, "\tamb 0.250 0.250 0.250\r\n}\r\n");
    add(out, "Material %d {\r\n", static_cast<int>(MatCount));
    for (int i = 0; i < MatCount; ++i) {
        const MaterialLook& s = kMaterials[i];
        add(out,
            "\t\"%s\" shader(3) col(%.3f %.3f %.3f %.3f) dif(%.3f) amb(%.3f) emi(%.3f) spc(%.3f) "
            "power(%.2f)",
            s.name, s.r, s.g, s.b, s.a, s.dif, s.amb, s.emi, s.spc, s.power);
        if (const char* tex = textureOf(i, faceVariant)) add(out, " tex(\"%s\")", tex);
        if (s.alpha) add(out, " aplane(\"%s\")", kShadowAlphaFile);
        add(out, "\r\n");
    }
    add(out, "}\r\n");
    for (const Part& p : parts) writeObject(out, p, binaryVertices);
    add(out, "Eof\r\n");
    return out;
}

bool writeBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace character
