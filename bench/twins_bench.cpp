// Each vector twin against its portable row function on four kinds of
// 1920 x 1080 picture: photo (smooth light under grain), smooth (a render,
// no grain), flat (a drawing in a few colours) and text (dark strokes on a
// light ground).  The alpha of a source picture is 255 minus its green, so
// the photo covers every alpha, the text is mostly clear with opaque
// strokes, the flat drawing a few levels.  Argument twin:0 runs the
// portable function, twin:1 its twin; run with
//   --benchmark_filter=Twin --benchmark_enable_random_interleaving=true
//   --benchmark_repetitions=9
// so that the two alternate in one run; "min" is the figure to compare.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/compose_p.h"
#include "core/cpu_p.h"
#include "core/rows_p.h"
#include "geometry/gather_p.h"

namespace {

double smallest(const std::vector<double> &v) { return *std::min_element(v.begin(), v.end()); }
double largest(const std::vector<double> &v) { return *std::max_element(v.begin(), v.end()); }

constexpr int kW = 1920, kH = 1080;
enum Kind { kPhoto, kSmooth, kFlat, kText };
const char *const kKindNames[] = {"photo", "smooth", "flat", "text"};

std::vector<unsigned char> make_picture(int kind, unsigned seed) {
    std::vector<unsigned char> px(size_t(kW) * kH * 4);
    std::mt19937 rng(seed);
    auto set = [&](int x, int y, int r, int g, int b) {
        unsigned char *p = &px[(size_t(y) * kW + x) * 4];
        p[0] = static_cast<unsigned char>(std::clamp(r, 0, 255));
        p[1] = static_cast<unsigned char>(std::clamp(g, 0, 255));
        p[2] = static_cast<unsigned char>(std::clamp(b, 0, 255));
        p[3] = static_cast<unsigned char>(255 - p[1]);
    };
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const double s = 127 + 127 * std::sin((x + 2 * y + seed) / 150.0) * std::cos((x - y) / 230.0);
            switch (kind) {
                case kPhoto: {
                    const int grain = static_cast<int>(rng() % 41) - 20;
                    set(x, y, int(s) + grain, x * 255 / kW + grain, y * 255 / kH + grain);
                    break;
                }
                case kSmooth: set(x, y, int(s), (x + y) * 255 / (kW + kH), 255 - int(s)); break;
                case kFlat: {
                    const int cell = ((x / 160) + (y / 120) * 3 + int(seed)) % 4;
                    static const int colours[4][3] = {{250, 250, 250}, {30, 120, 200}, {200, 40, 40}, {20, 20, 20}};
                    set(x, y, colours[cell][0], colours[cell][1], colours[cell][2]);
                    break;
                }
                default: set(x, y, 245, 245, 240); break;
            }
        }
    if (kind == kText)  // strokes a few pixels long, antialiased at their ends
        for (int y = 4; y + 14 < kH; y += 18)
            for (int x = 4; x + 8 < kW;) {
                const int len = 2 + int(rng() % 7), row = y + int(rng() % 12);
                for (int k = 0; k < len; ++k) set(x + k, row, 10, k == 0 || k == len - 1 ? 130 : 10, 10);
                x += len + 1 + int(rng() % 4);
            }
    return px;
}

const std::vector<unsigned char> &picture(int kind, unsigned seed) {
    static std::vector<unsigned char> cache[4][2];
    auto &p = cache[kind][seed & 1];
    if (p.empty()) p = make_picture(kind, seed);
    return p;
}

// The source picture of `kind` composed row by row onto the other kind
// (a photo under text, text under a photo ...), rows laid afresh first.
void BM_TwinCompose(benchmark::State &state) {
    const int mode = int(state.range(0)), kind = int(state.range(1));
    tav::set_vector_twins(state.range(2) != 0);
    const auto &src = picture(kind, 1), &base = picture((kind + 1) % 4, 0);
    std::vector<unsigned char> row(size_t(kW) * 4);
    for (auto _ : state)
        for (int y = 0; y < kH; ++y) {
            std::memcpy(row.data(), &base[size_t(y) * kW * 4], row.size());
            tav::compose_row(mode, row.data(), 4, 3, &src[size_t(y) * kW * 4], kW);
            benchmark::DoNotOptimize(row.data());
        }
    state.SetItemsProcessed(int64_t(state.iterations()) * kW * kH);
    state.SetLabel(kKindNames[kind]);
    tav::set_vector_twins(true);
}
BENCHMARK(BM_TwinCompose)
    ->ArgNames({"mode", "kind", "twin"})
    ->ArgsProduct({{TAV_COMPOSE_OVER, TAV_COMPOSE_UNDER, TAV_COMPOSE_PLUS, TAV_COMPOSE_MIX}, {0, 1, 2, 3}, {0, 1}})
    ->ComputeStatistics("min", smallest)
    ->ComputeStatistics("max", largest)
    ->Unit(benchmark::kMillisecond);

