// One-pixel lines and fans.  The step points divide the way exactly
// (truncating integer division), so the major coordinate advances by one
// pixel per step and the steps that can touch the image form one interval.
#include "core/compose_p.h"
#include "core/span_p.h"
#include "draw/draw_p.h"

#include <cstdint>

namespace {

// The plain line's steps on RGBA rows written in place, under replace or
// over, with all the state in locals: a store through bytes may alias any
// member of the painter, which a loop calling it would reload every pixel.
// The same pixels, in the same order, as the painter's own pixel().
template <bool Steep>
void rgba_line(const tav::SpanPainter &paint, long long lo, long long hi, long long along, long long across,
               uint64_t rem, uint64_t minor, uint64_t n, int major_dir, int minor_dir) {
    const tav::DirectRows rows = paint.rows();
    const unsigned long long width = static_cast<unsigned long long>(paint.width());
    const unsigned long long height = static_cast<unsigned long long>(paint.height());
    const unsigned char *c = paint.color();
    const unsigned char rgb[3] = {c[0], c[1], c[2]};
    const int alpha = c[3];
    const bool replace = paint.inline_rgba_mode() == TAV_COMPOSE_REPLACE;
    if (!replace && alpha == 0) return;  // over with a clear ink changes nothing
    for (long long i = lo; i <= hi; ++i) {
        const long long x = Steep ? across : along, y = Steep ? along : across;
        if (static_cast<unsigned long long>(x) < width && static_cast<unsigned long long>(y) < height)
            tav::replace_or_over_pixel(rows.base + static_cast<ptrdiff_t>(y) * rows.row_stride +
                                           static_cast<ptrdiff_t>(x) * 4,
                                       rgb, alpha, replace);
        along += major_dir;
        rem += minor;
        if (rem >= n) {
            rem -= n;
            across += minor_dir;
        }
    }
}

}  // namespace

extern "C" {

int PhotoDrawFan(Photo *image, const unsigned char *color, int x0, int y0, int x1, int y1, int fill) {
    if (!image) return 0;
    tav::SpanPainter paint(image, color ? color : image->foreground, TAV_COMPOSE_DEFAULT);
    const long long dx = static_cast<long long>(x1) - x0, dy = static_cast<long long>(y1) - y0;
    if (dx == 0) {  // both ends included
        paint.box(x0, std::min(y0, y1), x0 + 1LL, std::max(y0, y1) + 1LL);
        return 0;
    }
    if (dy == 0) {
        paint.box(std::min(x0, x1), y0, std::max(x0, x1) + 1LL, y0 + 1LL);
        return 0;
    }
    const long long adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const long long n = std::max(adx, ady);
    // Steep lines step along y (and fill rows); the others along x (and fill
    // columns).  Along the stepping axis every step moves exactly one pixel.
    const bool steep = adx < ady;
    const tav::StepRange r = steep ? tav::steps_inside(y0, dy < 0 ? -1 : 1, image->height, n - 1)
                                   : tav::steps_inside(x0, dx < 0 ? -1 : 1, image->width, n - 1);
    if (r.empty()) return 0;
    // The step points trunc(i * d / n) are walked incrementally: along the
    // minor axis the quotient grows by 0 or 1 per step, tracked by its
    // remainder, so no step divides.
    const long long minor = steep ? adx : ady;
    const int major_dir = steep ? (dy < 0 ? -1 : 1) : (dx < 0 ? -1 : 1);
    const int minor_dir = steep ? (dx < 0 ? -1 : 1) : (dy < 0 ? -1 : 1);
    const uint64_t start = static_cast<uint64_t>(r.lo) * static_cast<uint64_t>(minor);
    uint64_t rem = start % static_cast<uint64_t>(n);
    long long along = (steep ? y0 : x0) + major_dir * r.lo;
    long long across = (steep ? x0 : y0) + minor_dir * static_cast<long long>(start / static_cast<uint64_t>(n));
    if (!fill && paint.inline_rgba_mode()) {
        const uint64_t um = static_cast<uint64_t>(minor), un = static_cast<uint64_t>(n);
        if (steep) rgba_line<true>(paint, r.lo, r.hi, along, across, rem, um, un, major_dir, minor_dir);
        else rgba_line<false>(paint, r.lo, r.hi, along, across, rem, um, un, major_dir, minor_dir);
        return 0;
    }
    for (long long i = r.lo; i <= r.hi; ++i) {
        const long long x = steep ? across : along, y = steep ? along : across;
        if (!fill) {
            paint.pixel(x, y);
        } else if (steep) {  // the row from x to the end column; x itself when left of it
            if (x != x1) paint.box(std::min<long long>(x, x1), y, std::max<long long>(x, x1), y + 1);
        } else {
            if (y != y1) paint.box(x, std::min<long long>(y, y1), x + 1, std::max<long long>(y, y1));
        }
        along += major_dir;
        rem += static_cast<uint64_t>(minor);
        if (rem >= static_cast<uint64_t>(n)) {
            rem -= static_cast<uint64_t>(n);
            across += minor_dir;
        }
    }
    return 0;
}

int PhotoDrawLine(Photo *image, const unsigned char *color, int x0, int y0, int x1, int y1) {
    return PhotoDrawFan(image, color, x0, y0, x1, y1, 0);
}

}  // extern "C"
