// Test support for the format tests: fixtures, streams that cannot tell
// their length or refuse writes, and netpbm as the independent peer decoder
// (owners and the string-stream reads and writes: support/photo_io.h).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/photo_io.h"
#include "support/tcl_env.h"

namespace codectest {

using tavtest::Bytes;
using tavtest::PhotoPtr;
using tavtest::read_into;
using tavtest::ReadStream;
using tavtest::write_with;

// The fixtures lie beside this header.
inline std::string fixture_path(const std::string &name) {
    const std::string here = __FILE__;
    return here.substr(0, here.find_last_of('/') + 1) + "fixtures/" + name;
}

inline Bytes slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes fixture(const std::string &name) {
    Bytes data = slurp(fixture_path(name));
    EXPECT_FALSE(data.empty()) << "missing fixture " << name;
    return data;
}

// A stream kind that cannot tell its length (like a pipe): `handle` names
// the Bytes it delivers.
inline int unsized_read(AuxIO *stream, unsigned char *buffer, int n) {
    const auto *bytes = static_cast<const Bytes *>(stream->handle);
    const size_t at = static_cast<size_t>(stream->pos);
    const size_t count = std::min(static_cast<size_t>(n), bytes->size() - std::min(at, bytes->size()));
    std::copy_n(bytes->data() + at, count, buffer);
    return static_cast<int>(count);
}

inline AuxIO *unsized_stream(const Bytes &bytes) {
    static const bool registered = [] {
        AuxIOOps ops;
        AuxIO_Reset(&ops);
        ops.read = unsized_read;
        return AuxIO_Register("unsized", &ops) == 0;
    }();
    return registered ? AuxIO_Init("unsized", const_cast<Bytes *>(&bytes), nullptr, 0, 0, 0) : nullptr;
}

// A stream kind whose writes stop after `extra1` bytes.
inline int limited_write(AuxIO *stream, const unsigned char *, int n) {
    const int room = stream->extra1 - stream->pos;
    return n <= room ? n : (room > 0 ? room : 0);
}

inline AuxIO *limited_stream(int budget) {
    static const bool registered = [] {
        AuxIOOps ops;
        AuxIO_Reset(&ops);
        ops.write = limited_write;
        return AuxIO_Register("limited", &ops) == 0;
    }();
    return registered ? AuxIO_Init("limited", nullptr, nullptr, budget, 0, 0) : nullptr;
}

// An image as the peer decoder saw it: RGBA whatever the file held.
struct Decoded {
    int width = 0, height = 0, depth = 0;  // depth: channels in the file
    Bytes rgba;
};

// Runs `command` (a netpbm decoder that writes PAM, PGM or PPM on stdout)
// on `bytes` and returns what it decoded; width 0 when it failed.
inline Decoded decode_with_peer(const std::string &command, const Bytes &bytes) {
    char path[] = "/tmp/tavrel_peer_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return {};
    FILE *file = fdopen(fd, "wb");
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    std::string out;
    if (FILE *pipe = popen((command + " " + path + " 2>/dev/null").c_str(), "r")) {
        char chunk[65536];
        for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
        pclose(pipe);
    }
    std::remove(path);

    Decoded d;
    std::istringstream in(out);
    std::string magic;
    in >> magic;
    int maxval = 0;
    if (magic == "P7") {
        for (std::string key; in >> key && key != "ENDHDR";) {
            if (key == "WIDTH") in >> d.width;
            else if (key == "HEIGHT") in >> d.height;
            else if (key == "DEPTH") in >> d.depth;
            else if (key == "MAXVAL") in >> maxval;
            else in.ignore(1 << 20, '\n');
        }
    } else if (magic == "P5" || magic == "P6") {
        in >> d.width >> d.height >> maxval;
        d.depth = magic == "P5" ? 1 : 3;
    }
    in.get();
    if (maxval != 255 || d.depth < 1 || d.depth > 4) return {};
    const size_t pixels = static_cast<size_t>(d.width) * d.height;
    const size_t start = static_cast<size_t>(in.tellg());
    if (out.size() < start + pixels * d.depth) return {};
    const auto *p = reinterpret_cast<const unsigned char *>(out.data()) + start;
    d.rgba.resize(pixels * 4);
    for (size_t i = 0; i < pixels; ++i, p += d.depth) {
        const bool gray = d.depth <= 2, alpha = d.depth == 2 || d.depth == 4;
        d.rgba[4 * i] = p[0];
        d.rgba[4 * i + 1] = gray ? p[0] : p[1];
        d.rgba[4 * i + 2] = gray ? p[0] : p[2];
        d.rgba[4 * i + 3] = alpha ? p[d.depth - 1] : 255;
    }
    return d;
}

// Largest difference between two equally long sample buffers.
inline int max_difference(const Bytes &a, const Bytes &b) {
    int worst = a.size() == b.size() ? 0 : 256;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

inline double mean_difference(const Bytes &a, const Bytes &b) {
    if (a.size() != b.size() || a.empty()) return 256;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
    return sum / static_cast<double>(a.size());
}

// A photo-like test picture: smooth colour ramps with some texture.
inline void paint_test_picture(Photo *image, bool with_alpha) {
    const int w = PhotoWidth(image), h = PhotoHeight(image);
    Bytes row(static_cast<size_t>(w) * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned char *p = &row[4 * static_cast<size_t>(x)];
            p[0] = static_cast<unsigned char>(x * 255 / (w > 1 ? w - 1 : 1));
            p[1] = static_cast<unsigned char>(y * 255 / (h > 1 ? h - 1 : 1));
            p[2] = static_cast<unsigned char>((x * 7 + y * 3) % 64 + 96);
            p[3] = with_alpha ? static_cast<unsigned char>((x + 2 * y) * 9 % 256) : 255;
        }
        PhotoPutRGBA(image, row.data(), 0, y, w, 1, TAV_COMPOSE_REPLACE);
    }
}

}  // namespace codectest
