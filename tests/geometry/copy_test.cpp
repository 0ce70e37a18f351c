// Copy, transform and scale: overlapping copies in every direction,
// clipping that keeps pixels in place, and transform/scale results checked
// pixel for pixel against a plain transcription of the sampling.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "geometry/geometry_support.h"

using geomtest::Image;
using geomtest::Pixels;

namespace {

// The copy written out: every pixel of the rectangle that exists in the
// source and lands in the destination, read from a snapshot taken before.
Pixels reference_copy(const Pixels &src, Pixels dst, int sx, int sy, int dx, int dy, int w, int h) {
    for (int y = 0; y < dst.h; ++y)
        for (int x = 0; x < dst.w; ++x) {
            const long long i = x - (long long)dx, j = y - (long long)dy;
            if (i >= 0 && i < w && j >= 0 && j < h && src.inside(sx + i, sy + j))
                std::memcpy(dst.at(x, y), src.at(int(sx + i), int(sy + j)), 4);
        }
    return dst;
}

TEST(PhotoCopy, OverlappingCopiesInEveryDirection) {
    for (int ox = -3; ox <= 3; ++ox)
        for (int oy = -3; oy <= 3; ++oy) {
            Image image(16, 12);
            geomtest::fill_random(image, 100 + ox * 7 + oy);
            const Pixels before(image);
            ASSERT_EQ(PhotoCopy(image, image, 2, 3, 2 + ox, 3 + oy, 10, 8, TAV_COMPOSE_REPLACE), 0);
            EXPECT_EQ(Pixels(image).px, reference_copy(before, before, 2, 3, 2 + ox, 3 + oy, 10, 8).px)
                << ox << "," << oy;
        }
}

TEST(PhotoCopy, ClipsBothImagesKeepingPixelsInPlace) {
    struct Case {
        int sx, sy, dx, dy, w, h;
    } cases[] = {
        {-4, -2, 3, 1, 10, 10},  {3, 2, -5, -1, 9, 9},    {0, 0, 5, 5, 100, 100},
        {7, 0, 0, 0, 20, 3},     {0, 0, 0, 0, INT_MAX, INT_MAX}, {INT_MIN, INT_MIN, 0, 0, INT_MAX, INT_MAX},
        {0, 0, INT_MAX, 0, 5, 5}, {20, 0, 0, 0, 5, 5},    {0, 0, -20, 0, 5, 5},
    };
    for (const Case &c : cases) {
        Image src(10, 8), dst(12, 9);
        geomtest::fill_random(src, 1);
        geomtest::fill_random(dst, 2);
        const Pixels s(src), d(dst);
        ASSERT_EQ(PhotoCopy(src, dst, c.sx, c.sy, c.dx, c.dy, c.w, c.h, TAV_COMPOSE_REPLACE), 0);
        EXPECT_EQ(Pixels(dst).px, reference_copy(s, d, c.sx, c.sy, c.dx, c.dy, c.w, c.h).px)
            << c.sx << "," << c.sy << " -> " << c.dx << "," << c.dy;
    }
}

TEST(PhotoCopy, UsesTheDestinationsComposeMode) {
    Image src(1, 1), dst(1, 1);
    const unsigned char white_half[4] = {255, 255, 255, 128}, black[4] = {0, 0, 0, 255};
    PhotoPutRGBA(src, white_half, 0, 0, 1, 1, TAV_COMPOSE_REPLACE);
    PhotoPutRGBA(dst, black, 0, 0, 1, 1, TAV_COMPOSE_REPLACE);
    PhotoSetCompose(dst, TAV_COMPOSE_OVER);
    PhotoCopy(src, dst, 0, 0, 0, 0, 1, 1, TAV_COMPOSE_DEFAULT);
    EXPECT_EQ(tavtest::pixel(dst, 0, 0), (std::array<unsigned char, 4>{128, 128, 128, 255}));
}

TEST(PhotoCopy, ImagesOverOneBufferCopyAsSeparateOnesDo) {
    // Two images over one caller's buffer, the second a pixel to the right
    // of the first: a copy between them reads each source row whole before
    // writing, exactly as between two images of their own.
    const int w = 9, h = 5, stride = 4 * (w + 1);
    for (int compose : {TAV_COMPOSE_REPLACE, TAV_COMPOSE_OVER}) {
        std::vector<unsigned char> buffer((size_t)stride * h);
        std::mt19937 rng(compose);
        for (unsigned char &b : buffer) b = (unsigned char)rng();
        auto view = [&](int shift) {
            TavPlaneSet planes{};
            for (int c = 0; c < 4; ++c) {
                planes.plane[c] = buffer.data() + 4 * shift + c;
                planes.pixel_stride[c] = 4;
                planes.row_stride[c] = stride;
            }
            return PhotoCreateExt(w, h, TAV_MODE_RGBA, TAV_RENDER_MEMORY, &planes);
        };
        Photo *a = view(0), *b = view(1);
        Image own_a(w, h), own_b(w, h);
        const Pixels pa(a), pb(b);
        PhotoPutRGBA(own_a, pa.px.data(), 0, 0, w, h, TAV_COMPOSE_REPLACE);
        PhotoPutRGBA(own_b, pb.px.data(), 0, 0, w, h, TAV_COMPOSE_REPLACE);
        ASSERT_EQ(PhotoCopy(a, b, 0, 0, 0, 0, w, h, compose), 0);
        ASSERT_EQ(PhotoCopy(own_a, own_b, 0, 0, 0, 0, w, h, compose), 0);
        EXPECT_EQ(Pixels(b).px, Pixels(own_b).px) << compose;
        PhotoDelete(a);
        PhotoDelete(b);
    }
}

// PhotoTransform written out: MatrixApply (tested on its own) per pixel or
// per cell corner, then nearest sampling or the cell average.
Pixels reference_transform(const Pixels &src, Pixels dst, int sx, int sy, int dx, int dy, int w, int h,
                           int quality, const double *m) {
    auto sample = [&](long long x, long long y, unsigned char out[4]) {
        if (src.inside(x, y)) std::memcpy(out, src.at(int(x), int(y)), 4);
        else std::memset(out, 0, 4);
    };
    auto map = [&](int x, int y) {
        int p[2] = {x, y};
        MatrixApply(m, p, 1);
        return std::make_pair(p[0], p[1]);
    };
    for (int y = std::max(dy, 0); y < std::min(dy + h, dst.h); ++y)
        for (int x = std::max(dx, 0); x < std::min(dx + w, dst.w); ++x) {
            unsigned char out[4];
            if (quality < 2) {
                auto [X, Y] = map(x - dx, y - dy);
                sample(sx + (long long)X, sy + (long long)Y, out);
            } else {
                auto [px, py] = map(x - dx, y - dy);
                auto [qx, qy] = map(x - dx + 1, y - dy + 1);
                unsigned sum[4] = {0, 0, 0, 0};
                for (int l = 1; l <= quality; ++l)
                    for (int k = 1; k <= quality; ++k) {
                        unsigned char s[4];
                        sample(sx + (long long)(px + l * (long long)(qx - px) / (quality + 1)),
                               sy + (long long)(py + k * (long long)(qy - py) / (quality + 1)), s);
                        for (int c = 0; c < 4; ++c) sum[c] += s[c];
                    }
                for (int c = 0; c < 4; ++c) out[c] = static_cast<unsigned char>(sum[c] / (quality * quality));
            }
            std::memcpy(dst.at(x, y), out, 4);
        }
    return dst;
}

TEST(PhotoTransform, MatchesTranscriptionForRandomMatrices) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> angle(-3.2, 3.2), factor(0.3, 3.0);
    std::uniform_int_distribution<int> off(-6, 6);
    for (int round = 0; round < 60; ++round) {
        Image src(23, 17), dst(31, 19);
        geomtest::fill_random(src, round);
        geomtest::fill_random(dst, round + 1000);
        double m[9];
        MatrixIdent(m);
        MatrixScale(m, 100, 100, int(100 * factor(rng)), int(100 * factor(rng)));
        if (round % 3) MatrixRotate(m, angle(rng));  // every third: scaling alone, sampled row by row
        MatrixTranslate(m, off(rng), off(rng));
        if (round % 5 == 4) m[7] = 0.01;  // projective: mapped by MatrixApply itself
        if (round == 59) m[8] = 0;        // degenerate: every point marked outside
        const int quality = round % 6, sx = off(rng), sy = off(rng), dx = off(rng), dy = off(rng);
        const Pixels s(src), d(dst);
        ASSERT_EQ(PhotoTransform(src, dst, sx, sy, dx, dy, 28, 21, TAV_COMPOSE_REPLACE, quality, m), 0);
        EXPECT_EQ(Pixels(dst).px, reference_transform(s, d, sx, sy, dx, dy, 28, 21, quality, m).px) << round;
    }
}

