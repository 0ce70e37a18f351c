// The filters built on the convolution (Gaussian blur, wind) and the two
// generators that paint over an image (gradient, noise).
#include "core/gaussian_p.h"
#include "core/memory_p.h"
#include "geometry/filter_p.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

// The Gaussian kernel of TavGaussian(values, n, n / 3.4), computed only at
// offsets up to rows_out rows and cols_out columns from the centre: the
// same recurrence, stopped where no cell of the cut kernel lies further
// out.  Returns the cut kernel (2 rows_out + 1 rows of 2 cols_out + 1), or
// an empty owner when memory runs out.
tav::Bytes gaussian_window(int n, int rows_out, int cols_out) {
    const size_t kw = 2 * static_cast<size_t>(cols_out) + 1, kh = 2 * static_cast<size_t>(rows_out) + 1;
    size_t cells = 0, bytes = 0;
    if (!tav::checked_mul(kw, kh, &cells) || !tav::checked_mul(cells, sizeof(int), &bytes)) return nullptr;
    tav::Bytes block = tav::attempt_bytes(bytes);
    if (!block) return nullptr;
    int *k = reinterpret_cast<int *>(block.get());
    auto put = [&](int row, int col, int w) {
        if (std::abs(row) <= rows_out && std::abs(col) <= cols_out)
            k[(rows_out + row) * kw + (cols_out + col)] = w;
    };
    const double sigma = n / 3.4;
    if (sigma < 0.3) {
        std::fill(k, k + cells, 0);
        k[rows_out * kw + cols_out] = 1;
        return block;
    }
    const int last = std::min(n, std::max(rows_out, cols_out));
    tav::gaussian_triangle(sigma, last, [&](int i, int j, int w) {
        put(i, j, w), put(-i, j, w), put(i, -j, w), put(-i, -j, w);
        put(j, i, w), put(-j, i, w), put(j, -i, w), put(-j, -i, w);
    });
    return block;
}

}  // namespace

