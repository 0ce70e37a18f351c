// One-pixel lines, fans and antialiased wide lines: the exact pixel sets and
// drawing order, checked against a plain step-by-step transcription of the
// line walk (which visits every step, also far outside the image), and
// end points at the ends of the int range.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <random>

#include "draw/draw_support.h"

using drawtest::Image;
using drawtest::painted;
using drawtest::Recorder;
using drawtest::rgba;
using Points = std::vector<std::pair<int, int>>;
using Alphas = std::vector<std::tuple<int, int, int>>;

namespace {

// The fan and the line walk as plain loops over every step.
namespace reference {

void fan(Photo *image, const unsigned char *color, int x0, int y0, int x1, int y1, bool fill) {
    const long long dx = static_cast<long long>(x1) - x0, dy = static_cast<long long>(y1) - y0;
    if (dx == 0) {
        for (long long y = std::min(y0, y1); y <= std::max(y0, y1); ++y) PhotoDrawPixel(image, color, x0, int(y));
        return;
    }
    if (dy == 0) {
        for (long long x = std::min(x0, x1); x <= std::max(x0, x1); ++x) PhotoDrawPixel(image, color, int(x), y0);
        return;
    }
    const long long n = std::max(std::llabs(dx), std::llabs(dy));
    for (long long i = 0; i < n; ++i) {
        const int x = int(x0 + i * dx / n), y = int(y0 + i * dy / n);
        if (!fill) PhotoDrawPixel(image, color, x, y);
        else if (std::llabs(dx) < std::llabs(dy)) PhotoDrawBox(image, color, 0, x, y, x1 - x, 1);
        else PhotoDrawBox(image, color, 0, x, y, 1, y1 - y);
    }
}

void walk(Photo *image, const unsigned char *k, long long x0, long long y0, long long x1, long long y1, int w,
          bool first, bool last, bool edge1, bool fade1, bool edge2, bool rise2) {
    const long long dx = std::llabs(x1 - x0), dy = std::llabs(y1 - y0);
    const int sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -1 : 1;
    const bool xmajor = dx >= dy;
    const long long count = std::max(dx, dy);
    const long long frac = count ? std::min(dx, dy) * 65536 / count : 0;
    long long e1x = 0, e1y = 0, e2x = 0, e2y = 0;
    if (w <= 1) {
        if (xmajor) e2y = sy;
        else e2x = sx;
    } else {
        const double len = FSqrt(double(dx) * double(dx) + double(dy) * double(dy));
        const long long a = static_cast<long long>(double(dy) * w / len);
        const long long b = static_cast<long long>(double(dx) * w / len);
        const long long ha = a / 2, hb = b / 2;
        if (xmajor) {
            e1x = sx * ha, e1y = -sy * hb, e2x = -sx * (a - ha), e2y = sy * (b - hb);
        } else {
            e1x = -sx * ha, e1y = sy * hb, e2x = sx * (a - ha), e2y = -sy * (b - hb);
        }
    }
    long long x = x0, y = y0, acc = 0;
    const int ka = k[3];
    for (long long i = 0; i <= count; ++i) {
        const int q = int(acc * ka / 65535);
        const unsigned char c1[4] = {k[0], k[1], k[2], static_cast<unsigned char>(fade1 ? ka - q : ka)};
        const unsigned char c2[4] = {k[0], k[1], k[2], static_cast<unsigned char>(rise2 ? q : ka)};
        if (!(i == 0 && !first) && !(i == count && !last)) {
            if (edge1) PhotoDrawPixel(image, c1, int(x + e1x), int(y + e1y));
            if (edge2) PhotoDrawPixel(image, c2, int(x + e2x), int(y + e2y));
            if (w > 1 && (i == 0 || i == count || dx == 0 || dy == 0))
                walk(image, k, x + e1x, y + e1y, x + e2x, y + e2y, 1, false, false, true, true, false, false);
        }
        if (frac > 0) {
            acc += frac;
            if (acc >= 65536) {
                acc -= 65536;
                if (xmajor) y += sy;
                else x += sx;
            }
        }
        if (xmajor) x += sx;
        else y += sy;
    }
}

void line_ext(Photo *image, const unsigned char *k, int x0, int y0, int x1, int y1, int w) {
    walk(image, k, x0, y0, x1, y1, w, true, true, true, true, true, true);
}

}  // namespace reference

const std::array<unsigned char, 4> kInk = rgba(10, 20, 30, 255);

}  // namespace

