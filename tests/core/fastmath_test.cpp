// Series math, kernels, random numbers and colour-space conversions.  The
// series values are pinned: wide lines, rotations and blur weights are
// defined by them, not by the exact mathematical functions.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <vector>

#include "support/tcl_env.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(FastMath, CosineAndSine) {
    EXPECT_EQ(FCos(0.0), 1.0);
    EXPECT_NEAR(FCos(kPi), -1.0, 1e-12);
    EXPECT_NEAR(FCos(kPi / 3), 0.5, 1e-11);
    EXPECT_EQ(FCos(-1.25), FCos(1.25));
    // Large arguments are halved many times and doubled back, which
    // magnifies the series error.
    EXPECT_NEAR(FCos(2000.0), std::cos(2000.0), 1e-5);
    // The quarter turn is pi/2 in single precision, so sine of 0 is not 0.
    EXPECT_EQ(FSin(0.0), FCos(1.5707963705062866));
    EXPECT_NEAR(FSin(0.0), -4.4035592e-8, 1e-15);
    EXPECT_NEAR(FSin(kPi / 2), 1.0, 1e-12);
    EXPECT_NEAR(FSin(-kPi / 6), -0.5, 1e-7);
}

TEST(FastMath, Exponential) {
    EXPECT_EQ(FExp(0.0), 1.0);
    EXPECT_EQ(FExp(100.0), 0.0);
    EXPECT_EQ(FExp(-100.0), 0.0);
    EXPECT_EQ(FExp(90.0), 0.0);
    EXPECT_EQ(FExp(-90.0), 0.0);
    EXPECT_GT(FExp(89.0), 1e38);
    // Degree-9 series on 0.5, squared once: slightly below e.
    EXPECT_NEAR(FExp(1.0), 2.7182818275, 1e-10);
    EXPECT_LT(FExp(1.0), std::exp(1.0) - 5e-10);
    EXPECT_EQ(FExp(-1.0), 1.0 / FExp(1.0));
    EXPECT_NEAR(FExp(10.0), std::exp(10.0), 1e-3);
}

TEST(FastMath, Logarithm) {
    EXPECT_EQ(FLog(1.0), 0.0);
    EXPECT_EQ(FLog(0.0), 0.0);
    EXPECT_EQ(FLog(-5.0), 0.0);
    // The six-term series is good to about 1e-3, and that error is kept.
    EXPECT_NEAR(FLog(2.0), 0.69515, 1e-5);
    EXPECT_NEAR(FLog(10.0), 2.30281, 1e-5);
    EXPECT_NEAR(FLog(1.25), std::log(1.25), 1e-4);  // series only, no halving
    EXPECT_EQ(FLog(0.25), -FLog(4.0));
    EXPECT_EQ(FLog(HUGE_VAL), HUGE_VAL);  // must not halve forever
}

TEST(FastMath, SquareRoot) {
    EXPECT_EQ(FSqrt(-1.0), 0.0);
    EXPECT_EQ(FSqrt(0.0), 0.0);
    EXPECT_EQ(FSqrt(4.0), 2.0);
    EXPECT_NEAR(FSqrt(2.0), std::sqrt(2.0), 1e-15);
    EXPECT_NEAR(FSqrt(0.25), 0.5, 1e-15);
    EXPECT_NEAR(FSqrt(1000.0), std::sqrt(1000.0), 1e-9);
    // From 1024 on through FExp(FLog(x) / 2), with the logarithm's error.
    EXPECT_EQ(FSqrt(2048.0), FExp(FLog(2048.0) * 0.5));
    EXPECT_NEAR(FSqrt(2048.0), 45.300, 5e-4);
    EXPECT_EQ(FSqrt(HUGE_VAL), HUGE_VAL);
}

TEST(FastMath, NonFiniteArgumentsTerminate) {
    EXPECT_TRUE(std::isnan(FCos(HUGE_VAL)));
    EXPECT_TRUE(std::isnan(FSin(-HUGE_VAL)));
    EXPECT_TRUE(std::isnan(FCos(NAN)));
    EXPECT_EQ(FExp(HUGE_VAL), 0.0);
    EXPECT_TRUE(std::isnan(FLog(NAN)));
}

