// Test support for the drawing primitives: images owned by the test, and an
// image whose renderer records every pixel it is handed, in order, so that
// tests can compare exactly what a primitive draws and in which sequence.
#pragma once

#include <array>
#include <ostream>
#include <tuple>
#include <vector>

#include "support/tcl_env.h"

namespace drawtest {

using Image = tavtest::Image;

// One pixel as the renderer received it.
struct Put {
    int x, y;
    std::array<unsigned char, 4> rgba;
    bool operator==(const Put &o) const { return x == o.x && y == o.y && rgba == o.rgba; }
};

inline std::ostream &operator<<(std::ostream &os, const Put &p) {
    return os << "(" << p.x << "," << p.y << " " << int(p.rgba[0]) << "," << int(p.rgba[1]) << ","
              << int(p.rgba[2]) << "," << int(p.rgba[3]) << ")";
}

// A truecolour image of the given size whose renderer only records: every
// put is logged pixel by pixel.  Compose is replace, so each logged pixel is
// exactly the colour the primitive drew.
class Recorder {
public:
    Recorder(int w, int h) : image_(PhotoCreate(w, h, TAV_MODE_RGBA, TAV_RENDER_NULL)) {
        tavtest::interp();
        PhotoSetCompose(image_, TAV_COMPOSE_REPLACE);
        image_->render_data = this;
        image_->render_ops->put_block = &record;
    }
    ~Recorder() { PhotoDelete(image_); }
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

    operator Photo *() const { return image_; }
    const std::vector<Put> &puts() const { return puts_; }
    void clear() { puts_.clear(); }

    // The positions only, in drawing order.
    std::vector<std::pair<int, int>> points() const {
        std::vector<std::pair<int, int>> out;
        for (const Put &p : puts_) out.emplace_back(p.x, p.y);
        return out;
    }
    // (x, y, alpha) triples in drawing order.
    std::vector<std::tuple<int, int, int>> alphas() const {
        std::vector<std::tuple<int, int, int>> out;
        for (const Put &p : puts_) out.emplace_back(p.x, p.y, p.rgba[3]);
        return out;
    }

private:
    static int record(Photo *image, const unsigned char *src, int x, int y, int w, int h) {
        auto *self = static_cast<Recorder *>(image->render_data);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                const unsigned char *px = src + 4 * (static_cast<size_t>(j) * w + i);
                self->puts_.push_back({x + i, y + j, {px[0], px[1], px[2], px[3]}});
            }
        return 0;
    }

    Photo *image_;
    std::vector<Put> puts_;
};

inline std::array<unsigned char, 4> rgba(int r, int g, int b, int a = 255) {
    return {static_cast<unsigned char>(r), static_cast<unsigned char>(g), static_cast<unsigned char>(b),
            static_cast<unsigned char>(a)};
}

// Positions whose alpha differs from the blank image's 0, after drawing
// opaque colours with replace on a fresh memory image.
inline std::vector<std::pair<int, int>> painted(Photo *image) {
    std::vector<std::pair<int, int>> out;
    const auto px = tavtest::rgba_of(image);
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x)
            if (px[4 * (static_cast<size_t>(y) * image->width + x) + 3] != 0) out.emplace_back(x, y);
    return out;
}

}  // namespace drawtest
