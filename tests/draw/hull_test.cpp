// Convex hull by gift wrapping, and the clip region interface.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "draw/draw_support.h"

namespace {

using Pts = std::vector<int>;

int hull(Pts &p) { return ConvexHull(static_cast<int>(p.size() / 2), p.data()); }

}  // namespace

TEST(ConvexHull, TwoPointsStayAsTheyAre) {
    Pts p{5, 9, 1, 2};
    EXPECT_EQ(hull(p), 2);
    EXPECT_EQ(p, (Pts{5, 9, 1, 2}));
    EXPECT_EQ(ConvexHull(0, nullptr), 0);
}

TEST(ConvexHull, SquareStartsAtTheFirstTopCorner) {
    // y grows downwards: the wrap runs clockwise on screen.
    Pts p{10, 10, 0, 10, 10, 0, 0, 0};  // top corners (10,0) then (0,0)
    EXPECT_EQ(hull(p), 4);
    EXPECT_EQ(p, (Pts{10, 0, 10, 10, 0, 10, 0, 0}));

    Pts q{0, 10, 0, 0, 10, 10, 10, 0};
    EXPECT_EQ(hull(q), 4);
    EXPECT_EQ(q, (Pts{0, 0, 10, 0, 10, 10, 0, 10}));
}

TEST(ConvexHull, InnerPointsAreLeftBehind) {
    Pts p{5, 5, 0, 0, 10, 0, 4, 6, 10, 10, 0, 10, 6, 4};
    EXPECT_EQ(hull(p), 4);
    EXPECT_EQ(Pts(p.begin(), p.begin() + 8), (Pts{0, 0, 10, 0, 10, 10, 0, 10}));
}

TEST(ConvexHull, CollinearPointsTakeTheFarthest) {
    // From the start (0,0) the points (1,1), (2,2) and (3,3) lie on one ray:
    // the farthest is taken.  The first three steps are always filled, so an
    // inner point of the ray still becomes the fourth hull point.
    Pts p{1, 1, 0, 0, 3, 3, 2, 2, 0, 5};
    EXPECT_EQ(hull(p), 4);
    EXPECT_EQ(Pts(p.begin(), p.begin() + 8), (Pts{0, 0, 3, 3, 0, 5, 1, 1}));
}

TEST(ConvexHull, TriangleWithFewerHullPoints) {
    Pts p{2, 3, 4, 0, 0, 0};
    EXPECT_EQ(hull(p), 3);
    EXPECT_EQ(p, (Pts{4, 0, 2, 3, 0, 0}));  // the first of the two top points starts
}

TEST(ConvexHull, ExtremeCoordinatesCompareExactly) {
    // Differences need 33 bits and their products 66: 32-bit arithmetic would
    // wrap and pick the wrong points.
    Pts p{INT_MAX, INT_MAX, INT_MIN, INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 0, 0, 1, -1};
    EXPECT_EQ(hull(p), 4);
    EXPECT_EQ(Pts(p.begin(), p.begin() + 8), (Pts{INT_MIN, INT_MIN, INT_MAX, INT_MIN, INT_MAX, INT_MAX,
                                                   INT_MIN, INT_MAX}));
}

TEST(Region, NullAcceptsEverythingAndAnyRegionNothing) {
    EXPECT_EQ(TavPointInRegion(nullptr, 0, 0), 1);
    EXPECT_EQ(TavPointInRegion(nullptr, INT_MIN, INT_MAX), 1);
    TavRegion *region = TavCreateRegion();
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(TavPointInRegion(region, 0, 0), 0);
    EXPECT_EQ(TavPointInRegion(region, -5, 7), 0);
    TavDeleteRegion(region);
    TavDeleteRegion(nullptr);
}

TEST(Region, ImageHoldingARegionAcceptsNoDrawing) {
    drawtest::Image image(4, 4);
    image.p->region = TavCreateRegion();  // freed with the image
    PhotoSetCompose(image, TAV_COMPOSE_OVER);
    PhotoDrawBox(image, nullptr, TAV_COMPOSE_REPLACE, 0, 0, 4, 4);
    PhotoDrawBox(image, nullptr, TAV_COMPOSE_OVER, 0, 0, 4, 4);
    PhotoDrawLineExt(image, nullptr, 0, 0, 3, 3, 2);
    EXPECT_TRUE(drawtest::painted(image).empty());
}
