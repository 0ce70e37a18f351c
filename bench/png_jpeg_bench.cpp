// Loading and saving a 4000 x 3000 photo as PNG and JPEG through the format
// readers and writers, from and to memory.  The photo files are named by
// TAVREL_BENCH_PNG and TAVREL_BENCH_JPEG; bench/png_jpeg_compare.sh makes
// them and sets both, and compares with the bare libraries and Tk.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tavrel.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes load_file(const char *variable) {
    const char *path = std::getenv(variable);
    if (!path) return {};
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const Bytes &png_file() {
    static const Bytes bytes = load_file("TAVREL_BENCH_PNG");
    return bytes;
}

const Bytes &jpeg_file() {
    static const Bytes bytes = load_file("TAVREL_BENCH_JPEG");
    return bytes;
}

// Reads `file` with `reader` into `image`; false when it was refused.
bool read_from(FormatReader reader, const Bytes &file, Photo *image) {
    unsigned char *data = const_cast<unsigned char *>(file.data());
    int length = static_cast<int>(file.size());
    AuxIO *stream = AuxIO_Init("string", &data, &length, 0, 0, 0);
    const bool ok = reader(stream, image, nullptr) != nullptr;
    AuxIO_Close(stream);
    return ok;
}

void read_benchmark(benchmark::State &state, FormatReader reader, const Bytes &file) {
    if (file.empty()) {
        state.SkipWithError("no photo: run bench/png_jpeg_compare.sh");
        return;
    }
    Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    for (auto _ : state) {
        if (!read_from(reader, file, image)) state.SkipWithError("photo refused");
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * PhotoWidth(image) * PhotoHeight(image) * 4);
    PhotoDelete(image);
}

void write_benchmark(benchmark::State &state, FormatReader reader, FormatWriter writer, const Bytes &file) {
    Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    if (file.empty() || !read_from(reader, file, image)) {
        state.SkipWithError("no photo: run bench/png_jpeg_compare.sh");
        PhotoDelete(image);
        return;
    }
    for (auto _ : state) {
        unsigned char *data = nullptr;
        AuxIO *stream = AuxIO_Init("string", &data, nullptr, 0, 0, 0);
        writer(stream, image, "");
        AuxIO_Close(stream);
        TavFree(data);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * PhotoWidth(image) * PhotoHeight(image) * 4);
    PhotoDelete(image);
}

void BM_ReadPNG(benchmark::State &state) { read_benchmark(state, ReadPNG, png_file()); }
void BM_ReadJPG(benchmark::State &state) { read_benchmark(state, ReadJPG, jpeg_file()); }
void BM_WritePNG(benchmark::State &state) { write_benchmark(state, ReadPNG, WritePNG, png_file()); }
void BM_WriteJPG(benchmark::State &state) { write_benchmark(state, ReadJPG, WriteJPG, jpeg_file()); }

BENCHMARK(BM_ReadPNG)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadJPG)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WritePNG)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WriteJPG)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
