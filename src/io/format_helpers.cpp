#include "io/format_helpers_p.h"

#include "io/read_exactly_p.h"

#include <algorithm>

namespace tav {

bool skip_bytes(AuxIO *stream, size_t n) {
    unsigned char sink[512];
    while (n > 0) {
        const size_t step = std::min(n, sizeof sink);
        if (!read_exactly(stream, sink, step)) return false;
        n -= step;
    }
    return true;
}

bool may_hold(AuxIO *stream, unsigned long long need) {
    const long long left = bytes_left(stream);
    return left < 0 || static_cast<unsigned long long>(left) >= need;
}

Photo *quantize_onto(Photo *image, TavColormap *colormap) {
    if (!colormap) return nullptr;
    Photo *indexed = PhotoQuantize(image, colormap);
    if (!indexed) TavDeleteColormap(colormap);
    return indexed;
}

}  // namespace tav
