// Ellipses, circles and arcs: exact outlines, ranges, fill under outline,
// and agreement with a plain column-by-column transcription of the height
// walk, also for radii where double rounding flattens the ellipse error and
// for windows deep inside huge ellipses.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <random>
#include <set>

#include "draw/draw_support.h"

using drawtest::Image;
using drawtest::painted;
using drawtest::Recorder;
using drawtest::rgba;
using Points = std::vector<std::pair<int, int>>;

namespace {

const std::array<unsigned char, 4> kOutline = rgba(200, 0, 0);
const std::array<unsigned char, 4> kFill = rgba(0, 0, 200);

// Every column from the centre out, walking each height down from the
// previous one; columns outside the image are skipped only because every
// run in them would be clipped away.
void reference_arc(Photo *image, const unsigned char *k, const unsigned char *f, long long cx, long long cy,
                   long long rx, long long ry, long long xmin, long long xmax, long long ymin, long long ymax) {
    if (xmin > xmax) std::swap(xmin, xmax);
    if (ymin > ymax) std::swap(ymin, ymax);
    if (rx < 0) return;
    const long long xlo = std::max(xmin, -rx), xhi = std::min(xmax, rx);
    const long long ylo = std::max(ymin, -ry), yhi = std::min(ymax, ry);
    const double drx = double(rx), dry = double(ry);
    const auto error = [&](long long i, long long j) {
        return double(i) * double(i) * dry * dry + double(j) * double(j) * drx * drx - drx * drx * dry * dry;
    };
    long long n = ry;
    for (long long i = 0; i <= rx; ++i) {
        long long j = n;
        while (j > 0 && std::fabs(error(i, j - 1)) <= std::fabs(error(i, j))) --j;
        for (int side = 0; side < 2; ++side) {
            const long long off = side == 0 ? i : -i;
            if ((side == 1 && i == 0) || off < xlo || off > xhi) continue;
            const long long x = cx + off;
            if (x < 0 || x >= image->width) continue;
            if (ylo <= j && j <= yhi) {
                if (f && j > 0) PhotoDrawVLine(image, f, int(x), int(cy), int(j));
                if (j == n) PhotoDrawPixel(image, k, int(x), int(cy + n));
                else PhotoDrawVLine(image, k, int(x), int(cy + j), int(n - j));
            }
            if (ylo <= -j && -j <= yhi) {
                if (f && j > 0) PhotoDrawVLine(image, f, int(x), int(cy - j), int(j));
                if (j == n) PhotoDrawPixel(image, k, int(x), int(cy - n));
                else PhotoDrawVLine(image, k, int(x), int(cy - n + 1), int(n - j));
            }
        }
        n = j;
    }
}

Points offsets_of(Photo *image, int cx, int cy) {
    Points out;
    for (const auto &[x, y] : painted(image)) out.emplace_back(x - cx, y - cy);
    std::sort(out.begin(), out.end());
    return out;
}

Points sorted(Points p) {
    std::sort(p.begin(), p.end());
    return p;
}

}  // namespace

TEST(DrawCircle, SmallOutlinesAreExact) {
    Recorder zero(9, 9);
    PhotoDrawCircle(zero, kOutline.data(), nullptr, 4, 4, 0);
    EXPECT_EQ(zero.points(), (Points{{4, 4}, {4, 4}}));  // both halves draw the centre

    Image two(9, 9);
    PhotoDrawCircle(two, kOutline.data(), nullptr, 4, 4, 2);
    EXPECT_EQ(offsets_of(two, 4, 4), sorted({{-1, -2}, {0, -2}, {1, -2}, {-1, 2}, {0, 2}, {1, 2},
                                              {-2, -1}, {-2, 0}, {-2, 1}, {2, -1}, {2, 0}, {2, 1}}));

    Image three(9, 9);
    PhotoDrawCircle(three, kOutline.data(), nullptr, 4, 4, 3);
    EXPECT_EQ(offsets_of(three, 4, 4),
              sorted({{-1, -3}, {0, -3}, {1, -3}, {-1, 3}, {0, 3}, {1, 3}, {-2, -2}, {2, -2}, {-2, 2}, {2, 2},
                      {-3, -1}, {-3, 0}, {-3, 1}, {3, -1}, {3, 0}, {3, 1}}));
}