TEST(DrawLine, StepsTruncateTowardsTheStartAndLeaveOutTheEnd) {
    Recorder rec(10, 10);
    PhotoDrawLine(rec, kInk.data(), 2, 2, 6, 4);
    EXPECT_EQ(rec.points(), (Points{{2, 2}, {3, 2}, {4, 3}, {5, 3}}));
    rec.clear();
    PhotoDrawLine(rec, kInk.data(), 6, 4, 2, 2);
    EXPECT_EQ(rec.points(), (Points{{6, 4}, {5, 4}, {4, 3}, {3, 3}}));
}

TEST(DrawLine, AxisParallelLinesIncludeBothEnds) {
    Image image(10, 10);
    PhotoDrawLine(image, kInk.data(), 5, 9, 5, 3);
    Points column;
    for (int y = 3; y <= 9; ++y) column.emplace_back(5, y);
    EXPECT_EQ(painted(image), column);

    Image dot(10, 10);
    PhotoDrawLine(dot, kInk.data(), 5, 3, 5, 3);
    EXPECT_EQ(painted(dot), (Points{{5, 3}}));

    Image row(10, 10);
    PhotoDrawLine(row, kInk.data(), 7, 1, 4, 1);
    EXPECT_EQ(painted(row), (Points{{4, 1}, {5, 1}, {6, 1}, {7, 1}}));
}

TEST(DrawFan, FilledTriangleReachesTheEndColumnOrRow) {
    // Steep: rows from each step to the end column.
    Image steep(10, 10);
    PhotoDrawFan(steep, kInk.data(), 0, 0, 2, 4, 1);
    // steps (0,0) (0,1) (1,2) (1,3): rows 0..1 cover x 0..1, rows 2..3 cover x 1
    EXPECT_EQ(painted(steep), (Points{{0, 0}, {1, 0}, {0, 1}, {1, 1}, {1, 2}, {1, 3}}));
    // Flat, going left and up: columns from each step to the end row.
    Image flat(10, 10);
    PhotoDrawFan(flat, kInk.data(), 4, 3, 0, 1, 1);
    // steps (4,3) (3,3) (2,2) (1,2): columns cover rows 1..2, 1..2, 1, 1
    EXPECT_EQ(painted(flat), (Points{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {3, 2}, {4, 2}}));
}

TEST(DrawFan, MatchesThePlainLoopEverywhere) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-25, 45);
    for (int round = 0; round < 400; ++round) {
        const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
        const int fill = round % 2;
        Recorder got(24, 18), want(24, 18);
        PhotoDrawFan(got, kInk.data(), x0, y0, x1, y1, fill);
        reference::fan(want, kInk.data(), x0, y0, x1, y1, fill);
        ASSERT_EQ(got.puts(), want.puts()) << x0 << "," << y0 << " -> " << x1 << "," << y1 << " fill " << fill;
    }
}

TEST(DrawLine, EndPointsAtTheEndsOfTheIntRange) {
    Image image(16, 8);
    PhotoDrawLine(image, kInk.data(), INT_MIN, INT_MIN, INT_MAX, INT_MAX);  // through (k, k)
    Points diagonal;
    for (int k = 0; k < 8; ++k) diagonal.emplace_back(k, k);
    EXPECT_EQ(painted(image), diagonal);

    Image flat(16, 8);
    PhotoDrawLine(flat, kInk.data(), -1000000000, 3, 1000000000, 4);  // row 3 until the very end
    Points row;
    for (int x = 0; x < 16; ++x) row.emplace_back(x, 3);
    EXPECT_EQ(painted(flat), row);

    Image fan(16, 8);
    PhotoDrawFan(fan, kInk.data(), INT_MAX, INT_MIN, INT_MIN, INT_MAX, 1);
    EXPECT_FALSE(painted(fan).empty());

    Recorder rec(16, 8);
    PhotoDrawLine(rec, kInk.data(), INT_MIN, 0, INT_MIN, INT_MAX);
    PhotoDrawLine(rec, kInk.data(), INT_MAX, 2, INT_MIN, 2);
    EXPECT_EQ(rec.puts().size(), 16u);
}

TEST(DrawLine, MediumScaleMatchesThePlainLoop) {
    const std::array<std::array<int, 4>, 4> lines{{{-400000, 3, 400000, 9},
                                                    {5, -300000, 9, 300000},
                                                    {-123457, -98765, 200003, 170001},
                                                    {300000, 20, -300000, 1}}};
    for (const auto &l : lines) {
        Recorder got(20, 12), want(20, 12);
        PhotoDrawLine(got, kInk.data(), l[0], l[1], l[2], l[3]);
        reference::fan(want, kInk.data(), l[0], l[1], l[2], l[3], false);
        EXPECT_EQ(got.puts(), want.puts());
    }
}

