// Filters against a plain transcription of the convolution on random
// images and kernels: every edge mode, the absolute mode, kernels far larger
// than the image, and the box mean, blur and wind built on it.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/cpu_p.h"
#include "geometry/geometry_support.h"

using geomtest::Image;
using geomtest::Pixels;

namespace {

// The convolution as written: window rows of the original image, every
// kernel cell visited, 64-bit sums.
Pixels reference_convolution(const Pixels &src, const std::vector<int> &k, int divisor, int kw, int kh, int cx,
                             int cy, int flags) {
    Pixels out = src;
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            long long sum[4] = {0, 0, 0, 0}, weights = 0;
            for (int l = 0; l < kh; ++l) {
                const long long sy = (long long)y - cy + l;
                if (sy < 0 || sy >= src.h) continue;
                for (int c = 0; c < kw; ++c) {
                    const int w = k[(size_t)l * kw + c];
                    if (!w) continue;
                    long long m = (long long)x - cx + c;
                    if (flags & 1) m = ((m % src.w) + src.w) % src.w;
                    else if (flags & 2) m = m < 0 ? 0 : m >= src.w ? src.w - 1 : m;
                    else if (m < 0 || m >= src.w) continue;
                    const unsigned char *p = src.at((int)m, (int)sy);
                    for (int ch = 0; ch < 4; ++ch) sum[ch] += (long long)w * p[ch];
                    weights += w;
                }
            }
            unsigned char *o = out.at(x, y);
            for (int ch = 0; ch < 4; ++ch) {
                long long v = sum[ch];
                if (divisor) v /= divisor;
                else if (weights) v /= weights;
                if (flags & 32) v = ch == 3 ? 255 : std::llabs(v);
                else if (v < 0) v = 0;
                o[ch] = (unsigned char)(v > 255 ? 255 : v);
            }
        }
    return out;
}

TEST(PhotoConvolution, MatchesTranscriptionOnRandomKernels) {
    std::mt19937 rng(21);
    const int flag_sets[] = {0, 1, 2, 3, 32, 33, 34};
    for (int round = 0; round < 120; ++round) {
        // Rounds take turns: the AVX2 twins, the SSE2 twins, the portable loops.
        tav::set_vector_twins(round % 3 != 2);
        tav::set_avx2_twins(round % 3 == 0);
        const int w = 1 + rng() % (round % 3 ? 13 : 41), h = 1 + rng() % 9;
        // Some kernels far wider or taller than the image, some with huge
        // weights that need 64-bit sums.
        const int kw = round % 5 == 0 ? 30 + rng() % 20 : 1 + rng() % 6;
        const int kh = round % 7 == 0 ? 20 + rng() % 10 : 1 + rng() % 6;
        std::vector<int> k((size_t)kw * kh);
        for (int &v : k) v = rng() % 3 == 0 ? 0 : (int)(rng() % 11) - 4;
        if (round % 6 == 1) k[rng() % k.size()] = INT_MAX / 3;
        const int cx = rng() % kw, cy = rng() % kh, flags = flag_sets[round % 7];
        if (round % 4 == 3) {  // rows and columns mirrored about the anchor, as a blur's are
            for (int l = 0; l < cy; ++l)
                if (2 * cy - l < kh) std::copy_n(&k[(size_t)l * kw], kw, &k[(size_t)(2 * cy - l) * kw]);
            for (int l = 0; l < kh; ++l)
                for (int c = 0; c < cx; ++c)
                    if (2 * cx - c < kw) k[(size_t)l * kw + 2 * cx - c] = k[(size_t)l * kw + c];
        }
        const int divisor = round % 4 == 0 ? (int)(rng() % 7) - 3 : 0;
        Image image(w, h);
        geomtest::fill_random(image, round);
        const Pixels before(image);
        ASSERT_EQ(PhotoConvolution(image, k.data(), divisor, kw, kh, cx, cy, flags), 0);
        EXPECT_EQ(Pixels(image).px, reference_convolution(before, k, divisor, kw, kh, cx, cy, flags).px)
            << "round " << round << " " << w << "x" << h << " kernel " << kw << "x" << kh << " flags " << flags;
    }
    tav::set_vector_twins(true);
    tav::set_avx2_twins(true);
}

