// Whole-image reshaping.  The pixels are read once in the image's own terms
// (indices for an indexed image, RGBA otherwise, which grey images take
// back exactly), rearranged a row at a time in a second buffer, and written
// back after the image took its new size.
#include "geometry/reshape_p.h"

#include "core/cpu_p.h"
#include "core/memory_p.h"
#include "core/render_memory_p.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The pixels of an image, or of what it becomes.
struct Pixels {
    int width = 0, height = 0, bpp = 4;
    tav::Bytes bytes;
    unsigned char *row(int y) const { return bytes.get() + static_cast<size_t>(y) * width * bpp; }
    unsigned char *at(int x, int y) const { return row(y) + static_cast<size_t>(x) * bpp; }
};

int bytes_per_pixel(Photo *image) { return PhotoIsIndexed(image) ? 1 : 4; }

bool allocate(Pixels *p, int width, int height, int bpp) {
    size_t size = 0;
    p->width = width, p->height = height, p->bpp = bpp;
    if (!tav::checked_mul(static_cast<size_t>(width) * static_cast<size_t>(height), bpp, &size)) return false;
    p->bytes = tav::attempt_bytes(size);
    return p->bytes != nullptr;
}

bool read_rect(Photo *image, int x, int y, int width, int height, Pixels *out) {
    if (!allocate(out, width, height, bytes_per_pixel(image))) return false;
    if (out->bpp == 1) PhotoGetIndex(image, out->bytes.get(), x, y, width, height);
    else PhotoGetRGBA(image, out->bytes.get(), x, y, width, height);
    return true;
}

// The image takes the size of `p` and its pixels, replacing what was there.
int write_all(Photo *image, const Pixels &p) {
    if (PhotoExpand(image, p.width, p.height) != 0) return 1;
    if (p.bpp == 1) PhotoPutIndex(image, p.bytes.get(), 0, 0, p.width, p.height);
    else PhotoPutRGBA(image, p.bytes.get(), 0, 0, p.width, p.height, TAV_COMPOSE_REPLACE);
    return 0;
}

// Copies one pixel of `bpp` bytes; the width is 1 or 4 and known per call.
inline void copy_pixel(unsigned char *dst, const unsigned char *src, int bpp) {
    if (bpp == 1) *dst = *src;
    else std::memcpy(dst, src, 4);
}

// The source row y read backwards into `dst`.
void reverse_row(unsigned char *dst, const unsigned char *src, int width, int bpp) {
    for (int x = 0; x < width; ++x) copy_pixel(dst + static_cast<size_t>(width - 1 - x) * bpp, src + static_cast<size_t>(x) * bpp, bpp);
}

// ---- memory images over their own buffer: rows rearranged where they lie

// Reverses a row of `width` pixels of C bytes in place.
template <int C>
void reverse_in_place(unsigned char *row, long long width) {
    unsigned char a[C], b[C];
    for (long long i = 0, j = width - 1; i < j; ++i, --j) {
        std::memcpy(a, row + i * C, C), std::memcpy(b, row + j * C, C);
        std::memcpy(row + i * C, b, C), std::memcpy(row + j * C, a, C);
    }
}

void reverse_row_in_place(unsigned char *row, long long width, int channels) {
    switch (channels) {
    case 1: return reverse_in_place<1>(row, width);
    case 2: return reverse_in_place<2>(row, width);
    case 3: return reverse_in_place<3>(row, width);
    default: return reverse_in_place<4>(row, width);
    }
}

// Mirrors the rows where they lie; false when the image's rows are not its
// own buffer, or no row of scratch could be had.
bool mirror_direct(Photo *image, bool horizontal, bool vertical) {
    tav::DirectRows rows{};
    if (!tav::direct_rows(image, &rows)) return false;
    const int width = image->width, height = image->height, channels = image->channels;
    const size_t row_bytes = static_cast<size_t>(width) * channels;
    tav::Bytes spare = vertical ? tav::attempt_bytes(row_bytes) : nullptr;
    if (vertical && !spare) return false;
    auto row = [&](int y) { return rows.base + static_cast<ptrdiff_t>(y) * rows.row_stride; };
    for (int y = 0, other = height - 1; y <= other; ++y, --other) {
        if (horizontal) {
            reverse_row_in_place(row(y), width, channels);
            if (other != y) reverse_row_in_place(row(other), width, channels);
        }
        if (vertical && other != y) {
            std::memcpy(spare.get(), row(y), row_bytes);
            std::memcpy(row(y), row(other), row_bytes);
            std::memcpy(row(other), spare.get(), row_bytes);
        }
    }
    return true;
}

