// SSE2 twin of the convolution's row taps, for processors without AVX2
// (every x86-64 has SSE2): see convolution_lanes_p.h.
#include "geometry/convolution_lanes_p.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace tav {
namespace {

struct Sse2Lanes {
    using V = __m128i;
    static constexpr int kLanes16 = 8;
    static V zero() { return _mm_setzero_si128(); }
    static V load16(const unsigned char *p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)), _mm_setzero_si128());
    }
    static V load16(const uint16_t *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
    static V add16(V a, V b) { return _mm_add_epi16(a, b); }
    static V add32(V a, V b) { return _mm_add_epi32(a, b); }
    static V broadcast32(int v) { return _mm_set1_epi32(v); }
    static V madd(V a, V b) { return _mm_madd_epi16(a, b); }
    static V unpacklo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }
    static V unpackhi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }
    static void add_sums(int *acc, V lo, V hi) {
        __m128i *sums = reinterpret_cast<__m128i *>(acc);
        _mm_storeu_si128(sums, _mm_add_epi32(_mm_loadu_si128(sums), lo));
        _mm_storeu_si128(sums + 1, _mm_add_epi32(_mm_loadu_si128(sums + 1), hi));
    }
};

}  // namespace

bool add_taps_run_sse2(int *acc, const unsigned char *in, int n, const RowTaps &taps) {
    lanes::taps_madd<Sse2Lanes>(acc, in, n, taps);
    return true;
}
bool add_taps_run_sse2(int *acc, const uint16_t *in, int n, const RowTaps &taps) {
    lanes::taps_madd<Sse2Lanes>(acc, in, n, taps);
    return true;
}

}  // namespace tav

#else

namespace tav {
bool add_taps_run_sse2(int *, const unsigned char *, int, const RowTaps &) { return false; }
bool add_taps_run_sse2(int *, const uint16_t *, int, const RowTaps &) { return false; }
}  // namespace tav

#endif
