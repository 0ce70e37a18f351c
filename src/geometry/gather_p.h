// Nearest-neighbour gathers of 4-byte pixels along one destination row, the
// inner loops of scaling and rotation (transform.cpp).  Positions are the
// fixed-point sums MatrixApply gives (value >> 12, stepped in wrapping
// 32-bit arithmetic); a position outside the source gives a zero pixel.
// The portable functions are the reference; their AVX2 twins
// (gather_avx2.cpp) give the same bytes and are chosen once per call.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tav {

// Pixels of one source row: out[i] = row[sx + (int32(acc + i * step) >> 12)].
struct RowGather {
    const unsigned char *row;  // the source row's first pixel
    long long sx, width;       // the offset added to each position, the row's width
    uint32_t acc, step;
};
void gather_row(const RowGather &g, unsigned char *out, size_t n);

// Pixels of a whole source image, both positions stepped along the row.
struct PlaneGather {
    const unsigned char *base;  // pixel (0, 0)
    ptrdiff_t row_stride;
    long long sx, sy, width, height;
    uint32_t ax, ay, step_x, step_y;
};
void gather_plane(const PlaneGather &g, unsigned char *out, size_t n);

using RowGatherFn = void (*)(const RowGather &, unsigned char *, size_t);
using PlaneGatherFn = void (*)(const PlaneGather &, unsigned char *, size_t);
// The portable gather or its twin, as the processor allows.
RowGatherFn choose_gather_row();
PlaneGatherFn choose_gather_plane();

// The twins; each falls back on the portable function where its 32-bit
// lane arithmetic could not hold the offsets.
void gather_row_avx2(const RowGather &g, unsigned char *out, size_t n);
void gather_plane_avx2(const PlaneGather &g, unsigned char *out, size_t n);

}  // namespace tav
