// Ellipses, circles and elliptic arcs, drawn column by column from the
// centre outwards.  A column's height is found by walking down from the
// previous column's height while the ellipse error |E| does not grow.
//
// Only the columns that can reach the image are visited.  To start in the
// middle of a huge ellipse, the height of the column before it is derived
// without walking all earlier columns: see ColumnHeights::before().
#include "core/memory_p.h"
#include "core/span_p.h"
#include "draw/draw_p.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

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
    long long width;
    tav::SpanPainter &outline;
    tav::SpanPainter *fill;
    long long cy, ylo, yhi;

    // One column at x with height j, the previous column's height being n.
    void column(long long x, long long j, long long n) const {
        if (x < 0 || x >= width) return;
        if (ylo <= j && j <= yhi) {
            if (fill && j > 0) fill->box(x, cy, x + 1, cy + j);
            if (j == n) outline.box(x, cy + n, x + 1, cy + n + 1);
            else outline.box(x, cy + j, x + 1, cy + n);
        }
        if (ylo <= -j && -j <= yhi) {
            if (fill && j > 0) fill->box(x, cy - j, x + 1, cy);
            if (j == n) outline.box(x, cy - n, x + 1, cy - n + 1);
            else outline.box(x, cy - n + 1, x + 1, cy - j + 1);
        }
    }
};

// The same ellipse on an image written in place, row by row.  A column's
// runs in drawing order are: lower fill, lower outline, upper fill, upper
// outline, and only the pixel where two of them meet sees both (the upper
// fill's top row under the upper outline, the centre row under both
// outlines).  Drawing each row's runs in that order therefore gives every
// pixel the writes the column walk gives it.
//
// With the heights J of the visible columns (non-increasing outwards) and
// F(t) the first column whose height is at most t, row t below the centre
// holds the fill of columns before F(t) and the outline of columns F(t) ..
// F(t-1)-1 when column F(t) has height t (a flat stretch, one pixel each),
// else of column F(t) alone when the run above it reaches down past t.
// Row t above the centre holds the fill of columns before F(t-1) and the
// same outline columns.  The range tests pick, per half, the columns whose
// height lies in range: an interval, the heights being monotonic.
class ArcRows {
public:
    ArcRows(Photo *image, tav::SpanPainter &outline, tav::SpanPainter *fill, long long cx, long long cy,
            long long ylo, long long yhi, tav::StepRange right, tav::StepRange left)
        : image_(image), outline_(outline), fill_(fill), cx_(cx), cy_(cy), ylo_(ylo), yhi_(yhi), right_(right),
          left_(left) {}

    // Heights of columns lo .. lo+count-1 in `heights`, `before` the height
    // of column lo-1.
    void draw(const long long *heights, long long count, long long lo, long long before) {
        j_ = heights;
        m_ = count;
        lo_ = lo;
        before_ = before;
        lower_ = in_range(ylo_, yhi_);
        upper_ = in_range(-yhi_, -ylo_);
        const long long ry = std::max(before, heights[0]);
        const long long h = image_->height;
        // Upper rows from the top down to the centre, then the lower rows.
        for (long long t = std::min(ry, cy_); t >= std::max(1LL, cy_ - h + 1); --t) {
            const long long y = cy_ - t;
            if (fill_) paint(*fill_, {0, first_at_most(t - 1) - 1}, upper_, y);
            paint(outline_, outline_columns(t), upper_, y);
        }
        if (cy_ >= 0 && cy_ < h) {
            if (fill_) paint(*fill_, {0, first_at_most(0) - 1}, lower_, cy_);
            const tav::StepRange centre = outline_columns(0);
            paint(outline_, centre, lower_, cy_);
            paint(outline_, centre, upper_, cy_);
        }
        for (long long t = std::max(1LL, -cy_); t <= std::min(ry, h - 1 - cy_); ++t) {
            const long long y = cy_ + t;
            if (fill_) paint(*fill_, {0, first_at_most(t) - 1}, lower_, y);
            paint(outline_, outline_columns(t), lower_, y);
        }
    }

private:
    // First column (index into the heights) of height <= t, or m_.
    long long first_at_most(long long t) const {
        return std::partition_point(j_, j_ + m_, [t](long long j) { return j > t; }) - j_;
    }

