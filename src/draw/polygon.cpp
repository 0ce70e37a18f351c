// Polygons.  Each row of the image is filled from the edges that cross it:
// without antialiasing at the row's centre line, with antialiasing from the
// exact area every edge sweeps inside each pixel of the row (accumulated as
// a signed area per pixel plus a running cover, so a row costs its edges'
// pixel crossings and one pass over the pixels it touches).
#include "draw/polygon_p.h"

#include "core/memory_p.h"
#include "core/span_p.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

struct Edge {
    double x0, y0, x1, y1;  // y0 < y1
    int dir;                // +1 downwards in the outline's order, -1 upwards
};

struct Crossing {
    double x;
    int dir;
};

// The non-horizontal edges of the closed outline, top end first.
std::vector<Edge> edges_of(const double *xy, int points, double *top, double *bottom) {
    std::vector<Edge> edges;
    edges.reserve(static_cast<size_t>(points));
    *top = xy[1], *bottom = xy[1];
    for (int i = 0; i < points; ++i) {
        const int j = (i + 1) % points;
        double x0 = xy[2 * i], y0 = xy[2 * i + 1], x1 = xy[2 * j], y1 = xy[2 * j + 1];
        *top = std::min(*top, y0), *bottom = std::max(*bottom, y0);
        if (y0 == y1) continue;
        int dir = 1;
        if (y0 > y1) std::swap(x0, x1), std::swap(y0, y1), dir = -1;
        edges.push_back(Edge{x0, y0, x1, y1, dir});
    }
    return edges;
}

// Whether a winding number is inside under the rule.
inline bool inside(int winding, tav::FillRule rule) {
    return rule == tav::FillRule::NonZero ? winding != 0 : (winding & 1) != 0;
}

// Rows at the pixel centres: a pixel is drawn when its centre is inside.
void fill_centres(tav::SpanPainter &paint, const std::vector<Edge> &edges, int y_from, int y_to, long long width,
                  tav::FillRule rule) {
    std::vector<Crossing> row;
    row.reserve(edges.size());
    for (int y = y_from; y < y_to; ++y) {
        const double yc = y + 0.5;
        row.clear();
        for (const Edge &e : edges)
            if (e.y0 <= yc && yc < e.y1) row.push_back({e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir});
        std::sort(row.begin(), row.end(), [](const Crossing &a, const Crossing &b) { return a.x < b.x; });
        int winding = 0;
        for (size_t k = 0; k + 1 < row.size(); ++k) {
            winding += row[k].dir;
            if (!inside(winding, rule)) continue;
            // Centres x + 0.5 in [a, b): pixels ceil(a - 0.5) .. ceil(b - 0.5) - 1.
            const double a = std::clamp(std::ceil(row[k].x - 0.5), -1.0, static_cast<double>(width));
            const double b = std::clamp(std::ceil(row[k + 1].x - 0.5), -1.0, static_cast<double>(width));
            if (a < b) paint.run(static_cast<long long>(a), static_cast<long long>(b), y);
        }
    }
}

// One row's accumulation: area[c] is the signed area swept inside pixel c,
// cover[c] the signed height that every pixel from c on is fully covered.
struct RowAccumulator {
    std::vector<double> area, cover;
    long long width;

    explicit RowAccumulator(long long w) : area(static_cast<size_t>(w) + 1), cover(static_cast<size_t>(w) + 1), width(w) {}

    // A piece of edge inside one column c (0 <= c < width) from xa to xb,
    // of signed height h: the part of the pixel right of it gains area.
    void piece(long long c, double xa, double xb, double h) {
        area[static_cast<size_t>(c)] += h * ((c + 1) - (xa + xb) * 0.5);
        cover[static_cast<size_t>(c) + 1] += h;
    }

