// Colour values, the two blending primitives and the eleven compose modes.
#include "core/compose_p.h"
#include "core/compose_twins_p.h"
#include "core/cpu_p.h"

#include <cstring>
#include <type_traits>

namespace tav {
namespace {

inline unsigned char clamp_byte(int v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v); }

inline int fast_over(int ct, int cb, int at, int ab, int ar) {
    if (ar == 0) return ct;
    const int w = ((255 - at) * ab + 127) / 255;
    const unsigned long long n = static_cast<unsigned long long>(ct * at + cb * w + 127);
    const int v = static_cast<int>((n * kReciprocal.of[ar]) >> 40);
    return v > 255 ? 255 : v;
}

// Each mode is a functor with a colour rule and an alpha rule; `skip` says
// the pixel stays exactly as it is; `twin` names its vector twin for
// truecolour rows, if it has one.
using Twin = RgbaComposeFn RgbaComposeTwins::*;
struct NoTwin {
    static constexpr Twin twin = nullptr;
};
struct Replace : NoTwin {  // truecolour rows under replace are stored whole, without a compose row
    static bool skip(int) { return false; }
    static int color(int, int s, int, int, int) { return s; }
    static int alpha(int sa, int) { return sa; }
};
struct Over {
    static constexpr Twin twin = &RgbaComposeTwins::over;
    static bool skip(int sa) { return sa == 0; }
    static int color(int d, int s, int sa, int da, int ar) {
        return sa == 255 ? s : fast_over(s, d, sa, da, ar);
    }
    static int alpha(int sa, int da) { return combine_alpha(sa, da); }
};
struct Under {
    static constexpr Twin twin = &RgbaComposeTwins::under;
    static bool skip(int) { return false; }
    static int color(int d, int s, int sa, int da, int ar) { return fast_over(d, s, da, sa, ar); }
    static int alpha(int sa, int da) { return combine_alpha(da, sa); }
};
struct KeepAlpha {
    static bool skip(int) { return false; }
    static int alpha(int, int da) { return da; }
};
struct Plus : KeepAlpha {
    static constexpr Twin twin = &RgbaComposeTwins::plus;
    static int color(int d, int s, int, int, int) { return d + s > 255 ? 255 : d + s; }
};
struct Minus : KeepAlpha {
    static constexpr Twin twin = &RgbaComposeTwins::minus;
    static int color(int d, int s, int, int, int) { return d - s < 0 ? 0 : d - s; }
};
struct Add : KeepAlpha {
    static constexpr Twin twin = &RgbaComposeTwins::add;
    static int color(int d, int s, int, int, int) { return (d + s) & 255; }
};
struct Subtract : KeepAlpha {
    static constexpr Twin twin = &RgbaComposeTwins::subtract;
    static int color(int d, int s, int, int, int) { return (d - s) & 255; }
};
struct Difference : KeepAlpha {
    static constexpr Twin twin = &RgbaComposeTwins::difference;
    static int color(int d, int s, int, int, int) { return d > s ? d - s : s - d; }
};
struct Mix : KeepAlpha {
    static constexpr Twin twin = &RgbaComposeTwins::mix;
    static int color(int d, int s, int, int, int) { return (d + s) / 2; }
};
struct Bump {
    static constexpr Twin twin = &RgbaComposeTwins::bump;
    static bool skip(int sa) { return sa == 0; }
    static int color(int d, int s, int sa, int da, int) {
        return Over::color(d, s, sa, da, combine_alpha(sa, da));
    }
    static int alpha(int, int da) { return da; }
};
struct Map : NoTwin {
    static bool skip(int sa) { return sa == 0; }
    static int color(int, int s, int, int, int) { return s; }
    static int alpha(int sa, int da) { return sa * da / 255; }
};

// One truecolour pixel under a mode.
template <class Mode>
inline void compose_rgba_pixel(unsigned char *dst, const unsigned char *src) {
    const int sa = src[3];
    if (Mode::skip(sa)) return;
    const int da = dst[3];
    const int ar = Mode::alpha(sa, da);
    dst[0] = clamp_byte(Mode::color(dst[0], src[0], sa, da, ar));
    dst[1] = clamp_byte(Mode::color(dst[1], src[1], sa, da, ar));
    dst[2] = clamp_byte(Mode::color(dst[2], src[2], sa, da, ar));
    dst[3] = static_cast<unsigned char>(ar);
}

template <class Mode>
inline void compose_rgba_pixels(unsigned char *dst, const unsigned char *src, size_t n) {
    for (size_t i = 0; i < n; ++i, dst += 4, src += 4) compose_rgba_pixel<Mode>(dst, src);
}

// Over with an opaque source pixel gives that pixel whatever lies below
// (its colour, and alpha 255), so runs of opaque source pixels -- most of
// a photo -- are moved whole and only the others are blended.
template <>
inline void compose_rgba_pixels<Over>(unsigned char *dst, const unsigned char *src, size_t n) {
    size_t i = 0;
    while (i < n) {
        size_t end = i;
        while (end < n && src[4 * end + 3] == 255) ++end;
        if (end > i) {
            std::memmove(dst + 4 * i, src + 4 * i, 4 * (end - i));
            i = end;
            continue;
        }
        for (; i < n && src[4 * i + 3] != 255; ++i) compose_rgba_pixel<Over>(dst + 4 * i, src + 4 * i);
    }
}

template <class Mode>
void compose_pixels(unsigned char *dst, int channels, int alpha_at, const unsigned char *src, size_t n) {
    if (channels == 4 && alpha_at == 3) {  // truecolour
        if constexpr (Mode::twin != nullptr) {
            const RgbaComposeFn wide = cpu_has_avx2() ? kRgbaComposeAvx2.*Mode::twin : nullptr;
            if (wide) return wide(dst, src, n);
            const RgbaComposeFn twin = kRgbaComposeTwins.*Mode::twin;
            if (twin && vector_twins_on()) return twin(dst, src, n);
        }
        return compose_rgba_pixels<Mode>(dst, src, n);
    }
    for (size_t i = 0; i < n; ++i, dst += channels, src += 4) {
        const int sa = src[3];
        if (Mode::skip(sa)) continue;
        const int da = alpha_at >= 0 ? dst[alpha_at] : 255;
        const int ar = Mode::alpha(sa, da);
        // A gray image's single colour channel takes the red source channel.
        for (int k = 0; k < channels; ++k) {
            if (k == alpha_at) continue;
            dst[k] = clamp_byte(Mode::color(dst[k], src[k], sa, da, ar));
        }
        if (alpha_at >= 0) dst[alpha_at] = static_cast<unsigned char>(ar);
    }
}

// Translucent ink over truecolour pixels: Over's colour rule with every
// term that depends only on the ink and the destination alpha computed once
// per run of equal destination alphas.  The same integers as fast_over.
void solid_over_rgba(unsigned char *dst, const unsigned char *ink, size_t n) {
    const int sa = ink[3];
    int last_da = -1, ar = 0, w = 0;
    unsigned long long reciprocal = 0;
    const int top[3] = {ink[0] * sa + 127, ink[1] * sa + 127, ink[2] * sa + 127};
    for (size_t i = 0; i < n; ++i, dst += 4) {
        const int da = dst[3];
        if (da != last_da) {
            last_da = da;
            ar = combine_alpha(sa, da);
            w = ((255 - sa) * da + 127) / 255;
            reciprocal = kReciprocal.of[ar];
        }
        over_rgb(dst, top, w, reciprocal);  // ar is at least sa, never 0: the caller skips sa 0
        dst[3] = static_cast<unsigned char>(ar);
    }
}

// One source colour for the whole row: the same step as compose_pixels with
// the source pointer held still.  Truecolour rows whose pixels share one
// alpha (an opaque canvas, the common case) compute the alpha rule once.
template <class Mode>
void compose_solid_pixels(unsigned char *dst, int channels, int alpha_at, const unsigned char *ink, size_t n) {
    const int sa = ink[3];
    if (Mode::skip(sa)) return;
    if constexpr (std::is_same_v<Mode, Over>) {
        if (channels == 4 && alpha_at == 3 && sa != 255) return solid_over_rgba(dst, ink, n);
    }
    if (channels == 4 && alpha_at == 3) {
        int last_da = -1, ar = 0;
        for (size_t i = 0; i < n; ++i, dst += 4) {
            const int da = dst[3];
            if (da != last_da) ar = Mode::alpha(sa, last_da = da);
            dst[0] = clamp_byte(Mode::color(dst[0], ink[0], sa, da, ar));
            dst[1] = clamp_byte(Mode::color(dst[1], ink[1], sa, da, ar));
            dst[2] = clamp_byte(Mode::color(dst[2], ink[2], sa, da, ar));
            dst[3] = static_cast<unsigned char>(ar);
        }
        return;
    }
    for (size_t i = 0; i < n; ++i, dst += channels) {
        const int da = alpha_at >= 0 ? dst[alpha_at] : 255;
        const int ar = Mode::alpha(sa, da);
        for (int k = 0; k < channels; ++k) {
            if (k == alpha_at) continue;
            dst[k] = clamp_byte(Mode::color(dst[k], ink[k], sa, da, ar));
        }
        if (alpha_at >= 0) dst[alpha_at] = static_cast<unsigned char>(ar);
    }
}

void leave_unchanged(unsigned char *, int, int, const unsigned char *, size_t) {}

struct ModeRows {
    ComposeRowFn row, solid;
};

template <class Mode>
constexpr ModeRows rows_of() {
    return {compose_pixels<Mode>, compose_solid_pixels<Mode>};
}

ModeRows mode_rows(int compose) {
    switch (compose) {
        case TAV_COMPOSE_REPLACE: return rows_of<Replace>();
        case TAV_COMPOSE_OVER: return rows_of<Over>();
        case TAV_COMPOSE_UNDER: return rows_of<Under>();
        case TAV_COMPOSE_PLUS: return rows_of<Plus>();
        case TAV_COMPOSE_MINUS: return rows_of<Minus>();
        case TAV_COMPOSE_ADD: return rows_of<Add>();
        case TAV_COMPOSE_SUBTRACT: return rows_of<Subtract>();
        case TAV_COMPOSE_DIFFERENCE: return rows_of<Difference>();
        case TAV_COMPOSE_BUMP: return rows_of<Bump>();
        case TAV_COMPOSE_MAP: return rows_of<Map>();
        case TAV_COMPOSE_MIX: return rows_of<Mix>();
        default: return {leave_unchanged, leave_unchanged};  // unknown modes leave the image as it is
    }
}

}  // namespace

