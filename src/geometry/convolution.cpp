// Integer convolution in place, a window of source rows at a time.
//
// The kernel is first reduced to the taps that can reach the image: rows
// further from the anchor than the image is high never meet a present row;
// columns beyond the width either never meet a pixel (skip), always meet
// the edge pixel (extend) or meet the pixel their offset names modulo the
// width (wrap), so their weights are added together.  Adding the weights of
// taps that read the same pixel gives the very same sums, weight sum
// included, so the result is unchanged and a kernel far larger than the
// image costs no more than its overlapping part.  Each tap then runs over
// a whole row; the edge modes only touch the columns near the ends.
#include "core/cpu_p.h"
#include "core/memory_p.h"
#include "geometry/filter_p.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

namespace tav {
namespace {

struct Tap {
    int offset;      // source column minus output column
    long long w;
};

struct TapRow {
    int offset;      // source row minus output row
    std::vector<Tap> taps;
    // For the vector twin: the taps as RowTaps describes them, and the
    // output columns [inner_lo, inner_hi) where every tap's source lies in
    // the row.
    std::vector<int> pair_offsets, pair_weights, offsets, weights, packed_weights;
    int inner_lo = 0, inner_hi = 0;
    bool short_weights = false;  // every weight fits 16 bits
    RowTaps vector_taps() const {
        return {pair_offsets.data(), pair_weights.data(), static_cast<int>(pair_weights.size()),
                offsets.data(),      weights.data(),      static_cast<int>(weights.size()),
                packed_weights.data()};
    }
};

// The overlapping, folded taps of the kernel, one entry per kernel row
// that has any.
std::vector<TapRow> reduce_kernel(const KernelView &k, int width, int height, int edge) {
    std::vector<TapRow> rows;
    const long long lo_row = std::max<long long>(0, static_cast<long long>(k.cy) - (height - 1));
    const long long hi_row = std::min<long long>(k.height - 1, static_cast<long long>(k.cy) + (height - 1));
    std::vector<long long> folded;
    for (long long l = lo_row; l <= hi_row; ++l) {
        const int *weights = k.weights + static_cast<size_t>(l) * k.width;
        TapRow row;
        row.offset = static_cast<int>(l - k.cy);
        if (edge == kEdgeWrap) {
            folded.assign(width, 0);
            for (int c = 0; c < k.width; ++c) {
                if (!weights[c]) continue;
                long long o = (static_cast<long long>(c) - k.cx) % width;
                if (o < 0) o += width;
                folded[o] += weights[c];
            }
            for (int o = 0; o < width; ++o)
                if (folded[o]) row.taps.push_back({o, folded[o]});
        } else {
            // Offsets -(width-1) .. width-1; with extend the ends collect
            // every tap beyond them, which always reads the edge pixel.
            folded.assign(2 * static_cast<size_t>(width) - 1, 0);
            for (int c = 0; c < k.width; ++c) {
                if (!weights[c]) continue;
                long long o = static_cast<long long>(c) - k.cx;
                if (o <= -width || o >= width) {
                    if (edge != kEdgeExtend) continue;
                    o = o < 0 ? -(width - 1) : width - 1;
                }
                folded[o + width - 1] += weights[c];
            }
            for (size_t i = 0; i < folded.size(); ++i)
                if (folded[i]) row.taps.push_back({static_cast<int>(i) - (width - 1), folded[i]});
        }
        if (!row.taps.empty()) rows.push_back(std::move(row));
    }
    return rows;
}

// Sums of one output row: 4 per pixel, and the weight sum per pixel when
// the result is normalised by it.  Acc is int when the kernel's absolute
// weights times 255 fit, so the row loops stay narrow.
template <typename Acc>
struct RowSums {
    std::vector<Acc> sum;
    std::vector<Acc> weight;
};

// Columns [from, to) of one tap whose source lies in the row.  The row is
// bytes, or (In = uint16_t) the sums of two source rows that share taps.
template <typename Acc, typename In>
void add_tap_columns(RowSums<Acc> &s, const In *src, const Tap &tap, int from, int to, int weigh) {
    if (to <= from) return;
    const Acc w = static_cast<Acc>(tap.w);
    Acc *acc = s.sum.data() + 4 * static_cast<size_t>(from);
    const In *in = src + 4 * (static_cast<ptrdiff_t>(from) + tap.offset);
    const int n = 4 * (to - from);
    bool done = false;
    if constexpr (std::is_same_v<Acc, int>) {
        if (cpu_has_avx2()) {
            add_tap_run_avx2(acc, in, n, w);
            done = true;
        }
    }
    if (!done)
        for (int i = 0; i < n; ++i) acc[i] += w * in[i];
    if (weigh)
        for (int x = from; x < to; ++x) s.weight[x] += w * weigh;
}

// One tap over the row, leaving out the columns [skip_lo, skip_hi) that
// the caller has summed already.  `weigh` is how many source rows the row
// stands for in the weight sums (0: no weight sums kept).
template <typename Acc, typename In>
void add_tap(RowSums<Acc> &s, const In *src, int width, const Tap &tap, int edge, int weigh,
             int skip_lo = 0, int skip_hi = 0) {
    const Acc w = static_cast<Acc>(tap.w);
    const int o = tap.offset;
    // Columns whose source lies in the row.
    const int x0 = std::max(0, -o), x1 = std::min(width, width - o);
    Acc *sum = s.sum.data();
    if (skip_hi > skip_lo) {
        add_tap_columns(s, src, tap, x0, std::min(x1, skip_lo), weigh);
        add_tap_columns(s, src, tap, std::max(x0, skip_hi), x1, weigh);
    } else {
        add_tap_columns(s, src, tap, x0, x1, weigh);
    }
    if (edge == kEdgeSkip) return;
    // The columns near the ends whose source lies outside the row.
    auto edge_pixel = [&](int x, int m) {
        for (int c = 0; c < 4; ++c) sum[4 * x + c] += w * src[4 * m + c];
        if (weigh) s.weight[x] += w * weigh;
    };
    for (int x = 0; x < x0 && x < width; ++x) edge_pixel(x, edge == kEdgeWrap ? x + o + width : 0);
    for (int x = std::max(x1, 0); x < width; ++x) edge_pixel(x, edge == kEdgeWrap ? x + o - width : width - 1);
}

// All the taps of a kernel row over n elements through a vector twin;
// false when there is none to take.
template <typename In>
bool add_taps_run(int *acc, const In *in, int n, const RowTaps &taps) {
    if (cpu_has_avx2()) {
        add_taps_run_avx2(acc, in, n, taps);
        return true;
    }
    return vector_twins_on() && add_taps_run_sse2(acc, in, n, taps);
}

// Every tap of one kernel row over a source row (bytes, or two rows'
// sums).  With int sums and 16-bit weights, all the taps at once over the
// columns they all reach, their sum held in vector registers; each tap
// alone near the ends.
template <typename Acc, typename In>
void add_row(RowSums<Acc> &s, const TapRow &row, const In *src, int width, int edge, int weigh) {
    if constexpr (std::is_same_v<Acc, int>) {
        const int lo = row.inner_lo, hi = row.inner_hi;
        if (hi > lo && row.taps.size() > 1 && row.short_weights &&
            add_taps_run(s.sum.data() + 4 * static_cast<size_t>(lo), src + 4 * static_cast<size_t>(lo), 4 * (hi - lo),
                         row.vector_taps())) {
            if (weigh) {
                int total = 0;
                for (const Tap &tap : row.taps) total += static_cast<int>(tap.w);
                for (int x = lo; x < hi; ++x) s.weight[x] += total * weigh;
            }
            for (const Tap &tap : row.taps) add_tap(s, src, width, tap, edge, weigh, lo, hi);
            return;
        }
    }
    for (const Tap &tap : row.taps) add_tap(s, src, width, tap, edge, weigh);
}

bool same_taps(const TapRow &a, const TapRow &b) {
    if (a.taps.size() != b.taps.size()) return false;
    for (size_t i = 0; i < a.taps.size(); ++i)
        if (a.taps[i].offset != b.taps[i].offset || a.taps[i].w != b.taps[i].w) return false;
    return true;
}

// Whether the vector division takes the row: positive divisors it can
// hold, and no absolute values.
template <typename Acc>
bool row_divides_in_vectors(const RowSums<Acc> &s, int divisor, bool absolute) {
    if constexpr (!std::is_same_v<Acc, int>) {
        return false;
    } else {
        if (absolute || !cpu_has_avx2()) return false;
        if (divisor) return divisor > 0 && divisor <= kMaxRowDivisor;
        if (s.weight.empty()) return false;
        const auto [least, most] = std::minmax_element(s.weight.begin(), s.weight.end());
        return *least > 0 && *most <= kMaxRowDivisor;
    }
}

template <typename Acc>
void finish_row(const RowSums<Acc> &s, unsigned char *out, int width, int divisor, bool absolute) {
    if constexpr (std::is_same_v<Acc, int>) {
        if (row_divides_in_vectors(s, divisor, absolute)) {
            divide_row_avx2(s.sum.data(), divisor ? nullptr : s.weight.data(), divisor, out, width);
            return;
        }
    }
    for (int x = 0; x < width; ++x) {
        long long d = divisor;
        if (!d) d = s.weight.empty() ? 0 : static_cast<long long>(s.weight[x]);
        for (int c = 0; c < 4; ++c) {
            long long v = s.sum[4 * x + c];
            if (d) v /= d;
            if (absolute) v = c == 3 ? 255 : (v < 0 ? -v : v);
            else if (v < 0) v = 0;
            out[4 * x + c] = static_cast<unsigned char>(v > 255 ? 255 : v);
        }
    }
}

template <typename Acc>
int run(Photo *photo, const std::vector<TapRow> &rows, int divisor, int edge, bool absolute) {
    const int width = photo->width, height = photo->height;
    // Source rows y+lo .. y+hi are needed for output row y, and row y must
    // be read before it is overwritten; a ring holds rows from
    // y+min(lo,0) to y+max(hi,0), never more rows than the image has.
    const int lo = std::min(rows.front().offset, 0), hi = std::max(rows.back().offset, 0);
    const int ring = static_cast<int>(std::min<long long>(static_cast<long long>(hi) - lo + 1, height));
    const size_t row_bytes = static_cast<size_t>(width) * 4;
    Bytes window = attempt_bytes(row_bytes * ring);
    Bytes out = attempt_bytes(row_bytes);
    if (!window || !out) return 1;
    RowSums<Acc> s;
    const bool weigh = divisor == 0;
    s.sum.resize(row_bytes);
    if (weigh) s.weight.resize(width);
    long long loaded = -1;  // last source row read into the ring
    // partner[k]: the index of the mirror row of row k (offset -d, k's +d)
    // with the same taps, when k's offset is negative; else -1.  Rows come
    // sorted by offset, so the mirror is found walking in from the far end.
    std::vector<int> partner(rows.size(), -1);
    size_t j = rows.size();
    for (size_t k = 0; k < rows.size() && rows[k].offset < 0; ++k) {
        while (j > k + 1 && rows[j - 1].offset > -rows[k].offset) --j;
        if (j > k + 1 && rows[j - 1].offset == -rows[k].offset && same_taps(rows[k], rows[j - 1]))
            partner[k] = static_cast<int>(j - 1);
    }
    std::vector<char> folded(rows.size(), 0);
    std::vector<uint16_t> pair_sum(row_bytes);
    for (int y = 0; y < height; ++y) {
        // Read every source row up to y+max(hi,0) before it is overwritten.
        const long long need = std::min<long long>(height - 1, static_cast<long long>(y) + hi);
        for (; loaded < need; ++loaded) {
            const int r = static_cast<int>(loaded + 1);
            PhotoGetRGBA(photo, window.get() + row_bytes * (r % ring), 0, r, width, 1);
        }
        std::fill(s.sum.begin(), s.sum.end(), Acc(0));
        if (weigh) std::fill(s.weight.begin(), s.weight.end(), Acc(0));
        std::fill(folded.begin(), folded.end(), 0);
        for (size_t k = 0; k < rows.size(); ++k) {
            const TapRow &row = rows[k];
            if (folded[k]) continue;  // taken with its mirror row
            const long long r = static_cast<long long>(y) + row.offset;
            if (r < 0 || r >= height) continue;  // absent rows are skipped whatever the edge mode
            const unsigned char *src = window.get() + row_bytes * (r % ring);
            // A kernel row whose mirror row (-d and +d) has the same taps,
            // as a blur's has: the two source rows are added first and
            // their taps run once.  The sums are the same integers.
            const int mirror = partner[k];
            const long long r2 = static_cast<long long>(y) - row.offset;
            if (mirror >= 0 && r2 >= 0 && r2 < height) {
                const unsigned char *other = window.get() + row_bytes * (r2 % ring);
                for (size_t i = 0; i < row_bytes; ++i) pair_sum[i] = static_cast<uint16_t>(src[i] + other[i]);
                add_row(s, row, pair_sum.data(), width, edge, weigh ? 2 : 0);
                folded[mirror] = 1;
                continue;
            }
            add_row(s, row, src, width, edge, weigh ? 1 : 0);
        }
        finish_row(s, out.get(), width, divisor, absolute);
        PhotoPutRGBA(photo, out.get(), 0, y, width, 1, TAV_COMPOSE_REPLACE);
    }
    return 0;
}

// The taps of a kernel row as the vector twin takes them (RowTaps): mirror
// taps of one weight paired, and the columns all of them reach.
void prepare_vector_taps(TapRow *row, int width) {
    row->inner_lo = 0;
    row->inner_hi = width;
    // Taps come sorted by offset: tap k's mirror, if any, is found
    // walking in from the other end.
    std::vector<char> paired(row->taps.size(), 0);
    size_t j = row->taps.size();
    for (size_t k = 0; k < row->taps.size() && row->taps[k].offset < 0; ++k) {
        while (j > k + 1 && row->taps[j - 1].offset > -row->taps[k].offset) --j;
        if (j > k + 1 && row->taps[j - 1].offset == -row->taps[k].offset && row->taps[j - 1].w == row->taps[k].w) {
            row->pair_offsets.push_back(4 * row->taps[k].offset);
            row->pair_offsets.push_back(4 * row->taps[j - 1].offset);
            row->pair_weights.push_back(static_cast<int>(row->taps[k].w));
            paired[k] = paired[j - 1] = 1;
        }
    }
    for (size_t k = 0; k < row->taps.size(); ++k) {
        const Tap &tap = row->taps[k];
        if (!paired[k]) {
            row->offsets.push_back(4 * tap.offset);
            row->weights.push_back(static_cast<int>(tap.w));
        }
        row->inner_lo = std::max(row->inner_lo, -tap.offset);
        row->inner_hi = std::min(row->inner_hi, width - tap.offset);
    }
    // The pairs' weights and then the singles', two to an int.
    std::vector<int> all = row->pair_weights;
    all.insert(all.end(), row->weights.begin(), row->weights.end());
    row->short_weights = std::all_of(all.begin(), all.end(), [](int w) { return w >= INT16_MIN && w <= INT16_MAX; });
    if (all.size() % 2) all.push_back(0);
    for (size_t v = 0; v < all.size(); v += 2)
        row->packed_weights.push_back(static_cast<int>((static_cast<uint32_t>(all[v]) & 0xffff) |
                                                       static_cast<uint32_t>(all[v + 1]) << 16));
}

}  // namespace

// The taps and row sums are standard containers, all made before the first
// row is written back: memory running out while they are made leaves the
// image as it was and gives 1, never an exception through the C interface.
int convolve(Photo *photo, const KernelView &kernel, int divisor, int flags) try {
    if (kernel.width <= 0 || kernel.height <= 0) return 0;
    if (kernel.cx < 0 || kernel.cx >= kernel.width || kernel.cy < 0 || kernel.cy >= kernel.height) return 1;
    if (!photo || photo->width < 1 || photo->height < 1) return 0;
    const int edge = (flags & 1) ? kEdgeWrap : (flags & 2) ? kEdgeExtend : kEdgeSkip;
    std::vector<TapRow> rows = reduce_kernel(kernel, photo->width, photo->height, edge);
    if (rows.empty()) {
        // No weight reaches the image: every sum and weight sum is 0.
        Scratch zero(static_cast<size_t>(photo->width) * 4);
        if (!zero) return 1;
        std::memset(zero.data(), 0, static_cast<size_t>(photo->width) * 4);
        if (flags & 32)
            for (int x = 0; x < photo->width; ++x) zero.data()[4 * x + 3] = 255;
        for (int y = 0; y < photo->height; ++y)
            PhotoPutRGBA(photo, zero.data(), 0, y, photo->width, 1, TAV_COMPOSE_REPLACE);
        return 0;
    }
    // Whether every partial sum fits an int: |weights| summed over the taps
    // that can meet one pixel, times 255.
    auto sums_fit_int = [&rows] {
        long long bound = 0;
        for (const TapRow &row : rows)
            for (const Tap &tap : row.taps) {
                bound += std::llabs(tap.w);
                if (bound > INT_MAX / 255) return false;
            }
        return true;
    };
    const bool absolute = (flags & 32) != 0;
    if (sums_fit_int()) {
        for (TapRow &row : rows) prepare_vector_taps(&row, photo->width);
        return run<int>(photo, rows, divisor, edge, absolute);
    }
    return run<long long>(photo, rows, divisor, edge, absolute);
} catch (const std::bad_alloc &) {
    return 1;
}

}  // namespace tav

extern "C" int PhotoConvolution(Photo *photo, const int *kernel, int divisor, int kernel_width, int kernel_height,
                                int cx, int cy, int flags) {
    return tav::convolve(photo, tav::KernelView{kernel, kernel_width, kernel_height, cx, cy}, divisor, flags);
}
