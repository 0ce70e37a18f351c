// The portable nearest-neighbour gathers: see gather_p.h.
#include "geometry/gather_p.h"

#include "core/cpu_p.h"

#include <cstring>

namespace tav {

void gather_row(const RowGather &g, unsigned char *out, size_t n) {
    uint32_t acc = g.acc;
    for (size_t i = 0; i < n; ++i, out += 4, acc += g.step) {
        const long long col = g.sx + static_cast<long long>(static_cast<int32_t>(acc) >> 12);
        if (col >= 0 && col < g.width) std::memcpy(out, g.row + 4 * col, 4);
        else std::memset(out, 0, 4);
    }
}

void gather_plane(const PlaneGather &g, unsigned char *out, size_t n) {
    const unsigned long long w = static_cast<unsigned long long>(g.width), h = static_cast<unsigned long long>(g.height);
    uint32_t ax = g.ax, ay = g.ay;
    for (size_t i = 0; i < n; ++i, out += 4, ax += g.step_x, ay += g.step_y) {
        const long long px = g.sx + static_cast<long long>(static_cast<int32_t>(ax) >> 12);
        const long long py = g.sy + static_cast<long long>(static_cast<int32_t>(ay) >> 12);
        if (static_cast<unsigned long long>(px) < w && static_cast<unsigned long long>(py) < h)
            std::memcpy(out, g.base + py * g.row_stride + px * 4, 4);
        else
            std::memset(out, 0, 4);
    }
}

RowGatherFn choose_gather_row() { return cpu_has_avx2() ? gather_row_avx2 : gather_row; }
PlaneGatherFn choose_gather_plane() { return cpu_has_avx2() ? gather_plane_avx2 : gather_plane; }

}  // namespace tav