TEST(GaussianKernel, DegenerateArguments) {
    EXPECT_EQ(TavGaussian(nullptr, 2, 1.0), nullptr);
    int one = 7;
    EXPECT_EQ(TavGaussian(&one, 0, 1.0), &one);
    EXPECT_EQ(one, 1);
    int untouched = 7;
    EXPECT_EQ(TavGaussian(&untouched, -1, 1.0), &untouched);
    EXPECT_EQ(untouched, 7);
}

TEST(GaussianKernel, NarrowSigmaIsIdentity) {
    std::vector<int> k(25, 9);
    TavGaussian(k.data(), 2, 0.2);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(k[i], i == 12 ? 1 : 0) << i;
    // Radius 1 with the default sigma (1 / 3.4 < 0.3) is the identity too.
    std::vector<int> k3(9, 9);
    TavGaussian(k3.data(), 1, -1.0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(k3[i], i == 4 ? 1 : 0) << i;
}

// Every weight is trunc(255 * E^-(i*i + j*j) + 0.5) with E = FExp(1/(2 sigma^2)).
void expect_gaussian(int n, double sigma, double effective_sigma) {
    const int side = 2 * n + 1;
    std::vector<int> k(static_cast<size_t>(side) * side, -1);
    TavGaussian(k.data(), n, sigma);
    const double e = FExp(1.0 / (2.0 * effective_sigma * effective_sigma));
    for (int row = -n; row <= n; ++row)
        for (int col = -n; col <= n; ++col) {
            const int expected = static_cast<int>(255.0 / std::pow(e, row * row + col * col) + 0.5);
            EXPECT_EQ(k[(row + n) * side + col + n], expected) << "n=" << n << " at " << row << "," << col;
        }
}

TEST(GaussianKernel, WeightsAndSymmetry) {
    expect_gaussian(2, -1.0, 2 / 3.4);
    expect_gaussian(3, 1.5, 1.5);
    expect_gaussian(6, 0.0, 6 / 3.4);
    std::vector<int> k(25);
    TavGaussian(k.data(), 2, 1.0);
    EXPECT_EQ(k[12], 255);
    EXPECT_EQ(k[7], 155);  // 255 / e^0.5, one step off centre
    EXPECT_EQ(k[0], 5);    // 255 / e^4 in the corner
}

TEST(Binomial, Weights) {
    int out[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    EXPECT_EQ(Gaussian(2, out), 3);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 5);
    EXPECT_EQ(out[2], 10);
    EXPECT_EQ(out[3], -1);
    EXPECT_EQ(Gaussian(5, out), 6);
    const int c11[] = {1, 11, 55, 165, 330, 462};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i], c11[i]);
    out[1] = -1;
    EXPECT_EQ(Gaussian(0, out), 1);
    EXPECT_EQ(Gaussian(-4, out), 1);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], -1);
    std::vector<int> wide(16);
    EXPECT_EQ(Gaussian(15, wide.data()), 16);  // products beyond int range
    EXPECT_EQ(wide[15], 300540195);            // C(31, 15)
}

TEST(Random, SeedRepeatsAndRangeHolds) {
    RandomSeed(1234);
    std::vector<int> first;
    for (int i = 0; i < 20; ++i) first.push_back(RandomGet(1000));
    RandomSeed(1234);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(RandomGet(1000), first[i]);
    for (int i = 0; i < 200; ++i) {
        const int v = RandomGet(7);
        EXPECT_GE(v, 0);
        EXPECT_LT(v, 7);
    }
    EXPECT_EQ(RandomGet(1), 0);
    EXPECT_EQ(RandomGet(0), 0);  // no division by zero
    EXPECT_EQ(RandomGet(-3), 0);
    // A fixed seed replaces the clock's until it is cleared.
    TavSetRandomSeed(99);
    EXPECT_EQ(RandomInit(), 99u);
    unsigned int fixed = 0;
    EXPECT_EQ(TavGetRandomSeed(&fixed), 1);
    EXPECT_EQ(fixed, 99u);
    TavClearRandomSeed();
    EXPECT_EQ(TavGetRandomSeed(&fixed), 0);
    const auto before = static_cast<unsigned int>(std::time(nullptr));
    const unsigned int seed = RandomInit();
    EXPECT_GE(seed, before);
    EXPECT_LE(seed, before + 2);
    TavSetRandomSeed(tavtest::kSeed);
}

