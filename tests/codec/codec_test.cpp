// Codec objects: direction fixed on first use, key frames every fifteenth
// frame, quality and size, the output buffer, and bad frames handed to a
// decoder with their exact length (the sanitizer build catches any read
// past them).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "codec/codec_support.h"
#include "support/tcl_env.h"

namespace {

using mimictest::Bytes;

struct CodecDeleter {
    void operator()(PhotoCodec *codec) const { PhotoDeleteCodec(codec); }
};
using Codec = std::unique_ptr<PhotoCodec, CodecDeleter>;

Codec make_codec() {
    tavtest::interp();
    Codec codec(PhotoCreateCodec());
    EXPECT_NE(codec, nullptr);
    return codec;
}

Bytes encode(PhotoCodec *codec, const Bytes &rgb) {
    int length = 0;
    const unsigned char *frame = PhotoCodecEncode(codec, rgb.data(), static_cast<int>(rgb.size()), &length);
    EXPECT_NE(frame, nullptr);
    return frame ? Bytes(frame, frame + length) : Bytes();
}

// Decodes `frame` from a copy of exactly its length; true on success.
bool decode(PhotoCodec *codec, const Bytes &frame, int *length = nullptr) {
    auto copy = std::make_unique<unsigned char[]>(frame.size() + 1);
    if (!frame.empty()) std::memcpy(copy.get(), frame.data(), frame.size());
    int n = -1;
    bool ok = PhotoCodecDecode(codec, copy.get(), static_cast<int>(frame.size()), &n) != nullptr;
    if (length) *length = n;
    return ok;
}

TEST(PhotoCodec, DirectionIsFixedOnFirstUse) {
    Bytes rgb = mimictest::scene_frame(320, 240, 0);
    Codec enc = make_codec();
    int length = 0;
    EXPECT_EQ(PhotoCodecEncode(enc.get(), rgb.data(), TAV_CODEC_FRAME_BYTES - 1, &length), nullptr);
    EXPECT_EQ(enc->state, TAV_CODEC_ENCODER) << "an encoder, although the frame was refused";
    Bytes key = encode(enc.get(), rgb);
    EXPECT_FALSE(decode(enc.get(), key));

    Codec dec = make_codec();
    EXPECT_TRUE(decode(dec.get(), key));
    EXPECT_EQ(PhotoCodecEncode(dec.get(), rgb.data(), TAV_CODEC_FRAME_BYTES, &length), nullptr);
    EXPECT_EQ(PhotoDeleteCodec(nullptr), 0);
}

TEST(PhotoCodec, KeyFrameEveryFifteenth) {
    Codec enc = make_codec();
    for (int i = 0; i < 32; ++i) {
        Bytes frame = encode(enc.get(), mimictest::scene_frame(320, 240, i));
        ASSERT_GE(frame.size(), 24u);
        EXPECT_EQ(frame[12], i % 15 == 0 ? 0 : 1) << "frame " << i;
    }
    EXPECT_EQ(enc->frame_count, 32u);
}

TEST(PhotoCodec, QualityAndSize) {
    Codec codec = make_codec();
    int quality = -1, width = -1, height = -1;
    EXPECT_EQ(PhotoCodecSetQuality(codec.get(), 100), 1);
    EXPECT_EQ(PhotoCodecGetQuality(codec.get(), &quality), 1);
    EXPECT_EQ(PhotoCodecGetQuality(codec.get(), nullptr), 0);
    EXPECT_EQ(PhotoCodecGetSize(codec.get(), &width, &height), 1);
    encode(codec.get(), mimictest::scene_frame(320, 240, 0));
    EXPECT_EQ(PhotoCodecSetQuality(codec.get(), 7000), 0);
    EXPECT_EQ(PhotoCodecSetQuality(codec.get(), 10001), 1);
    EXPECT_EQ(PhotoCodecGetQuality(codec.get(), &quality), 0);
    EXPECT_EQ(quality, 7000);
    EXPECT_EQ(PhotoCodecGetSize(codec.get(), &width, nullptr), 0);
    EXPECT_EQ(PhotoCodecGetSize(codec.get(), nullptr, &height), 0);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    Bytes second = encode(codec.get(), mimictest::scene_frame(320, 240, 1));
    EXPECT_EQ(second[2] | (second[3] << 8), 7000) << "the next frame carries the quality";

    // A decoder knows its size once it has accepted a first frame.
    auto small = mimictest::encoder(160, 300);
    Bytes key = mimictest::encode(small.get(), mimictest::scene_frame(160, 120, 0), true);
    Codec dec = make_codec();
    EXPECT_FALSE(decode(dec.get(), Bytes(40, 7)));
    EXPECT_EQ(PhotoCodecGetSize(dec.get(), &width, &height), 1) << "still waiting";
    int length = 0;
    EXPECT_TRUE(decode(dec.get(), key, &length));
    EXPECT_EQ(length, 160 * 120 * 3) << "the reply is the decoded picture";
    EXPECT_EQ(PhotoCodecGetSize(dec.get(), &width, &height), 0);
    EXPECT_EQ(width, 160);
    EXPECT_EQ(height, 120);
    EXPECT_EQ(PhotoCodecGetQuality(dec.get(), &quality), 0);
    EXPECT_EQ(quality, 300);
    EXPECT_EQ(PhotoCodecSetQuality(dec.get(), 5), 1);
}

// Frames larger than five times the advertised buffer size still encode.
TEST(PhotoCodec, LargeFramesFit) {
    Codec enc = make_codec();
    encode(enc.get(), mimictest::scene_frame(320, 240, 0));
    ASSERT_EQ(PhotoCodecSetQuality(enc.get(), 10000), 0);
    Bytes noise(TAV_CODEC_FRAME_BYTES);
    uint32_t seed = 1;
    for (int i = 0; i < 20; ++i) {
        for (auto &v : noise) v = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 23);
        Bytes frame = encode(enc.get(), noise);
        EXPECT_GT(frame.size(), 16384u);
    }
    EXPECT_GE(enc->out_capacity, MIMIC_MAX_FRAME_BYTES_HIGH);
}

