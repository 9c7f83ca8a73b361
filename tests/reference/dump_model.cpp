// Writes everything a load produces, field by field and byte by byte, so that
// two builds of the reader can be compared with cmp:
//   dump_model model DOCUMENT OUT       the model, its vertex arrays, the bytes
//                                       each buffer object received, the pool
//   dump_model images LIST OUT          what the image reader returns for each
//                                       line "TEXTURE ALPHA A" of LIST (a path
//                                       "-" for none, A the alpha byte)
//   dump_model synthetic OUT QUADS [binary]  writes a large document to
//                                       compare on, its vertices as text or
//                                       as a binary list
//   dump_model fixtures DIR             writes BMP and TGA files of several
//                                       widths and layouts, whole and cut short
// Runs over the recording fake GL, so it needs no display.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mqo/MqoModelStages.h"
#include "support/fake_gl.h"

namespace {

FILE* out;

void bytes(const void* p, size_t n) { std::fwrite(p, 1, n, out); }
template <class T>
void value(const T& v) {
    bytes(&v, sizeof v);
}

void dumpBatch(const MaterialBatch& b) {
    value(b.hasMaterial);
    value(b.hasTexture);
    value(b.textureName);
    value(b.bufferName);
    value(b.vertexCount);
    bytes(b.color, sizeof b.color);
    bytes(b.diffuse, sizeof b.diffuse);
    bytes(b.ambient, sizeof b.ambient);
    bytes(b.emission, sizeof b.emission);
    bytes(b.specular, sizeof b.specular);
    value(b.power);
    bool plain = b.plainVertices != nullptr, textured = b.texturedVertices != nullptr;
    value(plain);
    value(textured);
    if (b.vertexCount > 0 && plain) bytes(b.plainVertices, sizeof(PlainVertex) * b.vertexCount);
    if (b.vertexCount > 0 && textured)
        bytes(b.texturedVertices, sizeof(TexturedVertex) * b.vertexCount);
    if (b.vertexCount > 0 && vboSupported) {
        const std::vector<unsigned char>& data = fakegl::bufferData(b.bufferName);
        value(data.size());
        bytes(data.data(), data.size());
    }
}

int dumpModel(const char* path) {
    mqoInitLibrary();
    // Options with no feature bit: the comparison then shows that they read
    // exactly what the first reader read (null options are mqoLoadModel).
    const MqoLoadOptions exact = {0};
    MeshModel* model = mqoLoadModelEx(path, 0.5, &exact);
    value(model != nullptr);
    if (model != nullptr) {
        value(model->alpha);
        value(model->objectCount);
        for (int i = 0; i < model->objectCount; ++i) {
            const MeshObject& o = model->objects[i];
            bytes(o.name, sizeof o.name);
            value(o.visible);
            value(o.flatShading);
            value(o.batchCount);
            for (int k = 0; k < o.batchCount; ++k) dumpBatch(o.batches[k]);
        }
    }
    value(texturePoolCount);
    for (int i = 0; i < texturePoolCount; ++i) bytes(&texturePool[i], sizeof texturePool[i]);
    mqoFreeModel(model);
    mqoCleanupLibrary();
    // The GL calls of the whole load and release, in order.
    for (const std::string& call : fakegl::calls()) bytes(call.c_str(), call.size() + 1);
    return 0;
}

int dumpImage(const char* texture, const char* alpha, int alphaByte) {
    std::string t = texture, a = alpha;
    int size = -12345;
    unsigned char* image = mqoReadTextureImage(std::strcmp(texture, "-") ? &t[0] : nullptr,
                                               std::strcmp(alpha, "-") ? &a[0] : nullptr, &size,
                                               static_cast<unsigned char>(alphaByte));
    value(size);
    value(image != nullptr);
    if (image != nullptr) bytes(image, static_cast<size_t>(size) * size * 4);
    std::free(image);
    return 0;
}

int dumpImages(const char* listPath) {
    FILE* list = std::fopen(listPath, "r");
    if (list == nullptr) return 2;
    char texture[1024], alpha[1024];
    int alphaByte;
    while (std::fscanf(list, "%1023s %1023s %d", texture, alpha, &alphaByte) == 3) {
        bytes(texture, std::strlen(texture) + 1);
        bytes(alpha, std::strlen(alpha) + 1);
        dumpImage(texture, alpha, alphaByte);
    }
    std::fclose(list);
    return 0;
}

// Quads on a wavy grid with UVs and four materials.
int writeSynthetic(int quads, bool binary) {
    int side = 1;
    while (side * side < quads) ++side;
    int vertices = (side + 1) * (side + 1);
    std::fprintf(out, "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n");
    std::fprintf(out, "Material 4 {\r\n");
    for (int m = 0; m < 4; ++m)
        std::fprintf(out,
                     "\t\"m%d\" col(%.3f 0.500 0.250 1.000) dif(0.800) amb(0.600) emi(0.000) "
                     "spc(0.100) power(5.00)\r\n",
                     m, m * 0.25);
    std::fprintf(out, "}\r\nObject \"grid\" {\r\n\tvisible 15\r\n\tshading 1\r\n\tfacet 1.0\r\n");
    if (binary) {
        std::fprintf(out, "\tBVertex %d {\r\n\t\tVector %d [%d]\r\n", vertices, vertices,
                     vertices * 12);
    } else {
        std::fprintf(out, "\tvertex %d {\r\n", vertices);
    }
    for (int z = 0; z <= side; ++z)
        for (int x = 0; x <= side; ++x) {
            float p[3] = {static_cast<float>(x * 10.0 - side * 5.0),
                          static_cast<float>(((x * 7 + z * 13) % 17) * 0.3125),
                          static_cast<float>(z * 10.0 - side * 5.0)};
            if (binary)
                bytes(p, sizeof p);  // little-endian, as the format stores it
            else
                std::fprintf(out, "\t\t%.4f %.4f %.4f\r\n", p[0], p[1], p[2]);
        }
    if (binary) std::fprintf(out, "\r\n");
    std::fprintf(out, "\t}\r\n\tface %d {\r\n", side * side);
    for (int z = 0; z < side; ++z)
        for (int x = 0; x < side; ++x) {
            int a = z * (side + 1) + x;
            std::fprintf(
                out, "\t\t4 V(%d %d %d %d) M(%d) UV(%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f)\r\n",
                a, a + 1, a + side + 2, a + side + 1, (x + z) % 4, x / double(side),
                z / double(side), (x + 1) / double(side), z / double(side), (x + 1) / double(side),
                (z + 1) / double(side), x / double(side), (z + 1) / double(side));
        }
    std::fprintf(out, "\t}\r\n}\r\nEof\r\n");
    return 0;
}

// Deterministic bytes, so every run writes the same fixtures.
uint32_t nextRandom(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

void writeFile(const std::string& path, const std::vector<unsigned char>& data, size_t length) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data.data(), 1, length, f);
        std::fclose(f);
    }
}

