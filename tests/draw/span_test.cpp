// Drawing on a memory image writes its rows in place, by spans; any other
// renderer gets the block puts the primitives are defined by.  Both must end
// in the same pixels: every primitive is drawn on a memory image and on a
// twin whose renderer slots merely forward to the memory renderer (so it
// takes the block-put path), over random shapes, inks, compose modes and
// image modes, starting from random pixels.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "draw/draw_support.h"

namespace {

using Draw = std::function<void(Photo *, const unsigned char *ink)>;

TavRenderOps memory_ops;  // the memory renderer's own slots

int forward_put(Photo *image, const unsigned char *src, int x, int y, int w, int h) {
    return memory_ops.put_block(image, src, x, y, w, h);
}
int forward_get(Photo *image, unsigned char *dst, int x, int y, int w, int h) {
    return memory_ops.get_block(image, dst, x, y, w, h);
}

struct Pair {
    Photo *direct, *forwarded;
    Pair(int w, int h, int mode, int compose, std::mt19937 &rng) {
        tavtest::interp();
        direct = PhotoCreate(w, h, mode, TAV_RENDER_MEMORY);
        forwarded = PhotoCreate(w, h, mode, TAV_RENDER_MEMORY);
        memory_ops = *direct->render_ops;
        forwarded->render_ops->put_block = forward_put;
        forwarded->render_ops->get_block = forward_get;
        if (mode == TAV_MODE_INDEXED)
            for (Photo *p : {direct, forwarded})
                for (int i = 0; i < 16; ++i) TavSetColormap(p->colormap, i, i * 16, 255 - i * 9, (i * 77) & 255);
        std::vector<unsigned char> start(static_cast<size_t>(w) * h * 4);
        for (auto &b : start) b = static_cast<unsigned char>(rng() % 16 * (mode == TAV_MODE_INDEXED ? 1 : 17));
        for (Photo *p : {direct, forwarded}) {
            if (mode == TAV_MODE_INDEXED) {
                std::vector<unsigned char> index(static_cast<size_t>(w) * h);
                for (size_t i = 0; i < index.size(); ++i) index[i] = start[4 * i];
                PhotoPutIndex(p, index.data(), 0, 0, w, h);
            } else {
                PhotoPutRGBA(p, start.data(), 0, 0, w, h, TAV_COMPOSE_REPLACE);
            }
            PhotoSetCompose(p, compose);
        }
    }
    ~Pair() {
        PhotoDelete(direct);
        PhotoDelete(forwarded);
    }
    std::vector<unsigned char> own_bytes(Photo *p) const {
        std::vector<unsigned char> out(static_cast<size_t>(p->width) * p->height * p->channels);
        memory_ops.get_block(p, out.data(), 0, 0, p->width, p->height);
        return out;
    }
};

}  // namespace

TEST(DrawSpans, InPlaceRowsEqualTheBlockPutPath) {
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> coord(-12, 40), radius(0, 22), width(0, 7), byte(0, 255);
    const auto pick_alpha = [&] {
        const int r = byte(rng);
        return r < 40 ? 0 : r < 110 ? 255 : byte(rng);  // the shortcuts and the blends
    };
    const std::pair<const char *, Draw> shapes[] = {
        {"box", [&](Photo *p, const unsigned char *k) {
             const int x = coord(rng), y = coord(rng), w = coord(rng), h = coord(rng);
             PhotoDrawBox(p, k, rng() % 3 == 0 ? static_cast<int>(rng() % 13) : 0, x, y, w, h);
         }},
        {"line", [&](Photo *p, const unsigned char *k) {
             PhotoDrawLine(p, k, coord(rng), coord(rng), coord(rng), coord(rng));
         }},
        {"fan", [&](Photo *p, const unsigned char *k) {
             PhotoDrawFan(p, k, coord(rng), coord(rng), coord(rng), coord(rng), 1);
         }},
        {"wide line", [&](Photo *p, const unsigned char *k) {
             const int x0 = coord(rng), y0 = coord(rng);
             // Axis-parallel bands half of the time.
             const int x1 = rng() % 4 == 0 ? x0 : coord(rng), y1 = rng() % 3 == 0 ? y0 : coord(rng);
             PhotoDrawLineExt(p, k, x0, y0, x1, y1, width(rng));
         }},
        {"thin line over opaque ground", [&](Photo *p, const unsigned char *k) {
             // Opaque pixels under part of the line: there both of a step's
             // pixels are blended at once.
             const unsigned char ground[4] = {k[1], k[2], k[0], 255};
             PhotoDrawBox(p, ground, TAV_COMPOSE_REPLACE, coord(rng) - 12, coord(rng) - 12, 36, 36);
             PhotoDrawLineExt(p, k, coord(rng), coord(rng), coord(rng), coord(rng), 1);
         }},
        {"ellipse", [&](Photo *p, const unsigned char *k) {
             const int cx = coord(rng), cy = coord(rng), rx = radius(rng), ry = radius(rng);
             int xr[2] = {-rx, rx}, yr[2] = {-ry, ry};
             if (rng() % 3 == 1) xr[0] = coord(rng) - 14, xr[1] = coord(rng) - 14;
             if (rng() % 3 == 2) yr[0] = coord(rng) - 14, yr[1] = coord(rng) - 14;
             const unsigned char fill[4] = {k[2], k[0], k[1], static_cast<unsigned char>(255 - k[3])};
             PhotoDrawArc(p, k, rng() % 2 ? fill : nullptr, cx, cy, rx, ry, xr[0], xr[1], yr[0], yr[1]);
         }},
    };
    const int modes[] = {TAV_MODE_RGBA, TAV_MODE_GRAY, TAV_MODE_GRAYALPHA, TAV_MODE_INDEXED};
    for (const auto &[name, draw] : shapes)
        for (int mode : modes)
            for (int compose = 0; compose <= 12; ++compose)
                for (int round = 0; round < 12; ++round) {
                    Pair images(29, 23, mode, compose, rng);
                    const unsigned char ink[4] = {static_cast<unsigned char>(byte(rng)),
                                                  static_cast<unsigned char>(byte(rng)),
                                                  static_cast<unsigned char>(byte(rng)),
                                                  static_cast<unsigned char>(pick_alpha())};
                    // The same random shape on both: replay the generator.
                    const std::mt19937 saved = rng;
                    draw(images.direct, ink);
                    rng = saved;
                    draw(images.forwarded, ink);
                    ASSERT_EQ(images.own_bytes(images.direct), images.own_bytes(images.forwarded))
                        << name << " mode " << mode << " compose " << compose << " round " << round;
                }
}
