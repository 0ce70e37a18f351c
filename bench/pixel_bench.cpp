// Pixel traffic on a 4096 x 4096 image: whole-rectangle put/get under
// replace and over, against a plain memcpy of the same bytes; memory resize.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "tavrel.h"

namespace {

constexpr int kSide = 4096;
constexpr size_t kBytes = size_t(kSide) * kSide * 4;

std::vector<unsigned char> &source() {
    static std::vector<unsigned char> px = [] {
        std::vector<unsigned char> v(kBytes);
        for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<unsigned char>(i * 7 + (i >> 12));
        return v;
    }();
    return px;
}

void BM_Memcpy(benchmark::State &state) {
    std::vector<unsigned char> dst(kBytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), source().data(), kBytes);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kBytes);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

void BM_PutRGBA(benchmark::State &state) {
    const int compose = static_cast<int>(state.range(0));
    Photo *image = PhotoCreate(kSide, kSide, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    for (auto _ : state) {
        PhotoPutRGBA(image, source().data(), 0, 0, kSide, kSide, compose);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kBytes);
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
    PhotoDelete(image);
}
BENCHMARK(BM_PutRGBA)->Arg(TAV_COMPOSE_REPLACE)->Arg(TAV_COMPOSE_OVER)->Unit(benchmark::kMillisecond);

void BM_GetRGBA(benchmark::State &state) {
    Photo *image = PhotoCreate(kSide, kSide, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    std::vector<unsigned char> dst(kBytes);
    for (auto _ : state) {
        PhotoGetRGBA(image, dst.data(), 0, 0, kSide, kSide);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kBytes);
    PhotoDelete(image);
}
BENCHMARK(BM_GetRGBA)->Unit(benchmark::kMillisecond);

void BM_GetRGB(benchmark::State &state) {
    Photo *image = PhotoCreate(kSide, kSide, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    std::vector<unsigned char> dst(size_t(kSide) * kSide * 3);
    for (auto _ : state) {
        PhotoGetRGB(image, dst.data(), 0, 0, kSide, kSide);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
    PhotoDelete(image);
}
BENCHMARK(BM_GetRGB)->Unit(benchmark::kMillisecond);

void BM_MemoryResize(benchmark::State &state) {
    Photo *image = PhotoCreate(kSide, kSide, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    bool grow = true;
    for (auto _ : state) {
        PhotoExpand(image, grow ? kSide + 16 : kSide, grow ? kSide + 16 : kSide);
        grow = !grow;
    }
    PhotoDelete(image);
}
BENCHMARK(BM_MemoryResize)->Unit(benchmark::kMillisecond);

}  // namespace
