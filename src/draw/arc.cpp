// Ellipses, circles and elliptic arcs, drawn column by column from the
// centre outwards.  A column's height is found by walking down from the
// previous column's height while the ellipse error |E| does not grow.
//
// Only the columns that can reach the image are visited.  To start in the
// middle of a huge ellipse, the height of the column before it is derived
// without walking all earlier columns: see ColumnHeights::before().
#include "draw/draw_p.h"

#include <cmath>
#include <cstdint>

namespace {

// The ellipse error of column i as a function of the height j:
// E(i, j) = i²·ry² + j²·rx² - rx²·ry², evaluated in double precision as
// written.  Every operation rounds monotonically, so E never decreases as j
// (or i) grows, also where rounding merges neighbouring values.
class ColumnError {
public:
    ColumnError(long long i, double rx, double ry)
        : rx_(rx), t1_(static_cast<double>(i) * static_cast<double>(i) * ry * ry), t3_(rx * rx * ry * ry) {}

    double operator()(long long j) const {
        const double dj = static_cast<double>(j);
        return t1_ + dj * dj * rx_ * rx_ - t3_;
    }

    // Whether the walk down from height j stops there: |E(j-1)| > |E(j)|.
    // With E non-decreasing this holds exactly when E(j-1) < E(j) (no flat
    // step) and E(j) < -E(j-1) (below the zero crossing); the second test is
    // true for every height up to some t and false above it.
    bool below_crossing(long long j) const { return (*this)(j) < -(*this)(j - 1); }

    // The largest height in 1..hi below the crossing, or 0.
    long long crossing(long long hi) const {
        long long lo = 0;
        while (lo < hi) {
            const long long mid = lo + (hi - lo + 1) / 2;
            if (below_crossing(mid)) lo = mid;
            else hi = mid - 1;
        }
        return lo;
    }

    // The lowest height whose error equals E(m): where the flat stretch
    // holding m starts.
    long long flat_start(long long m) const {
        const double em = (*this)(m);
        long long lo = 0, hi = m;
        while (lo < hi) {
            const long long mid = lo + (hi - lo) / 2;
            if ((*this)(mid) >= em) hi = mid;
            else lo = mid + 1;
        }
        return lo;
    }

private:
    double rx_, t1_, t3_;
};

class ColumnHeights {
public:
    ColumnHeights(long long rx, long long ry) : rx_(rx), ry_(ry) {
        // Above this height E is strictly increasing in every column: one
        // height step changes E by (2j-1)·rx², which then exceeds the
        // rounding of values up to 2·rx²·ry² many times over.
        const uint64_t ry2 = static_cast<uint64_t>(ry) * static_cast<uint64_t>(ry);
        strict_from_ = 1 + static_cast<long long>(ry2 >> 46);
    }

    // Height of column i when the previous column had height n: walk down
    // from n while |E(j-1)| <= |E(j)|.  A few steps are walked one by one
    // (the usual case); a longer walk ends where the closed form says: the
    // start of the flat stretch at min(n, t).
    long long height(long long i, long long n) const {
        const ColumnError e(i, static_cast<double>(rx_), static_cast<double>(ry_));
        long long j = n;
        for (int step = 0; step < 8; ++step) {
            if (j <= 0 || std::fabs(e(j - 1)) > std::fabs(e(j))) return j;
            --j;
        }
        if (j <= 0) return j;
        const long long m = e.crossing(j);
        return m == 0 ? 0 : e.flat_start(m);
    }

    // Height of column i-1 (ry for i = 0).  While t(c) >= strict_from_ for
    // every column c up to it, the heights are exactly t(c): the walk from
    // t(c-1) >= t(c) stops at t(c), where E has no flat step.  t(c) never
    // grows with c, so those columns form a prefix found by bisection.
    // Beyond it the heights are below strict_from_ (which is tiny next to
    // ry), so only a few columns have a height above 0 and are walked.
    long long before(long long i) {
        if (i == 0) return ry_;
        if (i - 1 < prefix_end()) return crossing_of(i - 1);
        long long n = prefix_end_ == 0 ? ry_ : crossing_of(prefix_end_ - 1);
        for (long long c = prefix_end_; c < i && n > 0; ++c) n = height(c, n);
        return n;
    }

private:
    long long crossing_of(long long i) const {
        return ColumnError(i, static_cast<double>(rx_), static_cast<double>(ry_)).crossing(ry_);
    }

