// Matrices: composition order, reflection, inversion and the fixed-point
// mapping of points, checked against a 64-bit transcription.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "tavrel.h"

namespace {

struct Mat {
    double m[9];
    Mat() { MatrixIdent(m); }
};

std::pair<int, int> apply(const double *m, int x, int y) {
    int p[2] = {x, y};
    MatrixApply(m, p, 1);
    return {p[0], p[1]};
}

// The mapping written out plainly: 64-bit products cut to 32 bits, an
// arithmetic shift by 12.
int64_t near(double v) { return v < 0 ? static_cast<int64_t>(v - 0.5) : static_cast<int64_t>(v + 0.5); }
int32_t low32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

std::pair<int, int> reference_apply(const double *m, int x, int y) {
    const int64_t ka = near(m[0] * 4096), kb = near(m[1] * 4096), kc = near(m[3] * 4096), kd = near(m[4] * 4096);
    if (std::fabs(m[6]) < 1e-5 && std::fabs(m[7]) < 1e-5 && std::fabs(m[8] - 1) < 1e-5) {
        const int64_t ke = near(m[2] * 4096), kf = near(m[5] * 4096);
        return {low32(ka * x + kb * y + ke) >> 12, low32(kc * x + kd * y + kf) >> 12};
    }
    const int64_t ke = near(m[2] / m[8] * 64), kf = near(m[5] / m[8] * 64);
    const int64_t kg = near(m[6] * 64), kh = near(m[7] * 64);
    const int64_t kw = low32(64 - kg * x - kh * y);
    return {low32(ka * x + kb * y + ke * kw) >> 12, low32(kc * x + kd * y + kf * kw) >> 12};
}

TEST(Matrix, ScaleTranslateRotateCompose) {
    Mat a;
    MatrixScale(a.m, 100, 50, 200, 50);
    EXPECT_EQ(a.m[0], 2.0);
    EXPECT_EQ(a.m[4], 1.0);
    Mat b;
    MatrixScale(b.m, 0, 0, 5, 5);
    EXPECT_EQ(b.m[0], 1.0);
    EXPECT_EQ(b.m[4], 1.0);

    // The rotation acts after the translation: (0,0) -> (3,4) -> (-4,3).
    Mat c;
    MatrixTranslate(c.m, 3, 4);
    MatrixRotate(c.m, 3.14159265358979 / 2);
    EXPECT_NEAR(c.m[2], -4.0, 1e-6);
    EXPECT_NEAR(c.m[5], 3.0, 1e-6);

    Mat d;
    MatrixRotateTo(d.m, 0, 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(d.m[i], Mat().m[i]);
    MatrixRotateTo(d.m, 0, 5);  // +90 degrees
    EXPECT_EQ(d.m[0], 0.0);
    EXPECT_EQ(d.m[1], -1.0);
    EXPECT_EQ(d.m[3], 1.0);

    Mat s;
    MatrixShear(s.m, 0.5, 0.25);  // x' = x + 0.25 y, y' = 0.5 x + y
    EXPECT_EQ(apply(s.m, 8, 8), std::make_pair(10, 12));
}

TEST(Matrix, ReflectCases) {
    struct Case {
        int a, b, x, y, ex, ey;
    } cases[] = {
        {0, 0, 7, -3, -7, 3},  // through the origin
        {0, 4, 7, -3, -7, -3}, // x' = -x
        {4, 0, 7, -3, 7, 3},   // y' = -y
        {1, 1, 7, 3, -3, -7},  // across the line R(1, 1) turns onto the x axis: y = -x
    };
    for (const Case &c : cases) {
        Mat m;
        MatrixReflect(m.m, c.a, c.b);
        const double x = m.m[0] * c.x + m.m[1] * c.y + m.m[2], y = m.m[3] * c.x + m.m[4] * c.y + m.m[5];
        EXPECT_NEAR(x, c.ex, 1e-3) << c.a << "," << c.b;
        EXPECT_NEAR(y, c.ey, 1e-3) << c.a << "," << c.b;
    }
}

TEST(Matrix, InverseAndSingularity) {
    Mat m;
    MatrixScale(m.m, 1, 1, 4, 2);
    MatrixTranslate(m.m, 5, -7);
    MatrixRotate(m.m, 0.3);
    Mat inv;
    MatrixCopy(inv.m, m.m);
    ASSERT_EQ(MatrixInverse(inv.m), 0);
    MatrixMult(inv.m, m.m);  // m * m^-1
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(inv.m[i], Mat().m[i], 1e-9);

    double tiny[9] = {0.003, 0, 0, 0, 0.003, 0, 0, 0, 1};  // determinant 0.000009
    EXPECT_EQ(MatrixInverse(tiny), 1);
    EXPECT_EQ(tiny[0], 0.003);
    double nan_matrix[9] = {NAN, 0, 0, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(MatrixInverse(nan_matrix), 1);
    EXPECT_EQ(MatrixDeterminant(Mat().m), 1.0);
}

TEST(Matrix, ApplyFixedPoint) {
    Mat ident;
    EXPECT_EQ(apply(ident.m, 10, -3), std::make_pair(10, -3));
    double half[9] = {1, 0, 0.5, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(apply(half, 10, 0), std::make_pair(10, 0));  // (40960 + 2048) >> 12
    double negative[9] = {1, 0, -0.5, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(apply(negative, 10, 0), std::make_pair(9, 0));  // rounds towards minus infinity
    double degenerate[9] = {1, 0, 0, 0, 1, 0, 0, 0, 0};
    int pts[4] = {1, 2, 3, 4};
    EXPECT_EQ(MatrixApply(degenerate, pts, 2), 2);
    for (int v : pts) EXPECT_EQ(v, 2147483647);
    EXPECT_EQ(MatrixApply(ident.m, pts, 0), 0);
    EXPECT_EQ(MatrixApply(ident.m, pts, -3), -3);
}

TEST(Matrix, ApplyMatchesTranscriptionOnRandomMatrices) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coef(-3, 3);
    std::uniform_int_distribution<int> coord(-100000, 100000);
    for (int round = 0; round < 2000; ++round) {
        double m[9] = {coef(rng), coef(rng), coef(rng) * 100, coef(rng), coef(rng), coef(rng) * 100, 0, 0, 1};
        if (round % 2) {  // projective
            m[6] = coef(rng) * 1e-3;
            m[7] = coef(rng) * 1e-3;
            m[8] = 0.5 + coef(rng) / 6 + 1;
        }
        const int x = coord(rng), y = coord(rng);
        EXPECT_EQ(apply(m, x, y), reference_apply(m, x, y)) << round;
    }
    // Coefficients beyond 32 bits and NaN map somewhere without undefined
    // behaviour (the sanitizer build checks that).
    double wild[9] = {1e300, NAN, -1e300, INFINITY, 1, 0, 0, 0, 1};
    int pts[2] = {INT32_MAX, INT32_MIN};
    EXPECT_EQ(MatrixApply(wild, pts, 1), 1);
}

}  // namespace