ComposeRowFn choose_compose_row(int compose) { return mode_rows(compose).row; }

ComposeRowFn choose_compose_solid(int compose) { return mode_rows(compose).solid; }

void compose_row(int compose, unsigned char *dst, int channels, int alpha_at, const unsigned char *rgba,
                 size_t n) {
    choose_compose_row(compose)(dst, channels, alpha_at, rgba, n);
}

void compose_row_solid(int compose, unsigned char *dst, int channels, int alpha_at, const unsigned char ink[4],
                       size_t n) {
    choose_compose_solid(compose)(dst, channels, alpha_at, ink, n);
}

}  // namespace tav

extern "C" {

int TavSetColor(unsigned char *color, int r, int g, int b, int a) {
    color[0] = static_cast<unsigned char>(r);
    color[1] = static_cast<unsigned char>(g);
    color[2] = static_cast<unsigned char>(b);
    color[3] = static_cast<unsigned char>(a);
    return 1;
}

int TavCombineAlpha(int top_alpha, int bottom_alpha) {
    return tav::combine_alpha(top_alpha & 255, bottom_alpha & 255);
}

int TavCombineOver(int top, int bottom, int top_alpha, int bottom_alpha, int result_alpha) {
    return tav::combine_over(top & 255, bottom & 255, top_alpha & 255, bottom_alpha & 255, result_alpha & 255);
}

}  // extern "C"
