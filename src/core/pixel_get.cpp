// Reading pixels out of a Photo in any channel layout.
#include "core/memory_p.h"
#include "core/pixel_p.h"
#include "core/render_memory_p.h"
#include "core/rows_p.h"

#include <cstring>

namespace tav {
namespace {

// Cell (i, j) of a grid of mapped corners, (width + 1) a row: its top-left
// corner and the step to its bottom-right one.
struct Cell {
    const int *p;
    long long ddx, ddy;
};
inline Cell cell_at(const int *grid, size_t stride, int i, int j) {
    const int *p = grid + 2 * (i * stride + j);
    const int *q = grid + 2 * ((i + 1) * stride + j + 1);
    return {p, static_cast<long long>(q[0]) - p[0], static_cast<long long>(q[1]) - p[1]};
}

// The cell averages of PhotoGetRGBAAvg on RGBA rows read in place: the same
// sample positions and sums as its general loop below, without the list
// of offsets or the point reads in between.  N is nx = ny when fixed at
// compile time, 0 for any other grid.
template <int N>
void average_rgba_rows(const Photo *image, const DirectRows &rows, unsigned char *dst, int x, int y,
                       const int *grid, int width, int height, int nx_given, int ny_given) {
    const int nx = N ? N : nx_given, ny = N ? N : ny_given;
    const long long samples = static_cast<long long>(nx) * ny;
    const unsigned long long w = static_cast<unsigned long long>(image->width);
    const unsigned long long h = static_cast<unsigned long long>(image->height);
    const size_t stride = static_cast<size_t>(width) + 1;
    for (int i = 0; i < height; ++i) {
        for (int j = 0; j < width; ++j, dst += 4) {
            const auto [p, ddx, ddy] = cell_at(grid, stride, i, j);
            unsigned sum[4] = {0, 0, 0, 0};
            for (int l = 1; l <= nx; ++l) {
                const long long px = static_cast<long long>(x) + static_cast<int>(p[0] + l * ddx / ((N ? N : nx) + 1));
                for (int m = 1; m <= ny; ++m) {
                    const long long py = static_cast<long long>(y) + static_cast<int>(p[1] + m * ddy / ((N ? N : ny) + 1));
                    if (static_cast<unsigned long long>(px) >= w || static_cast<unsigned long long>(py) >= h) continue;
                    const unsigned char *s = rows.base + py * rows.row_stride + px * 4;
                    sum[0] += s[0], sum[1] += s[1], sum[2] += s[2], sum[3] += s[3];
                }
            }
            for (int ch = 0; ch < 4; ++ch)
                dst[ch] = static_cast<unsigned char>(N ? sum[ch] / (N * N) : sum[ch] / samples);
        }
    }
}

// The conversion of the image's own rows into packed RGBA, chosen once per
// call; truecolour rows need none.
struct ImageRowsToRgba {
    int mode;
    PaletteLut lut;

    explicit ImageRowsToRgba(const Photo *image) : mode(image->mode) {
        if (mode == TAV_MODE_INDEXED) build_palette_lut(image->colormap, lut);
    }
    void operator()(const unsigned char *row, unsigned char *rgba, size_t n) const {
        switch (mode) {
            case TAV_MODE_INDEXED: return index_to_rgba(row, 1, rgba, n, lut);
            case TAV_MODE_GRAY: return gray_to_rgba(row, rgba, n, 255);
            case TAV_MODE_GRAYALPHA: return grayalpha_to_rgba(row, rgba, n);
            default: return;
        }
    }
};

}  // namespace
}  // namespace tav

