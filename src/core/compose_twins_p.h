// Vector twins of the truecolour rows of the compose modes (compose.cpp).
// Each takes n packed RGBA source pixels onto n RGBA image pixels and gives
// the very bytes of its portable row, which stays the oracle; compose.cpp
// calls them only while vector_twins_on().  Null where the build has no
// SSE2 (a processor other than x86-64).
#pragma once

#include <cstddef>

namespace tav {

using RgbaComposeFn = void (*)(unsigned char *dst, const unsigned char *src, size_t n);

struct RgbaComposeTwins {
    RgbaComposeFn over, under, bump;
    RgbaComposeFn plus, minus, add, subtract, difference, mix;
};

extern const RgbaComposeTwins kRgbaComposeTwins;
// AVX2 twins of over, under and bump (compose_avx2.cpp), for processors
// that have it; the other entries are null.
extern const RgbaComposeTwins kRgbaComposeAvx2;

}  // namespace tav
