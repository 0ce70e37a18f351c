// One-pixel lines and fans.  The step points divide the way exactly
// (truncating integer division), so the major coordinate advances by one
// pixel per step and the steps that can touch the image form one interval.
#include "draw/draw_p.h"

#include <cstdint>

namespace {

using tav::fill_box;

// trunc(i * d / n) for 0 <= i < n and |d| <= n < 2^33: the magnitude product
// stays below 2^64.
long long scaled_step(long long i, long long d, long long n) {
    const uint64_t q = static_cast<uint64_t>(i) * static_cast<uint64_t>(d < 0 ? -d : d) / static_cast<uint64_t>(n);
    return d < 0 ? -static_cast<long long>(q) : static_cast<long long>(q);
}

}  // namespace

extern "C" {

int PhotoDrawFan(Photo *image, const unsigned char *color, int x0, int y0, int x1, int y1, int fill) {
    if (!image) return 0;
    const long long dx = static_cast<long long>(x1) - x0, dy = static_cast<long long>(y1) - y0;
    if (dx == 0) {  // both ends included
        fill_box(image, color, x0, std::min(y0, y1), x0 + 1LL, std::max(y0, y1) + 1LL);
        return 0;
    }
    if (dy == 0) {
        fill_box(image, color, std::min(x0, x1), y0, std::max(x0, x1) + 1LL, y0 + 1LL);
        return 0;
    }
    const long long adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const long long n = std::max(adx, ady);
    // Steep lines step along y (and fill rows); the others along x (and fill
    // columns).  Along the stepping axis every step moves exactly one pixel.
    const bool steep = adx < ady;
    const tav::StepRange r = steep ? tav::steps_inside(y0, dy < 0 ? -1 : 1, image->height, n - 1)
                                   : tav::steps_inside(x0, dx < 0 ? -1 : 1, image->width, n - 1);
    for (long long i = r.lo; i <= r.hi; ++i) {
        const long long x = x0 + scaled_step(i, dx, n), y = y0 + scaled_step(i, dy, n);
        if (!fill) {
            if (tav::inside(image, x, y)) PhotoDrawPixel(image, color, static_cast<int>(x), static_cast<int>(y));
        } else if (steep) {  // the row from x to the end column; x itself when left of it
            if (x != x1) fill_box(image, color, std::min<long long>(x, x1), y, std::max<long long>(x, x1), y + 1);
        } else {
            if (y != y1) fill_box(image, color, x, std::min<long long>(y, y1), x + 1, std::max<long long>(y, y1));
        }
    }
    return 0;
}

int PhotoDrawLine(Photo *image, const unsigned char *color, int x0, int y0, int x1, int y1) {
    return PhotoDrawFan(image, color, x0, y0, x1, y1, 0);
}

}  // extern "C"