// Nearest-neighbour scaling by a factor (halving, doubling) and a 30
// degree turn, rows sampled as transform.cpp samples them.
void BM_TwinGather(benchmark::State &state) {
    const int shape = int(state.range(0)), kind = int(state.range(1));
    tav::set_vector_twins(state.range(2) != 0);
    const auto &src = picture(kind, 1);
    const double factor = shape == 0 ? 2.0 : 0.5;
    const int dw = shape == 2 ? kW : int(kW / factor), dh = shape == 2 ? kH : int(kH / factor);
    std::vector<unsigned char> out(size_t(dw) * 4);
    const auto row_gather = tav::choose_gather_row();
    const auto plane_gather = tav::choose_gather_plane();
    const double c = std::cos(0.5236), s = std::sin(0.5236);
    for (auto _ : state)
        for (int y = 0; y < dh; ++y) {
            if (shape == 2) {
                const double ox = -c * kW / 2 + s * (y - kH / 2.0) + kW / 2.0;
                const double oy = -s * kW / 2 - c * (y - kH / 2.0) + kH / 2.0;
                plane_gather({src.data(), kW * 4, 0, 0, kW, kH, uint32_t(int32_t(ox * 4096)),
                              uint32_t(int32_t(oy * 4096)), uint32_t(int32_t(c * 4096)), uint32_t(int32_t(s * 4096))},
                             out.data(), size_t(dw));
            } else {
                const int sy = std::min(kH - 1, int(y * factor));
                row_gather({&src[size_t(sy) * kW * 4], 0, kW, 0, uint32_t(factor * 4096)}, out.data(), size_t(dw));
            }
            benchmark::DoNotOptimize(out.data());
        }
    state.SetItemsProcessed(int64_t(state.iterations()) * dw * dh);
    state.SetLabel(kKindNames[kind]);
    tav::set_vector_twins(true);
}
BENCHMARK(BM_TwinGather)
    ->ArgNames({"shape", "kind", "twin"})
    ->ArgsProduct({{0, 1, 2}, {0, 2}, {0, 1}})
    ->ComputeStatistics("min", smallest)
    ->ComputeStatistics("max", largest)
    ->Unit(benchmark::kMillisecond);

// Layout conversions a row at a time: RGB to RGBA (a PPM read), grey to
// RGBA, RGBA to RGB (a PPM write).
void BM_TwinRows(benchmark::State &state) {
    const int conversion = int(state.range(0)), kind = int(state.range(1));
    tav::set_vector_twins(state.range(2) != 0);
    const auto &src = picture(kind, 1);
    std::vector<unsigned char> out(size_t(kW) * 4);
    for (auto _ : state)
        for (int y = 0; y < kH; ++y) {
            const unsigned char *row = &src[size_t(y) * kW * 4];
            if (conversion == 0) tav::rgb_to_rgba(row, out.data(), kW, 255);
            else if (conversion == 1) tav::gray_to_rgba(row, out.data(), kW, 255);
            else tav::rgba_to_rgb(row, out.data(), kW);
            benchmark::DoNotOptimize(out.data());
        }
    state.SetItemsProcessed(int64_t(state.iterations()) * kW * kH);
    state.SetLabel(kKindNames[kind]);
    tav::set_vector_twins(true);
}
BENCHMARK(BM_TwinRows)
    ->ArgNames({"conversion", "kind", "twin"})
    ->ArgsProduct({{0, 1, 2}, {0, 3}, {0, 1}})
    ->ComputeStatistics("min", smallest)
    ->ComputeStatistics("max", largest)
    ->Unit(benchmark::kMillisecond);

}  // namespace
