// The row conversions against their per-pixel definitions, over every byte
// value (every 565 word, every palette index) and every row length up to a
// few dozen, so that tails and word-at-a-time loads are covered; then the
// layout selection: whatever conversion is chosen for a layout must give
// the bytes the plain channel-by-channel copy gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/cpu_p.h"
#include "core/rows_p.h"
#include "support/tcl_env.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes random_bytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes v(n);
    for (auto &b : v) b = static_cast<unsigned char>(rng());
    return v;
}

// Every byte value appears in every channel position of the first rows.
Bytes all_values(size_t pixels, int channels) {
    Bytes v(pixels * channels);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<unsigned char>(i / channels + 7 * (i % channels));
    return v;
}

struct IntoRgbaCase {
    const char *name;
    int in_channels;
    std::function<void(const unsigned char *, unsigned char *, size_t)> convert;
    std::function<void(const unsigned char *, unsigned char *)> pixel;  // the definition
};

// Splits interleaved pixels into planes and joins them with planes_to_rgba.
void planar(const unsigned char *in, int channels, unsigned char *rgba, size_t n) {
    std::vector<Bytes> planes(channels, Bytes(n + 1));
    const unsigned char *plane[4] = {};
    for (int c = 0; c < channels; ++c) {
        for (size_t i = 0; i < n; ++i) planes[c][i] = in[i * channels + c];
        plane[c] = planes[c].data();
    }
    tav::planes_to_rgba(plane, rgba, n);
}

}  // namespace