TEST(ColorSpace, Grey) {
    EXPECT_EQ(rgb_to_gs(255, 255, 255), 254);
    EXPECT_EQ(rgb_to_gs(0, 0, 0), 0);
    EXPECT_EQ(rgb_to_gs(255, 0, 0), 75);
    EXPECT_EQ(rgb_to_gs(0, 255, 0), 149);
    EXPECT_EQ(rgb_to_gs(0, 0, 255), 28);
    EXPECT_EQ(rgb_to_gs(512, 0, 0), 152);  // (76 * 512) >> 8, truncated to 8 bits
}

TEST(ColorSpace, RgbToHslLeavesUndefinedPartsAlone) {
    double h = -1, s = -1, l = -1;
    rgb_to_hsl(0, 0, 0, &h, &s, &l);
    EXPECT_EQ(l, 0.0);
    EXPECT_EQ(s, -1.0);
    EXPECT_EQ(h, -1.0);
    rgb_to_hsl(0.5, 0.5, 0.5, &h, &s, &l);
    EXPECT_EQ(l, 0.5);
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(h, -1.0);
}

TEST(ColorSpace, RgbToHsl) {
    struct Case {
        double r, g, b, h, s, l;
    } cases[] = {
        {1, 0, 0, 1.0, 1, 0.5},          // pure red lands on a full turn
        {1, 0.5, 0, 1.0 / 12, 1, 0.5},   // orange
        {0, 1, 0, 1.0 / 3, 1, 0.5},      // green
        {0, 0, 1, 2.0 / 3, 1, 0.5},      // blue
        {1, 0, 0.5, 11.0 / 12, 1, 0.5},  // red-magenta
        {1, 1, 0.5, 1.0 / 6, 1, 0.75},   // light yellow: the upper saturation formula
        {0.2, 0.4, 0.3, 5.0 / 12, 1.0 / 3, 0.3},
    };
    for (const Case &c : cases) {
        double h = -1, s = -1, l = -1;
        rgb_to_hsl(c.r, c.g, c.b, &h, &s, &l);
        EXPECT_NEAR(h, c.h, 1e-12) << c.r << " " << c.g << " " << c.b;
        EXPECT_NEAR(s, c.s, 1e-12) << c.r << " " << c.g << " " << c.b;
        EXPECT_NEAR(l, c.l, 1e-12) << c.r << " " << c.g << " " << c.b;
    }
}

TEST(ColorSpace, HslRoundTrip) {
    const double colours[][3] = {{1, 0, 0},     {1, 0.5, 0},   {0.25, 1, 0},  {0, 1, 0.75}, {0, 0.3, 1},
                                 {0.6, 0, 1},   {1, 0, 0.5},   {0.2, 0.4, 0.3}, {0.9, 0.8, 0.7}, {1, 1, 1}};
    for (const auto &c : colours) {
        double h = 0, s = 0, l = 0, r = -1, g = -1, b = -1;
        rgb_to_hsl(c[0], c[1], c[2], &h, &s, &l);
        hsl_to_rgb(h, s, l, &r, &g, &b);
        EXPECT_NEAR(r, c[0], 1e-12) << c[0] << " " << c[1] << " " << c[2];
        EXPECT_NEAR(g, c[1], 1e-12) << c[0] << " " << c[1] << " " << c[2];
        EXPECT_NEAR(b, c[2], 1e-12) << c[0] << " " << c[1] << " " << c[2];
    }
}

TEST(ColorSpace, HslToRgbEdges) {
    double r = -1, g = -1, b = -1;
    hsl_to_rgb(0.3, 1, 0, &r, &g, &b);
    EXPECT_EQ(r, 0.0);
    EXPECT_EQ(g, 0.0);
    EXPECT_EQ(b, 0.0);
    // A hue of exactly 1 is red again.
    hsl_to_rgb(1.0, 1, 0.5, &r, &g, &b);
    EXPECT_EQ(r, 1.0);
    EXPECT_EQ(g, 0.0);
    EXPECT_EQ(b, 0.0);
    // Hues outside the circle leave the outputs alone.
    for (double hue : {1.5, -0.1, static_cast<double>(NAN)}) {
        r = g = b = -1;
        hsl_to_rgb(hue, 1, 0.5, &r, &g, &b);
        EXPECT_EQ(r, -1.0) << hue;
        EXPECT_EQ(g, -1.0) << hue;
        EXPECT_EQ(b, -1.0) << hue;
    }
}

}  // namespace
