// Antialiased lines of any width: a fixed-point walk along the major axis
// that puts two edge pixels per step, with alphas fading and rising as the
// line moves between them, and cross-sections that close the band.
//
// The walk is evaluated only at the steps where something can land in the
// image: each edge pixel's major coordinate moves exactly one pixel per
// step, so its visible steps form one interval, found in closed form.  The
// walk state at any step follows from the step number (the 16.16
// accumulator is a product), so far-away end points cost nothing.
#include "core/compose_p.h"
#include "core/cpu_p.h"
#include "core/span_p.h"
#include "draw/draw_p.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct Offset {
    long long x, y;
};

// One step of the walk: one pixel along the major axis, and one across
// when the 16.16 accumulator of the minor slope carries (adding 0 when the
// line is axis-parallel carries never).
inline void step(uint64_t &acc, uint64_t frac, bool x_major, int sx, int sy, long long &x, long long &y) {
    acc += frac;
    if (acc >= 65536) {
        acc -= 65536;
        if (x_major) y += sy;
        else x += sx;
    }
    if (x_major) x += sx;
    else y += sy;
}

// A one-pixel walk on RGBA rows written in place, under replace or over:
// the same pixels, alphas and order as LineWalk::walk, with all its state in
// locals.  A store through unsigned char may alias anything, so a loop over
// members must reload every one of them after each pixel it blends.
struct ThinWalk {
    unsigned char *base;
    ptrdiff_t stride;
    unsigned long long width, height;
    unsigned char rgb[3];
    int ka;
    long long from, to, count, x, y;
    int sx, sy;
    uint64_t acc, frac;
    bool first, last, edge1, fade1, edge2, rise2;
};

#if defined(__SSE2__)
// Over on two opaque RGBA pixels at once, each with its own ink alpha: in
// 16-bit lanes, ink * a + pixel * (255 - a) + 127, divided by 255 exactly
// ((n + 1 + (n >> 8)) >> 8 equals n / 255 for every n the sum can reach).
// Alpha comes out 255, as over keeps an opaque pixel opaque; alpha 0 gives
// the pixel back and 255 the ink, as the single-pixel blend does.  False,
// and nothing written, when either pixel is not opaque.
inline bool over_opaque_pair(unsigned char *p1, unsigned char *p2, __m128i ink, int a1, int a2) {
    uint32_t w1, w2;
    std::memcpy(&w1, p1, 4);
    std::memcpy(&w2, p2, 4);
    if ((w1 & w2) >> 24 != 0xFF) return false;  // alpha is the top byte of a little-endian word
    const __m128i zero = _mm_setzero_si128();
    const __m128i d = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(w1)),
                                                           _mm_cvtsi32_si128(static_cast<int>(w2))),
                                        zero);
    const __m128i a = _mm_set_epi16(static_cast<short>(a2), static_cast<short>(a2), static_cast<short>(a2),
                                    static_cast<short>(a2), static_cast<short>(a1), static_cast<short>(a1),
                                    static_cast<short>(a1), static_cast<short>(a1));
    const __m128i rest = _mm_sub_epi16(_mm_set1_epi16(255), a);
    const __m128i n = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(ink, a), _mm_mullo_epi16(d, rest)),
                                    _mm_set1_epi16(127));
    const __m128i q = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(n, _mm_set1_epi16(1)), _mm_srli_epi16(n, 8)), 8);
    const uint64_t both = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_packus_epi16(q, zero)));
    w1 = static_cast<uint32_t>(both);
    w2 = static_cast<uint32_t>(both >> 32);
    std::memcpy(p1, &w1, 4);
    std::memcpy(p2, &w2, 4);
    return true;
}
#endif