TEST(DrawLineExt, ThinHorizontalLineHasAClearNeighbourBelow) {
    const auto half = rgba(1, 2, 3, 100);
    Recorder rec(10, 10);
    PhotoDrawLineExt(rec, half.data(), 1, 4, 3, 4, 1);
    EXPECT_EQ(rec.alphas(), (Alphas{{1, 4, 100}, {1, 5, 0}, {2, 4, 100}, {2, 5, 0}, {3, 4, 100}, {3, 5, 0}}));
    EXPECT_EQ(rec.puts()[0].rgba, half);
}

TEST(DrawLineExt, DiagonalNeverFades) {
    Recorder rec(10, 10);
    PhotoDrawLineExt(rec, kInk.data(), 0, 0, 3, 3, 1);
    EXPECT_EQ(rec.alphas(), (Alphas{{0, 0, 255}, {0, 1, 0}, {1, 1, 255}, {1, 2, 0},
                                    {2, 2, 255}, {2, 3, 0}, {3, 3, 255}, {3, 4, 0}}));
}

TEST(DrawLineExt, ThinShallowLineSplitsAlphaBetweenRows) {
    Recorder rec(10, 10);
    PhotoDrawLineExt(rec, kInk.data(), 0, 0, 4, 1, 1);
    EXPECT_EQ(rec.alphas(), (Alphas{{0, 0, 255}, {0, 1, 0}, {1, 0, 192}, {1, 1, 63}, {2, 0, 128}, {2, 1, 127},
                                    {3, 0, 64}, {3, 1, 191}, {4, 1, 255}, {4, 2, 0}}));
}

TEST(DrawLineExt, SteepThinLineUsesTheColumnToTheSide) {
    Recorder rec(10, 10);
    PhotoDrawLineExt(rec, kInk.data(), 3, 0, 2, 2, 1);  // y-major, going left
    EXPECT_EQ(rec.alphas(), (Alphas{{3, 0, 255}, {2, 0, 0}, {3, 1, 128}, {2, 1, 127}, {2, 2, 255}, {1, 2, 0}}));
}

TEST(DrawLineExt, WidthThreeHorizontalBand) {
    Image image(6, 6);
    PhotoDrawLineExt(image, kInk.data(), 0, 2, 3, 2, 3);
    for (int x = 0; x < 6; ++x)
        for (int y = 0; y < 6; ++y) {
            const int expected = x <= 3 && y >= 1 && y <= 3 ? 255 : 0;  // row 4 is drawn with alpha 0
            EXPECT_EQ(tavtest::pixel(image, x, y)[3], expected) << x << "," << y;
        }
    Recorder rec(6, 6);
    PhotoDrawLineExt(rec, kInk.data(), 0, 2, 3, 2, 3);
    const Alphas drawn = rec.alphas();
    EXPECT_EQ(std::count_if(drawn.begin(), drawn.end(),
                            [](const auto &t) { return std::get<1>(t) == 4 && std::get<2>(t) == 0; }),
              4);
}

TEST(DrawLineExt, WideLinesBandWhenAxisParallelAndOutlineOtherwise) {
    Recorder band(20, 20);
    PhotoDrawLineExt(band, kInk.data(), 0, 5, 10, 5, 4);
    // edges at rows 3 and 7, the cross-section fills rows 4..6 of every column
    for (int x = 0; x <= 10; ++x)
        for (int y = 3; y <= 7; ++y)
            EXPECT_NE(std::find_if(band.puts().begin(), band.puts().end(),
                                   [&](const drawtest::Put &p) { return p.x == x && p.y == y; }),
                      band.puts().end())
                << x << "," << y;
    EXPECT_EQ(band.puts().front().y, 3);
    EXPECT_EQ(band.puts()[1].y, 7);

    Image outline(20, 20);
    PhotoDrawLineExt(outline, kInk.data(), 5, 5, 15, 15, 4);
    const auto px = painted(outline);
    const auto has = [&](int x, int y) { return std::find(px.begin(), px.end(), std::make_pair(x, y)) != px.end(); };
    EXPECT_TRUE(has(6, 4));     // edge 1 at (+1, -1)
    EXPECT_FALSE(has(4, 6));    // edge 2 at (-1, +1) rises from 0, and on a diagonal stays there
    EXPECT_FALSE(has(10, 10));  // the inside is not filled
    EXPECT_TRUE(has(5, 5));     // the end cross-sections join the edges
    EXPECT_TRUE(has(15, 15));
}

