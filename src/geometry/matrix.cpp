// 3x3 homogeneous transformation matrices, row-major m0..m8.  Every
// composing operation multiplies on the left (M := T * M), so a new step
// acts after the ones already in M.  Points are mapped in fixed point:
// 20.12 for affine matrices, a 64ths form for projective ones.
#include "geometry/geometry_p.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr double kTiny = 1e-5;

void multiply_left(double *m, const double *t) {
    double r[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[3 * i + j] = t[3 * i] * m[j] + t[3 * i + 1] * m[3 + j] + t[3 * i + 2] * m[6 + j];
    std::memcpy(m, r, sizeof(r));
}

void identity(double *t) {
    static const double ident[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::memcpy(t, ident, sizeof(ident));
}

void rotate_cs(double *m, double c, double s) {
    const double t[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    multiply_left(m, t);
}

// Nearest integer, halves away from zero.  A coefficient beyond what 32
// bits hold saturates and a NaN becomes 0, so that no cast is undefined;
// the points such a matrix maps are meaningless either way.
int32_t near(double v) {
    if (!(v == v)) return 0;
    const double r = v < 0 ? std::trunc(v - 0.5) : std::trunc(v + 0.5);
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(r);
}

// Products and sums wrap around in 32 bits, as fixed-point arithmetic on
// 32-bit ints does; doing it on unsigned values keeps it defined.
inline int32_t wrap_mul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline int32_t wrap_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrap_sub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

}  // namespace

namespace tav {

bool affine_fixed(const double *m, AffineFixed *out) {
    if (!(std::fabs(m[8]) >= kTiny)) return false;
    if (!(std::fabs(m[6]) < kTiny && std::fabs(m[7]) < kTiny && std::fabs(m[8] - 1) < kTiny)) return false;
    *out = AffineFixed{near(m[0] * 4096), near(m[1] * 4096), near(m[2] * 4096),
                       near(m[3] * 4096), near(m[4] * 4096), near(m[5] * 4096)};
    return true;
}

}  // namespace tav

extern "C" {

double *MatrixIdent(double *m) {
    identity(m);
    return m;
}

double *MatrixNew(void) {
    auto *m = static_cast<double *>(TavAlloc(9 * sizeof(double)));
    return m ? MatrixIdent(m) : nullptr;
}

void MatrixDelete(double *m) {
    if (m) TavFree(m);
}

void MatrixCopy(double *dst, const double *src) { std::memmove(dst, src, 9 * sizeof(double)); }

void MatrixMult(double *m, const double *t) { multiply_left(m, t); }

void MatrixScale(double *m, int w0, int h0, int w1, int h1) {
    double t[9];
    identity(t);
    if (w0 != 0 && w0 != w1) t[0] = static_cast<double>(w1) / w0;
    if (h0 != 0 && h0 != h1) t[4] = static_cast<double>(h1) / h0;
    multiply_left(m, t);
}

void MatrixRotate(double *m, double angle) { rotate_cs(m, FCos(angle), FSin(angle)); }

void MatrixRotateTo(double *m, int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    const double fx = dx, fy = dy;
    const double length = FSqrt(fx * fx + fy * fy);
    rotate_cs(m, fx / length, fy / length);
}

void MatrixTranslate(double *m, int tx, int ty) {
    double t[9];
    identity(t);
    t[2] = tx;
    t[5] = ty;
    multiply_left(m, t);
}

void MatrixShear(double *m, double a, double b) {
    double t[9];
    identity(t);
    t[3] = a;
    t[1] = b;
    multiply_left(m, t);
}

void MatrixPerspective(void) {}

void MatrixReflect(double *m, int a, int b) {
    double f[9];
    identity(f);
    if (a == 0 && b == 0) {
        f[0] = f[4] = -1;
    } else if (a == 0) {
        f[0] = -1;
    } else if (b == 0) {
        f[4] = -1;
    } else {
        // Turn the line onto the x axis, mirror in y, and turn it back.
        // -b cannot overflow here only when b is not INT_MIN; the rotation
        // depends on the direction alone, so INT_MIN may stand for itself.
        f[4] = -1;
        MatrixRotateTo(m, a, b);
        multiply_left(m, f);
        MatrixRotateTo(m, a, b == INT32_MIN ? INT32_MAX : -b);
        return;
    }
    multiply_left(m, f);
}

double MatrixDeterminant(const double *m) {
    return m[0] * (m[4] * m[8] - m[7] * m[5]) - m[1] * (m[8] * m[3] - m[5] * m[6]) +
           m[2] * (m[7] * m[3] - m[4] * m[6]);
}

int MatrixInverse(double *m) {
    const double d = MatrixDeterminant(m);
    if (!(std::fabs(d) >= kTiny)) return 1;  // singular, or not a number at all
    const double r[9] = {
        (m[4] * m[8] - m[5] * m[7]) / d, (m[2] * m[7] - m[1] * m[8]) / d, (m[1] * m[5] - m[2] * m[4]) / d,
        (m[5] * m[6] - m[3] * m[8]) / d, (m[0] * m[8] - m[2] * m[6]) / d, (m[2] * m[3] - m[0] * m[5]) / d,
        (m[3] * m[7] - m[4] * m[6]) / d, (m[1] * m[6] - m[0] * m[7]) / d, (m[0] * m[4] - m[1] * m[3]) / d,
    };
    std::memcpy(m, r, sizeof(r));
    return 0;
}

int MatrixApply(const double *m, int *points, int count) {
    if (count <= 0) return count;
    if (!(std::fabs(m[8]) >= kTiny)) {
        for (int i = 0; i < 2 * count; ++i) points[i] = 2147483647;
        return count;
    }
    tav::AffineFixed k{};
    if (tav::affine_fixed(m, &k)) {
        for (int i = 0; i < count; ++i) {
            int32_t *p = points + 2 * i;
            const int32_t x = p[0], y = p[1];
            p[0] = wrap_add(wrap_add(wrap_mul(k.ka, x), wrap_mul(k.kb, y)), k.ke) >> 12;
            p[1] = wrap_add(wrap_add(wrap_mul(k.kc, x), wrap_mul(k.kd, y)), k.kf) >> 12;
        }
    } else {
        const int32_t ka = near(m[0] * 4096), kb = near(m[1] * 4096);
        const int32_t kc = near(m[3] * 4096), kd = near(m[4] * 4096);
        const int32_t ke = near(m[2] / m[8] * 64), kf = near(m[5] / m[8] * 64);
        const int32_t kg = near(m[6] * 64), kh = near(m[7] * 64);
        for (int i = 0; i < count; ++i) {
            int32_t *p = points + 2 * i;
            const int32_t x = p[0], y = p[1];
            const int32_t kw = wrap_sub(wrap_sub(64, wrap_mul(kg, x)), wrap_mul(kh, y));
            p[0] = wrap_add(wrap_add(wrap_mul(ka, x), wrap_mul(kb, y)), wrap_mul(ke, kw)) >> 12;
            p[1] = wrap_add(wrap_add(wrap_mul(kc, x), wrap_mul(kd, y)), wrap_mul(kf, kw)) >> 12;
        }
    }
    return count;
}

}  // extern "C"