extern "C" {

int PhotoGaussian(Photo *photo, int radius) {
    if (radius <= 0 || !photo || photo->width < 1 || photo->height < 1) return 0;
    // Kernel rows and columns further out than the image reaches never meet
    // a pixel: they are left out of the kernel altogether.
    const int rows_out = std::min(radius, photo->height - 1), cols_out = std::min(radius, photo->width - 1);
    tav::Bytes kernel = gaussian_window(radius, rows_out, cols_out);
    if (!kernel) return 1;
    const tav::KernelView view{reinterpret_cast<int *>(kernel.get()), 2 * cols_out + 1, 2 * rows_out + 1, cols_out,
                               rows_out};
    return tav::convolve(photo, view, 0, 0);
}

int PhotoWind(Photo *photo, int dx, int dy) {
    if (dx == 0 && dy == 0) return 0;
    if (!photo || photo->width < 1 || photo->height < 1) return 0;
    // Lengths beyond 2^30 are cut there so that every coordinate below
    // stays an int; such a smear already reaches far past any image.
    const int limit = 1 << 30;
    dx = std::clamp(dx, -limit, limit);
    dy = std::clamp(dy, -limit, limit);
    // The anchor sits at the end the smear comes from; the line runs from
    // it to the opposite corner of the (|dx|+1) x (|dy|+1) kernel.
    const int cx = dx > 0 ? dx : 0, cy = dy > 0 ? dy : 0;
    const int ex = dx > 0 ? 0 : -dx, ey = dy > 0 ? 0 : -dy;
    // Only kernel cells within the image's reach of the anchor can matter:
    // rasterise that window of the kernel alone.
    const int left = std::max(0, cx - (photo->width - 1)), right = std::min(std::abs(dx), cx + photo->width - 1);
    const int top = std::max(0, cy - (photo->height - 1)), bottom = std::min(std::abs(dy), cy + photo->height - 1);
    const int kw = right - left + 1, kh = bottom - top + 1;
    Photo *line = PhotoCreate(kw, kh, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    if (!line) return 1;
    static const unsigned char black[4] = {0, 0, 0, 255}, white[4] = {255, 255, 255, 255};
    PhotoDrawBox(line, black, TAV_COMPOSE_REPLACE, 0, 0, kw, kh);
    PhotoSetCompose(line, TAV_COMPOSE_REPLACE);
    PhotoDrawLine(line, white, cx - left, cy - top, ex - left, ey - top);
    size_t cells = static_cast<size_t>(kw) * kh;
    tav::Bytes pixels = tav::attempt_bytes(cells * 4);
    tav::Bytes weights = tav::attempt_bytes(cells * sizeof(int));
    int status = 1;
    if (pixels && weights) {
        PhotoGetRGBA(line, pixels.get(), 0, 0, kw, kh);
        int *w = reinterpret_cast<int *>(weights.get());
        for (size_t i = 0; i < cells; ++i) w[i] = pixels.get()[4 * i];
        status = tav::convolve(photo, tav::KernelView{w, kw, kh, cx - left, cy - top}, 0, 0);
    }
    PhotoDelete(line);
    return status;
}

int PhotoGradient(Photo *photo, int x0, int y0, const unsigned char *color0, int x1, int y1,
                  const unsigned char *color1) {
    if (!photo || photo->width < 1 || photo->height < 1) return 0;
    const unsigned char *c0 = color0 ? color0 : photo->background;
    const unsigned char *c1 = color1 ? color1 : photo->foreground;
    // 64 bits: the squared distance of two int points needs 63.
    const long long dx = static_cast<long long>(x1) - x0, dy = static_cast<long long>(y1) - y0;
    using u128 = unsigned __int128;
    const u128 e = static_cast<u128>(static_cast<__int128>(dx) * dx) + static_cast<u128>(static_cast<__int128>(dy) * dy);
    // The two colours with alpha 0 outside the band, and the 256 mixes.
    unsigned char before[4] = {c0[0], c0[1], c0[2], 0}, after[4] = {c1[0], c1[1], c1[2], 0};
    unsigned char mix[256][4];
    for (int k = 0; k < 256; ++k)
        for (int c = 0; c < 4; ++c) mix[k][c] = static_cast<unsigned char>((k * c0[c] + (255 - k) * c1[c]) / 255);
    tav::Scratch row(static_cast<size_t>(photo->width) * 4);
    if (!row) return 1;
    for (int y = 0; y < photo->height; ++y) {
        unsigned char *out = row.data();
        // g grows by dx per column: start the row and step.
        __int128 g = static_cast<__int128>(dx) * (0 - static_cast<long long>(x0)) +
                     static_cast<__int128>(dy) * (static_cast<long long>(y) - y0);
        for (int x = 0; x < photo->width; ++x, out += 4, g += dx) {
            const unsigned char *px;
            if (g < 0) {
                px = before;
            } else if (static_cast<u128>(g) >= e) {
                px = after;
            } else {
                const u128 scaled = static_cast<u128>(g) * 255;
                unsigned k = static_cast<unsigned>(scaled / e);
                const u128 r = scaled - e * k;
                // The fraction is dithered: one step up with probability r / E.
                if (k <= 254 && r > 0) {
                    const u128 draw = e <= static_cast<u128>(INT_MAX) ? static_cast<u128>(RandomGet(static_cast<int>(e)))
                                                                      : static_cast<u128>(std::rand()) % e;
                    if (draw < r) ++k;
                }
                px = mix[k];
            }
            out[0] = px[0], out[1] = px[1], out[2] = px[2], out[3] = px[3];
        }
        PhotoPutRGBA(photo, row.data(), 0, y, photo->width, 1, TAV_COMPOSE_DEFAULT);
    }
    return 0;
}

int PhotoNoise(Photo *photo, int amount) {
    if (!photo || photo->width < 1 || photo->height < 1) return 0;
    tav::Scratch row(static_cast<size_t>(photo->width) * 4);
    if (!row) return 1;
    const double scale = amount * (1.0 / 2147483648.0);
    for (int y = 0; y < photo->height; ++y) {
        unsigned char *out = row.data();
        for (int x = 0; x < photo->width; ++x, out += 4) {
            const unsigned char grey = std::rand() >= 1073741824 ? 255 : 0;
            // The alpha keeps the low byte of the truncated product.
            const long long alpha = static_cast<long long>(std::rand() * scale);
            out[0] = out[1] = out[2] = grey;
            out[3] = static_cast<unsigned char>(alpha);
        }
        PhotoPutRGBA(photo, row.data(), 0, y, photo->width, 1, TAV_COMPOSE_OVER);
    }
    return 0;
}

// Kept for the interface; embossing is done with a kernel through
// PhotoConvolution.
int PhotoEmboss(void) { return 1; }

}  // extern "C"
