// Polygons against exact oracles: the area of the polygon clipped to each
// pixel (antialiased) and the winding number at each pixel centre (plain).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "draw/polygon_p.h"
#include "support/tcl_env.h"

namespace {

using Poly = std::vector<double>;  // x, y pairs

// The polygon clipped to one half-plane a*x + b*y <= c.
Poly clip(const Poly &in, double a, double b, double c) {
    Poly out;
    const size_t n = in.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        const double x0 = in[2 * i], y0 = in[2 * i + 1], x1 = in[2 * j], y1 = in[2 * j + 1];
        const double d0 = a * x0 + b * y0 - c, d1 = a * x1 + b * y1 - c;
        if (d0 <= 0) out.insert(out.end(), {x0, y0});
        if ((d0 < 0) != (d1 < 0) && d0 != d1) {
            const double t = d0 / (d0 - d1);
            out.insert(out.end(), {x0 + t * (x1 - x0), y0 + t * (y1 - y0)});
        }
    }
    return out;
}

double area(const Poly &p) {
    double s = 0;
    const size_t n = p.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        s += p[2 * i] * p[2 * j + 1] - p[2 * j] * p[2 * i + 1];
    }
    return std::fabs(s) / 2;
}

double pixel_area(const Poly &p, int x, int y) {
    Poly q = clip(clip(clip(clip(p, -1, 0, -x), 1, 0, x + 1), 0, -1, -y), 0, 1, y + 1);
    return q.size() >= 6 ? area(q) : 0.0;
}

int winding(const Poly &p, double px, double py) {
    int w = 0;
    const size_t n = p.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        const double x0 = p[2 * i], y0 = p[2 * i + 1], x1 = p[2 * j], y1 = p[2 * j + 1];
        if ((y0 <= py) == (y1 <= py)) continue;
        const double x = x0 + (py - y0) * (x1 - x0) / (y1 - y0);
        if (x <= px) w += y1 > y0 ? 1 : -1;  // a centre on an edge is inside it
    }
    return w;
}

const int kW = 13, kH = 11;

// Simple outlines (no self-crossing) for the area oracle.
const Poly kSimple[] = {
    {1, 1, 11, 2, 4, 9},                             // triangle
    {0.3, 0.7, 12.2, 0.2, 12.9, 10.6, 0.1, 10.9},    // near the borders
    {2, 2, 10, 2, 10, 9, 6, 4.5, 2, 9},              // concave
    {-5, -3, 20, 4.25, 3.5, 30},                     // corners outside
    {6.5, 0.5, 6.6, 10.5, 6.4, 5},                   // a sliver
    {-40, 5.5, 60, 5.5, 60, 5.75, -40, 5.75},        // a thin band wider than the image
    {3.25, 3.25, 8.75, 3.25, 8.75, 7.75, 3.25, 7.75}, // axis-aligned, fractional
};

// The pixels after filling `p` in opaque white on a blank image.
std::vector<unsigned char> filled(const Poly &p, bool antialiased, tav::FillRule rule) {
    tavtest::Image image(kW, kH);
    const unsigned char white[4] = {255, 255, 255, 255};
    PhotoSetForeground(image, white);
    EXPECT_EQ(tav::draw_polygon(image, p.data(), static_cast<int>(p.size() / 2), true, antialiased, rule), 0);
    return tavtest::rgba_of(image);
}

TEST(Polygon, AntialiasedCoverageIsTheExactArea) {
    for (const Poly &p : kSimple) {
        for (auto rule : {tav::FillRule::EvenOdd, tav::FillRule::NonZero}) {
            const auto px = filled(p, true, rule);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const double want = pixel_area(p, x, y) * 255.0;
                    EXPECT_LE(std::fabs(px[(y * kW + x) * 4 + 3] - want), 1.0)
                        << "polygon " << (&p - kSimple) << " pixel " << x << "," << y;
                }
        }
    }
}

TEST(Polygon, PlainFillTakesThePixelsWhoseCentresAreInside) {
    std::vector<Poly> shapes(std::begin(kSimple), std::end(kSimple));
    shapes.push_back({6.5, 0.2, 9.3, 10.1, 0.4, 3.8, 12.6, 3.8, 3.7, 10.1});  // a star: crossings
    shapes.push_back({1, 1, 12, 1, 12, 10, 1, 10, 1, 1, 8, 3, 8, 8, 3, 8, 3, 3, 1, 1});  // wound twice inside
    for (const Poly &p : shapes) {
        for (auto rule : {tav::FillRule::EvenOdd, tav::FillRule::NonZero}) {
            const auto px = filled(p, false, rule);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const int w = winding(p, x + 0.5, y + 0.5);
                    const bool in = rule == tav::FillRule::NonZero ? w != 0 : (w & 1) != 0;
                    EXPECT_EQ(px[(y * kW + x) * 4 + 3] == 255, in)
                        << "shape " << (&p - shapes.data()) << " pixel " << x << "," << y;
                }
        }
    }
}

}  // namespace
