// MqoModel: ear clipping of one polygon in its own plane.
//
// The polygon is projected onto the coordinate plane its Newell normal faces
// most, where the normal's sign gives the winding; an ear is a convex corner
// whose triangle holds no other remaining corner. The work is bounded per
// corner, so a huge or hostile polygon costs time in proportion to its size.
#include <cmath>
#include <cstdlib>

#include "mqo/memory.h"
#include "mqo/mesh/mesh_internal.h"

namespace mqo::detail {

namespace {

// Point-in-triangle tests one polygon may make per corner before the rest
// is finished as a fan. Real polygons need a few times their corner count.
const long long kWorkPerCorner = 1024;

struct Ring {
    const double (*p)[2];  // projected corners
    int* next;
    int* prev;
    double sign;  // +1 or -1: the winding that counts as convex
};

double cross(const double a[2], const double b[2], const double c[2]) {
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

bool same(const double a[2], const double b[2]) { return a[0] == b[0] && a[1] == b[1]; }

bool convex(const Ring& r, int i) {
    return cross(r.p[r.prev[i]], r.p[i], r.p[r.next[i]]) * r.sign > 0;
}

// True when corner i is an ear; *work counts the corners tested.
bool isEar(const Ring& r, int i, long long* work) {
    if (!convex(r, i)) return false;
    const double* a = r.p[r.prev[i]];
    const double* b = r.p[i];
    const double* c = r.p[r.next[i]];
    for (int k = r.next[r.next[i]]; k != r.prev[i]; k = r.next[k]) {
        ++*work;
        const double* q = r.p[k];
        if (same(q, a) || same(q, b) || same(q, c)) continue;
        if (cross(a, b, q) * r.sign >= 0 && cross(b, c, q) * r.sign >= 0 &&
            cross(c, a, q) * r.sign >= 0) {
            return false;
        }
    }
    return true;
}

void clip(Ring& r, int i, int (*out)[3]) {
    (*out)[0] = r.prev[i];
    (*out)[1] = i;
    (*out)[2] = r.next[i];
    r.next[r.prev[i]] = r.next[i];
    r.prev[r.next[i]] = r.prev[i];
}

void fan(int n, int (*triangles)[3]) {
    for (int t = 0; t < n - 2; ++t) {
        triangles[t][0] = 0;
        triangles[t][1] = t + 1;
        triangles[t][2] = t + 2;
    }
}

// Projects the points onto the plane their Newell normal faces most;
// false when the polygon has no area (or no finite normal).
bool project(const float (*points)[3], int n, double (*out)[2], double* sign) {
    double normal[3] = {0, 0, 0};
    for (int i = 0; i < n; ++i) {
        const float* a = points[i];
        const float* b = points[(i + 1) % n];
        normal[0] += (static_cast<double>(a[1]) - b[1]) * (static_cast<double>(a[2]) + b[2]);
        normal[1] += (static_cast<double>(a[2]) - b[2]) * (static_cast<double>(a[0]) + b[0]);
        normal[2] += (static_cast<double>(a[0]) - b[0]) * (static_cast<double>(a[1]) + b[1]);
    }
    int axis = 0;
    for (int k = 1; k < 3; ++k) {
        if (std::fabs(normal[k]) > std::fabs(normal[axis])) axis = k;
    }
    if (!(std::fabs(normal[axis]) > 0) || !std::isfinite(normal[axis])) return false;
    // Dropping axis k keeps the two after it in cyclic order, so the
    // projected area has the sign of the normal's k component.
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    for (int i = 0; i < n; ++i) {
        out[i][0] = points[i][u];
        out[i][1] = points[i][v];
    }
    *sign = normal[axis] > 0 ? 1.0 : -1.0;
    return true;
}

// Clips ears until three corners remain, starting from corner 0.
void clipEars(Ring& r, int n, int (*triangles)[3]) {
    const long long budget = kWorkPerCorner * n;
    long long work = 0;
    int i = 0, t = 0;
    for (int remaining = n; remaining > 3; --remaining) {
        int found = -1, firstConvex = -1;
        for (int tried = 0, k = i; tried < remaining && work <= budget; ++tried, k = r.next[k]) {
            if (isEar(r, k, &work)) {
                found = k;
                break;
            }
            if (firstConvex < 0 && convex(r, k)) firstConvex = k;
        }
        // No clean ear (a self-crossing or flat polygon), or the work is
        // spent: the convex corner, or any, keeps the count at n - 2.
        if (found < 0) found = firstConvex >= 0 ? firstConvex : i;
        i = r.next[found];
        clip(r, found, &triangles[t++]);
    }
    triangles[t][0] = r.prev[i];
    triangles[t][1] = i;
    triangles[t][2] = r.next[i];
}

}  // namespace

void mqoTriangulatePolygon(const float (*points)[3], int n, int (*triangles)[3]) {
    if (n < 3 || points == nullptr || triangles == nullptr) return;
    if (n == 3) return fan(n, triangles);
    // n corners of 2 doubles and 2 ints each: n is an int, so the size fits.
    const size_t count = static_cast<size_t>(n);
    void* work = mqoMalloc(count * (sizeof(double[2]) + 2 * sizeof(int)));
    if (work == nullptr) return fan(n, triangles);
    auto* projected = static_cast<double(*)[2]>(work);
    int* next = reinterpret_cast<int*>(projected + count);
    int* prev = next + count;
    Ring ring = {projected, next, prev, 1.0};
    if (!project(points, n, projected, &ring.sign)) {
        std::free(work);
        return fan(n, triangles);
    }
    for (int k = 0; k < n; ++k) {
        next[k] = (k + 1) % n;
        prev[k] = (k + n - 1) % n;
    }
    clipEars(ring, n, triangles);
    std::free(work);
}

}  // namespace mqo::detail
