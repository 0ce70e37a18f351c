// Filling a destination rectangle through a matrix that maps destination
// offsets to source offsets, and scaling built on it.  Sampling is at the
// mapped integer position of each pixel's top-left corner (or an average
// over a grid of positions inside the mapped cell), without interpolation.
#include "core/memory_p.h"
#include "core/render_memory_p.h"
#include "geometry/gather_p.h"
#include "geometry/geometry_p.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// Points and pixels of one band stay near 256 KiB whatever the image size.
constexpr long long kBandBytes = 262144;

}  // namespace

extern "C" {

int PhotoTransform(Photo *src, Photo *dst, int sx, int sy, int dx, int dy, int width, int height, int compose,
                   int quality, const double *matrix) {
    using namespace tav;
    if (!src || !dst) return 1;
    if (!matrix) return PhotoCopy(src, dst, sx, sy, dx, dy, width, height, compose);
    if (width <= 0 || height <= 0) return 0;
    const long long x0 = std::max<long long>(dx, 0), y0 = std::max<long long>(dy, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(dx) + width, dst->width);
    const long long y1 = std::min<long long>(static_cast<long long>(dy) + height, dst->height);
    if (x1 <= x0 || y1 <= y0) return 0;
    const int cw = static_cast<int>(x1 - x0), ch = static_cast<int>(y1 - y0);
    const int band = static_cast<int>(std::max(1LL, std::min<long long>(ch, kBandBytes / (6LL * cw))));
    const bool average = quality >= 2;

    // One band's points (a corner grid when averaging) and its pixels.
    const size_t point_count = average ? (static_cast<size_t>(cw) + 1) * (band + 1) : static_cast<size_t>(cw) * band;
    Bytes points_block = attempt_bytes(point_count * 2 * sizeof(int));
    Bytes pixels = attempt_bytes(static_cast<size_t>(cw) * band * 4);
    if (!points_block || !pixels) return 1;
    int *points = reinterpret_cast<int *>(points_block.get());

    // Scaling without rotation maps each destination row to one source
    // row: that row is read once and sampled from memory, with the very
    // coordinates MatrixApply gives.
    AffineFixed fixed{};
    const bool affine = affine_fixed(matrix, &fixed);
    const bool by_rows = !average && affine && fixed.kb == 0 && fixed.kc == 0;
    // An RGBA memory source is read in place: scaling samples its rows
    // where they lie, and any other affine map (a rotation) gathers from
    // them with its positions stepped along each destination row, with no
    // list of points in between.
    // (Scaling an image into itself keeps reading a copy of each source row,
    // as bands written back may change rows still to be sampled.)
    DirectRows src_rows{};
    const bool src_direct = src->mode == TAV_MODE_RGBA && src->channels == 4 && direct_rows(src, &src_rows) &&
                            (src != dst || !by_rows);
    const bool gather = !by_rows && !average && affine && src_direct;
    Bytes source_row = by_rows && !src_direct ? attempt_bytes(static_cast<size_t>(std::max(src->width, 1)) * 4) : nullptr;
    if (by_rows && !src_direct && !source_row) return 1;
    long long cached_row = -1;
    // Where the sampled pixels simply replace the destination's, they go
    // straight into its rows (never when it is the source itself, whose
    // pixels must still be read as they were).
    DirectRows dst_rows{};
    const int resolved = compose ? compose : dst->compose;
    const bool into_rows = (gather || (by_rows && src_direct)) && dst != src && !dst->region &&
                           dst->mode == TAV_MODE_RGBA &&
                           (resolved == TAV_COMPOSE_REPLACE || resolved == TAV_COMPOSE_DEFAULT) &&
                           direct_rows(dst, &dst_rows);
    auto out_row = [&](int y, int j) {
        return into_rows ? dst_rows.base + static_cast<ptrdiff_t>(y) * dst_rows.row_stride + x0 * 4
                         : pixels.get() + static_cast<size_t>(j) * cw * 4;
    };
    // The nearest-neighbour loops, chosen once (see gather_p.h).
    const RowGatherFn gather_along_row = choose_gather_row();
    const PlaneGatherFn gather_across = choose_gather_plane();
    // Scaling up maps several destination rows to one source row: the
    // first is sampled, the others copy it.
    const unsigned char *last_out = nullptr;
    long long last_row = -1;

    for (int top = static_cast<int>(y0); top < y1; top += band) {
        const int t = static_cast<int>(std::min<long long>(band, y1 - top));
        if (by_rows) {
            if (!into_rows) last_out = nullptr;  // the band buffer is written anew
            for (int j = 0; j < t; ++j) {
                unsigned char *out = out_row(top + j, j);
                const uint32_t oy = static_cast<uint32_t>(top + j - static_cast<long long>(dy));
                const long long row = sy + static_cast<long long>(static_cast<int32_t>(
                                               oy * static_cast<uint32_t>(fixed.kd) + static_cast<uint32_t>(fixed.kf)) >> 12);
                if (row < 0 || row >= src->height) {
                    std::memset(out, 0, static_cast<size_t>(cw) * 4);
                    last_out = nullptr;
                    continue;
                }
                if (last_out && row == last_row) {
                    std::memcpy(out, last_out, static_cast<size_t>(cw) * 4);
                    last_out = out;
                    continue;
                }
                const unsigned char *in = nullptr;
                if (src_direct) {
                    in = src_rows.base + row * src_rows.row_stride;
                } else {
                    if (row != cached_row) {
                        PhotoGetRGBA(src, source_row.get(), 0, static_cast<int>(row), src->width, 1);
                        cached_row = row;
                    }
                    in = source_row.get();
                }
                last_out = out;
                last_row = row;
                const uint32_t acc = static_cast<uint32_t>(x0 - dx) * static_cast<uint32_t>(fixed.ka) +
                                     static_cast<uint32_t>(fixed.ke);
                gather_along_row({in, sx, src->width, acc, static_cast<uint32_t>(fixed.ka)}, out, static_cast<size_t>(cw));
            }
            if (!into_rows) PhotoPutRGBA(dst, pixels.get(), static_cast<int>(x0), top, cw, t, compose);
            continue;
        }
        // Destination offsets from the rectangle's origin: they lie in
        // 0 .. width, so they fit an int.
        const int columns = average ? cw + 1 : cw, rows = average ? t + 1 : t;
        int *p = points;
        const int ox0 = static_cast<int>(x0 - dx);
        // MatrixApply's fixed-point sums at the first column of destination
        // row `oy` (an offset from the rectangle's origin).
        auto row_start = [&](long long oy, uint32_t *ax, uint32_t *ay) {
            const uint32_t ux = static_cast<uint32_t>(ox0), uy = static_cast<uint32_t>(oy);
            *ax = ux * static_cast<uint32_t>(fixed.ka) + uy * static_cast<uint32_t>(fixed.kb) + static_cast<uint32_t>(fixed.ke);
            *ay = ux * static_cast<uint32_t>(fixed.kc) + uy * static_cast<uint32_t>(fixed.kd) + static_cast<uint32_t>(fixed.kf);
        };
        if (gather) {
            for (int j = 0; j < t; ++j) {
                unsigned char *out = out_row(top + j, j);
                uint32_t ax = 0, ay = 0;
                row_start(top + j - static_cast<long long>(dy), &ax, &ay);
                gather_across({src_rows.base, src_rows.row_stride, sx, sy, src->width, src->height, ax, ay,
                               static_cast<uint32_t>(fixed.ka), static_cast<uint32_t>(fixed.kc)},
                              out, static_cast<size_t>(cw));
            }
            if (!into_rows) PhotoPutRGBA(dst, pixels.get(), static_cast<int>(x0), top, cw, t, compose);
            continue;
        }
        for (int j = 0; j < rows; ++j) {
            const int oy = static_cast<int>(top + j - static_cast<long long>(dy));
            if (affine) {
                // MatrixApply's sums, stepped along the row: adding ka and
                // kc per column wraps exactly as the products do.
                uint32_t ax = 0, ay = 0;
                row_start(oy, &ax, &ay);
                for (int i = 0; i < columns; ++i, p += 2) {
                    p[0] = static_cast<int32_t>(ax) >> 12;
                    p[1] = static_cast<int32_t>(ay) >> 12;
                    ax += static_cast<uint32_t>(fixed.ka);
                    ay += static_cast<uint32_t>(fixed.kc);
                }
            } else {
                for (int i = 0; i < columns; ++i, p += 2) {
                    p[0] = ox0 + i;
                    p[1] = oy;
                }
            }
        }
        if (!affine) MatrixApply(matrix, points, columns * rows);
        if (average)
            PhotoGetRGBAAvg(src, pixels.get(), sx, sy, points, cw, t, quality, quality);
        else
            PhotoGetRGBAX(src, pixels.get(), sx, sy, points, cw * t);
        PhotoPutRGBA(dst, pixels.get(), static_cast<int>(x0), top, cw, t, compose);
    }
    return 0;
}

int PhotoScale(Photo *src, Photo *dst, int sx, int sy, int sw, int sh, int dx, int dy, int dw, int dh, int compose,
               int quality) {
    if (!src || !dst) return 1;
    if (dw < 1 || dh < 1) return 0;
    if (static_cast<long long>(dx) >= dst->width || static_cast<long long>(dy) >= dst->height) return 0;
    if (static_cast<long long>(dx) + dw < 0 || static_cast<long long>(dy) + dh < 0) return 0;
    if (sw == dw && sh == dh) return PhotoCopy(src, dst, sx, sy, dx, dy, dw, dh, compose);
    double m[9];
    MatrixIdent(m);
    MatrixScale(m, sw, sh, dw, dh);
    MatrixInverse(m);
    return PhotoTransform(src, dst, sx, sy, dx, dy, dw, dh, compose, quality, m);
}

}  // extern "C"