TEST(PhotoTransform, NullMatrixCopiesAndNullImagesFail) {
    Image src(5, 5), dst(5, 5), copy(5, 5);
    geomtest::fill_random(src, 3);
    PhotoTransform(src, dst, 1, 1, 0, 0, 3, 3, TAV_COMPOSE_REPLACE, 1, nullptr);
    PhotoCopy(src, copy, 1, 1, 0, 0, 3, 3, TAV_COMPOSE_REPLACE);
    EXPECT_EQ(Pixels(dst).px, Pixels(copy).px);
    EXPECT_EQ(PhotoTransform(nullptr, dst, 0, 0, 0, 0, 1, 1, 1, 1, nullptr), 1);
    EXPECT_EQ(PhotoScale(src, nullptr, 0, 0, 1, 1, 0, 0, 2, 2, 1, 1), 1);
}

TEST(PhotoScale, NearestRepeatsAndEqualSizesCopy) {
    Image src(2, 2), dst(4, 4);
    geomtest::fill_random(src, 5);
    PhotoScale(src, dst, 0, 0, 2, 2, 0, 0, 4, 4, TAV_COMPOSE_REPLACE, 1);
    const Pixels s(src), d(dst);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(std::memcmp(d.at(x, y), s.at(x / 2, y / 2), 4), 0) << x << "," << y;

    // Equal sizes: an exact copy with the compose mode given.
    Image a(3, 3), b(3, 3), c(3, 3);
    geomtest::fill_random(a, 8);
    geomtest::fill_random(b, 9);
    geomtest::fill_random(c, 9);
    PhotoScale(a, b, 0, 0, 3, 3, 0, 0, 3, 3, TAV_COMPOSE_OVER, 3);
    PhotoCopy(a, c, 0, 0, 0, 0, 3, 3, TAV_COMPOSE_OVER);
    EXPECT_EQ(Pixels(b).px, Pixels(c).px);
}

