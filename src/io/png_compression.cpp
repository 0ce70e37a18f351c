// The PNG writer's choice of row filter and zlib settings, by trial.
//
// No single setting suits every picture: a grainy photo defeats string
// matching, so run-length coding of filtered rows is as small as deflate
// proper and several times quicker; a smooth render becomes near-zero runs
// under Up or Paeth; a flat drawing repeats rows, which Up turns into zero
// runs that level 4 matches; a text screenshot repeats short glyph strings
// at every distance, which only unfiltered rows and level 6 find.  Rather
// than guess from statistics, every candidate compresses the same few
// bands of rows spread over the picture (at most 32 rows), and the one of
// the smallest weighted size is used for the whole picture.  The weight is
// the candidate's time against run-length coding: a dearer candidate is
// taken only when it is smaller by more than it costs: level 4 must save
// 13% and level 6 23% over what run-length coding gives.
// The trials cost a few percent of the save.
#include "io/png_compression_p.h"

#include "core/memory_p.h"

#include <png.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace tav {
namespace {

constexpr int kBands = 8;
constexpr int kBandRows = 4;

// PNG filter type bytes and the libpng bits that select them.
enum FilterType : unsigned char { kNone = 0, kSub = 1, kUp = 2, kPaeth = 4 };
constexpr int kFilterTypes = 4;
constexpr FilterType kTypes[kFilterTypes] = {kNone, kSub, kUp, kPaeth};

struct Candidate {
    int filter_slot;  // index into kTypes
    PngCompression compression;
    double weight;
};

constexpr Candidate kCandidates[] = {
    {2, {PNG_FILTER_UP, 1, Z_RLE}, 1.0},
    {1, {PNG_FILTER_SUB, 1, Z_RLE}, 1.0},
    {3, {PNG_FILTER_PAETH, 1, Z_RLE}, 1.1},
    {2, {PNG_FILTER_UP, 4, Z_DEFAULT_STRATEGY}, 1.15},
    {0, {PNG_FILTER_NONE, 6, Z_DEFAULT_STRATEGY}, 1.3},
};
constexpr int kCandidateCount = sizeof kCandidates / sizeof kCandidates[0];

inline unsigned char paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<unsigned char>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// One row filtered as PNG defines it: out[0] is the type, out[1..n] the bytes.
void filter_row(FilterType type, const unsigned char *row, const unsigned char *prev, size_t n, size_t pixel,
                unsigned char *out) {
    out[0] = type;
    unsigned char *o = out + 1;
    switch (type) {
    case kNone: std::memcpy(o, row, n); break;
    case kSub:
        for (size_t i = 0; i < n; ++i) o[i] = static_cast<unsigned char>(row[i] - (i >= pixel ? row[i - pixel] : 0));
        break;
    case kUp:
        for (size_t i = 0; i < n; ++i) o[i] = static_cast<unsigned char>(row[i] - prev[i]);
        break;
    case kPaeth:
        for (size_t i = 0; i < pixel && i < n; ++i) o[i] = static_cast<unsigned char>(row[i] - prev[i]);
        for (size_t i = pixel; i < n; ++i)
            o[i] = static_cast<unsigned char>(row[i] - paeth(row[i - pixel], prev[i], prev[i - pixel]));
        break;
    }
}

// A deflate stream that only counts what it produces.
class TrialStream {
public:
    TrialStream() = default;
    TrialStream(const TrialStream &) = delete;
    TrialStream &operator=(const TrialStream &) = delete;
    ~TrialStream() {
        if (ok_) deflateEnd(&z_);
    }
    bool start(const PngCompression &c) {
        return ok_ = deflateInit2(&z_, c.level, Z_DEFLATED, 15, kPngMemLevel, c.strategy) == Z_OK;
    }
    void feed(const unsigned char *data, size_t n) { run(data, n, Z_NO_FLUSH); }
    size_t finish() {
        run(nullptr, 0, Z_FINISH);
        return bytes_;
    }

private:
    void run(const unsigned char *data, size_t n, int flush) {
        if (!ok_) return;
        z_.next_in = const_cast<unsigned char *>(data);
        z_.avail_in = static_cast<uInt>(n);
        int status = Z_OK;
        do {
            z_.next_out = out_;
            z_.avail_out = sizeof out_;
            status = deflate(&z_, flush);
            bytes_ += sizeof out_ - z_.avail_out;
        } while (status == Z_OK && (z_.avail_in > 0 || (flush == Z_FINISH) || z_.avail_out == 0));
    }

    z_stream z_{};
    bool ok_ = false;
    size_t bytes_ = 0;
    unsigned char out_[16384];
};

}  // namespace

PngCompression choose_png_compression(int height, size_t row_bytes, int pixel, const PngRowSource &row) {
    constexpr PngCompression fallback{PNG_FILTER_NONE, 6, Z_DEFAULT_STRATEGY};
    if (height <= 0 || row_bytes == 0) return fallback;
    // Two rows (previous, current) and one filtered row per filter type.
    Bytes prev = attempt_bytes(row_bytes), cur = attempt_bytes(row_bytes);
    Bytes filtered[kFilterTypes];
    for (Bytes &f : filtered) f = attempt_bytes(row_bytes + 1);
    if (!prev || !cur || !filtered[0] || !filtered[1] || !filtered[2] || !filtered[3]) return fallback;
    // Each stream holds zlib's state and 16 KiB of output: kept off the stack.
    std::unique_ptr<TrialStream[]> streams(new (std::nothrow) TrialStream[kCandidateCount]);
    if (!streams) return fallback;
    for (int c = 0; c < kCandidateCount; ++c)
        if (!streams[c].start(kCandidates[c].compression)) return fallback;

    // The file is Adam7-interlaced: its last pass, half the picture, is
    // every other row at full width, each filtered against the one two
    // rows up.  The bands sample rows so, as that pass holds them.
    constexpr int kStep = 2;
    const int bands = height > kBands * kBandRows * kStep ? kBands : 1;
    const int band_rows = bands > 1 ? kBandRows : (height + kStep - 1) / kStep;
    const int span = (band_rows - 1) * kStep + 1;
    const size_t pixel_bytes = static_cast<size_t>(pixel);
    for (int band = 0; band < bands; ++band) {
        const int first = bands > 1 ? static_cast<int>(static_cast<long long>(band) * (height - span) / (bands - 1)) : 0;
        // A band's first row is filtered against the row above it, as in the file.
        if (first >= kStep) std::memcpy(prev.get(), row(first - kStep), row_bytes);
        else std::memset(prev.get(), 0, row_bytes);
        for (int k = 0, y = first; k < band_rows && y < height; ++k, y += kStep) {
            std::memcpy(cur.get(), row(y), row_bytes);
            for (int t = 0; t < kFilterTypes; ++t)
                filter_row(kTypes[t], cur.get(), prev.get(), row_bytes, pixel_bytes, filtered[t].get());
            for (int c = 0; c < kCandidateCount; ++c)
                streams[c].feed(filtered[kCandidates[c].filter_slot].get(), row_bytes + 1);
            prev.swap(cur);
        }
    }
    int best = 0;
    double best_score = 0;
    for (int c = 0; c < kCandidateCount; ++c) {
        const double score = static_cast<double>(streams[c].finish()) * kCandidates[c].weight;
        if (c == 0 || score < best_score) {
            best = c;
            best_score = score;
        }
    }
    return kCandidates[best].compression;
}

}  // namespace tav
