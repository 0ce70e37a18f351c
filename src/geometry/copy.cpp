// Copying a rectangle from one image to another (or within one), a row at
// a time through the RGBA get and put, with the destination's compose.
#include "core/memory_p.h"
#include "core/render_memory_p.h"
#include "geometry/geometry_p.h"

#include <algorithm>

namespace tav {
namespace {

// The bytes an interleaved memory image's rows span, or false.
bool row_span(const Photo *image, const unsigned char **first, const unsigned char **end) {
    DirectRows rows{};
    if (!readable_rows(image, &rows) || rows.row_stride <= 0) return false;
    *first = rows.base;
    *end = rows.base + rows.row_stride * (image->height - 1) + static_cast<ptrdiff_t>(image->width) * image->channels;
    return true;
}

// Where the source's RGBA rows can be read in place: a truecolour memory
// image whose memory the destination's does not share, so a put never
// writes what is still to be read.  Null otherwise.
const unsigned char *rows_in_place(const Photo *src, const Photo *dst, ptrdiff_t *stride) {
    DirectRows rows{};
    const unsigned char *s0, *s1, *d0, *d1;
    if (src->mode != TAV_MODE_RGBA || src->channels != 4 || !readable_rows(src, &rows) || !row_span(src, &s0, &s1) ||
        !row_span(dst, &d0, &d1) || (s0 < d1 && d0 < s1))
        return nullptr;
    *stride = rows.row_stride;
    return rows.base;
}

}  // namespace

bool clip_copy(const Photo *src, const Photo *dst, CopyRect *r) {
    // Work in 64 bits: offsets and sizes come from scripts.
    long long sx = r->sx, sy = r->sy, dx = r->dx, dy = r->dy, w = r->w, h = r->h;
    auto cut_start = [&](long long &a, long long &b, long long &len) {
        // Moves both starts forward until a is not negative.
        if (a < 0) {
            len += a;
            b -= a;
            a = 0;
        }
    };
    cut_start(sx, dx, w);
    cut_start(dx, sx, w);
    cut_start(sy, dy, h);
    cut_start(dy, sy, h);
    w = std::min({w, src->width - sx, dst->width - dx});
    h = std::min({h, src->height - sy, dst->height - dy});
    if (w < 1 || h < 1) return false;
    *r = CopyRect{static_cast<int>(sx), static_cast<int>(sy), static_cast<int>(dx),
                  static_cast<int>(dy), static_cast<int>(w), static_cast<int>(h)};
    return true;
}

}  // namespace tav

extern "C" {

int PhotoCopy(Photo *src, Photo *dst, int sx, int sy, int dx, int dy, int width, int height, int compose) {
    using namespace tav;
    if (!src || !dst || width <= 0 || height <= 0) return 0;
    // Only the part that lies in both images moves, each pixel to its own
    // place: a source column outside the source has nothing to give, and
    // reading it would shift the row.
    CopyRect r{sx, sy, dx, dy, width, height};
    if (!clip_copy(src, dst, &r)) return 0;
    ptrdiff_t stride = 0;
    if (const unsigned char *base = rows_in_place(src, dst, &stride)) {
        for (int j = 0; j < r.h; ++j)
            PhotoPutRGBA(dst, base + stride * (r.sy + j) + 4 * static_cast<ptrdiff_t>(r.sx), r.dx, r.dy + j, r.w, 1,
                         compose);
        return 0;
    }
    Scratch row(static_cast<size_t>(r.w) * 4);
    if (!row) return 1;
    // Downwards copies go bottom to top so that, inside one image, every
    // row is read before it is overwritten; a row itself is read whole
    // before it is written, which makes sideways overlaps safe too.
    const bool top_down = r.sy >= r.dy;
    for (int i = 0; i < r.h; ++i) {
        const int j = top_down ? i : r.h - 1 - i;
        PhotoGetRGBA(src, row.data(), r.sx, r.sy + j, r.w, 1);
        PhotoPutRGBA(dst, row.data(), r.dx, r.dy + j, r.w, 1, compose);
    }
    return 0;
}

}  // extern "C"