// A quarter turn of a memory image: the turned pixels are gathered from the
// rows in square tiles (so that reads and writes both stay in cache) into a
// fresh buffer, which the image then takes as its own.
template <int C>
void turn_tile(const tav::DirectRows &src, int width, int height, bool clockwise, unsigned char *dst, int tx,
               int x_end, int ty, int y_end) {
    const size_t dst_row = static_cast<size_t>(height) * C;  // the turned image is height wide
    // Source row y runs down (or up) one destination column.
    const ptrdiff_t step = clockwise ? static_cast<ptrdiff_t>(dst_row) : -static_cast<ptrdiff_t>(dst_row);
    const size_t first_row = static_cast<size_t>(clockwise ? tx : width - 1 - tx);
    for (int y = ty; y < y_end; ++y) {
        const unsigned char *s = src.base + static_cast<ptrdiff_t>(y) * src.row_stride + static_cast<size_t>(tx) * C;
        unsigned char *d = dst + first_row * dst_row + static_cast<size_t>(clockwise ? height - 1 - y : y) * C;
        for (int x = tx; x < x_end; ++x, s += C, d += step) std::memcpy(d, s, C);
    }
}

#if defined(__SSE2__)
// RGBA tiles a 4 x 4 block at a time: four source rows of four pixels are
// transposed in registers and stored as four destination rows.
void turn_tile_rgba(const tav::DirectRows &src, int width, int height, bool clockwise, unsigned char *dst, int tx,
                    int x_end, int ty, int y_end) {
    const size_t dst_row = static_cast<size_t>(height) * 4;
    const int x4 = tx + (x_end - tx) / 4 * 4, y4 = ty + (y_end - ty) / 4 * 4;
    for (int y = ty; y < y4; y += 4) {
        const unsigned char *s = src.base + static_cast<ptrdiff_t>(y) * src.row_stride;
        for (int x = tx; x < x4; x += 4) {
            __m128i r[4];
            for (int k = 0; k < 4; ++k)
                r[k] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + k * src.row_stride + x * 4));
            // Clockwise, a destination row runs up the source rows.
            const __m128i a = clockwise ? r[3] : r[0], b = clockwise ? r[2] : r[1];
            const __m128i c = clockwise ? r[1] : r[2], e = clockwise ? r[0] : r[3];
            const __m128i t0 = _mm_unpacklo_epi32(a, b), t1 = _mm_unpacklo_epi32(c, e);
            const __m128i t2 = _mm_unpackhi_epi32(a, b), t3 = _mm_unpackhi_epi32(c, e);
            const __m128i out[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1), _mm_unpacklo_epi64(t2, t3),
                                    _mm_unpackhi_epi64(t2, t3)};
            const size_t column = static_cast<size_t>(clockwise ? height - 4 - y : y) * 4;
            for (int i = 0; i < 4; ++i) {
                const size_t row = static_cast<size_t>(clockwise ? x + i : width - 1 - (x + i));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + row * dst_row + column), out[i]);
            }
        }
    }
    // What the blocks leave: the last columns and rows of the tile.
    if (x4 < x_end) turn_tile<4>(src, width, height, clockwise, dst, x4, x_end, ty, y_end);
    if (y4 < y_end) turn_tile<4>(src, width, height, clockwise, dst, tx, x4, y4, y_end);
}
#endif

template <int C>
void turn_tiles(const tav::DirectRows &src, int width, int height, bool clockwise, unsigned char *dst) {
    constexpr int kTile = 32;
    for (int ty = 0; ty < height; ty += kTile)
        for (int tx = 0; tx < width; tx += kTile) {
            const int y_end = std::min(ty + kTile, height), x_end = std::min(tx + kTile, width);
#if defined(__SSE2__)
            if constexpr (C == 4) {
                if (tav::vector_twins_on()) {
                    turn_tile_rgba(src, width, height, clockwise, dst, tx, x_end, ty, y_end);
                    continue;
                }
            }
#endif
            turn_tile<C>(src, width, height, clockwise, dst, tx, x_end, ty, y_end);
        }
}

