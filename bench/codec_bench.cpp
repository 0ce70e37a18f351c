// The webcam codec at 320 x 240 on two moving, webcam-like sequences (a
// key frame every 15th frame, P-frames between; the argument picks the
// sequence: 0 clean, 1 grainy): our encoder and decoder through
// the codec objects, and FFmpeg's decoder of the format on the same frames
// in the same run.  Our decode includes the deblocking filter and the
// conversion to RGB; FFmpeg's is timed stopping at its YUV planes, and again
// with its conversion to RGB.  The decode
// benchmarks report the PSNR of our decoded frames against the source.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "../tests/codec/sequence.h"
#include "tavrel.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr int kFrames = 30;

// Sequence 0 is the webcam scene as it is; sequence 1 is the same scene
// under heavy sensor grain (a dim room, gain turned up), where far fewer
// blocks are skipped and every coded block carries more coefficients.
std::vector<Bytes> make_source(int sequence) {
    std::vector<Bytes> out;
    uint32_t noise = 12345;
    for (int t = 0; t < kFrames; ++t) {
        Bytes rgb = mimictest::scene_frame(320, 240, t);
        if (sequence == 1) {
            for (unsigned char &v : rgb) {
                noise = noise * 1664525u + 1013904223u;
                const int grain = static_cast<int>(noise >> 27) - 16;  // -16 .. 15
                v = static_cast<unsigned char>(std::clamp(v + grain, 0, 255));
            }
        }
        out.push_back(std::move(rgb));
    }
    return out;
}

const std::vector<Bytes> &source(int sequence) {
    static const std::vector<Bytes> frames[2] = {make_source(0), make_source(1)};
    return frames[sequence];
}

std::vector<Bytes> encode_all(int sequence) {
    std::vector<Bytes> out;
    PhotoCodec *codec = PhotoCreateCodec();
    for (const Bytes &rgb : source(sequence)) {
        int n = 0;
        const unsigned char *f = PhotoCodecEncode(codec, rgb.data(), static_cast<int>(rgb.size()), &n);
        out.emplace_back(f, f + n);
    }
    PhotoDeleteCodec(codec);
    return out;
}

const std::vector<Bytes> &encoded(int sequence) {
    static const std::vector<Bytes> frames[2] = {encode_all(0), encode_all(1)};
    return frames[sequence];
}

void BM_MimicEncode(benchmark::State &state) {
    const auto &frames = source(static_cast<int>(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        PhotoCodec *codec = PhotoCreateCodec();
        for (const Bytes &rgb : frames) {
            int n = 0;
            benchmark::DoNotOptimize(PhotoCodecEncode(codec, rgb.data(), static_cast<int>(rgb.size()), &n));
            bytes += static_cast<size_t>(n);
        }
        PhotoDeleteCodec(codec);
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["bytes_per_frame"] = static_cast<double>(bytes) / (state.iterations() * kFrames);
}
BENCHMARK(BM_MimicEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_MimicDecode(benchmark::State &state) {
    const int sequence = static_cast<int>(state.range(0));
    const auto &frames = encoded(sequence);
    double sse = 0, samples = 0;
    for (auto _ : state) {
        PhotoCodec *codec = PhotoCreateCodec();
        for (const Bytes &f : frames) {
            int n = 0;
            benchmark::DoNotOptimize(PhotoCodecDecode(codec, f.data(), static_cast<int>(f.size()), &n));
        }
        PhotoDeleteCodec(codec);
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    // The PSNR over the sequence, measured once outside the timing.
    PhotoCodec *codec = PhotoCreateCodec();
    for (int i = 0; i < kFrames; ++i) {
        int n = 0;
        const unsigned char *out = PhotoCodecDecode(codec, frames[i].data(), static_cast<int>(frames[i].size()), &n);
        for (int k = 0; out && k < n; ++k) {
            double d = out[k] - source(sequence)[i][k];
            sse += d * d;
        }
        samples += n;
    }
    PhotoDeleteCodec(codec);
    state.counters["psnr_db"] = 10 * std::log10(255.0 * 255.0 * samples / sse);
}
BENCHMARK(BM_MimicDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void ffmpeg_decode(benchmark::State &state, bool to_rgb) {
    const auto &frames = encoded(static_cast<int>(state.range(0)));
    const AVCodec *decoder = avcodec_find_decoder(AV_CODEC_ID_MIMIC);
    if (!decoder) {
        state.SkipWithError("FFmpeg has no decoder of the format");
        return;
    }
    // Packets carry FFmpeg's input padding.
    std::vector<AVPacket *> packets;
    for (const Bytes &f : frames) {
        AVPacket *p = av_packet_alloc();
        av_new_packet(p, static_cast<int>(f.size()));
        std::copy(f.begin(), f.end(), p->data);
        packets.push_back(p);
    }
    AVFrame *picture = av_frame_alloc();
    SwsContext *scaler = sws_getContext(320, 240, AV_PIX_FMT_YUV420P, 320, 240, AV_PIX_FMT_RGB24, SWS_POINT,
                                        nullptr, nullptr, nullptr);
    Bytes rgb(TAV_CODEC_FRAME_BYTES);
    uint8_t *rgb_planes[1] = {rgb.data()};
    const int rgb_stride[1] = {3 * 320};
    for (auto _ : state) {
        AVCodecContext *ctx = avcodec_alloc_context3(decoder);
        ctx->thread_count = 1;
        avcodec_open2(ctx, decoder, nullptr);
        for (AVPacket *p : packets) {
            avcodec_send_packet(ctx, p);
            while (avcodec_receive_frame(ctx, picture) == 0) {
                if (to_rgb)
                    sws_scale(scaler, picture->data, picture->linesize, 0, 240, rgb_planes, rgb_stride);
                benchmark::DoNotOptimize(picture->data[0]);
            }
        }
        avcodec_free_context(&ctx);
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    sws_freeContext(scaler);
    av_frame_free(&picture);
    for (AVPacket *p : packets) av_packet_free(&p);
}

void BM_FFmpegMimicDecode(benchmark::State &state) { ffmpeg_decode(state, false); }
BENCHMARK(BM_FFmpegMimicDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FFmpegMimicDecodeRGB(benchmark::State &state) { ffmpeg_decode(state, true); }
BENCHMARK(BM_FFmpegMimicDecodeRGB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
