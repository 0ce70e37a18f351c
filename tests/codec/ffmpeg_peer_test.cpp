// Our frames decoded by an implementation nobody here wrote: FFmpeg's
// decoder of the format, through the ffmpeg command.  Its planes must match
// our decoder's (before our deblocking filter, which FFmpeg does not have)
// within the small differences of its more accurate inverse transform.
// Skipped where ffmpeg is not installed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "codec/codec_support.h"

namespace {

using mimictest::Bytes;

struct PlaneDiff {
    double mean = 0;
    int max = 0;
};

// FFmpeg's Y, U, V (top-down) against our Y, P2, P1 (bottom-up).
PlaneDiff compare(const uint8_t *ours, const uint8_t *theirs, int width, int rows) {
    PlaneDiff d;
    long sum = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x) {
            int diff = std::abs(ours[(rows - 1 - y) * width + x] - theirs[y * width + x]);
            sum += diff;
            d.max = std::max(d.max, diff);
        }
    d.mean = static_cast<double>(sum) / (width * rows);
    return d;
}

TEST(MimicPeer, FFmpegDecodesOurFrames) {
    if (!mimictest::have_ffmpeg()) GTEST_SKIP() << "ffmpeg with the mimic decoder is not installed";
    struct Case {
        int width, quality;
    };
    for (const Case &c : {Case{320, 0}, Case{320, 5000}, Case{320, 10000}, Case{160, 0}, Case{160, 8500}}) {
        SCOPED_TRACE(testing::Message() << c.width << " at quality " << c.quality);
        const int height = c.width * 3 / 4;
        auto enc = mimictest::encoder(c.width, c.quality);
        mimictest::Ctx dec(mimic_open());
        // Motion, a key frame in the middle, then two pictures in turn so
        // that blocks refer back two frames.
        std::vector<Bytes> frames, planes;
        const int pictures[] = {0, 1, 2, 3, 4, 5, 6, 7, 30, 7, 30, 7, 30};
        for (int i = 0; i < static_cast<int>(std::size(pictures)); ++i) {
            Bytes frame = mimictest::encode(enc.get(), mimictest::scene_frame(c.width, height, pictures[i]), i == 5);
            if (i == 0) {
                ASSERT_EQ(mimic_decoder_init(dec.get(), frame.data()), 1);
            }
            auto d = mimictest::decode(dec.get(), frame, c.width, height);
            ASSERT_EQ(d.ok, 1);
            if (i >= 10) {
                EXPECT_LT(frame.size(), frames[8].size() / 2) << "frame " << i << " copies an older frame";
            }
            frames.push_back(std::move(frame));
            planes.push_back(std::move(d.planes));
        }
        const Bytes yuv = mimictest::ffmpeg_yuv(frames, c.width, height);
        const size_t frame_yuv = static_cast<size_t>(c.width) * height * 3 / 2;
        ASSERT_EQ(yuv.size(), frames.size() * frame_yuv) << "one picture per frame";
        const int cw = c.width / 2, ch = height / 2;
        for (size_t f = 0; f < frames.size(); ++f) {
            const uint8_t *ours = planes[f].data(), *theirs = yuv.data() + f * frame_yuv;
            const PlaneDiff diffs[] = {
                compare(ours, theirs, c.width, height),
                compare(ours + c.width * height + cw * ch, theirs + c.width * height, cw, ch),  // U = P2
                compare(ours + c.width * height, theirs + c.width * height + cw * ch, cw, ch),  // V = P1
            };
            for (int p = 0; p < 3; ++p) {
                EXPECT_LT(diffs[p].mean, 1.0) << "frame " << f << " plane " << p;
                EXPECT_LE(diffs[p].max, 16) << "frame " << f << " plane " << p;
            }
        }
    }
}

}  // namespace
