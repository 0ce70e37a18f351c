// Compose modes and the two blending primitives, through PhotoPutRGBA onto
// a one-pixel image so that the whole write path is exercised.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "core/compose_p.h"
#include "core/compose_twins_p.h"
#include "core/cpu_p.h"
#include "support/tcl_env.h"

namespace {

using Rgba = std::array<unsigned char, 4>;

Rgba compose_one(Rgba dst, Rgba src, int mode, int image_mode = TAV_MODE_RGBA) {
    tavtest::interp();
    Photo *image = PhotoCreate(1, 1, image_mode, TAV_RENDER_MEMORY);
    PhotoPutRGBA(image, dst.data(), 0, 0, 1, 1, TAV_COMPOSE_REPLACE);
    PhotoPutRGBA(image, src.data(), 0, 0, 1, 1, mode);
    Rgba out = tavtest::pixel(image, 0, 0);
    PhotoDelete(image);
    return out;
}

TEST(Compose, OverHalfWhiteOnOpaqueBlack) {
    EXPECT_EQ(compose_one({0, 0, 0, 255}, {255, 255, 255, 128}, TAV_COMPOSE_OVER), (Rgba{128, 128, 128, 255}));
}

TEST(Compose, OverTransparentSourceChangesNothing) {
    EXPECT_EQ(compose_one({10, 20, 30, 40}, {255, 255, 255, 0}, TAV_COMPOSE_OVER), (Rgba{10, 20, 30, 40}));
}

TEST(Compose, OverOpaqueSourceCopies) {
    EXPECT_EQ(compose_one({10, 20, 30, 40}, {1, 2, 3, 255}, TAV_COMPOSE_OVER), (Rgba{1, 2, 3, 255}));
}

TEST(Compose, ArithmeticModesKeepAlpha) {
    const Rgba d{200, 100, 1, 77};
    const Rgba s{100, 200, 2, 255};
    EXPECT_EQ(compose_one(d, s, TAV_COMPOSE_PLUS), (Rgba{255, 255, 3, 77}));
    EXPECT_EQ(compose_one(d, s, TAV_COMPOSE_ADD), (Rgba{44, 44, 3, 77}));
    EXPECT_EQ(compose_one({100, 0, 0, 9}, {200, 0, 0, 255}, TAV_COMPOSE_MINUS), (Rgba{0, 0, 0, 9}));
    EXPECT_EQ(compose_one({100, 0, 0, 9}, {200, 0, 0, 255}, TAV_COMPOSE_SUBTRACT), (Rgba{156, 0, 0, 9}));
    EXPECT_EQ(compose_one({100, 200, 0, 9}, {200, 100, 0, 255}, TAV_COMPOSE_DIFFERENCE), (Rgba{100, 100, 0, 9}));
    EXPECT_EQ(compose_one(d, s, TAV_COMPOSE_MIX), (Rgba{150, 150, 1, 77}));
}

TEST(Compose, MapScalesAlphaAndCopiesColour) {
    EXPECT_EQ(compose_one({1, 2, 3, 200}, {50, 60, 70, 128}, TAV_COMPOSE_MAP), (Rgba{50, 60, 70, 100}));
    EXPECT_EQ(compose_one({1, 2, 3, 200}, {50, 60, 70, 0}, TAV_COMPOSE_MAP), (Rgba{1, 2, 3, 200}));
}

TEST(Compose, BumpBlendsLikeOverButKeepsAlpha) {
    EXPECT_EQ(compose_one({0, 0, 0, 255}, {255, 255, 255, 128}, TAV_COMPOSE_BUMP), (Rgba{128, 128, 128, 255}));
    const Rgba over = compose_one({0, 0, 0, 100}, {255, 255, 255, 128}, TAV_COMPOSE_OVER);
    const Rgba bump = compose_one({0, 0, 0, 100}, {255, 255, 255, 128}, TAV_COMPOSE_BUMP);
    EXPECT_EQ(bump[0], over[0]);
    EXPECT_EQ(bump[3], 100);
}

TEST(Compose, UnderHasNoShortcutForTransparentSource) {
    EXPECT_EQ(compose_one({10, 20, 30, 0}, {200, 200, 200, 0}, TAV_COMPOSE_UNDER), (Rgba{10, 20, 30, 0}));
    // Opaque image stays on top.
    EXPECT_EQ(compose_one({10, 20, 30, 255}, {200, 200, 200, 255}, TAV_COMPOSE_UNDER), (Rgba{10, 20, 30, 255}));
    // A transparent image lets the source through.
    EXPECT_EQ(compose_one({10, 20, 30, 0}, {200, 100, 50, 255}, TAV_COMPOSE_UNDER), (Rgba{200, 100, 50, 255}));
}

TEST(Compose, UnknownModeLeavesPixel) {
    EXPECT_EQ(compose_one({1, 2, 3, 4}, {9, 9, 9, 255}, 42), (Rgba{1, 2, 3, 4}));
}

TEST(Compose, DefaultModeUsesImageSetting) {
    tavtest::interp();
    Photo *image = PhotoCreate(1, 1, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    const unsigned char black[4] = {0, 0, 0, 255}, half[4] = {255, 255, 255, 128};
    PhotoPutRGBA(image, black, 0, 0, 1, 1, TAV_COMPOSE_REPLACE);
    PhotoPutRGBA(image, half, 0, 0, 1, 1, TAV_COMPOSE_DEFAULT);  // image compose is over
    EXPECT_EQ(tavtest::pixel(image, 0, 0), (Rgba{128, 128, 128, 255}));
    PhotoSetCompose(image, TAV_COMPOSE_DEFAULT);  // 0 twice means replace
    PhotoPutRGBA(image, half, 0, 0, 1, 1, TAV_COMPOSE_DEFAULT);
    EXPECT_EQ(tavtest::pixel(image, 0, 0), (Rgba{255, 255, 255, 128}));
    PhotoDelete(image);
}

TEST(Compose, GrayImageTakesRedChannel) {
    EXPECT_EQ(compose_one({0, 0, 0, 255}, {90, 10, 10, 255}, TAV_COMPOSE_REPLACE, TAV_MODE_GRAY),
              (Rgba{90, 90, 90, 255}));
    EXPECT_EQ(compose_one({0, 0, 0, 255}, {90, 10, 10, 7}, TAV_COMPOSE_REPLACE, TAV_MODE_GRAYALPHA),
              (Rgba{90, 90, 90, 7}));
}

TEST(Combine, Primitives) {
    EXPECT_EQ(TavCombineAlpha(255, 0), 255);
    EXPECT_EQ(TavCombineAlpha(0, 200), 200);
    EXPECT_EQ(TavCombineAlpha(128, 255), 255);
    EXPECT_EQ(TavCombineOver(77, 1, 2, 3, 0), 77);
    // Quotient above a byte is clamped: 255 over 255 with alphas 100/0, result alpha 100.
    EXPECT_EQ(TavCombineOver(255, 255, 100, 0, 100), 255);
    // Arguments count by their low byte.
    EXPECT_EQ(TavCombineAlpha(255 + 256, 0), 255);
    unsigned char c[4];
    EXPECT_EQ(TavSetColor(c, 256 + 1, 2, 3, -1), 1);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(c[3], 255);
}

}  // namespace

namespace {

// The row compositor divides by the result alpha through a reciprocal table;
// it must agree with the plain primitives for every alpha pair.
TEST(Compose, OverAgreesWithPrimitivesEverywhere) {
    tavtest::interp();
    Photo *image = PhotoCreate(256, 1, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    std::vector<unsigned char> dst(256 * 4), src(256 * 4), out(256 * 4);
    for (int sa = 0; sa < 256; sa += 3) {
        for (int i = 0; i < 256; ++i) {
            TavSetColor(&dst[i * 4], 255 - i, i, 200, i);
            TavSetColor(&src[i * 4], i, 255, 13, sa);
        }
        PhotoPutRGBA(image, dst.data(), 0, 0, 256, 1, TAV_COMPOSE_REPLACE);
        PhotoPutRGBA(image, src.data(), 0, 0, 256, 1, TAV_COMPOSE_OVER);
        PhotoGetRGBA(image, out.data(), 0, 0, 256, 1);
        for (int i = 0; i < 256; ++i) {
            const int da = i;
            if (sa == 0) {
                ASSERT_EQ(out[i * 4 + 3], da);
                continue;
            }
            const int ar = TavCombineAlpha(sa, da);
            ASSERT_EQ(out[i * 4 + 3], ar);
            for (int k = 0; k < 3; ++k) {
                const int want = sa == 255 ? src[i * 4 + k] : TavCombineOver(src[i * 4 + k], dst[i * 4 + k], sa, da, ar);
                ASSERT_EQ(out[i * 4 + k], want) << "sa " << sa << " da " << da << " k " << k;
            }
        }
    }
    PhotoDelete(image);
}

}  // namespace

// One ink for a whole row must compose exactly like that ink repeated in a
// source row: every mode, every layout, every source and destination alpha,
// destination rows whose alphas change from pixel to pixel and stay put.
TEST(Compose, SolidRowsEqualRepeatedSourceRows) {
    const int layouts[][2] = {{4, 3}, {2, 1}, {1, -1}};  // channels, alpha position
    for (int mode = 0; mode <= 12; ++mode)
        for (const auto &layout : layouts)
            for (int sa = 0; sa < 256; ++sa) {
                const unsigned char ink[4] = {static_cast<unsigned char>(sa * 7), 200, 31,
                                              static_cast<unsigned char>(sa)};
                const int channels = layout[0];
                std::vector<unsigned char> start(512 * channels), repeated(512 * 4);
                for (size_t i = 0; i < start.size(); ++i)  // da runs of 256 values, then all 255
                    start[i] = static_cast<unsigned char>(i < 256 * static_cast<size_t>(channels) ? i / channels * 3 + i : 255);
                for (size_t i = 0; i < 512; ++i) std::copy_n(ink, 4, &repeated[4 * i]);
                auto solid = start, rows = start;
                tav::compose_row_solid(mode, solid.data(), channels, layout[1], ink, 512);
                tav::compose_row(mode, rows.data(), channels, layout[1], repeated.data(), 512);
                ASSERT_EQ(solid, rows) << "mode " << mode << " channels " << channels << " sa " << sa;
            }
}

// The truecolour rows' vector twins against the portable rows, byte for
// byte, in every mode: every source and image alpha pair once, then odd
// widths (the pixels after the last group of four) of random colours with
// the alphas where the rules change (clear, opaque, near a half).
TEST(Compose, VectorTwinsMatchPortableRows) {
    std::mt19937 rng(7);
    auto random_row = [&](size_t n, bool edge_alphas) {
        static const unsigned char alphas[] = {0, 1, 127, 128, 254, 255};
        std::vector<unsigned char> row(4 * n);
        for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<unsigned char>(rng());
        if (edge_alphas)
            for (size_t i = 0; i < n; ++i) row[4 * i + 3] = alphas[rng() % 6];
        return row;
    };
    std::vector<std::pair<std::vector<unsigned char>, std::vector<unsigned char>>> cases;  // image row, source row
    auto every_pair = std::make_pair(random_row(65536, false), random_row(65536, false));
    for (size_t i = 0; i < 65536; ++i) every_pair.first[4 * i + 3] = i & 255, every_pair.second[4 * i + 3] = i >> 8;
    cases.push_back(every_pair);
    for (size_t n : {1, 2, 3, 5, 7, 15, 17, 33, 100})
        for (int edge = 0; edge < 2; ++edge) cases.emplace_back(random_row(n, edge), random_row(n, edge));
    // Each table's rows by themselves (the AVX2 ones where the processor
    // runs them), and the row compose_row picks with the twins on.
    using Twin = tav::RgbaComposeFn tav::RgbaComposeTwins::*;
    const std::pair<int, Twin> twins[] = {
        {TAV_COMPOSE_OVER, &tav::RgbaComposeTwins::over},   {TAV_COMPOSE_UNDER, &tav::RgbaComposeTwins::under},
        {TAV_COMPOSE_BUMP, &tav::RgbaComposeTwins::bump},   {TAV_COMPOSE_PLUS, &tav::RgbaComposeTwins::plus},
        {TAV_COMPOSE_MINUS, &tav::RgbaComposeTwins::minus}, {TAV_COMPOSE_ADD, &tav::RgbaComposeTwins::add},
        {TAV_COMPOSE_SUBTRACT, &tav::RgbaComposeTwins::subtract},
        {TAV_COMPOSE_DIFFERENCE, &tav::RgbaComposeTwins::difference}, {TAV_COMPOSE_MIX, &tav::RgbaComposeTwins::mix}};
    tav::set_vector_twins(true);
    const bool avx2 = tav::cpu_has_avx2();
    for (const auto &[mode, member] : twins)
        for (const auto &[image, source] : cases) {
            const size_t n = source.size() / 4;
            auto portable = image;
            tav::set_vector_twins(false);
            tav::compose_row(mode, portable.data(), 4, 3, source.data(), n);
            tav::set_vector_twins(true);
            std::vector<tav::RgbaComposeFn> rows = {tav::kRgbaComposeTwins.*member};
            if (avx2) rows.push_back(tav::kRgbaComposeAvx2.*member);
            for (const auto row : rows) {
                if (!row) continue;
                auto twin = image;
                row(twin.data(), source.data(), n);
                ASSERT_EQ(twin, portable) << "mode " << mode << " width " << n;
            }
            auto chosen = image;
            tav::compose_row(mode, chosen.data(), 4, 3, source.data(), n);
            ASSERT_EQ(chosen, portable) << "mode " << mode << " width " << n;
        }
}
