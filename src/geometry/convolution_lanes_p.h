// The taps of a kernel row through the multiply-add of 16-bit lanes, for
// the convolution's vector twins.  Two taps' values (a mirror pair's two
// sources added, or one source) are interleaved lane by lane and multiplied
// by their two weights, the products of each lane pair added into one
// 32-bit sum: sixteen (AVX2) or eight (SSE2) multiplications an
// instruction, where a 32-bit multiply does a half as many at twice the
// cost.  The values fit 16 bits: bytes, or sums of two rows (at most 510),
// a mirror pair of those at most 1020; the weights fit 16 bits by the
// caller's choice.  The sums are the same integers as the portable loop's.
//
// `Lanes` supplies the operations for one instruction set; this header is
// included only by the files compiled for it.
#pragma once

#include "geometry/filter_p.h"

namespace tav::lanes {

template <typename Lanes, typename In>
void taps_madd(int *acc, const In *in, int n, const RowTaps &taps) {
    using V = typename Lanes::V;
    constexpr int kStep = Lanes::kLanes16;
    const int pairs = taps.pairs, singles = taps.singles;
    int i = 0;
    for (; i + kStep <= n; i += kStep) {
        const In *at = in + i;
        auto pair = [&](int t) {
            return Lanes::add16(Lanes::load16(at + taps.pair_offsets[2 * t]), Lanes::load16(at + taps.pair_offsets[2 * t + 1]));
        };
        auto single = [&](int s) { return Lanes::load16(at + taps.offsets[s]); };
        V lo = Lanes::zero(), hi = Lanes::zero();
        // Values are taken two at a time, pairs first; the weights of
        // values v and v + 1 (v even) are the low and high halves of
        // packed_weights[v / 2].
        auto group = [&](V a, V b, int v) {
            const V w = Lanes::broadcast32(taps.packed_weights[v / 2]);
            lo = Lanes::add32(lo, Lanes::madd(Lanes::unpacklo16(a, b), w));
            hi = Lanes::add32(hi, Lanes::madd(Lanes::unpackhi16(a, b), w));
        };
        int t = 0, s = 0;
        for (; t + 1 < pairs; t += 2) group(pair(t), pair(t + 1), t);
        if (t < pairs) {
            group(pair(t), singles > 0 ? single(0) : Lanes::zero(), t);
            s = 1;
        }
        for (; s + 1 < singles; s += 2) group(single(s), single(s + 1), pairs + s);
        if (s < singles) group(single(s), Lanes::zero(), pairs + s);
        Lanes::add_sums(acc + i, lo, hi);
    }
    for (; i < n; ++i) {
        int sum = 0;
        for (int t = 0; t < pairs; ++t)
            sum += taps.pair_weights[t] * (in[i + taps.pair_offsets[2 * t]] + in[i + taps.pair_offsets[2 * t + 1]]);
        for (int t = 0; t < singles; ++t) sum += taps.weights[t] * in[i + taps.offsets[t]];
        acc[i] += sum;
    }
}

}  // namespace tav::lanes
