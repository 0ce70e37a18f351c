// Solid ink a span at a time.  A painter is prepared once per primitive
// (compose mode resolved, ink put into the image's layout, palette index
// found) and then takes boxes, horizontal runs and single pixels.  On a
// memory image over its own buffer the rows are written in place: one clip
// and one compose call per run, and no read-back where the ink replaces
// what is there (replace, or opaque ink under over).  Any other image goes
// through PhotoPutBlock exactly as PhotoDrawBox would, one call per box or
// pixel, so its renderer sees the same writes in the same order.
#pragma once

#include "core/compose_p.h"
#include "core/render_memory_p.h"

namespace tav {

class SpanPainter {
public:
    // `compose` 0 means the image's own mode; the colour must not be null.
    SpanPainter(Photo *image, const unsigned char color[4], int compose);

    // 1 when an indexed image has no 8-bit palette index for the colour
    // (nothing is drawn then), else 0.
    int status() const { return refused_ ? 1 : 0; }
    // Whether rows are written in place (the order of writes is then
    // invisible: only the resulting pixels can be observed).
    bool direct() const { return direct_; }

    // The half-open box [x0, x1) x [y0, y1), cut to the image here.
    void box(long long x0, long long y0, long long x1, long long y1);
    void run(long long x0, long long x1, long long y) { box(x0, y, x1, y + 1); }
    void pixel(long long x, long long y) { pixel_alpha(x, y, color_[3]); }
    // The ink's colour with another alpha (antialiased edges).  Truecolour
    // rows under replace or over are handled here, inline; the rest below.
    void pixel_alpha(long long x, long long y, int alpha) {
        if (!direct_ || !truecolour_ || x < 0 || y < 0 || x >= width_ || y >= height_)
            return other_pixel(x, y, alpha);
        if (resolved_ == TAV_COMPOSE_REPLACE || resolved_ == TAV_COMPOSE_OVER)
            replace_or_over_pixel(at(x, y), color_, alpha, resolved_ == TAV_COMPOSE_REPLACE);
        else
            other_pixel(x, y, alpha);
    }

    // The mode (replace or over) under which RGBA rows written in place
    // take single pixels exactly as pixel_alpha blends them, so that a walk
    // may blend them itself with its state in locals; 0 otherwise.
    int inline_rgba_mode() const {
        const bool inline_mode = resolved_ == TAV_COMPOSE_REPLACE || resolved_ == TAV_COMPOSE_OVER;
        return direct_ && truecolour_ && !refused_ && inline_mode ? resolved_ : 0;
    }
    const DirectRows &rows() const { return rows_; }
    const unsigned char *color() const { return color_; }
    long long width() const { return width_; }
    long long height() const { return height_; }

private:
    unsigned char *at(long long x, long long y) const {
        return rows_.base + static_cast<ptrdiff_t>(y) * rows_.row_stride + static_cast<ptrdiff_t>(x) * channels_;
    }
    void other_pixel(long long x, long long y, int alpha);
    void put_through_block(int x, int y, int w, int h, const unsigned char color[4]) const;
    void store_run(unsigned char *p, size_t n) const;

    Photo *image_;
    unsigned char color_[4];
    int compose_;     // as given, for PhotoPutBlock
    int resolved_;    // never 0
    bool refused_ = false;
    bool direct_ = false;
    bool truecolour_ = false;
    long long width_ = 0, height_ = 0;
    bool stores_ = false;  // the ink replaces what is there
    bool skips_ = false;   // the ink changes nothing
    DirectRows rows_{};
    int channels_ = 0, alpha_at_ = -1;
    unsigned char stored_[4] = {0, 0, 0, 0};  // the ink as the image stores it
    ComposeRowFn solid_ = nullptr;
};

}  // namespace tav
