// Series-based cosine, sine, exponential, logarithm and square root.  They use
// fixed iteration counts and no math library, so wide lines, rotations and
// blur weights come out the same on every platform; their (limited)
// precision is part of those results.
#include "tavrel.h"

#include <cmath>

namespace {

// Brings a non-negative finite value below 1 by halving; k counts the
// halvings so that callers can undo them.
double reduce_by_halving(double a, int &k) {
    k = 0;
    while (a >= 1024.0) {
        a *= 0.0009765625;
        k += 10;
    }
    while (a >= 1.0) {
        a *= 0.5;
        k += 1;
    }
    return a;
}

}  // namespace

extern "C" {

double FCos(double x) {
    if (std::isinf(x)) return std::nan("");  // halving would never end
    int k;
    const double a = reduce_by_halving(std::fabs(x), k);
    const double a2 = a * a;
    double r = 1.0;
    for (int d = 10; d >= 2; d -= 2) r = 1.0 - a2 * r / (d * (d - 1));
    while (k-- > 0) r = 2.0 * r * r - 1.0;
    return r;
}

// The quarter turn is pi/2 rounded to single precision, so FSin(0) is a
// few 1e-8 off zero; rotation matrices depend on that value.
double FSin(double x) { return FCos(1.5707963705062866 - x); }

double FExp(double x) {
    if (x == 0.0) return 1.0;
    if (x >= 90.0 || x <= -90.0) return 0.0;
    int k;
    const double a = reduce_by_halving(std::fabs(x), k);
    double s = 0.0;
    for (int d = 10; d >= 1; --d) s = s * a / d + 1.0;
    while (k-- > 0) s *= s;
    return x < 0.0 ? 1.0 / s : s;
}

double FLog(double x) {
    if (x <= 0.0) return 0.0;
    if (std::isinf(x)) return x;  // halving would never end
    bool negate = false;
    if (x < 0.5) {
        x = 1.0 / x;
        negate = true;
    }
    int k = 0;
    if (x >= 1.5) x = reduce_by_halving(x, k);
    double r = 0.0;
    if (x != 1.0) {
        const double y = x - 1.0, y2 = y * y, y3 = y2 * y, y4 = y3 * y, y5 = y4 * y, y6 = y5 * y;
        r = y - y2 / 2.0 + y3 / 3.0 - y4 / 4.0 + y5 / 5.0 - y6 / 6.0;
    }
    // k ln 2 in single precision, as the callers' results were fixed with it.
    if (k > 0) r += static_cast<double>(static_cast<float>(k) * 0.6931472f);
    return negate ? -r : r;
}

double FSqrt(double x) {
    if (x <= 0.0) return 0.0;
    if (std::isinf(x)) return x;
    if (x >= 1024.0) return FExp(FLog(x) * 0.5);
    double r = x >= 1.0 ? 0.5 * x : 1.5 * x;
    for (int i = 0; i < 8; ++i) r = (r + x / r) * 0.5;
    return r;
}

}  // extern "C"