extern "C" {

int PhotoGetChannels(Photo *image, int x, int y, int w, int h, int stepR, int stepG, int stepB, int stepA,
                     unsigned char *dstR, unsigned char *dstG, unsigned char *dstB, unsigned char *dstA) {
    using namespace tav;
    const Clip c = clip_to_image(image, x, y, w, h);
    if (c.empty()) return 0;
    auto get_block = image->render_ops ? image->render_ops->get_block : nullptr;
    if (!get_block) return 0;
    const int n = c.w;

    unsigned char *dst[4] = {dstR, dstG, dstB, dstA};
    const int step[4] = {stepR, stepG, stepB, stepA};

    // Indices themselves, delivered as the red channel: straight into the
    // caller's rows when they are packed.
    if (image->mode == TAV_MODE_INDEXED && dstR && !dstG && !dstB && !dstA) {
        if (step[0] == 1) {
            for (int j = 0; j < c.h; ++j) get_block(image, dst[0] + static_cast<size_t>(j) * n, c.x, c.y + j, n, 1);
            return 0;
        }
        Scratch row(n);
        if (!row) return 1;
        for (int j = 0; j < c.h; ++j) {
            get_block(image, row.data(), c.x, c.y + j, n, 1);
            for (int i = 0; i < n; ++i, dst[0] += step[0]) *dst[0] = row.data()[i];
        }
        return 0;
    }

    const bool packed_rgba = dstR && dstG == dstR + 1 && dstB == dstR + 2 && dstA == dstR + 3 &&
                             stepR == 4 && stepG == 4 && stepB == 4 && stepA == 4;
    if (image->mode == TAV_MODE_RGBA && packed_rgba) {
        // Layouts match: the renderer writes straight into the caller's rows.
        const size_t row_bytes = static_cast<size_t>(n) * 4;
        for (int j = 0; j < c.h; ++j) get_block(image, dstR + j * row_bytes, c.x, c.y + j, n, 1);
        return 0;
    }

    const ImageRowsToRgba to_rgba(image);
    const FromRgbaFn deliver = choose_from_rgba(dst, step);
    Scratch row(static_cast<size_t>(n) * image->channels);
    Scratch rgba(static_cast<size_t>(n) * 4);
    if (!row || !rgba) return 1;
    for (int j = 0; j < c.h; ++j) {
        get_block(image, row.data(), c.x, c.y + j, n, 1);
        const unsigned char *pixels = row.data();  // truecolour rows are RGBA already
        if (image->mode != TAV_MODE_RGBA) {
            to_rgba(row.data(), rgba.data(), n);
            pixels = rgba.data();
        }
        deliver(pixels, dst, step, n);
    }
    return 0;
}

int PhotoGetRGBA(Photo *image, unsigned char *dst, int x, int y, int w, int h) {
    return PhotoGetChannels(image, x, y, w, h, 4, 4, 4, 4, dst, dst + 1, dst + 2, dst + 3);
}

int PhotoGetBGRA(Photo *image, unsigned char *dst, int x, int y, int w, int h) {
    return PhotoGetChannels(image, x, y, w, h, 4, 4, 4, 4, dst + 2, dst + 1, dst, dst + 3);
}

int PhotoGetABGR(Photo *image, unsigned char *dst, int x, int y, int w, int h) {
    return PhotoGetChannels(image, x, y, w, h, 4, 4, 4, 4, dst + 3, dst + 2, dst + 1, dst);
}

int PhotoGetRGB(Photo *image, unsigned char *dst, int x, int y, int w, int h) {
    return PhotoGetChannels(image, x, y, w, h, 3, 3, 3, 0, dst, dst + 1, dst + 2, nullptr);
}

int PhotoGetBGR(Photo *image, unsigned char *dst, int x, int y, int w, int h) {
    return PhotoGetChannels(image, x, y, w, h, 3, 3, 3, 0, dst + 2, dst + 1, dst, nullptr);
}

int PhotoGetIndex(Photo *image, unsigned char *dst, int x, int y, int w, int h) {
    if (image->mode != TAV_MODE_INDEXED) return 1;
    return PhotoGetChannels(image, x, y, w, h, 1, 0, 0, 0, dst, nullptr, nullptr, nullptr);
}

int PhotoGetRGBAX(Photo *image, unsigned char *dst, int x, int y, const int *offsets, int count) {
    if (count <= 0) return 0;
    auto get_points = image->render_ops ? image->render_ops->get_points : nullptr;
    if (image->channels == 4 && get_points) {
        static const unsigned char outside[4] = {0, 0, 0, 0};
        return get_points(image, dst, x, y, offsets, count, outside);
    }
    for (int k = 0; k < count; ++k, dst += 4) {
        const long long px = static_cast<long long>(x) + offsets[2 * k];
        const long long py = static_cast<long long>(y) + offsets[2 * k + 1];
        if (px >= 0 && px < image->width && py >= 0 && py < image->height)
            PhotoGetRGBA(image, dst, static_cast<int>(px), static_cast<int>(py), 1, 1);
        else
            std::memset(dst, 0, 4);
    }
    return 0;
}

int PhotoGetRGBAAvg(Photo *image, unsigned char *dst, int x, int y, const int *grid, int width, int height,
                    int nx, int ny) {
    using namespace tav;
    if (width <= 0 || height <= 0) return 0;
    if (nx < 1) nx = 1;
    if (ny < 1) ny = 1;
    DirectRows rows{};
    if (image->mode == TAV_MODE_RGBA && image->channels == 4 && direct_rows(image, &rows)) {
        // The quality levels scripts use get the grid divisions by
        // constants, which the compiler turns into multiplications.
        if (nx == ny && nx >= 2 && nx <= 4) {
            if (nx == 2) average_rgba_rows<2>(image, rows, dst, x, y, grid, width, height, 2, 2);
            if (nx == 3) average_rgba_rows<3>(image, rows, dst, x, y, grid, width, height, 3, 3);
            if (nx == 4) average_rgba_rows<4>(image, rows, dst, x, y, grid, width, height, 4, 4);
        } else {
            average_rgba_rows<0>(image, rows, dst, x, y, grid, width, height, nx, ny);
        }
        return 0;
    }
    const size_t samples = static_cast<size_t>(nx) * ny;
    size_t bytes = 0;
    if (!checked_mul(samples, 12, &bytes)) return 1;
    Bytes scratch = attempt_bytes(bytes);  // offsets (8 bytes) and pixels (4 bytes) per sample
    if (!scratch) return 1;
    int *offsets = reinterpret_cast<int *>(scratch.get());
    unsigned char *pixels = scratch.get() + samples * 8;
    const size_t stride = static_cast<size_t>(width) + 1;
    for (int i = 0; i < height; ++i) {
        for (int j = 0; j < width; ++j, dst += 4) {
            const auto [p, ddx, ddy] = cell_at(grid, stride, i, j);
            size_t k = 0;
            for (int l = 1; l <= nx; ++l) {
                for (int m = 1; m <= ny; ++m, ++k) {
                    offsets[2 * k] = static_cast<int>(p[0] + l * ddx / (nx + 1));
                    offsets[2 * k + 1] = static_cast<int>(p[1] + m * ddy / (ny + 1));
                }
            }
            PhotoGetRGBAX(image, pixels, x, y, offsets, static_cast<int>(samples));
            for (int ch = 0; ch < 4; ++ch) {
                unsigned long long sum = 0;
                for (size_t s = 0; s < samples; ++s) sum += pixels[4 * s + ch];
                dst[ch] = static_cast<unsigned char>(sum / samples);
            }
        }
    }
    return 0;
}

}  // extern "C"
