// The webcam codec through its C interface: exact frames, properties and
// life cycle, the output capacity, the code tables and transforms, round
// trips, and refusal of bad frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "codec/codec_support.h"
#include "codec/mimic/bitstream_p.h"

namespace {

using mimictest::Bytes;
using namespace tav::mimic;

Bytes flat(int width, int height, unsigned char r, unsigned char g, unsigned char b) {
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = r, rgb[i + 1] = g, rgb[i + 2] = b;
    return rgb;
}

Bytes noise(int width, int height, uint32_t seed) {
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    for (auto &v : rgb) v = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 23);
    return rgb;
}

Bytes hex(const std::string &text) {
    Bytes out;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        while (text[i] == ' ') ++i;
        out.push_back(static_cast<unsigned char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

Bytes repeat(const std::string &word, int times) {
    Bytes one = hex(word), out;
    for (int i = 0; i < times; ++i) out.insert(out.end(), one.begin(), one.end());
    return out;
}

bool starts_with(const Bytes &data, const Bytes &prefix, size_t at = 0) {
    return data.size() >= at + prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin() + at);
}

// Known frames: flat pictures, first as a key frame, then (P) as the same
// picture again.
TEST(MimicEncoder, ExactFrames) {
    struct Case {
        const char *name;
        int width;
        unsigned char r, g, b;
        bool second;
        size_t length;
        Bytes header, payload_start, payload_end;
    };
    const Bytes header320 = hex("0001 0000 4001 F000 00000000 00000000 1C000000");
    Bytes header320p = header320;
    header320p[12] = 1;
    Bytes p_payload = repeat("FFFFFFFF", 37);
    Bytes tail = hex("0000FFFF");
    p_payload.insert(p_payload.end(), tail.begin(), tail.end());
    Bytes zeros = repeat("00000000", 19);
    p_payload.insert(p_payload.end(), zeros.begin(), zeros.end());
    const Case cases[] = {
        {"grey key 320", 320, 128, 128, 128, false, 2724, header320, hex("800AA880A8800AA80AA8800A"),
         hex("0AA8800A00000000")},
        {"grey again as P-frame", 320, 128, 128, 128, true, 248, header320p, p_payload, p_payload},
        {"grey key 160", 160, 128, 128, 128, false, 712, hex("0001 0000 A000 7800"), {}, {}},
        {"red key 320", 320, 255, 0, 0, false, 2724, header320, hex("1DDAA11DA11DDAA1"), {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto ctx = mimictest::encoder(c.width);
        Bytes rgb = flat(c.width, c.width * 3 / 4, c.r, c.g, c.b);
        Bytes frame = mimictest::encode(ctx.get(), rgb, true);
        if (c.second) frame = mimictest::encode(ctx.get(), rgb, false);
        EXPECT_EQ(frame.size(), c.length);
        EXPECT_TRUE(starts_with(frame, c.header));
        EXPECT_TRUE(starts_with(frame, c.payload_start, kHeaderBytes));
        if (!c.payload_end.empty()) {
            EXPECT_TRUE(starts_with(frame, c.payload_end, frame.size() - c.payload_end.size()));
        }
    }
}

// The known frames decode to their pictures: grey stays grey, red comes
// back as (254, 0, 0); a P-frame of unchanged blocks repeats the picture.
TEST(MimicDecoder, DecodesKnownFrames) {
    struct Case {
        int width;
        unsigned char r, g, b;
        unsigned char er, eg, eb;
    };
    for (const Case &c : {Case{320, 128, 128, 128, 128, 128, 128}, Case{160, 128, 128, 128, 128, 128, 128},
                          Case{320, 255, 0, 0, 254, 0, 0}}) {
        SCOPED_TRACE(c.width);
        const int height = c.width * 3 / 4;
        auto enc = mimictest::encoder(c.width);
        Bytes rgb = flat(c.width, height, c.r, c.g, c.b);
        Bytes key = mimictest::encode(enc.get(), rgb, true), inter = mimictest::encode(enc.get(), rgb, false);
        mimictest::Ctx dec(mimic_open());
        ASSERT_EQ(mimic_decoder_init(dec.get(), mimictest::padded(key).data()), 1);
        for (const Bytes *frame : {&key, &inter}) {
            auto d = mimictest::decode(dec.get(), *frame, c.width, height);
            ASSERT_EQ(d.ok, 1);
            EXPECT_EQ(d.rgb, flat(c.width, height, c.er, c.eg, c.eb));
        }
    }
}

TEST(MimicContext, Properties) {
    struct Case {
        bool encode;
        int width;
        int buffer_size, height;
    };
    for (const Case &c : {Case{true, 320, 16384, 240}, Case{true, 160, 16384, 120}, Case{false, 320, 230400, 240},
                          Case{false, 160, 57600, 120}}) {
        SCOPED_TRACE(std::string(c.encode ? "encoder " : "decoder ") + std::to_string(c.width));
        mimictest::Ctx ctx(mimic_open());
        int value = -1;
        EXPECT_EQ(mimic_get_property(ctx.get(), "width", &value), 0) << "not initialised yet";
        int quality = 1234;
        if (c.encode) {
            ASSERT_EQ(mimic_encoder_init(ctx.get(), c.width == 320 ? MIMIC_RES_HIGH : MIMIC_RES_LOW), 1);
        } else {
            auto enc = mimictest::encoder(c.width, quality);
            Bytes key = mimictest::encode(enc.get(), flat(c.width, c.height, 9, 9, 9), true);
            ASSERT_EQ(mimic_decoder_init(ctx.get(), key.data()), 1);
        }
        const std::pair<const char *, int> expected[] = {
            {"buffer_size", c.buffer_size}, {"width", c.width}, {"height", c.height},
            {"quality", c.encode ? 0 : quality}};
        for (auto [name, v] : expected) {
            EXPECT_EQ(mimic_get_property(ctx.get(), name, &value), 1) << name;
            EXPECT_EQ(value, v) << name;
        }
        EXPECT_EQ(mimic_get_property(ctx.get(), "Width", &value), 0);
        EXPECT_EQ(mimic_get_property(ctx.get(), nullptr, &value), 0);
        // Only an encoder's quality can be set, within 0 ... 10000.
        for (int q : {-1, 0, 10000, 10001}) {
            int v = q;
            EXPECT_EQ(mimic_set_property(ctx.get(), "quality", &v), c.encode && q >= 0 && q <= 10000 ? 1 : 0) << q;
        }
        EXPECT_EQ(mimic_get_property(ctx.get(), "quality", &value), 1);
        EXPECT_EQ(value, c.encode ? 10000 : quality);
        value = 5;
        EXPECT_EQ(mimic_set_property(ctx.get(), "width", &value), 0);
    }
}

TEST(MimicContext, LifeCycle) {
    mimic_close(nullptr);
    EXPECT_EQ(mimic_encoder_init(nullptr, MIMIC_RES_HIGH), 0);
    Bytes rgb = flat(320, 240, 1, 2, 3), out(MIMIC_MAX_FRAME_BYTES_HIGH);
    int length = 0;

    mimictest::Ctx fresh(mimic_open());
    EXPECT_EQ(mimic_encoder_init(fresh.get(), static_cast<MimicResEnum>(2)), 0);
    EXPECT_EQ(mimic_encode_frame(fresh.get(), rgb.data(), out.data(), &length, 1), 0) << "not an encoder";

    auto enc = mimictest::encoder(320);
    EXPECT_EQ(mimic_encoder_init(enc.get(), MIMIC_RES_LOW), 0) << "initialised once";
    Bytes key = mimictest::encode(enc.get(), rgb, false);
    EXPECT_EQ(key[12], 0) << "the first frame is a key frame whatever is asked";
    EXPECT_EQ(mimic_decoder_init(enc.get(), key.data()), 0);
    EXPECT_EQ(mimic_decode_frame(enc.get(), mimictest::padded(key).data(), out.data()), 0);
    EXPECT_EQ(mimic_encode_frame(enc.get(), nullptr, out.data(), &length, 0), 0);
    EXPECT_EQ(mimic_encode_frame(enc.get(), rgb.data(), out.data(), nullptr, 0), 0);

    // A decoder starts from a key frame of a known size; a refused first
    // frame leaves the context free for another try.
    mimictest::Ctx dec(mimic_open());
    Bytes bad = key;
    bad[12] = 1;
    EXPECT_EQ(mimic_decoder_init(dec.get(), bad.data()), 0) << "P-frame";
    bad = key;
    bad[4] = 0x41;
    EXPECT_EQ(mimic_decoder_init(dec.get(), bad.data()), 0) << "321 x 240";
    EXPECT_EQ(mimic_decoder_init(dec.get(), nullptr), 0);
    EXPECT_EQ(mimic_decoder_init(dec.get(), key.data()), 1);
    EXPECT_EQ(mimic_decoder_init(dec.get(), key.data()), 0);
    EXPECT_EQ(mimic_encode_frame(dec.get(), rgb.data(), out.data(), &length, 1), 0);
}

// A positive *output_length is the capacity: a frame that does not fit fails
// without writing past it and without changing the encoder's state.
TEST(MimicEncoder, OutputCapacity) {
    Bytes rgb = noise(320, 240, 7);
    auto reference = mimictest::encoder(320, 10000);
    Bytes whole = mimictest::encode(reference.get(), rgb, true);
    EXPECT_GT(whole.size(), static_cast<size_t>(MIMIC_ENCODER_BUFFER_SIZE)) << "noise exceeds the advertised size";
    EXPECT_LE(whole.size(), static_cast<size_t>(MIMIC_MAX_FRAME_BYTES_HIGH));

    auto ctx = mimictest::encoder(320, 10000);
    for (int capacity : {1, 23, 24, static_cast<int>(whole.size()) / 2, static_cast<int>(whole.size()) - 4}) {
        SCOPED_TRACE(capacity);
        Bytes out(static_cast<size_t>(capacity) + 64, 0xEE);
        int length = capacity;
        EXPECT_EQ(mimic_encode_frame(ctx.get(), rgb.data(), out.data(), &length, 1), 0);
        EXPECT_EQ(length, capacity);
        EXPECT_TRUE(std::all_of(out.begin() + capacity, out.end(), [](unsigned char v) { return v == 0xEE; }));
    }
    Bytes out(whole.size());
    int length = static_cast<int>(out.size());
    ASSERT_EQ(mimic_encode_frame(ctx.get(), rgb.data(), out.data(), &length, 1), 1) << "an exact fit";
    EXPECT_EQ(out, whole);
    // No capacity given: the caller provides the longest frame.
    Bytes big(MIMIC_MAX_FRAME_BYTES_HIGH);
    length = 0;
    ASSERT_EQ(mimic_encode_frame(ctx.get(), rgb.data(), big.data(), &length, 1), 1);
    EXPECT_EQ(static_cast<size_t>(length), whole.size());
}

// Every code of the table decodes to its own (run, size) through the
// decoder's tables, and no code is the prefix of another.
TEST(MimicTables, CodesDecodeToThemselves) {
    struct Entry {
        Code code;
        int run, k;
    };
    std::vector<Entry> all = {{kEndOfBlock, 0xFF, 0}};
    for (int run = 0; run <= 15; ++run)
        for (int k = 1; k <= 7; ++k)
            if (ac_code(run, k).length) all.push_back({ac_code(run, k), run, k});
    ASSERT_EQ(all.size(), 107u);
    for (const Entry &e : all) {
        SCOPED_TRACE(testing::Message() << "run " << e.run << " k " << e.k);
        uint32_t top = e.code.bits << (32 - e.code.length);
        int run = -1, k = -1, length = 0;
        const Symbol &s = kShortSymbols[top >> (32 - kShortCodeBits)];
        if (s.length) {
            run = s.run, k = s.k, length = s.length;
        } else {
            for (int i = 0; i < kLongSymbolCount && !length; ++i)
                if ((top >> (32 - kLongSymbols[i].length)) == kLongSymbols[i].bits)
                    run = kLongSymbols[i].run, k = kLongSymbols[i].k, length = kLongSymbols[i].length;
        }
        EXPECT_EQ(length, e.code.length);
        EXPECT_EQ(run, e.run);
        EXPECT_EQ(k, e.k);
        for (const Entry &other : all)
            if (&other != &e && other.code.length >= e.code.length) {
                EXPECT_NE(other.code.bits >> (other.code.length - e.code.length), e.code.bits);
            }
    }
    for (int x = -127; x <= 127; ++x) {
        if (x == 0) continue;
        int k = magnitude_bits(x);
        EXPECT_EQ(magnitude_value(magnitude_field(x, k), k), x);
        EXPECT_LT(magnitude_field(x, k), 1u << k);
    }
}

// The transforms at the points the format pins down: the decoder's
// shortcut for a lone DC is what the full inverse transform gives, and a
// flat block's forward transform is its value as DC and nothing else.
TEST(MimicTransforms, FlatBlocks) {
    for (int v = 0; v < 256; ++v) {
        int D[64] = {v};
        dequantise(D, false, 0);
        inverse_dct(D);
        for (int i = 0; i < 64; ++i) ASSERT_EQ(D[i], v) << "dc " << v;
        uint8_t block[64];
        std::memset(block, v, sizeof block);
        int F[64], Q[64];
        forward_dct(block, 8, 8, F);
        quantise(F, false, 0, kEncoderCoefficients, Q);
        ASSERT_EQ(Q[0], v);
        for (int i = 1; i < 64; ++i) ASSERT_EQ(Q[i], 0) << "dc " << v << " at " << i;
    }
}

// A moving sequence survives encoding and decoding at both sizes; P-frames
// are smaller than key frames, and every frame's length is whole words.
TEST(MimicRoundTrip, MovingSequence) {
    for (int width : {320, 160}) {
        SCOPED_TRACE(width);
        const int height = width * 3 / 4;
        auto enc = mimictest::encoder(width);
        mimictest::Ctx dec(mimic_open());
        size_t key_size = 0;
        for (int t = 0; t < 12; ++t) {
            Bytes rgb = mimictest::scene_frame(width, height, t);
            Bytes frame = mimictest::encode(enc.get(), rgb, t == 0);
            EXPECT_EQ(frame.size() % 4, 0u);
            EXPECT_GE(frame.size(), 24u);
            EXPECT_LE(frame.size(), static_cast<size_t>(width == 320 ? MIMIC_MAX_FRAME_BYTES_HIGH : MIMIC_MAX_FRAME_BYTES_LOW));
            if (t == 0) {
                key_size = frame.size();
                ASSERT_EQ(mimic_decoder_init(dec.get(), frame.data()), 1);
            } else {
                EXPECT_LT(frame.size(), key_size);
            }
            auto d = mimictest::decode(dec.get(), frame, width, height);
            ASSERT_EQ(d.ok, 1) << "frame " << t;
            EXPECT_GT(mimictest::psnr(d.rgb, rgb), 27.0) << "frame " << t;
        }
    }
}

// Frames the decoder must refuse, each given to a decoder that has decoded
// one key frame: it answers 0, and a good frame afterwards still decodes.
TEST(MimicDecoder, RefusesBadFrames) {
    auto enc = mimictest::encoder(320);
    Bytes key = mimictest::encode(enc.get(), mimictest::scene_frame(320, 240, 0), true);
    Bytes inter = mimictest::encode(enc.get(), mimictest::scene_frame(320, 240, 1), false);
    auto with = [](Bytes frame, size_t at, std::initializer_list<unsigned char> bytes) {
        std::copy(bytes.begin(), bytes.end(), frame.begin() + at);
        return frame;
    };
    // A frame with `header`'s header and a bitstream of `fields` (value, bits).
    auto built = [](const Bytes &header, std::initializer_list<std::pair<uint32_t, int>> fields, int repeat) {
        Bytes frame(4096, 0);
        std::copy(header.begin(), header.begin() + kHeaderBytes, frame.begin());
        BitWriter bits(frame.data() + kHeaderBytes, (frame.size() - kHeaderBytes) / 4);
        for (int i = 0; i < repeat; ++i)
            for (auto [value, n] : fields) bits.put(value, n);
        bits.finish();
        frame.resize(kHeaderBytes + 4 * bits.words());
        return frame;
    };
    // The first luma block of a P-frame names the fifth frame back.
    Bytes backref = built(inter, {{0, 1}, {1, 1}, {5, 4}}, 1);
    // Ones only: no code of the table matches.
    Bytes no_code = built(key, {{0xFF, 8}, {0xFFFFFFFF, 32}}, 4);
    // 64 coefficients per block, a DC, then codes of 14 zeros and a value:
    // the fifth places its value past position 63.
    Bytes past_63 = built(with(key, 16, {64}), {{0, 8}, {0xFF8, 12}, {1, 1}, {0xFF8, 12}, {1, 1}, {0xFF8, 12}, {1, 1}, {0xFF8, 12}, {1, 1}, {0xFF8, 12}, {1, 1}}, 1);
    struct Case {
        const char *name;
        Bytes frame;
    };
    const Case cases[] = {
        {"other resolution", with(key, 4, {0xA0, 0x00, 0x78, 0x00})},
        {"more than 64 coefficients", with(key, 16, {65})},
        {"back-reference to a frame never decoded", backref},
        {"no code matches", no_code},
        {"coefficient past position 63", past_63},
        {"truncated", Bytes(key.begin(), key.begin() + key.size() - 8)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        mimictest::Ctx dec(mimic_open());
        ASSERT_EQ(mimic_decoder_init(dec.get(), key.data()), 1);
        ASSERT_EQ(mimictest::decode(dec.get(), key, 320, 240).ok, 1);
        const auto refused = mimictest::decode(dec.get(), c.frame, 320, 240);
        EXPECT_EQ(refused.ok, 0);
        // The length-checked decoder leaves the output of a refused frame alone.
        EXPECT_EQ(refused.rgb, Bytes(refused.rgb.size(), 0));
        EXPECT_EQ(mimictest::decode(dec.get(), inter, 320, 240).ok, 1);
    }
    // A P-frame before any frame was decoded.
    mimictest::Ctx dec(mimic_open());
    ASSERT_EQ(mimic_decoder_init(dec.get(), key.data()), 1);
    EXPECT_EQ(mimictest::decode(dec.get(), inter, 320, 240).ok, 0);
    EXPECT_EQ(mimictest::decode(dec.get(), key, 320, 240).ok, 1);
}

}  // namespace