    // Columns whose outline covers height t.
    tav::StepRange outline_columns(long long t) const {
        const long long k = first_at_most(t);
        if (k == m_) return {1, 0};
        if (j_[k] == t) return {k, first_at_most(t - 1) - 1};
        const long long above = k == 0 ? before_ : j_[k - 1];
        return above > t ? tav::StepRange{k, k} : tav::StepRange{1, 0};
    }

    // Columns whose height lies in lo .. hi.
    tav::StepRange in_range(long long lo, long long hi) const {
        const long long from = std::partition_point(j_, j_ + m_, [hi](long long j) { return j > hi; }) - j_;
        const long long to = std::partition_point(j_, j_ + m_, [lo](long long j) { return j >= lo; }) - j_ - 1;
        return {from, to};
    }

    // The columns `ks` (indices into the heights) allowed by `half`, on both
    // sides of the centre, as runs of row y: one run when the two sides meet.
    void paint(tav::SpanPainter &ink, tav::StepRange ks, tav::StepRange half, long long y) const {
        const long long klo = std::max(ks.lo, half.lo), khi = std::min(ks.hi, half.hi);
        if (klo > khi) return;
        const long long ilo = lo_ + klo, ihi = lo_ + khi;
        const long long rlo = std::max(ilo, right_.lo), rhi = std::min(ihi, right_.hi);
        const long long llo = std::max(ilo, left_.lo), lhi = std::min(ihi, left_.hi);
        const bool has_right = rlo <= rhi, has_left = llo <= lhi;
        if (has_left && has_right && llo == 1 && rlo == 0) {
            ink.run(cx_ - lhi, cx_ + rhi + 1, y);
            return;
        }
        if (has_left) ink.run(cx_ - lhi, cx_ - llo + 1, y);
        if (has_right) ink.run(cx_ + rlo, cx_ + rhi + 1, y);
    }

    Photo *image_;
    tav::SpanPainter &outline_;
    tav::SpanPainter *fill_;
    long long cx_, cy_, ylo_, yhi_;
    tav::StepRange right_, left_;
    const long long *j_ = nullptr;
    long long m_ = 0, lo_ = 0, before_ = 0;
    tav::StepRange lower_{}, upper_{};
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
    const long long ylo = std::max<long long>(ymin, -static_cast<long long>(ry));
    const long long yhi = std::min<long long>(ymax, ry);

    // Column offsets i whose right column (cx + i) or left column (cx - i)
    // is drawn and lies inside the image.
    const long long w = image->width;
    const tav::StepRange right{std::max({0LL, xlo, -static_cast<long long>(cx)}),
                               std::min({static_cast<long long>(rx), xhi, w - 1 - cx})};
    const tav::StepRange left{std::max({1LL, -xhi, cx - w + 1}),
                              std::min({static_cast<long long>(rx), -xlo, static_cast<long long>(cx)})};

    ColumnHeights heights(rx, ry);
    if (right.empty() && left.empty()) return 0;

    // An image written in place is drawn by rows: the heights of the visible
    // columns first (at most the image's width and one), then the rows.
    // Both inks are prepared once for the whole ellipse.
    tav::SpanPainter outline_ink(image, color ? color : image->foreground, TAV_COMPOSE_DEFAULT);
    std::optional<tav::SpanPainter> fill_ink;
    if (fill_color) fill_ink.emplace(image, fill_color, TAV_COMPOSE_DEFAULT);
    tav::SpanPainter *const fill = fill_ink ? &*fill_ink : nullptr;
    if (outline_ink.direct()) {
        const long long lo = right.empty() ? left.lo : left.empty() ? right.lo : std::min(right.lo, left.lo);
        const long long hi = right.empty() ? left.hi : left.empty() ? right.hi : std::max(right.hi, left.hi);
        const long long count = hi - lo + 1;
        tav::Scratch scratch(static_cast<size_t>(count) * sizeof(long long));
        if (scratch) {
            auto *column = reinterpret_cast<long long *>(scratch.data());
            const long long before = heights.before(lo);
            long long n = before;
            for (long long k = 0; k < count; ++k) n = column[k] = heights.height(lo + k, n);
            ArcRows(image, outline_ink, fill, cx, cy, ylo, yhi, right, left).draw(column, count, lo, before);
            return 0;
        }
    }

    const ArcPainter paint{image->width, outline_ink, fill, cy, ylo, yhi};
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