    // First column whose crossing lies below strict_from_ (rx + 1 if none).
    long long prefix_end() {
        if (prefix_end_ >= 0) return prefix_end_;
        long long lo = 0, hi = rx_ + 1;
        while (lo < hi) {
            const long long mid = lo + (hi - lo) / 2;
            if (crossing_of(mid) < strict_from_) hi = mid;
            else lo = mid + 1;
        }
        return prefix_end_ = lo;
    }

    long long rx_, ry_;
    long long strict_from_;
    long long prefix_end_ = -1;
};

struct ArcPainter {
    Photo *image;
    const unsigned char *outline;
    const unsigned char *fill;
    long long cy, ylo, yhi;

    // One column at x with height j, the previous column's height being n.
    void column(long long x, long long j, long long n) const {
        if (x < 0 || x >= image->width) return;
        if (ylo <= j && j <= yhi) {
            if (fill && j > 0) tav::fill_box(image, fill, x, cy, x + 1, cy + j);
            if (j == n) tav::fill_box(image, outline, x, cy + n, x + 1, cy + n + 1);
            else tav::fill_box(image, outline, x, cy + j, x + 1, cy + n);
        }
        if (ylo <= -j && -j <= yhi) {
            if (fill && j > 0) tav::fill_box(image, fill, x, cy - j, x + 1, cy);
            if (j == n) tav::fill_box(image, outline, x, cy - n, x + 1, cy - n + 1);
            else tav::fill_box(image, outline, x, cy - n + 1, x + 1, cy - j + 1);
        }
    }
};

}  // namespace

extern "C" {

int PhotoDrawArc(Photo *image, const unsigned char *color, const unsigned char *fill_color, int cx, int cy,
                 int rx, int ry, int xmin, int xmax, int ymin, int ymax) {
    if (!image || rx < 0 || ry < 0) return 0;  // a negative radius leaves every range empty
    if (xmin > xmax) std::swap(xmin, xmax);
    if (ymin > ymax) std::swap(ymin, ymax);
    const long long xlo = std::max<long long>(xmin, -static_cast<long long>(rx));
    const long long xhi = std::min<long long>(xmax, rx);
    const ArcPainter paint{image, color, fill_color, cy, std::max<long long>(ymin, -static_cast<long long>(ry)),
                           std::min<long long>(ymax, ry)};

    // Column offsets i whose right column (cx + i) or left column (cx - i)
    // is drawn and lies inside the image.
    const long long w = image->width;
    const tav::StepRange right{std::max({0LL, xlo, -static_cast<long long>(cx)}),
                               std::min({static_cast<long long>(rx), xhi, w - 1 - cx})};
    const tav::StepRange left{std::max({1LL, -xhi, cx - w + 1}),
                              std::min({static_cast<long long>(rx), -xlo, static_cast<long long>(cx)})};

    ColumnHeights heights(rx, ry);
    auto sweep = [&](long long from, long long to) {
        long long n = heights.before(from);
        for (long long i = from; i <= to; ++i) {
            const long long j = heights.height(i, n);
            if (i >= right.lo && i <= right.hi) paint.column(cx + i, j, n);
            if (i >= left.lo && i <= left.hi) paint.column(cx - i, j, n);
            n = j;
        }
    };
    // Columns never overlap, so the two sides may be swept separately; when
    // their offsets overlap one sweep serves both.
    if (right.empty() || left.empty()) {
        if (!right.empty()) sweep(right.lo, right.hi);
        if (!left.empty()) sweep(left.lo, left.hi);
    } else if (right.lo <= left.hi + 1 && left.lo <= right.hi + 1) {
        sweep(std::min(right.lo, left.lo), std::max(right.hi, left.hi));
    } else {
        sweep(right.lo, right.hi);
        sweep(left.lo, left.hi);
    }
    return 0;
}

int PhotoDrawCircle(Photo *image, const unsigned char *color, const unsigned char *fill_color, int cx, int cy,
                    int r) {
    if (r < 0) return 0;
    return PhotoDrawArc(image, color, fill_color, cx, cy, r, r, -r, r, -r, r);
}

}  // extern "C"