bool turn_direct(Photo *image, bool clockwise, int *status) {
    tav::DirectRows rows{};
    if (!tav::direct_rows(image, &rows)) return false;
    const int width = image->width, height = image->height, channels = image->channels;
    size_t bytes = 0;
    auto *turned = tav::checked_mul(static_cast<size_t>(width) * static_cast<size_t>(height), channels, &bytes)
                       ? static_cast<unsigned char *>(tav::attempt_unzeroed_pixels(bytes))  // every pixel is written
                       : nullptr;
    if (!turned) {
        *status = 1;
        return true;
    }
    switch (channels) {
    case 1: turn_tiles<1>(rows, width, height, clockwise, turned); break;
    case 2: turn_tiles<2>(rows, width, height, clockwise, turned); break;
    case 3: turn_tiles<3>(rows, width, height, clockwise, turned); break;
    default: turn_tiles<4>(rows, width, height, clockwise, turned); break;
    }
    *status = 0;
    if (!tav::adopt_pixels(image, turned, height, width)) {  // never: the image is a memory image over its buffer
        tav::free_pixels(turned);
        *status = 1;
    }
    return true;
}

}  // namespace

namespace tav {

int crop_image(Photo *image, int x, int y, int width, int height) {
    if (tav::keep_rect(image, x, y, width, height)) return 0;
    Pixels kept;
    if (!read_rect(image, x, y, width, height, &kept)) return 1;
    return write_all(image, kept);
}

int flip_image(Photo *image, bool horizontal) {
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width < 1 || height < 1 || mirror_direct(image, horizontal, !horizontal)) return 0;
    Pixels src, dst;
    if (!read_rect(image, 0, 0, width, height, &src) || !allocate(&dst, width, height, src.bpp)) return 1;
    const size_t row_bytes = static_cast<size_t>(width) * src.bpp;
    for (int y = 0; y < height; ++y) {
        if (horizontal) reverse_row(dst.row(y), src.row(y), width, src.bpp);
        else std::memcpy(dst.row(height - 1 - y), src.row(y), row_bytes);
    }
    return write_all(image, dst);
}

int turn_image(Photo *image, int quarter_turns) {
    if (quarter_turns == 2) {
        // A half turn is both mirrors at once: each row reversed into the
        // mirrored row.
        const int width = PhotoWidth(image), height = PhotoHeight(image);
        if (width < 1 || height < 1 || mirror_direct(image, true, true)) return 0;
        Pixels src, dst;
        if (!read_rect(image, 0, 0, width, height, &src) || !allocate(&dst, width, height, src.bpp)) return 1;
        for (int y = 0; y < height; ++y) reverse_row(dst.row(height - 1 - y), src.row(y), width, src.bpp);
        return write_all(image, dst);
    }
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width < 1 || height < 1) return 0;
    int status = 0;
    if (turn_direct(image, quarter_turns == 1, &status)) return status;
    Pixels src, dst;
    if (!read_rect(image, 0, 0, width, height, &src) || !allocate(&dst, height, width, src.bpp)) return 1;
    // Clockwise, source (x, y) lands at (height-1-y, x); the other way at
    // (y, width-1-x).  Each source row becomes one destination column.
    const bool clockwise = quarter_turns == 1;
    for (int y = 0; y < height; ++y) {
        const unsigned char *s = src.row(y);
        const int column = clockwise ? height - 1 - y : y;
        for (int x = 0; x < width; ++x, s += src.bpp)
            copy_pixel(dst.at(column, clockwise ? x : width - 1 - x), s, src.bpp);
    }
    return write_all(image, dst);
}

void thumbnail_size(int width, int height, int max_width, int max_height, int *out_width, int *out_height) {
    *out_width = width, *out_height = height;
    if (width <= max_width && height <= max_height) return;
    const double scale = std::min(static_cast<double>(max_width) / width, static_cast<double>(max_height) / height);
    *out_width = std::clamp(static_cast<int>(std::lround(width * scale)), 1, std::min(width, max_width));
    *out_height = std::clamp(static_cast<int>(std::lround(height * scale)), 1, std::min(height, max_height));
}

int thumbnail_image(Photo *image, int max_width, int max_height, int quality) {
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width < 1 || height < 1) return 0;
    int w = 0, h = 0;
    thumbnail_size(width, height, max_width, max_height, &w, &h);
    if (w == width && h == height) return 0;
    // The scaler writes into a truecolour scratch image; its pixels then
    // come back into the image in the image's own mode.
    Photo *scaled = PhotoCreate(w, h, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    if (!scaled) return 1;
    const int f = std::max(width / w, height / h);
    if (quality == -1) quality = std::clamp(f, 1, 5);
    else if (quality != 0 && quality > f) quality = std::max(f, 1);
    PhotoScale(image, scaled, 0, 0, width, height, 0, 0, w, h, TAV_COMPOSE_REPLACE, quality);
    Pixels out;
    const bool ok = allocate(&out, w, h, 4);
    if (ok) PhotoGetRGBA(scaled, out.bytes.get(), 0, 0, w, h);
    PhotoDelete(scaled);
    return ok ? write_all(image, out) : 1;
}

}  // namespace tav
