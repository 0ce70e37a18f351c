// Private interface of the filters: the convolution over a kernel that the
// callers may have cut to the part that can reach the image.
#pragma once

#include "tavrel.h"

#include <cstdint>

namespace tav {

enum EdgeMode { kEdgeSkip, kEdgeWrap, kEdgeExtend };

// Row-major weights, width x height, anchored at (cx, cy).
struct KernelView {
    const int *weights;
    int width, height, cx, cy;
};

// One tap over a run of n sums: acc[i] += w * in[i], sums that fit an int
// (the AVX2 twin of the convolution's inner loop).
void add_tap_run_avx2(int *acc, const unsigned char *in, int n, int w);
void add_tap_run_avx2(int *acc, const uint16_t *in, int n, int w);

// A kernel row's taps for the vector twins, offsets counted in row elements
// (4 a pixel): pairs of mirror taps (-o and +o) that share one weight, so
// their two sources are added before the one multiplication, and the rest.
// The twins multiply 16-bit values by 16-bit weights two taps at a time:
// packed_weights holds the weights of the pairs and then the singles, two
// to an int (the first in the low half, a missing last one 0).
struct RowTaps {
    const int *pair_offsets;  // two a pair
    const int *pair_weights;
    int pairs;
    const int *offsets;
    const int *weights;
    int singles;
    const int *packed_weights;
};

// Every tap of one kernel row over a run of n sums whose sources all lie in
// the row (bytes, or the 16-bit sums of two rows), the taps' sum held in
// registers and added to acc once.  Every weight must fit 16 bits.  The
// SSE2 twin says false where the build has no SSE2.
void add_taps_run_avx2(int *acc, const unsigned char *in, int n, const RowTaps &taps);
void add_taps_run_avx2(int *acc, const uint16_t *in, int n, const RowTaps &taps);
bool add_taps_run_sse2(int *acc, const unsigned char *in, int n, const RowTaps &taps);
bool add_taps_run_sse2(int *acc, const uint16_t *in, int n, const RowTaps &taps);

// A row of sums (4 a pixel) divided by each pixel's divisor (divisors[x],
// or `divisor` when divisors is null), limited to 0 ... 255, as bytes.
// Every divisor must lie in 1 ... kMaxRowDivisor.
constexpr int kMaxRowDivisor = (1 << 23) - 1;
void divide_row_avx2(const int *sums, const int *divisors, int divisor, unsigned char *out, int width);

// PhotoConvolution: 0, or 1 for an anchor outside the kernel (or no memory).
int convolve(Photo *photo, const KernelView &kernel, int divisor, int flags);

}  // namespace tav