    // The segment from (xa, ya) to (xb, yb) inside the row, of signed
    // height dir * |yb - ya|, split at every pixel boundary it crosses.  It
    // is walked left to right; y is monotonic along it, so every piece's
    // height has the edge's sign.
    void segment(double xa, double ya, double xb, double yb, int dir) {
        if (ya == yb) return;
        if (xa > xb) std::swap(xa, xb), std::swap(ya, yb);
        const double h_per_y = dir;
        auto height = [&](double from, double to) { return h_per_y * std::fabs(to - from); };
        const double slope = (yb - ya) / (xb - xa == 0 ? 1 : xb - xa);
        auto y_at = [&](double x) { return xb == xa ? yb : ya + (x - xa) * slope; };
        // Left of the image the whole height covers every pixel.
        if (xa < 0) {
            const double x_cut = std::min(xb, 0.0);
            cover[0] += height(ya, y_at(x_cut));
            if (xb <= 0) return;
            ya = y_at(0.0), xa = 0.0;
        }
        if (xa >= static_cast<double>(width)) return;
        const double x_end = std::min(xb, static_cast<double>(width));
        const double y_end = y_at(x_end);
        long long c = static_cast<long long>(std::floor(xa));
        double px = xa, py = ya;
        while (true) {
            const double next = std::min(static_cast<double>(c + 1), x_end);
            const double ny = next == x_end ? y_end : y_at(next);
            piece(c, px, next, height(py, ny));
            if (next >= x_end) break;
            px = next, py = ny, ++c;
        }
    }
};

// The share of a pixel inside, from its signed winding area.
inline double coverage(double winding_area, tav::FillRule rule) {
    double v = std::fabs(winding_area);
    if (rule == tav::FillRule::NonZero) return std::min(v, 1.0);
    v = std::fmod(v, 2.0);
    return v > 1.0 ? 2.0 - v : v;
}

void fill_antialiased(tav::SpanPainter &paint, const std::vector<Edge> &edges, int y_from, int y_to, long long width,
                      tav::FillRule rule, int ink_alpha) {
    RowAccumulator acc(width);
    for (int y = y_from; y < y_to; ++y) {
        std::fill(acc.area.begin(), acc.area.end(), 0.0);
        std::fill(acc.cover.begin(), acc.cover.end(), 0.0);
        const double top = y, bottom = y + 1.0;
        bool any = false;
        for (const Edge &e : edges) {
            if (e.y1 <= top || e.y0 >= bottom) continue;
            const double ya = std::max(e.y0, top), yb = std::min(e.y1, bottom);
            const double dx = (e.x1 - e.x0) / (e.y1 - e.y0);
            acc.segment(e.x0 + (ya - e.y0) * dx, ya - top, e.x0 + (yb - e.y0) * dx, yb - top, e.dir);
            any = true;
        }
        if (!any) continue;
        double running = 0.0;
        long long run_from = -1;
        for (long long x = 0; x < width; ++x) {
            running += acc.cover[static_cast<size_t>(x)];
            const double share = coverage(running + acc.area[static_cast<size_t>(x)], rule);
            const int alpha = static_cast<int>(std::lround(share * 255.0));
            if (alpha == 255) {
                if (run_from < 0) run_from = x;
                continue;
            }
            if (run_from >= 0) paint.run(run_from, x, y), run_from = -1;
            if (alpha > 0) paint.pixel_alpha(x, y, (alpha * ink_alpha + 127) / 255);
        }
        if (run_from >= 0) paint.run(run_from, width, y);
    }
}

}  // namespace

namespace tav {

int draw_polygon(Photo *image, const double *xy, int points, bool fill, bool antialiased, FillRule rule) {
    if (!image || points < 3) return 1;
    if (!fill) {
        for (int i = 0; i < points; ++i) {
            const int j = (i + 1) % points;
            auto at = [&](int k, int axis) {
                return static_cast<int>(std::lround(std::clamp(xy[2 * k + axis], -1073741824.0, 1073741824.0)));
            };
            PhotoDrawLine(image, nullptr, at(i, 0), at(i, 1), at(j, 0), at(j, 1));
        }
        return 0;
    }
    try {
        double top = 0, bottom = 0;
        const std::vector<Edge> edges = edges_of(xy, points, &top, &bottom);
        const long long width = PhotoWidth(image), height = PhotoHeight(image);
        if (edges.empty() || width < 1 || height < 1) return 0;
        const int y_from = static_cast<int>(std::clamp(std::floor(top), 0.0, static_cast<double>(height)));
        const int y_to = static_cast<int>(std::clamp(std::ceil(bottom), 0.0, static_cast<double>(height)));
        SpanPainter paint(image, image->foreground, TAV_COMPOSE_DEFAULT);
        if (paint.status() != 0) return 0;
        if (antialiased) fill_antialiased(paint, edges, y_from, y_to, width, rule, image->foreground[3]);
        else fill_centres(paint, edges, y_from, y_to, width, rule);
    } catch (const std::bad_alloc &) {
        return 1;
    }
    return 0;
}

}  // namespace tav
