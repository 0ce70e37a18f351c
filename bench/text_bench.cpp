// Text rendering: a 100-character line drawn into an RGBA image at two
// sizes, straight and turned by 30 degrees; reported as glyphs per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "tavrel.h"

namespace {

const std::string kLine =
    "The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs! 0123456789 #@&";

void BM_DrawText(benchmark::State &state) {
    const int size = static_cast<int>(state.range(0));
    const double angle = state.range(1) * M_PI / 180.0;
    TavFontEngine *engine = TavFontInit();
    int length = 0;
    const unsigned char *bytes = TavFontBuiltin("sans-serif", &length);
    TavFont *font = PhotoGetFontData(engine, bytes, length, 0, 0);
    Photo *image = PhotoCreate(size * 64, size * 36, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    const int x = size, y = angle == 0 ? size * 2 : size * 4;
    for (auto _ : state)
        PhotoDrawText(image, nullptr, x, y, 0, 0, angle, 1.0, font, size, kLine.c_str(), TAV_TEXT_UTF8, -1);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kLine.size()));
    state.SetLabel("items = glyphs");
    PhotoDelete(image);
    PhotoDeleteFont(font);
    TavFontClose(engine);
}

}  // namespace

BENCHMARK(BM_DrawText)->ArgNames({"size", "angle"})->Args({12, 0})->Args({12, 30})->Args({48, 0})->Args({48, 30});