TEST(DrawCircle, OutlineIsSymmetricAboutBothAxes) {
    for (int r : {1, 4, 7, 12, 25}) {
        Image image(61, 61);
        PhotoDrawCircle(image, kOutline.data(), nullptr, 30, 30, r);
        const auto px = offsets_of(image, 30, 30);
        const std::set<std::pair<int, int>> all(px.begin(), px.end());
        for (const auto &[x, y] : px) {
            EXPECT_TRUE(all.count({-x, y})) << r;
            EXPECT_TRUE(all.count({x, -y})) << r;
        }
    }
}

TEST(DrawArc, FillIsDrawnBeforeTheOutlineInEachColumn) {
    Recorder rec(9, 9);
    PhotoDrawCircle(rec, kOutline.data(), kFill.data(), 4, 4, 2);
    const auto &puts = rec.puts();
    ASSERT_GE(puts.size(), 6u);
    const std::vector<drawtest::Put> centre_column(puts.begin(), puts.begin() + 6);
    EXPECT_EQ(centre_column, (std::vector<drawtest::Put>{{4, 4, kFill}, {4, 5, kFill}, {4, 6, kOutline},
                                                          {4, 2, kFill}, {4, 3, kFill}, {4, 2, kOutline}}));
    Image image(9, 9);
    PhotoDrawCircle(image, kOutline.data(), kFill.data(), 4, 4, 2);
    EXPECT_EQ(tavtest::pixel(image, 4, 2), kOutline);  // outline over fill
    EXPECT_EQ(tavtest::pixel(image, 4, 4), kFill);     // centre row filled once
    EXPECT_EQ(tavtest::pixel(image, 3, 3), kFill);
}

TEST(DrawArc, RangesSelectQuartersAndHalves) {
    Image right(21, 21);
    PhotoDrawArc(right, kOutline.data(), nullptr, 10, 10, 5, 3, 0, 5, -3, 3);
    for (const auto &[x, y] : offsets_of(right, 10, 10)) EXPECT_GE(x, 0);
    Image whole(21, 21);
    PhotoDrawArc(whole, kOutline.data(), nullptr, 10, 10, 5, 3, -5, 5, -3, 3);
    Points right_of_whole;
    for (const auto &p : offsets_of(whole, 10, 10))
        if (p.first >= 0) right_of_whole.push_back(p);
    EXPECT_EQ(offsets_of(right, 10, 10), right_of_whole);  // the centre column belongs to the right half

    // Reversed ranges are put in order first.
    Image reversed(21, 21);
    PhotoDrawArc(reversed, kOutline.data(), nullptr, 10, 10, 5, 3, 5, 0, 3, -3);
    EXPECT_EQ(painted(reversed), painted(right));
}

TEST(DrawArc, LowerRangeStillClosesWhereTheHeightDropsToZero) {
    Image image(9, 9);
    PhotoDrawArc(image, kOutline.data(), nullptr, 4, 4, 3, 3, -3, 3, 0, 3);
    EXPECT_EQ(offsets_of(image, 4, 4), sorted({{-1, 3}, {0, 3}, {1, 3}, {-2, 2}, {2, 2},
                                                {-3, -1}, {-3, 0}, {-3, 1}, {3, -1}, {3, 0}, {3, 1}}));
}

TEST(DrawArc, NegativeOrDegenerateRadii) {
    Image image(11, 11);
    PhotoDrawArc(image, kOutline.data(), kFill.data(), 5, 5, -1, 3, -5, 5, -5, 5);
    PhotoDrawArc(image, kOutline.data(), kFill.data(), 5, 5, 3, -1, -5, 5, -5, 5);
    PhotoDrawCircle(image, kOutline.data(), kFill.data(), 5, 5, INT_MIN);
    EXPECT_TRUE(painted(image).empty());

    PhotoDrawArc(image, kOutline.data(), nullptr, 5, 5, 3, 0, -3, 3, 0, 0);  // a flat ellipse is a row
    EXPECT_EQ(offsets_of(image, 5, 5), sorted({{-3, 0}, {-2, 0}, {-1, 0}, {0, 0}, {1, 0}, {2, 0}, {3, 0}}));

    Image tall(11, 11);
    PhotoDrawArc(tall, kOutline.data(), nullptr, 5, 5, 0, 3, 0, 0, -3, 3);  // rx 0: all heights tie, 0 wins
    EXPECT_EQ(offsets_of(tall, 5, 5), sorted({{0, -2}, {0, -1}, {0, 0}, {0, 1}, {0, 2}}));
}