TEST(PhotoScale, ExtremeShapesStayBounded) {
    Image src(64, 64);
    geomtest::fill_random(src, 4);
    Image tall(1, 100000), wide(100000, 1);
    EXPECT_EQ(PhotoScale(src, tall, 0, 0, 64, 64, 0, 0, 1, 100000, TAV_COMPOSE_REPLACE, 1), 0);
    EXPECT_EQ(PhotoScale(src, wide, 0, 0, 64, 64, 0, 0, 100000, 1, TAV_COMPOSE_REPLACE, 2), 0);
    // The inverse factor 64/100000 becomes 3/4096 in fixed point: row y
    // samples source row 3y >> 12, which leaves the source after row 87381.
    EXPECT_EQ(tavtest::pixel(tall, 0, 87381), tavtest::pixel(src, 0, 63));
    EXPECT_EQ(tavtest::pixel(tall, 0, 87382), (std::array<unsigned char, 4>{0, 0, 0, 0}));
    // A destination rectangle far outside does nothing.
    EXPECT_EQ(PhotoScale(src, tall, 0, 0, 64, 64, INT_MAX, 0, 5, 5, TAV_COMPOSE_REPLACE, 1), 0);
    EXPECT_EQ(PhotoScale(src, tall, 0, 0, 64, 64, INT_MIN, INT_MIN, 5, 5, TAV_COMPOSE_REPLACE, 1), 0);
}

}  // namespace
