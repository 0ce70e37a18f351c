// The one recurrence behind every Gaussian kernel of the library.
#pragma once

#include "tavrel.h"

namespace tav {

// Calls put(i, j, w) for 0 <= i <= j <= last with the rounded weight
// w = 255 e^-((i*i + j*j) / (2 sigma^2)).  Products of exponentials, not
// one exponential per cell: a step along a row divides by e^(2j+1), a step
// along the diagonal by e^(2(2i+1)); the rounding of that walk is what the
// kernels are.
template <typename Put>
void gaussian_triangle(double sigma, int last, Put put) {
    const double e = FExp(1.0 / (2.0 * sigma * sigma));
    const double e2 = e * e;
    double diagonal = 255.0, diagonal_step = e2, first_row_step = e;
    for (int i = 0; i <= last; ++i) {
        double value = diagonal, row_step = first_row_step;
        for (int j = i; j <= last; ++j) {
            put(i, j, static_cast<int>(value + 0.5));
            value /= row_step;
            row_step *= e2;
        }
        diagonal /= diagonal_step;
        diagonal_step *= e2 * e2;
        first_row_step *= e2;
    }
}

}  // namespace tav