template <bool XMajor, bool Replace>
void walk_thin(const ThinWalk &w) {
    const unsigned char rgb[3] = {w.rgb[0], w.rgb[1], w.rgb[2]};
    unsigned char *const base = w.base;
    const ptrdiff_t stride = w.stride;
    const unsigned long long width = w.width, height = w.height;
    const int ka = w.ka, sx = w.sx, sy = w.sy;
    const uint64_t frac = w.frac;
    uint64_t acc = w.acc;
    long long x = w.x, y = w.y;
    // Edge 2 sits one pixel across the walk.
    const long long e2x = XMajor ? 0 : sx, e2y = XMajor ? sy : 0;
    const long long from = w.from, to = w.to, count = w.count;
    const bool first = w.first, last = w.last, edge1 = w.edge1, fade1 = w.fade1, edge2 = w.edge2, rise2 = w.rise2;
    auto blend = [&](long long px, long long py, int alpha) {
        if (static_cast<unsigned long long>(px) >= width || static_cast<unsigned long long>(py) >= height) return;
        tav::replace_or_over_pixel(base + static_cast<ptrdiff_t>(py) * stride + static_cast<ptrdiff_t>(px) * 4, rgb,
                                   alpha, Replace);
    };
#if defined(__SSE2__)
    // Both edges of a step blended together where both lie inside.
    const bool pairs = !Replace && edge1 && edge2 && tav::vector_twins_on();
    const __m128i ink = _mm_set_epi16(255, rgb[2], rgb[1], rgb[0], 255, rgb[2], rgb[1], rgb[0]);
#endif
    for (long long i = from; i <= to; ++i) {
        const int q = static_cast<int>(acc * static_cast<uint64_t>(ka) / 65535u);
        if ((i != 0 || first) && (i != count || last)) {
            const int a1 = fade1 ? ka - q : ka, a2 = rise2 ? q : ka;
#if defined(__SSE2__)
            if (pairs && static_cast<unsigned long long>(x) < width && static_cast<unsigned long long>(y) < height &&
                static_cast<unsigned long long>(x + e2x) < width && static_cast<unsigned long long>(y + e2y) < height) {
                unsigned char *p1 = base + static_cast<ptrdiff_t>(y) * stride + static_cast<ptrdiff_t>(x) * 4;
                unsigned char *p2 = p1 + (XMajor ? sy * stride : sx * 4);
                if (!over_opaque_pair(p1, p2, ink, a1, a2)) {
                    blend(x, y, a1);
                    blend(x + e2x, y + e2y, a2);
                }
            } else
#endif
            {
                if (edge1) blend(x, y, a1);
                if (edge2) blend(x + e2x, y + e2y, a2);
            }
        }
        step(acc, frac, XMajor, sx, sy, x, y);
    }
}

struct WalkSetup {
    long long x0, y0, x1, y1;
    int width;
    bool first, last;      // draw the steps at the two end points
    bool edge1, fade1;     // edge pixel 1, with fading alpha
    bool edge2, rise2;     // edge pixel 2, with rising alpha
};

class LineWalk {
public:
    LineWalk(Photo *image, tav::SpanPainter &paint, const unsigned char *color, const WalkSetup &setup)
        : image_(image), paint_(paint), k_(color), s_(setup) {
        const long long dx = s_.x1 - s_.x0, dy = s_.y1 - s_.y0;
        sx_ = dx < 0 ? -1 : 1;
        sy_ = dy < 0 ? -1 : 1;
        dx_ = dx < 0 ? -dx : dx;
        dy_ = dy < 0 ? -dy : dy;
        x_major_ = dx_ >= dy_;
        count_ = std::max(dx_, dy_);
        const long long minor = std::min(dx_, dy_);
        frac_ = count_ ? static_cast<uint64_t>(minor) * 65536u / static_cast<uint64_t>(count_) : 0;
        set_edges();
    }