TEST(RowFunctions, UnpackedBitsAndCheckedPalettesMatchThePerPixelDefinition) {
    const Bytes packed = random_bytes(64, 9);
    for (int bits : {1, 2, 4, 8}) {
        for (size_t n : {size_t(0), size_t(1), size_t(3), size_t(7), size_t(8), size_t(9), size_t(64 * 8 / bits)}) {
            Bytes got(n + 1, 0xEE), want(n + 1, 0xEE);
            tav::unpack_bits(packed.data(), bits, got.data(), n);
            for (size_t i = 0; i < n; ++i) {
                const size_t bit = i * bits;
                want[i] = (packed[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
            }
            ASSERT_EQ(got, want) << bits << " bits, n " << n;
        }
    }
    // An index at or past the palette's end refuses the row.
    const unsigned char rgb[6] = {1, 2, 3, 4, 5, 6};
    unsigned char out[8];
    for (const Bytes &row : {Bytes{0, 1}, Bytes{2}, Bytes{0, 255}}) {
        const bool fits = row.back() < 2;
        EXPECT_EQ(tav::palette_to_rgba(row.data(), rgb, 2, out, row.size()), fits);
    }
    // Wide indices through an RGBA table: colours in order up to the first
    // index past the table, nothing written beyond it.
    const unsigned char lut[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (const std::vector<uint16_t> &row : {std::vector<uint16_t>{2, 0, 1}, {1, 3, 0}, {0, 256, 1}, {4095}}) {
        Bytes got(4 * row.size(), 0xEE), want(got);
        size_t i = 0;
        for (; i < row.size() && row[i] < 3; ++i) std::copy(lut + 4 * row[i], lut + 4 * row[i] + 4, want.begin() + 4 * i);
        EXPECT_EQ(tav::lut16_to_rgba(row.data(), lut, 3, got.data(), row.size()), i == row.size());
        EXPECT_EQ(got, want) << row[0];
    }
}

TEST(RowFunctions, IntoRgbaMatchesThePerPixelDefinition) {
    tavtest::interp();
    tav::PaletteLut lut;
    const Bytes palette = random_bytes(256 * 4, 5);
    std::copy(palette.begin(), palette.end(), lut.begin());
    const IntoRgbaCase cases[] = {
        {"rgb", 3, [](auto *s, auto *d, size_t n) { tav::rgb_to_rgba(s, d, n, 77); },
         [](auto *s, auto *d) { d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 77; }},
        {"bgr", 3, [](auto *s, auto *d, size_t n) { tav::bgr_to_rgba(s, d, n, 200); },
         [](auto *s, auto *d) { d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 200; }},
        {"gray", 1, [](auto *s, auto *d, size_t n) { tav::gray_to_rgba(s, d, n, 255); },
         [](auto *s, auto *d) { d[0] = d[1] = d[2] = s[0], d[3] = 255; }},
        {"grayalpha", 2, [](auto *s, auto *d, size_t n) { tav::grayalpha_to_rgba(s, d, n); },
         [](auto *s, auto *d) { d[0] = d[1] = d[2] = s[0], d[3] = s[1]; }},
        {"index", 1, [&](auto *s, auto *d, size_t n) { tav::index_to_rgba(s, 1, d, n, lut); },
         [&](auto *s, auto *d) { std::copy_n(&lut[s[0] * 4], 4, d); }},
        {"index step 2", 2, [&](auto *s, auto *d, size_t n) { tav::index_to_rgba(s, 2, d, n, lut); },
         [&](auto *s, auto *d) { std::copy_n(&lut[s[0] * 4], 4, d); }},
        {"palette", 1, [&](auto *s, auto *d, size_t n) { EXPECT_TRUE(tav::palette_to_rgba(s, palette.data(), 256, d, n)); },
         [&](auto *s, auto *d) { std::copy_n(&palette[s[0] * 3], 3, d), d[3] = 255; }},
        {"planes", 4, [](auto *s, auto *d, size_t n) { planar(s, 4, d, n); }, [](auto *s, auto *d) { std::copy_n(s, 4, d); }},
        {"planes without alpha", 3, [](auto *s, auto *d, size_t n) { planar(s, 3, d, n); },
         [](auto *s, auto *d) { std::copy_n(s, 3, d), d[3] = 255; }},
        {"565", 2, [](auto *s, auto *d, size_t n) {
             Bytes rgb(n * 3);
             tav::rgb565_to_rgb(s, rgb.data(), n);
             tav::rgb_to_rgba(rgb.data(), d, n, 255);
         },
         [](auto *s, auto *d) {
             const unsigned v = s[0] * 256u + s[1];
             d[0] = (v & 31) * 255 / 31, d[1] = ((v >> 5) & 63) * 255 / 63, d[2] = (v >> 11) * 255 / 31, d[3] = 255;
         }},
    };
    for (const auto &c : cases) {
        // Every value (every 16-bit word for two-byte inputs) in one long row...
        const size_t long_row = c.in_channels == 2 ? 65536 : 256 + 3;
        Bytes in = all_values(long_row, c.in_channels);
        if (c.in_channels == 2 && std::string(c.name) == "565")
            for (size_t i = 0; i < long_row; ++i) in[2 * i] = i >> 8, in[2 * i + 1] = i & 255;
        // ...and every short length, so each tail is exercised.
        for (size_t n : {size_t(0), size_t(1), size_t(2), size_t(3), size_t(5), size_t(17), size_t(33), long_row}) {
            Bytes got(n * 4 + 4, 0xEE), want(n * 4 + 4, 0xEE);
            c.convert(in.data(), got.data(), n);
            for (size_t i = 0; i < n; ++i) c.pixel(in.data() + i * c.in_channels, want.data() + 4 * i);
            ASSERT_EQ(got, want) << c.name << " n " << n;  // nothing past the row is touched
        }
    }
}

TEST(RowFunctions, OutOfRgbaAndSolidRows) {
    const Bytes in = all_values(300, 4);
    for (size_t n : {size_t(0), size_t(1), size_t(2), size_t(7), size_t(300)}) {
        Bytes rgb(n * 3), bgr(n * 3), bgra(n * 4), abgr(n * 4), green(n * 2 + 1, 0), grey3(n * 3);
        tav::rgba_to_rgb(in.data(), rgb.data(), n);
        tav::gray_to_rgb(in.data(), grey3.data(), n);
        tav::rgba_to_bgr(in.data(), bgr.data(), n);
        tav::rgba_to_bgra(in.data(), bgra.data(), n);
        tav::rgba_to_abgr(in.data(), abgr.data(), n);
        tav::rgba_channel(in.data(), 1, green.data(), 2, n);
        for (size_t i = 0; i < n; ++i) {
            const unsigned char *p = &in[4 * i];
            ASSERT_EQ(Bytes(&rgb[3 * i], &rgb[3 * i] + 3), (Bytes{p[0], p[1], p[2]}));
            ASSERT_EQ(Bytes(&bgr[3 * i], &bgr[3 * i] + 3), (Bytes{p[2], p[1], p[0]}));
            ASSERT_EQ(Bytes(&bgra[4 * i], &bgra[4 * i] + 4), (Bytes{p[2], p[1], p[0], p[3]}));
            ASSERT_EQ(Bytes(&abgr[4 * i], &abgr[4 * i] + 4), (Bytes{p[3], p[2], p[1], p[0]}));
            ASSERT_EQ(green[2 * i], p[1]);
            ASSERT_EQ(green[2 * i + 1], 0);
            ASSERT_EQ(Bytes(&grey3[3 * i], &grey3[3 * i] + 3), (Bytes{in[i], in[i], in[i]}));
        }
    }
    const unsigned char color[4] = {1, 2, 3, 4}, other[3] = {7, 8, 9};
    for (size_t n : {size_t(1), size_t(2), size_t(3), size_t(9), size_t(1000)}) {
        Bytes row(n * 4 + 4, 0xEE), pairs(n * 3 + 3, 0xEE);
        tav::solid_rgba(row.data(), n, color);
        tav::alternate_rgb(pairs.data(), n, color, other);
        for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(Bytes(&row[4 * i], &row[4 * i] + 4), (Bytes{1, 2, 3, 4})) << n;
            const unsigned char *want = i % 2 ? other : color;
            ASSERT_EQ(Bytes(&pairs[3 * i], &pairs[3 * i] + 3), Bytes(want, want + 3)) << n << " at " << i;
        }
        ASSERT_EQ(row[n * 4], 0xEE);
        ASSERT_EQ(pairs[n * 3], 0xEE);
    }
}

// Source and destination layouts the pixel family builds: each chosen
// conversion is checked against the plain per-channel copy.
TEST(RowFunctions, ChosenConversionsAgreeWithThePlainCopy) {
    const Bytes src = random_bytes(64 * 4, 9);
    const unsigned char *b = src.data();
    const unsigned char opaque = 255;
    struct Layout {
        const char *name;
        tav::ChannelRow row;
        bool same_row_strides;
    };
    const Layout layouts[] = {
        {"rgba", {{b, b + 1, b + 2, b + 3}, {4, 4, 4, 4}}, true},
        {"bgra", {{b + 2, b + 1, b, b + 3}, {4, 4, 4, 4}}, true},
        {"rgb", {{b, b + 1, b + 2, &opaque}, {3, 3, 3, 0}}, true},
        {"bgr", {{b + 2, b + 1, b, &opaque}, {3, 3, 3, 0}}, true},
        {"gray", {{b, b, b, &opaque}, {1, 1, 1, 0}}, true},
        {"solid", {{b, b + 1, b + 2, b + 3}, {0, 0, 0, 0}}, true},
        {"rgba, uneven row strides", {{b, b + 1, b + 2, b + 3}, {4, 4, 4, 4}}, false},
        {"planes", {{b, b + 64, b + 128, b + 192}, {1, 1, 1, 1}}, true},
        {"mixed", {{b + 5, b, b + 9, b + 1}, {2, 3, 0, 1}}, true},
    };
    for (const auto &l : layouts) {
        const size_t n = 40;
        Bytes got(n * 4), want(n * 4);
        tav::choose_to_rgba(l.row, l.same_row_strides)(l.row, got.data(), n);
        for (size_t i = 0; i < n; ++i)
            for (int ch = 0; ch < 4; ++ch) want[4 * i + ch] = l.row.p[ch][i * l.row.stride[ch]];
        EXPECT_EQ(got, want) << l.name;
    }

    struct Dest {
        const char *name;
        int offset[4];  // -1: channel absent
        int step[4];
    };
    const Dest dests[] = {
        {"rgba", {0, 1, 2, 3}, {4, 4, 4, 4}}, {"bgra", {2, 1, 0, 3}, {4, 4, 4, 4}},
        {"abgr", {3, 2, 1, 0}, {4, 4, 4, 4}}, {"rgb", {0, 1, 2, -1}, {3, 3, 3, 0}},
        {"bgr", {2, 1, 0, -1}, {3, 3, 3, 0}}, {"alpha only", {-1, -1, -1, 0}, {0, 0, 0, 1}},
        {"rgb in rgba steps", {0, 1, 2, -1}, {4, 4, 4, 0}}, {"red twice apart", {0, 200, -1, -1}, {2, 1, 0, 0}},
    };
    for (const auto &d : dests) {
        const size_t n = 33;
        Bytes got(400, 0xEE), want(400, 0xEE);
        unsigned char *gp[4], *wp[4];
        for (int ch = 0; ch < 4; ++ch) {
            gp[ch] = d.offset[ch] < 0 ? nullptr : got.data() + d.offset[ch];
            wp[ch] = d.offset[ch] < 0 ? nullptr : want.data() + d.offset[ch];
        }
        tav::choose_from_rgba(gp, d.step)(src.data(), gp, d.step, n);
        for (int ch = 0; ch < 4; ++ch) {
            if (!wp[ch]) continue;
            for (size_t i = 0; i < n; ++i) wp[ch][i * d.step[ch]] = src[4 * i + ch];
            EXPECT_EQ(gp[ch], got.data() + d.offset[ch] + n * d.step[ch]) << d.name << " advances channel " << ch;
        }
        EXPECT_EQ(got, want) << d.name;
    }
}

// The conversions with vector twins, twins on and off: the same bytes on
// odd widths around the register sizes and every alpha where a rule could
// bend, inputs sized exactly (the sanitizer sees a read past the row) and
// a guard after the output.
TEST(RowFunctions, VectorTwinsMatchPortableRows) {
    const struct {
        const char *name;
        size_t in_bytes, out_bytes;  // per pixel
        std::function<void(const unsigned char *, unsigned char *, size_t, unsigned char)> convert;
    } cases[] = {
        {"rgb", 3, 4, [](auto *s, auto *d, size_t n, unsigned char a) { tav::rgb_to_rgba(s, d, n, a); }},
        {"gray", 1, 4, [](auto *s, auto *d, size_t n, unsigned char a) { tav::gray_to_rgba(s, d, n, a); }},
        {"to rgb", 4, 3, [](auto *s, auto *d, size_t n, unsigned char) { tav::rgba_to_rgb(s, d, n); }},
        {"bgr", 3, 4, [](auto *s, auto *d, size_t n, unsigned char a) { tav::bgr_to_rgba(s, d, n, a); }},
        {"to bgr", 4, 3, [](auto *s, auto *d, size_t n, unsigned char) { tav::rgba_to_bgr(s, d, n); }},
        {"rgb planes", 3, 4, [](auto *s, auto *d, size_t n, unsigned char) { planar(s, 3, d, n); }},
        {"rgba planes", 4, 4, [](auto *s, auto *d, size_t n, unsigned char) { planar(s, 4, d, n); }},
        {"green of rgba", 4, 1, [](auto *s, auto *d, size_t n, unsigned char) { tav::rgba_channel(s, 1, d, 1, n); }},
        {"alpha of rgba", 4, 1, [](auto *s, auto *d, size_t n, unsigned char) { tav::rgba_channel(s, 3, d, 1, n); }},
    };
    for (const auto &c : cases)
        for (size_t n : {1, 3, 7, 8, 9, 10, 11, 15, 16, 17, 33, 100})
            for (unsigned char alpha : {0, 1, 127, 128, 254, 255}) {
                const Bytes in = random_bytes(n * c.in_bytes, static_cast<unsigned>(n * 256 + alpha));
                Bytes portable(n * c.out_bytes + 8, 0xEE), twin(portable);
                tav::set_vector_twins(false);
                c.convert(in.data(), portable.data(), n, alpha);
                tav::set_vector_twins(true);
                c.convert(in.data(), twin.data(), n, alpha);
                ASSERT_EQ(twin, portable) << c.name << " n " << n << " alpha " << int(alpha);
            }
}
