// How the PNG writer compresses a picture: one row filter for every row
// and the zlib level and strategy, chosen by trial on a few sampled bands
// of rows (png_compression.cpp says how).
#pragma once

#include <cstddef>
#include <type_traits>

namespace tav {

struct PngCompression {
    int filter;    // one of libpng's PNG_FILTER_* bits
    int level;     // zlib level
    int strategy;  // zlib strategy
};

// The zlib memory level the writer and the trials use: the largest, whose
// bigger hash and symbol buffer make both smaller and quicker streams.
constexpr int kPngMemLevel = 9;

// `row(y)` gives row y as the file stores it (`row_bytes` bytes, `pixel`
// bytes a pixel, no filter byte), valid until the next call.  A reference
// to the caller's callable: nothing is copied or allocated.
class PngRowSource {
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, PngRowSource>>>
    PngRowSource(F &&f) noexcept  // NOLINT: converts from any callable, like a function pointer
        : object_(&f), call_([](const void *o, int y) { return (*static_cast<const std::decay_t<F> *>(o))(y); }) {}
    const unsigned char *operator()(int y) const { return call_(object_, y); }

private:
    const void *object_;
    const unsigned char *(*call_)(const void *, int);
};

PngCompression choose_png_compression(int height, size_t row_bytes, int pixel, const PngRowSource &row);

}  // namespace tav