    void run() {
        if (s_.width > 1 && (dx_ == 0 || dy_ == 0) && paint_.direct()) return band();
        // Steps to visit: where either edge pixel can be inside, the two end
        // cross-sections, and every cross-section of an axis-parallel band.
        std::array<tav::StepRange, 5> ranges{};
        int n = 0;
        if (s_.edge1) ranges[n++] = visible_steps(e1_);
        if (s_.edge2) ranges[n++] = visible_steps(e2_);
        if (s_.width > 1) {
            ranges[n++] = {0, 0};
            ranges[n++] = {count_, count_};
            if (dx_ == 0 || dy_ == 0) ranges[n++] = visible_steps({0, 0});
        }
        std::sort(ranges.begin(), ranges.begin() + n,
                  [](const tav::StepRange &a, const tav::StepRange &b) { return a.lo < b.lo; });
        // Visit the union in increasing order, so overlapping pixels are
        // composed in the order the full walk would draw them.
        long long next = 0;
        for (int k = 0; k < n; ++k) {
            const long long lo = std::max(ranges[k].lo, next);
            if (lo > ranges[k].hi) continue;
            walk(lo, ranges[k].hi);
            next = ranges[k].hi + 1;
        }
    }

private:
    void set_edges() {
        if (s_.width <= 1) {
            e1_ = {0, 0};
            e2_ = x_major_ ? Offset{0, sy_} : Offset{sx_, 0};
            return;
        }
        // The perpendicular of the given width, split in two halves; its size
        // is defined by FSqrt, not by the exact length.
        const double w = s_.width;
        const double len = FSqrt(static_cast<double>(dx_) * static_cast<double>(dx_) +
                                 static_cast<double>(dy_) * static_cast<double>(dy_));
        const long long a = truncate(static_cast<double>(dy_) * w / len);
        const long long b = truncate(static_cast<double>(dx_) * w / len);
        const long long ha = a / 2, hb = b / 2;
        if (x_major_) {
            e1_ = {sx_ * ha, -sy_ * hb};
            e2_ = {-sx_ * (a - ha), sy_ * (b - hb)};
        } else {
            e1_ = {-sx_ * ha, sy_ * hb};
            e2_ = {sx_ * (a - ha), -sy_ * (b - hb)};
        }
    }

    // Offsets are at most about the width; anything beyond (a degenerate
    // length) is kept in a range where coordinates cannot overflow.
    static long long truncate(double v) {
        if (!(v > 0)) return 0;
        return v < 4.0e12 ? static_cast<long long>(v) : 4000000000000LL;
    }

    tav::StepRange visible_steps(Offset e) const {
        return x_major_ ? tav::steps_inside(s_.x0 + e.x, sx_, image_->width, count_)
                        : tav::steps_inside(s_.y0 + e.y, sy_, image_->height, count_);
    }

    void walk(long long from, long long to) {
        // State at step `from`: the accumulator has collected from * frac.
        const uint64_t total = static_cast<uint64_t>(from) * frac_;
        uint64_t acc = total & 0xFFFF;
        const long long moved = static_cast<long long>(total >> 16);
        long long x = s_.x0, y = s_.y0;
        if (x_major_) {
            x += sx_ * from;
            y += sy_ * moved;
        } else {
            y += sy_ * from;
            x += sx_ * moved;
        }
        const int ka = k_[3];
        if (const int mode = paint_.inline_rgba_mode(); mode && s_.width <= 1) {
            const unsigned char *rgb = paint_.color();
            const ThinWalk thin{paint_.rows().base, paint_.rows().row_stride,
                                static_cast<unsigned long long>(paint_.width()),
                                static_cast<unsigned long long>(paint_.height()),
                                {rgb[0], rgb[1], rgb[2]}, ka, from, to, count_, x, y, sx_, sy_, acc, frac_,
                                s_.first, s_.last, s_.edge1, s_.fade1, s_.edge2, s_.rise2};
            const bool replace = mode == TAV_COMPOSE_REPLACE;
            if (x_major_) replace ? walk_thin<true, true>(thin) : walk_thin<true, false>(thin);
            else replace ? walk_thin<false, true>(thin) : walk_thin<false, false>(thin);
            return;
        }
        const bool cross_every_step = s_.width > 1 && (dx_ == 0 || dy_ == 0);
        for (long long i = from; i <= to; ++i) {
            const int q = static_cast<int>(acc * static_cast<uint64_t>(ka) / 65535u);
            if ((i != 0 || s_.first) && (i != count_ || s_.last)) {
                if (s_.edge1) paint_.pixel_alpha(x + e1_.x, y + e1_.y, s_.fade1 ? ka - q : ka);
                if (s_.edge2) paint_.pixel_alpha(x + e2_.x, y + e2_.y, s_.rise2 ? q : ka);
                if (s_.width > 1 && (i == 0 || i == count_ || cross_every_step)) cross_section(x, y);
            }
            step(acc, frac_, x_major_, sx_, sy_, x, y);
        }
    }

