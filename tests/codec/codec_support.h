// Test support for the webcam codec: a moving test sequence, our codec
// through its C interface, and FFmpeg's decoder as the independent peer
// (through the ffmpeg command and its TCP webcam stream container).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "codec/mimic/mimic_internal_p.h"
#include "codec/sequence.h"

namespace mimictest {

using Bytes = std::vector<unsigned char>;

struct CtxCloser {
    void operator()(MimCtx *ctx) const { mimic_close(ctx); }
};
using Ctx = std::unique_ptr<MimCtx, CtxCloser>;

inline Ctx encoder(int width, int quality = 0) {
    Ctx ctx(mimic_open());
    EXPECT_EQ(mimic_encoder_init(ctx.get(), width == 320 ? MIMIC_RES_HIGH : MIMIC_RES_LOW), 1);
    EXPECT_EQ(mimic_set_property(ctx.get(), "quality", &quality), 1);
    return ctx;
}

inline Bytes encode(MimCtx *ctx, const Bytes &rgb, bool key) {
    Bytes out(MIMIC_MAX_FRAME_BYTES_HIGH);
    int length = static_cast<int>(out.size());
    EXPECT_EQ(mimic_encode_frame(ctx, rgb.data(), out.data(), &length, key), 1);
    out.resize(static_cast<size_t>(length));
    return out;
}

// A frame padded with zeros up to what the decoder may read.
inline Bytes padded(const Bytes &frame) {
    Bytes copy(frame);
    if (copy.size() < MIMIC_MAX_FRAME_READ) copy.resize(MIMIC_MAX_FRAME_READ, 0);
    return copy;
}

struct Decoded {
    int ok = 0;
    Bytes rgb;
    Bytes planes;  // the frame as it went into the history (not deblocked)
};

inline Decoded decode(MimCtx *ctx, const Bytes &frame, int width, int height) {
    Decoded d;
    d.rgb.resize(static_cast<size_t>(width) * height * 3);
    d.ok = mimic_decode_frame_checked(ctx, frame.data(), static_cast<int>(frame.size()), d.rgb.data());
    if (d.ok) {
        const uint8_t *p = ctx->previous(1);
        d.planes.assign(p, p + ctx->geometry.frame_size);
    }
    return d;
}

inline double psnr(const Bytes &a, const Bytes &b) {
    double sse = 0;
    for (size_t i = 0; i < a.size(); ++i) sse += (a[i] - b[i]) * double(a[i] - b[i]);
    if (sse == 0) return 99;
    return 10 * std::log10(255.0 * 255.0 * a.size() / sse);
}

// ---- FFmpeg as the peer decoder

inline bool have_ffmpeg() {
    static const bool present = std::system("ffmpeg -hide_banner -decoders 2>/dev/null | grep -q ' mimic '") == 0;
    return present;
}

inline void put16(Bytes &out, unsigned v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
inline void put32(Bytes &out, unsigned v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The frames as a TCP webcam stream file: a 24-byte record header before
// each frame, timestamps 100 ms apart.
inline Bytes stream_file(const std::vector<Bytes> &frames, int width, int height) {
    Bytes out;
    unsigned ms = 0;
    for (const Bytes &f : frames) {
        out.push_back(24);
        out.push_back(0);
        put16(out, width);
        put16(out, height);
        put16(out, f[12] == 0 ? 1 : 0);
        put32(out, static_cast<unsigned>(f.size()));
        for (char c : {'M', 'L', '2', '0'}) out.push_back(static_cast<unsigned char>(c));
        put32(out, 0);
        put32(out, ms += 100);
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

inline Bytes slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// FFmpeg's decoding of the frames as YUV 4:2:0 planes, top-down, one frame
// after the other; empty when ffmpeg failed.
inline Bytes ffmpeg_yuv(const std::vector<Bytes> &frames, int width, int height) {
    char dir[] = "/tmp/tavrel-mimic-XXXXXX";
    if (!mkdtemp(dir)) return {};
    const std::string in = std::string(dir) + "/in.msnw", out = std::string(dir) + "/out.yuv";
    Bytes file = stream_file(frames, width, height);
    std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char *>(file.data()), file.size());
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel fatal -y -f msnwctcp -i " + in +
                                " -f rawvideo -pix_fmt yuv420p -fps_mode passthrough " + out;
    const int status = std::system(command.c_str());
    Bytes yuv = status == 0 ? slurp(out) : Bytes();
    std::remove(in.c_str());
    std::remove(out.c_str());
    rmdir(dir);
    return yuv;
}

}  // namespace mimictest