// name_W.ext whole, and cut after the header, one byte in, half way and one
// byte short (name_W_cutN.ext).
void writeImageSet(const std::string& dir, const std::string& name, const std::string& ext,
                   const std::vector<unsigned char>& file, size_t header) {
    writeFile(dir + "/" + name + "." + ext, file, file.size());
    size_t cuts[] = {header, header + 1, header + (file.size() - header) / 2, file.size() - 1};
    for (size_t i = 0; i < 4; ++i)
        if (cuts[i] < file.size())
            writeFile(dir + "/" + name + "_cut" + std::to_string(i) + "." + ext, file, cuts[i]);
}

// Lines of every length from 0 to 600 bytes (longer ones arrive in pieces),
// some with carriage returns and NUL bytes, enough of them to cross the
// stream's block edges many times, with binary vertex blocks in between.
void writeLineLengths(const std::string& path, uint32_t& state) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    std::fprintf(f, "Metasequoia Document\nMaterial 1 {\n\"m\" col(1 0 0 1) dif(1)\n}\n");
    for (int object = 0; object < 24; ++object) {
        std::fprintf(f, "Object \"o%d\" {\n\tvertex 700 {\n", object);
        for (int i = 0; i < 700; ++i) {
            int pad = static_cast<int>(nextRandom(state) % 600);
            std::fprintf(f, "%d.5 %d %d", i, object, pad);
            for (int k = 0; k < pad; ++k) std::fputc(" \t\r#\0x"[nextRandom(state) % 6], f);
            std::fputc('\n', f);
        }
        std::fprintf(f, "\t}\n\tface 233 {\n");
        for (int i = 0; i < 233; ++i)
            std::fprintf(f, "\t\t3 V(%d %d %d) M(0)\n", 3 * i, 3 * i + 1, 3 * i + 2);
        std::fprintf(f, "\t}\n}\nObject \"b%d\" {\n\tBVertex 5 {\n\t\tVector 5 [60]\n", object);
        for (int i = 0; i < 60; ++i) std::fputc(static_cast<int>(nextRandom(state) & 0xff), f);
        std::fprintf(f, "\n\t}\n\tface 2 {\n\t\t3 V(0 1 2) M(0)\n\t\t3 V(2 3 4) M(0)\n\t}\n}\n");
    }
    std::fprintf(f, "Eof\n");
    std::fclose(f);
}