    // A one-pixel walk between the two edge pixels, its ends left out.
    void cross_section(long long x, long long y) const {
        const WalkSetup inner{x + e1_.x, y + e1_.y, x + e2_.x, y + e2_.y, 1, false, false, true, true, false, false};
        LineWalk(image_, paint_, k_, inner).run();
    }

    // An axis-parallel wide line on an image written in place.  Its steps
    // never touch the same pixel, and every step draws the same three
    // things across the line: edge 1 with the colour's alpha, the
    // cross-section between the edges with the colour's alpha, and edge 2
    // with the rising alpha, which stays 0 (the accumulator never moves).
    // So the band is a box of the colour from edge 1 up to edge 2 and a run
    // of alpha 0 along edge 2 -- after the box, for where the edges meet.
    void band() const {
        const unsigned char clear[4] = {k_[0], k_[1], k_[2], 0};
        tav::SpanPainter edge2(image_, clear, TAV_COMPOSE_DEFAULT);
        if (x_major_) {  // horizontal: e1 lies above e2
            const long long left = std::min(s_.x0, s_.x1), right = std::max(s_.x0, s_.x1) + 1;
            const long long top = s_.y0 + e1_.y, bottom = s_.y0 + e2_.y;
            paint_.box(left, top, right, std::max(top + 1, bottom));
            edge2.box(left, bottom, right, bottom + 1);
        } else {  // vertical: e1 lies left of e2
            const long long top = std::min(s_.y0, s_.y1), bottom = std::max(s_.y0, s_.y1) + 1;
            const long long left = s_.x0 + e1_.x, right = s_.x0 + e2_.x;
            paint_.box(left, top, std::max(left + 1, right), bottom);
            edge2.box(right, top, right + 1, bottom);
        }
    }

    Photo *image_;
    tav::SpanPainter &paint_;
    const unsigned char *k_;
    WalkSetup s_;
    long long dx_ = 0, dy_ = 0, count_ = 0;
    int sx_ = 1, sy_ = 1;
    bool x_major_ = true;
    uint64_t frac_ = 0;
    Offset e1_{}, e2_{};
};

}  // namespace

extern "C" {

int PhotoDrawLineExt(Photo *image, const unsigned char *color, int x0, int y0, int x1, int y1, int width) {
    if (!image || width <= 0) return 0;
    unsigned char k[4];
    std::copy_n(color ? color : image->foreground, 4, k);
    if (width > 1 && x0 == x1 && y0 == y1) {
        // A point has no direction: it becomes a square of the line's width,
        // placed like the band of a horizontal line (half the width above).
        const long long left = static_cast<long long>(x0) - width / 2, top = static_cast<long long>(y0) - width / 2;
        tav::SpanPainter(image, k, TAV_COMPOSE_DEFAULT).box(left, top, left + width, top + width);
        return 0;
    }
    tav::SpanPainter paint(image, k, TAV_COMPOSE_DEFAULT);
    const WalkSetup setup{x0, y0, x1, y1, width, true, true, true, true, true, true};
    LineWalk(image, paint, k, setup).run();
    return 0;
}

}  // extern "C"