TEST(DrawArc, MatchesThePlainColumnWalk) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> centre(-20, 45), radius(0, 30), range(-35, 35);
    for (int round = 0; round < 500; ++round) {
        const int cx = centre(rng), cy = centre(rng), rx = radius(rng), ry = radius(rng);
        int xr[2] = {-rx, rx}, yr[2] = {-ry, ry};
        if (round % 3 == 1) xr[0] = range(rng), xr[1] = range(rng);
        if (round % 3 == 2) yr[0] = range(rng), yr[1] = range(rng);
        const unsigned char *fill = round % 2 ? kFill.data() : nullptr;
        Recorder got(26, 24), want(26, 24);
        PhotoDrawArc(got, kOutline.data(), fill, cx, cy, rx, ry, xr[0], xr[1], yr[0], yr[1]);
        reference_arc(want, kOutline.data(), fill, cx, cy, rx, ry, xr[0], xr[1], yr[0], yr[1]);
        ASSERT_EQ(got.puts(), want.puts()) << cx << "," << cy << " r " << rx << "," << ry;
    }
}

TEST(DrawArc, WindowsIntoLargeEllipsesMatchThePlainWalk) {
    // Each window looks at a different part of a large outline, so that the
    // heights before it are derived rather than walked.  The last case has
    // radii where the double-precision error has flat stretches.
    struct Case {
        int cx, cy, rx, ry;
        bool fill;
    };
    const Case cases[] = {
        {10, 4000000 + 5, 4000000, 4000000, false},         // top of a large circle
        {-3999990, 8, 4000000, 4000000, true},              // right end, steep part
        {-2828420, 2828430, 4000000, 4000000, false},       // near 45 degrees
        {-2000, 8, 2010, 16000000, true},                   // tall ellipse, right end
        {-16000000 + 10, 10, 16000000, 1000, false},        // flat ellipse, right end
        {-15, 5, 20, 16000000, true},                       // tall and thin, near the middle
        {-707100, 707110, 1000000, 1000000, true},          // moderate radius, upper right
        {-1, 70000000, 2, 70000000, false},                 // flat error stretches at small heights
    };
    for (const Case &c : cases) {
        const unsigned char *fill = c.fill ? kFill.data() : nullptr;
        Recorder got(24, 16), want(24, 16);
        PhotoDrawArc(got, kOutline.data(), fill, c.cx, c.cy, c.rx, c.ry, -c.rx, c.rx, -c.ry, c.ry);
        reference_arc(want, kOutline.data(), fill, c.cx, c.cy, c.rx, c.ry, -c.rx, c.rx, -c.ry, c.ry);
        EXPECT_EQ(got.puts(), want.puts()) << c.cx << "," << c.cy << " r " << c.rx << "," << c.ry;
        EXPECT_FALSE(want.puts().empty()) << c.cx << "," << c.cy;
    }
}

TEST(DrawArc, HugeRadiiCostOnlyTheVisibleColumns) {
    // A circle of radius 1e9 whose right end crosses a small image.
    Image image(40, 20);
    PhotoDrawCircle(image, kOutline.data(), kFill.data(), -1000000000 + 20, 10, 1000000000);
    const auto px = painted(image);
    EXPECT_EQ(px.size(), 21u * 20u);  // columns 0..20 are inside the disc, or on it
    Image outline(40, 20);
    PhotoDrawCircle(outline, kOutline.data(), nullptr, -1000000000 + 20, 10, 1000000000);
    for (const auto &[x, y] : painted(outline)) EXPECT_GE(x, 19);

    // Largest radii and centres at the ends of the range: no overflow, and the
    // image (inside the disc) is filled.
    Image full(16, 16);
    PhotoDrawCircle(full, kOutline.data(), kFill.data(), INT_MAX, INT_MAX, INT_MAX);
    EXPECT_TRUE(painted(full).empty());  // the disc's nearest point lies beyond (1, 1)
    PhotoDrawCircle(full, kOutline.data(), kFill.data(), 8, 8, INT_MAX);
    EXPECT_EQ(painted(full).size(), 256u);
    Image arc(16, 16);
    PhotoDrawArc(arc, kOutline.data(), nullptr, INT_MIN, 8, INT_MAX, INT_MAX, INT_MIN, INT_MAX, INT_MIN, INT_MAX);
    PhotoDrawArc(arc, kOutline.data(), kFill.data(), 8, INT_MIN + 10, 5, INT_MAX, -5, 5, 0, INT_MAX);
    EXPECT_FALSE(painted(arc).empty());
}
