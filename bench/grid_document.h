// The benchmarks' synthetic document: grids of quads with UVs over four
// materials (one textured, cloth.bmp), as text or binary vertex lists; its
// chunks apart too, for the benchmarks that time the chunk readers.
#pragma once

#include <cstdio>
#include <string>

namespace benchsupport {

// The Material chunk's lines after "Material 4 {".
inline std::string materialChunk() {
    return "\t\"skin\" col(1.000 0.800 0.700 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) "
           "power(5.00)\r\n"
           "\t\"cloth\" shader(3) col(1.000 1.000 1.000 1.000) dif(0.800) amb(0.600) emi(0.000) "
           "spc(0.100) "
           "power(5.00) tex(\"cloth.bmp\")\r\n"
           "\t\"hair\" col(0.200 0.100 0.050 1.000) dif(0.700) amb(0.500) emi(0.000) spc(0.300) "
           "power(20.00)\r\n"
           "\t\"eye\" col(0.100 0.100 0.100 0.800) dif(0.800) amb(0.600) emi(0.200) spc(0.500) "
           "power(50.00)\r\n"
           "}\r\n";
}

// Object o's chunk after its "Object" line: an n x n grid of quads, its
// vertices as text or binary.
inline std::string gridObjectChunk(int o, int n, bool binary) {
    std::string doc;
    char line[256];
    const int side = n + 1;
    doc += "\tvisible 15\r\n\tshading 1\r\n\tfacet 59.5\r\n";
    if (binary) {
        std::snprintf(line, sizeof line, "\t%s %d {\r\n\t\tVector %d [%d]\r\n", "BVertex",
                      side * side, side * side, side * side * 12);
        doc += line;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                float v[3] = {x * 1.5f - 100, y * 1.5f - 100, static_cast<float>(o * 10)};
                doc.append(reinterpret_cast<const char*>(v), sizeof v);
            }
        }
        doc += "\r\n\t}\r\n";
    } else {
        std::snprintf(line, sizeof line, "\tvertex %d {\r\n", side * side);
        doc += line;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                std::snprintf(line, sizeof line, "\t\t%.4f %.4f %.4f\r\n", x * 1.5 - 100,
                              y * 1.5 - 100, o * 10.0);
                doc += line;
            }
        }
        doc += "\t}\r\n";
    }
    std::snprintf(line, sizeof line, "\tface %d {\r\n", n * n);
    doc += line;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            int a = y * side + x;
            double u0 = static_cast<double>(x) / n, u1 = static_cast<double>(x + 1) / n;
            double v0 = static_cast<double>(y) / n, v1 = static_cast<double>(y + 1) / n;
            std::snprintf(
                line, sizeof line,
                "\t\t4 V(%d %d %d %d) M(%d) UV(%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f)\r\n", a,
                a + side, a + side + 1, a + 1, (x + y) % 4, u0, v0, u0, v1, u1, v1, u1, v0);
            doc += line;
        }
    }
    return doc + "\t}\r\n}\r\n";
}

// The document's lines up to its first Object chunk.
inline std::string gridHeader() {
    return std::string(
               "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"
               "Scene {\r\n\tpos 0.0000 0.0000 1500.0000\r\n\tlookat 0.0000 0.0000 "
               "0.0000\r\n}\r\n") +
           "Material 4 {\r\n" + materialChunk();
}

// Object o's name as its "Object" line writes it.
inline std::string gridObjectName(int o) { return "\"part" + std::to_string(o) + "\""; }

// objects objects of an n x n grid of quads each, as text or binary vertices.
inline std::string gridDocument(int objects, int n, bool binary) {
    std::string doc = gridHeader();
    for (int o = 0; o < objects; ++o)
        doc += "Object " + gridObjectName(o) + " {\r\n" + gridObjectChunk(o, n, binary);
    return doc + "Eof\r\n";
}

// The same grids as an OBJ file for other loaders: the same positions and
// texture coordinates as the text form writes them (one "vt" per grid point,
// where the document repeats it per corner), the same quads, grouped by
// material ("usemtl", from mtlName's file, which gridMtl writes).
inline std::string gridObj(int objects, int n, const std::string& mtlName) {
    std::string doc = "mtllib " + mtlName + "\n";
    char line[128];
    const int side = n + 1;
    for (int o = 0; o < objects; ++o) {
        doc += "o part" + std::to_string(o) + "\n";
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                std::snprintf(line, sizeof line, "v %.4f %.4f %.4f\n", x * 1.5 - 100, y * 1.5 - 100,
                              o * 10.0);
                doc += line;
            }
        }
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                std::snprintf(line, sizeof line, "vt %.5f %.5f\n", static_cast<double>(x) / n,
                              static_cast<double>(y) / n);
                doc += line;
            }
        }
        const int base = o * side * side + 1;  // OBJ indices count from 1 over the file
        for (int material = 0; material < 4; ++material) {
            doc += "usemtl m" + std::to_string(material) + "\n";
            for (int y = 0; y < n; ++y) {
                for (int x = 0; x < n; ++x) {
                    if ((x + y) % 4 != material) continue;
                    int a = base + y * side + x, b = a + side, c = a + side + 1, d = a + 1;
                    std::snprintf(line, sizeof line, "f %d/%d %d/%d %d/%d %d/%d\n", a, a, b, b, c,
                                  c, d, d);
                    doc += line;
                }
            }
        }
    }
    return doc;
}

// The four materials of gridObj, the document's colours.
inline std::string gridMtl() {
    return "newmtl m0\nKd 1.0 0.8 0.7\n"
           "newmtl m1\nKd 1.0 1.0 1.0\nmap_Kd cloth.bmp\n"
           "newmtl m2\nKd 0.2 0.1 0.05\n"
           "newmtl m3\nKd 0.1 0.1 0.1\nd 0.8\n";
}

}  // namespace benchsupport