TEST(DrawLineExt, MatchesThePlainWalk) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> coord(-30, 50), width(0, 7);
    std::uniform_int_distribution<int> alpha(0, 255);
    for (int round = 0; round < 600; ++round) {
        const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
        const int w = width(rng);
        if (x0 == x1 && y0 == y1 && w > 1) continue;
        const auto k = rgba(3, 4, 5, alpha(rng));
        Recorder got(26, 20), want(26, 20);
        PhotoDrawLineExt(got, k.data(), x0, y0, x1, y1, w);
        if (w > 0) reference::line_ext(want, k.data(), x0, y0, x1, y1, w);
        ASSERT_EQ(got.puts(), want.puts()) << x0 << "," << y0 << " -> " << x1 << "," << y1 << " width " << w;
    }
}

TEST(DrawLineExt, MediumScaleMatchesThePlainWalk) {
    const std::array<std::array<int, 5>, 6> lines{{{-300000, 2, 300000, 9, 1},
                                                    {-300000, 2, 300000, 9, 5},
                                                    {7, -250000, 11, 250000, 3},
                                                    {-100003, -80001, 150007, 120011, 6},
                                                    {200000, 3, -200000, 3, 40},
                                                    {12, 60, 8, -20, 300}}};
    for (const auto &l : lines) {
        Recorder got(24, 16), want(24, 16);
        PhotoDrawLineExt(got, kInk.data(), l[0], l[1], l[2], l[3], l[4]);
        reference::line_ext(want, kInk.data(), l[0], l[1], l[2], l[3], l[4]);
        EXPECT_EQ(got.puts(), want.puts()) << l[0] << "," << l[1] << " width " << l[4];
    }
}

TEST(DrawLineExt, ZeroLengthWideSegmentIsASquare) {
    Image image(10, 10);
    PhotoDrawLineExt(image, kInk.data(), 5, 5, 5, 5, 4);
    Points square;
    for (int y = 3; y <= 6; ++y)
        for (int x = 3; x <= 6; ++x) square.emplace_back(x, y);
    EXPECT_EQ(painted(image), square);

    Image odd(10, 10);
    PhotoDrawLineExt(odd, kInk.data(), 0, 0, 0, 0, 3);  // clipped at the corner
    EXPECT_EQ(painted(odd), (Points{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));

    Recorder thin(10, 10);  // width 1 keeps the walk: the point and a clear neighbour
    PhotoDrawLineExt(thin, kInk.data(), 2, 2, 2, 2, 1);
    EXPECT_EQ(thin.alphas(), (Alphas{{2, 2, 255}, {2, 3, 0}}));

    Image none(10, 10);
    PhotoDrawLineExt(none, kInk.data(), 1, 1, 8, 8, 0);
    PhotoDrawLineExt(none, kInk.data(), 1, 1, 8, 8, -3);
    EXPECT_TRUE(painted(none).empty());
}

TEST(DrawLineExt, FarEndPointsCostOnlyTheVisiblePart) {
    // 2e9 long and 5 pixels high: the slope truncates to 0, so row 0 gets the
    // whole colour and row 1 the clear neighbour, across the image.
    Recorder rec(50, 10);
    PhotoDrawLineExt(rec, kInk.data(), -1000000000, 0, 1000000000, 5, 1);
    Alphas expected;
    for (int x = 0; x < 50; ++x) {
        expected.emplace_back(x, 0, 255);
        expected.emplace_back(x, 1, 0);
    }
    EXPECT_EQ(rec.alphas(), expected);

    // The visible part of a diagonal is the same whether it is 150 or 4e9 long.
    Recorder far(40, 40), near(40, 40);
    PhotoDrawLineExt(far, kInk.data(), INT_MIN + 1, INT_MIN + 1, INT_MAX, INT_MAX, 3);
    PhotoDrawLineExt(near, kInk.data(), -50, -50, 100, 100, 3);
    EXPECT_FALSE(near.puts().empty());
    EXPECT_EQ(far.puts(), near.puts());

    // An enormous width covers the image once per column.
    Image band(20, 10);
    PhotoDrawLineExt(band, kInk.data(), 0, 5, 19, 5, INT_MAX);
    EXPECT_EQ(painted(band).size(), 200u);
    Image steep(20, 10);
    PhotoDrawLineExt(steep, kInk.data(), INT_MIN, INT_MIN, INT_MAX, INT_MAX - 3, INT_MAX);
    PhotoDrawLineExt(steep, kInk.data(), INT_MAX, INT_MIN, INT_MIN, INT_MAX, 1000000);
}
