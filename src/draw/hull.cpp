// Convex hull by gift wrapping, in place: the hull points move to the front
// of the array in hull order.
#include "tavrel.h"

#include <utility>

namespace {

// Coordinate differences need 33 bits and their products 66, so the
// orientation and distance tests are exact in 128-bit arithmetic rather
// than wrapping for points far apart.
__extension__ typedef __int128 wide;

struct Vec {
    long long x, y;
};

Vec from_to(const int *p, const int *q) {
    return {static_cast<long long>(q[0]) - p[0], static_cast<long long>(q[1]) - p[1]};
}

// Whether q (relative to the same origin) replaces the candidate c: it lies
// clockwise of it (cross product negative), or on the same line and farther.
bool replaces(Vec c, Vec q) {
    const wide lhs = static_cast<wide>(c.x) * q.y, rhs = static_cast<wide>(c.y) * q.x;
    if (lhs != rhs) return lhs < rhs;
    return static_cast<wide>(q.x) * q.x + static_cast<wide>(q.y) * q.y >
           static_cast<wide>(c.x) * c.x + static_cast<wide>(c.y) * c.y;
}

void swap_points(int *points, int a, int b) {
    std::swap(points[2 * a], points[2 * b]);
    std::swap(points[2 * a + 1], points[2 * b + 1]);
}

}  // namespace

extern "C" {

int ConvexHull(int count, int *points) {
    if (count <= 2 || !points) return count <= 2 ? count : 0;
    int start = 0;
    for (int k = 1; k < count; ++k)
        if (points[2 * k + 1] < points[2 * start + 1]) start = k;
    swap_points(points, 0, start);

    for (int i = 1; i < count; ++i) {
        const int *p = &points[2 * (i - 1)];
        // The first three hull steps may not close the hull yet; after them
        // the start point competes as the first candidate.
        int candidate = i <= 3 ? i : 0;
        for (int k = i <= 3 ? i + 1 : i; k < count; ++k)
            if (replaces(from_to(p, &points[2 * candidate]), from_to(p, &points[2 * k]))) candidate = k;
        if (candidate == 0) return i;
        swap_points(points, i, candidate);
    }
    return count;
}

}  // extern "C"
