#include <meshoptimizer.h>

#include <cstdio>

// Two triangles sharing an edge, given as six corners: four vertices remain.
int main() {
    const float corners[6][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    unsigned int remap[6];
    size_t unique = meshopt_generateVertexRemap(remap, nullptr, 6, corners, 6, sizeof corners[0]);
    if (unique != 4) return 1;
    std::printf("meshoptimizer %d.%d: 6 corners to %zu vertices\n", MESHOPTIMIZER_VERSION / 1000,
                MESHOPTIMIZER_VERSION % 1000 / 10, unique);
    return 0;
}
