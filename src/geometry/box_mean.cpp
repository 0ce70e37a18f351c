// The box mean (exported as PhotoMedian): the convolution with a
// (2r+1) x (2r+1) kernel of ones, normalised by the weight sum, which is the
// number of window cells inside the image.  Equal weights let running sums
// give the very same integers at a cost independent of the radius: column
// sums over the window rows move down one row at a time, and the row sum
// over the window columns is a difference of prefix sums.
#include "core/memory_p.h"
#include "geometry/filter_p.h"

#include <algorithm>
#include <cstdint>
#include <vector>

extern "C" int PhotoMedian(Photo *photo, int radius) {
    using namespace tav;
    if (radius <= 0 || !photo || photo->width < 1 || photo->height < 1) return 0;  // radius 0: each pixel is its own mean
    const int width = photo->width, height = photo->height;
    // The window never reaches further than the image does.
    const int r = static_cast<int>(std::min<long long>(radius, std::max(width, height)));
    const size_t row_bytes = static_cast<size_t>(width) * 4;
    // Original rows y-r .. y+r are needed while output row y is made.
    const int ring = static_cast<int>(std::min<long long>(2LL * r + 1, height));
    Bytes window = attempt_bytes(row_bytes * ring);
    Bytes out = attempt_bytes(row_bytes);
    if (!window || !out) return 1;
    std::vector<uint64_t> column(row_bytes, 0), prefix(row_bytes + 4, 0);

    auto add_row = [&](int row, bool subtract) {
        const unsigned char *src = window.get() + row_bytes * (row % ring);
        if (subtract)
            for (size_t i = 0; i < row_bytes; ++i) column[i] -= src[i];
        else
            for (size_t i = 0; i < row_bytes; ++i) column[i] += src[i];
    };
    auto load = [&](int row) { PhotoGetRGBA(photo, window.get() + row_bytes * (row % ring), 0, row, width, 1); };

    // Rows 0 .. r-1 start the column sums; each step adds row y+r.
    for (int row = 0; row < std::min(r, height); ++row) {
        load(row);
        add_row(row, false);
    }
    for (int y = 0; y < height; ++y) {
        const long long leaving = static_cast<long long>(y) - r - 1, entering = static_cast<long long>(y) + r;
        if (leaving >= 0) add_row(static_cast<int>(leaving), true);  // before its slot is reused
        if (entering < height) {
            load(static_cast<int>(entering));
            add_row(static_cast<int>(entering), false);
        }
        const uint64_t rows = std::min<long long>(height - 1, entering) - std::max<long long>(0, y - r) + 1;
        for (size_t i = 0; i < row_bytes; ++i) prefix[i + 4] = prefix[i] + column[i];
        unsigned char *o = out.get();
        for (int x = 0; x < width; ++x) {
            const int a = std::max(0, x - r), b = static_cast<int>(std::min<long long>(width, 1LL + x + r));
            const uint64_t cells = rows * static_cast<uint64_t>(b - a);
            for (int c = 0; c < 4; ++c)
                o[4 * x + c] = static_cast<unsigned char>((prefix[4 * b + c] - prefix[4 * a + c]) / cells);
        }
        PhotoPutRGBA(photo, out.get(), 0, y, width, 1, TAV_COMPOSE_REPLACE);
    }
    return 0;
}
