// Drawing on a 1024 x 1024 truecolour image: one-pixel lines, antialiased
// lines of widths 1 and 5, filled circles of radius 50 and filled boxes,
// under replace and over.  Items are primitives: items_per_second is
// primitives per second.  Lines join random points of the image (about 540
// pixels long on average).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "tavrel.h"

namespace {

constexpr int kSide = 1024;
constexpr int kShapes = 4096;

struct Shape {
    int x0, y0, x1, y1;
};

const std::vector<Shape> &shapes() {
    static const std::vector<Shape> all = [] {
        std::mt19937 rng(1234);
        std::uniform_int_distribution<int> coord(0, kSide - 1);
        std::vector<Shape> v(kShapes);
        for (Shape &s : v) s = {coord(rng), coord(rng), coord(rng), coord(rng)};
        return v;
    }();
    return all;
}

// A fresh image with the compose mode of the benchmark's argument and a
// half-transparent colour, so that over really blends.
struct Canvas {
    Photo *image;
    explicit Canvas(const benchmark::State &state) : image(PhotoCreate(kSide, kSide, TAV_MODE_RGBA, TAV_RENDER_MEMORY)) {
        PhotoSetCompose(image, static_cast<int>(state.range(0)));
        const unsigned char color[4] = {200, 60, 30, 180};
        PhotoSetForeground(image, color);
    }
    ~Canvas() { PhotoDelete(image); }
};

template <class Draw>
void run(benchmark::State &state, Draw draw) {
    Canvas canvas(state);
    size_t k = 0;
    for (auto _ : state) {
        draw(canvas.image, shapes()[k]);
        k = (k + 1) % kShapes;
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void BM_Line(benchmark::State &state) {
    run(state, [](Photo *image, const Shape &s) { PhotoDrawLine(image, nullptr, s.x0, s.y0, s.x1, s.y1); });
}

void BM_LineAntialiased(benchmark::State &state) {
    const int width = static_cast<int>(state.range(1));
    run(state, [width](Photo *image, const Shape &s) {
        PhotoDrawLineExt(image, nullptr, s.x0, s.y0, s.x1, s.y1, width);
    });
}

void BM_FilledCircle(benchmark::State &state) {
    run(state, [](Photo *image, const Shape &s) { PhotoDrawCircle(image, nullptr, image->foreground, s.x0, s.y0, 50); });
}

void BM_FilledBox(benchmark::State &state) {
    const int side = static_cast<int>(state.range(1));
    run(state, [side](Photo *image, const Shape &s) {
        PhotoDrawBox(image, nullptr, TAV_COMPOSE_DEFAULT, s.x0 - side / 2, s.y0 - side / 2, side, side);
    });
}

}  // namespace

BENCHMARK(BM_Line)->ArgName("compose")->Arg(TAV_COMPOSE_REPLACE)->Arg(TAV_COMPOSE_OVER);
BENCHMARK(BM_LineAntialiased)
    ->ArgNames({"compose", "width"})
    ->Args({TAV_COMPOSE_REPLACE, 1})
    ->Args({TAV_COMPOSE_OVER, 1})
    ->Args({TAV_COMPOSE_REPLACE, 5})
    ->Args({TAV_COMPOSE_OVER, 5});
BENCHMARK(BM_FilledCircle)->ArgName("compose")->Arg(TAV_COMPOSE_REPLACE)->Arg(TAV_COMPOSE_OVER);
BENCHMARK(BM_FilledBox)
    ->ArgNames({"compose", "side"})
    ->Args({TAV_COMPOSE_REPLACE, 16})
    ->Args({TAV_COMPOSE_OVER, 16})
    ->Args({TAV_COMPOSE_REPLACE, 256})
    ->Args({TAV_COMPOSE_OVER, 256});
