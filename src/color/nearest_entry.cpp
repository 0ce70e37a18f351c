// Candidate lists for exact nearest-entry search: see nearest_entry_p.h.
#include "color/nearest_entry_p.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tav {
namespace {

// Squared distance from v to the span [lo, lo + side - 1] along one axis:
// to its nearest point and to its farthest.
inline int nearest_along(int v, int lo, int side) {
    const int hi = lo + side - 1, d = v < lo ? lo - v : v > hi ? v - hi : 0;
    return d * d;
}
inline int farthest_along(int v, int lo, int side) {
    const int d = std::max(std::abs(v - lo), std::abs(v - (lo + side - 1)));
    return d * d;
}

// The entries of `from` that can be nearest to a colour of the box of
// `side` levels from `lo`, in order of their distance to the box.
void candidates(const std::vector<NearestEntryItem> &from, const int lo[3], int side,
                std::vector<NearestEntryItem> &out) {
    int bound = INT_MAX;
    for (const NearestEntryItem &e : from)
        bound = std::min(bound, farthest_along(e.r, lo[0], side) + farthest_along(e.g, lo[1], side) +
                                    farthest_along(e.b, lo[2], side));
    const size_t first = out.size();
    for (NearestEntryItem e : from) {
        const int near = nearest_along(e.r, lo[0], side) + nearest_along(e.g, lo[1], side) + nearest_along(e.b, lo[2], side);
        e.bound = static_cast<uint16_t>(std::min(near, 65535));
        if (near <= bound) out.push_back(e);
    }
    std::stable_sort(out.begin() + static_cast<ptrdiff_t>(first), out.end(),
                     [](const NearestEntryItem &p, const NearestEntryItem &q) { return p.bound < q.bound; });
}

}  // namespace

NearestEntry::NearestEntry(const TavColormap *map)
    : cells_(32 * 32 * 32, kUnfilled), coarse_(512), cache_colour_(size_t{1} << kCacheBits, UINT32_MAX),
      cache_index_(size_t{1} << kCacheBits, -1) {
    const int size = std::min(map->size, 256);
    for (int i = 0; i < size; ++i) {
        if (i == map->transparent) continue;
        const unsigned char *e = map->entries + 4 * i;
        entries_.push_back({e[0], e[1], e[2], static_cast<unsigned char>(i), 0});
    }
    if (!entries_.empty()) pool_.assign(kFirst - 1, entries_[0]);
}

void NearestEntry::fill(int cell) {
    const int r = cell >> 10, g = cell >> 5 & 31, b = cell & 31;  // in steps of 8 levels
    std::vector<Entry> &coarse = coarse_[static_cast<size_t>((r >> 2) << 6 | (g >> 2) << 3 | (b >> 2))];
    if (coarse.empty()) {
        const int lo[3] = {(r >> 2) * 32, (g >> 2) * 32, (b >> 2) * 32};
        candidates(entries_, lo, 32, coarse);
    }
    const int lo[3] = {r * 8, g * 8, b * 8};
    pool_.resize(pool_.size() - (kFirst - 1));
    const size_t start = pool_.size();
    candidates(coarse, lo, 8, pool_);
    cells_[cell] = static_cast<uint32_t>(start) << 9 | static_cast<uint32_t>(pool_.size() - start);
    pool_.insert(pool_.end(), kFirst - 1, entries_[0]);
}

}  // namespace tav