TEST(PhotoConvolution, HugeKernelCostsOnlyItsOverlap) {
    // 1 x 10000 and 501 x 501 on a small image: the same pixels as the
    // transcription, in the time of a kernel the image's size.
    Image image(9, 7);
    geomtest::fill_random(image, 5);
    std::vector<int> row(10000, 1);
    for (int flags : {0, 1, 2}) {
        const Pixels before(image);
        PhotoConvolution(image, row.data(), 0, 10000, 1, 4999, 0, flags);
        EXPECT_EQ(Pixels(image).px, reference_convolution(before, row, 0, 10000, 1, 4999, 0, flags).px) << flags;
    }
    std::vector<int> square(501 * 501, 2);
    const Pixels before(image);
    PhotoConvolution(image, square.data(), 0, 501, 501, 250, 250, 0);
    EXPECT_EQ(Pixels(image).px, reference_convolution(before, square, 0, 501, 501, 250, 250, 0).px);
}

TEST(PhotoConvolution, AnchorOutsideOrEmptyKernel) {
    Image image(4, 4);
    geomtest::fill_random(image, 9);
    const Pixels before(image);
    const int k[4] = {1, 1, 1, 1};
    EXPECT_EQ(PhotoConvolution(image, k, 0, 2, 2, 2, 0, 0), 1);  // cx = kernel width
    EXPECT_EQ(PhotoConvolution(image, k, 0, 2, 2, 0, -1, 0), 1);
    EXPECT_EQ(PhotoConvolution(image, k, 0, 0, 2, 0, 0, 0), 0);
    EXPECT_EQ(Pixels(image).px, before.px);
}

TEST(PhotoMedian, BoxMeanEqualsTheConvolutionOfOnes) {
    for (int radius : {1, 2, 5, 40, 100000}) {
        Image a(17, 11), b(17, 11);
        geomtest::fill_random(a, radius);
        geomtest::fill_random(b, radius);
        ASSERT_EQ(PhotoMedian(a, radius), 0);
        const int r = std::min(radius, 17);  // cells beyond the image are skipped anyway
        std::vector<int> ones((size_t)(2 * r + 1) * (2 * r + 1), 1);
        PhotoConvolution(b, ones.data(), 0, 2 * r + 1, 2 * r + 1, r, r, 0);
        EXPECT_EQ(Pixels(a).px, Pixels(b).px) << radius;
    }
    Image c(3, 3);
    geomtest::fill_random(c, 1);
    const Pixels before(c);
    EXPECT_EQ(PhotoMedian(c, 0), 0);
    EXPECT_EQ(PhotoMedian(c, -2), 0);
    EXPECT_EQ(Pixels(c).px, before.px);
}

TEST(PhotoGaussian, EqualsTheConvolutionOfTavGaussian) {
    // Each radius with the AVX2 twins, the SSE2 twins and the portable loops.
    const int radii[] = {1, 2, 3, 7, 10};
    for (int round = 0; round < 15; ++round) {
        const int radius = radii[round / 3];
        tav::set_vector_twins(round % 3 != 2);
        tav::set_avx2_twins(round % 3 == 0);
        Image a(15 + 3 * radius, 9 + radius);
        geomtest::fill_random(a, radius + 50);
        const Pixels before(a);
        ASSERT_EQ(PhotoGaussian(a, radius), 0);
        const int side = 2 * radius + 1;
        std::vector<int> k((size_t)side * side);
        TavGaussian(k.data(), radius, -1);
        EXPECT_EQ(Pixels(a).px, reference_convolution(before, k, 0, side, side, radius, radius, 0).px) << round;
    }
    tav::set_vector_twins(true);
    tav::set_avx2_twins(true);
    // A radius far beyond the image computes only the kernel's overlap.
    Image big(6, 5);
    geomtest::fill_random(big, 3);
    EXPECT_EQ(PhotoGaussian(big, 100000), 0);
}

