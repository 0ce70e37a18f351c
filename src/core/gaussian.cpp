// Gaussian kernels for the blur filter and binomial weights.
#include "tavrel.h"

#include "core/gaussian_p.h"

#include <cstring>

extern "C" {

int *TavGaussian(int *values, int n, double sigma) {
    if (!values || n < 0) return values;
    if (n == 0) {
        values[0] = 1;
        return values;
    }
    const int side = 2 * n + 1;
    if (!(sigma > 0.0)) sigma = n / 3.4;  // also catches a NaN sigma
    if (sigma < 0.3) {
        std::memset(values, 0, sizeof(int) * static_cast<size_t>(side) * side);
        values[n * side + n] = 1;
        return values;
    }
    auto at = [values, side, n](int row, int col) -> int & { return values[(n + row) * side + (n + col)]; };
    tav::gaussian_triangle(sigma, n, [&](int i, int j, int weight) {
        at(i, j) = at(-i, j) = at(i, -j) = at(-i, -j) = weight;
        at(j, i) = at(-j, i) = at(j, -i) = at(-j, -i) = weight;
    });
    return values;
}

int Gaussian(int n, int *out) {
    out[0] = 1;
    if (n <= 0) return 1;
    // C(2n+1, i); 64-bit products so that a large n wraps instead of overflowing.
    for (int i = 1; i <= n; ++i)
        out[i] = static_cast<int>(static_cast<long long>(out[i - 1]) * (2LL * n + 2 - i) / i);
    return n + 1;
}

}  // extern "C"