int writeFixtures(const char* dir) {
    uint32_t state = 12345;
    writeLineLengths(std::string(dir) + "/line_lengths.mqo", state);
    for (int w : {1, 2, 3, 5, 8, 17}) {
        std::string ws = std::to_string(w);
        std::vector<unsigned char> bmp(54 + static_cast<size_t>(w) * w * 3);
        bmp[0] = 'B';
        bmp[1] = 'M';
        for (int i = 0; i < 4; ++i) bmp[18 + i] = static_cast<unsigned char>(w >> (8 * i));
        for (size_t i = 54; i < bmp.size(); ++i)
            bmp[i] = static_cast<unsigned char>(nextRandom(state));
        writeImageSet(dir, "colour_" + ws, "bmp", bmp, 54);
        // TGA true colour at 24 and 32 bits, and grey alpha planes at 8.
        for (int depth : {24, 32, 8}) {
            std::vector<unsigned char> tga(18 + static_cast<size_t>(w) * w * (depth / 8));
            tga[2] = depth == 8 ? 3 : 2;
            tga[12] = static_cast<unsigned char>(w);
            tga[14] = static_cast<unsigned char>(w);
            tga[16] = static_cast<unsigned char>(depth);
            for (size_t i = 18; i < tga.size(); ++i)
                tga[i] = static_cast<unsigned char>(nextRandom(state));
            writeImageSet(dir, "tga" + std::to_string(depth) + "_" + ws, "tga", tga, 18);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    fakegl::reset();
    std::string mode = argc > 1 ? argv[1] : "";
    const char* outPath = mode == "model" && argc == 4       ? argv[3]
                          : mode == "images" && argc == 4    ? argv[3]
                          : mode == "synthetic" && argc >= 4 ? argv[2]
                          : mode == "fixtures" && argc == 3  ? "/dev/null"
                                                             : nullptr;
    if (outPath == nullptr) {
        std::fprintf(
            stderr,
            "usage: dump_model model DOC OUT | images LIST OUT | synthetic OUT QUADS [binary] | "
            "fixtures DIR\n");
        return 2;
    }
    out = std::fopen(outPath, "wb");
    if (out == nullptr) return 2;
    int status = mode == "fixtures" ? writeFixtures(argv[2])
                 : mode == "model"  ? dumpModel(argv[2])
                 : mode == "images" ? dumpImages(argv[2])
                                    : writeSynthetic(std::atoi(argv[3]), argc > 4);
    return std::fclose(out) == 0 ? status : 2;
}