TEST(PhotoWind, TapsAlongTheLine) {
    struct Case {
        int dx, dy;
    } cases[] = {{3, 0}, {3, 3}, {-2, 5}, {0, -4}, {7, -2}, {40, 1}, {INT_MAX, 0}, {INT_MIN, INT_MIN}};
    for (const Case &c : cases) {
        Image image(12, 10);
        geomtest::fill_random(image, c.dx ^ c.dy);
        const Pixels before(image);
        ASSERT_EQ(PhotoWind(image, c.dx, c.dy), 0);
        if (std::abs((long long)c.dx) > 100 || std::abs((long long)c.dy) > 100) continue;  // bounded, not checked
        // The kernel drawn with PhotoDrawLine at full size.
        const int kw = std::abs(c.dx) + 1, kh = std::abs(c.dy) + 1;
        const int cx = c.dx > 0 ? c.dx : 0, cy = c.dy > 0 ? c.dy : 0;
        Image line(kw, kh);
        const unsigned char black[4] = {0, 0, 0, 255}, white[4] = {255, 255, 255, 255};
        PhotoDrawBox(line, black, 1, 0, 0, kw, kh);
        PhotoDrawLine(line, white, cx, cy, c.dx > 0 ? 0 : -c.dx, c.dy > 0 ? 0 : -c.dy);
        const Pixels lp(line);
        std::vector<int> k((size_t)kw * kh);
        for (size_t i = 0; i < k.size(); ++i) k[i] = lp.px[4 * i];
        EXPECT_EQ(Pixels(image).px, reference_convolution(before, k, 0, kw, kh, cx, cy, 0).px) << c.dx << "," << c.dy;
    }
    Image one(2, 2);
    EXPECT_EQ(PhotoWind(one, 0, 0), 0);
}

TEST(PhotoWind, ThreeZeroAveragesFourPixelsToTheLeft) {
    Image image(5, 1);
    const unsigned char px[20] = {0, 0, 0, 255, 40, 0, 0, 255, 80, 0, 0, 255, 120, 0, 0, 255, 200, 0, 0, 255};
    PhotoPutRGBA(image, px, 0, 0, 5, 1, TAV_COMPOSE_REPLACE);
    PhotoWind(image, 3, 0);
    EXPECT_EQ(tavtest::pixel(image, 4, 0)[0], (40 + 80 + 120 + 200) / 4);
    EXPECT_EQ(tavtest::pixel(image, 1, 0)[0], (0 + 40) / 2);
}

TEST(PhotoGradient, BandDitherAndDegenerateLine) {
    Image image(64, 3);
    const unsigned char c0[4] = {255, 0, 0, 255}, c1[4] = {0, 0, 255, 255};
    PhotoGradient(image, 0, 0, c0, 64, 0, c1);
    // Starts with colour1, moves to colour0; every value is one of the two
    // neighbouring mixes of 255 g / E.
    for (int x = 0; x < 64; ++x) {
        const auto p = tavtest::pixel(image, x, 1);
        const int k = 255 * x / 64;
        EXPECT_TRUE(p[0] == k * 255 / 255 || p[0] == (k + 1) * 255 / 255) << x;
        EXPECT_EQ(p[0] + p[2], 255) << x;
    }
    EXPECT_EQ(tavtest::pixel(image, 0, 0)[2], 255);
    // E = 0: everything is colour1's colour with alpha 0.
    Image flat(3, 3);
    PhotoGradient(flat, 1, 1, c0, 1, 1, c1);
    EXPECT_EQ(tavtest::pixel(flat, 2, 2), (std::array<unsigned char, 4>{0, 0, 255, 0}));
    // Extreme points do not overflow.
    PhotoGradient(flat, INT_MIN, INT_MIN, c0, INT_MAX, INT_MAX, c1);
}

TEST(PhotoNoise, AmountZeroLeavesTheImage) {
    Image image(8, 8);
    geomtest::fill_random(image, 12, true);
    const Pixels before(image);
    PhotoNoise(image, 0);
    EXPECT_EQ(Pixels(image).px, before.px);
    PhotoNoise(image, 255);  // specks of both colours appear
    EXPECT_NE(Pixels(image).px, before.px);
    EXPECT_EQ(PhotoEmboss(), 1);
}

}  // namespace