// Bad frames, exactly as long as they are: refused or decoded, never read
// past.  A refused first frame leaves the decoder waiting; once started, a
// refused frame leaves it able to decode the next good one.
TEST(PhotoCodec, BadFrames) {
    auto enc = mimictest::encoder(320);
    Bytes key = mimictest::encode(enc.get(), mimictest::scene_frame(320, 240, 0), true);
    Bytes inter = mimictest::encode(enc.get(), mimictest::scene_frame(320, 240, 1), false);
    auto small = mimictest::encoder(160);
    Bytes small_key = mimictest::encode(small.get(), mimictest::scene_frame(160, 120, 0), true);
    Bytes many = key;
    many[16] = 200;
    uint32_t seed = 5;
    Bytes garbage(30000);
    for (auto &v : garbage) v = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 23);
    Bytes garbage_header = garbage;
    std::copy(key.begin(), key.begin() + 20, garbage_header.begin());

    struct Case {
        const char *name;
        Bytes frame;
        bool refused_first, refused_later;
    };
    const Case cases[] = {
        {"empty", {}, true, true},
        {"shorter than the header", Bytes(key.begin(), key.begin() + 19), true, true},
        {"only the header", Bytes(key.begin(), key.begin() + 20), true, true},
        {"truncated", Bytes(key.begin(), key.begin() + key.size() / 2), true, true},
        {"garbage", garbage, true, true},
        {"other resolution", small_key, false, true},
        {"more than 64 coefficients", many, true, true},
        {"P-frame", inter, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Codec first = make_codec();
        EXPECT_EQ(decode(first.get(), c.frame), !c.refused_first);
        Codec later = make_codec();
        ASSERT_TRUE(decode(later.get(), key));
        EXPECT_EQ(decode(later.get(), c.frame), !c.refused_later);
        EXPECT_TRUE(decode(later.get(), inter));
    }
    // Every truncation that cuts into the bitstream fails; only the last
    // word, which may be padding alone, can go.
    Codec dec = make_codec();
    decode(dec.get(), garbage_header);  // random bits may well decode: only no over-read counts
    ASSERT_TRUE(decode(dec.get(), key));
    for (const Bytes *frame : {&key, &inter})
        for (size_t n = 0; n + 5 <= frame->size(); n += 7)
            EXPECT_FALSE(decode(dec.get(), Bytes(frame->begin(), frame->begin() + n))) << n;
    EXPECT_TRUE(decode(dec.get(), inter));
}

}  // namespace
