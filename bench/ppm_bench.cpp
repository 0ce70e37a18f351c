// PPM load and save of a 4000 x 3000 picture through memory strings and
// Tcl file channels, against the floor: reading the file plus one copy of
// its pixels into RGBA.
#include <benchmark/benchmark.h>
#include <tcl.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tavrel.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const std::string &ppm_bytes() {
    static const std::string bytes = [] {
        std::string header = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
        std::string out = header;
        out.resize(header.size() + size_t(kWidth) * kHeight * 3);
        for (size_t i = header.size(); i < out.size(); ++i) out[i] = static_cast<char>(i * 7 + (i >> 13));
        return out;
    }();
    return bytes;
}

const std::string &ppm_path() {
    static const std::string path = [] {
        const char *dir = std::getenv("TMPDIR");
        std::string p = std::string(dir ? dir : "/tmp") + "/tavrel_bench.ppm";
        FILE *f = std::fopen(p.c_str(), "wb");
        std::fwrite(ppm_bytes().data(), 1, ppm_bytes().size(), f);
        std::fclose(f);
        return p;
    }();
    return path;
}

void set_bytes(benchmark::State &state) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(ppm_bytes().size()));
}

Tcl_Channel open_binary(const std::string &path, const char *mode) {
    Tcl_Channel channel = Tcl_OpenFileChannel(nullptr, path.c_str(), mode, 0644);
    Tcl_SetChannelOption(nullptr, channel, "-translation", "binary");
    return channel;
}

// The floor: the file read into memory, then its pixels copied once into
// a new RGBA buffer (as a loader must make one).
void BM_PpmFloor_ReadFilePlusOneCopy(benchmark::State &state) {
    const std::string &path = ppm_path();
    std::vector<unsigned char> file(ppm_bytes().size());
    const size_t header = ppm_bytes().size() - size_t(kWidth) * kHeight * 3;
    for (auto _ : state) {
        std::unique_ptr<unsigned char[]> rgba(new unsigned char[size_t(kWidth) * kHeight * 4]);
        FILE *f = std::fopen(path.c_str(), "rb");
        size_t got = std::fread(file.data(), 1, file.size(), f);
        std::fclose(f);
        benchmark::DoNotOptimize(got);
        const unsigned char *in = file.data() + header;
        unsigned char *out = rgba.get();
        for (size_t i = 0; i < size_t(kWidth) * kHeight; ++i, in += 3, out += 4) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            out[3] = 255;
        }
        benchmark::DoNotOptimize(rgba.get());
    }
    set_bytes(state);
}

void BM_PpmLoad_String(benchmark::State &state) {
    FormatDb **formats = TavImageInit();
    Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    std::string bytes = ppm_bytes();
    for (auto _ : state) {
        Photo *loaded = TavReadString(formats, image, reinterpret_cast<unsigned char *>(bytes.data()),
                                      static_cast<int>(bytes.size()), nullptr, nullptr);
        if (!loaded) state.SkipWithError("load failed");
    }
    set_bytes(state);
    PhotoDelete(image);
    TavImageClose(formats);
}

void BM_PpmLoad_FileChannel(benchmark::State &state) {
    FormatDb **formats = TavImageInit();
    Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    const std::string &path = ppm_path();
    for (auto _ : state) {
        Tcl_Channel channel = open_binary(path, "r");
        if (!TavReadChannel(formats, image, channel, nullptr, nullptr)) state.SkipWithError("load failed");
        Tcl_Close(nullptr, channel);
    }
    set_bytes(state);
    PhotoDelete(image);
    TavImageClose(formats);
}

Photo *loaded_image(FormatDb **formats) {
    Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    std::string bytes = ppm_bytes();
    TavReadString(formats, image, reinterpret_cast<unsigned char *>(bytes.data()), static_cast<int>(bytes.size()),
                  nullptr, nullptr);
    return image;
}

void BM_PpmSave_String(benchmark::State &state) {
    FormatDb **formats = TavImageInit();
    Photo *image = loaded_image(formats);
    for (auto _ : state) {
        int length = 0;
        unsigned char *data = TavWriteString(formats, image, &length, "ppm", nullptr);
        benchmark::DoNotOptimize(data);
        TavFree(data);
    }
    set_bytes(state);
    PhotoDelete(image);
    TavImageClose(formats);
}

void BM_PpmSave_FileChannel(benchmark::State &state) {
    FormatDb **formats = TavImageInit();
    Photo *image = loaded_image(formats);
    const std::string path = ppm_path() + ".out";
    for (auto _ : state) {
        Tcl_Channel channel = open_binary(path, "w");
        if (TavWriteChannel(formats, image, channel, "ppm", nullptr) != 0) state.SkipWithError("save failed");
        Tcl_Close(nullptr, channel);
    }
    set_bytes(state);
    PhotoDelete(image);
    TavImageClose(formats);
}

BENCHMARK(BM_PpmFloor_ReadFilePlusOneCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PpmLoad_String)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PpmLoad_FileChannel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PpmSave_String)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PpmSave_FileChannel)->Unit(benchmark::kMillisecond);

}  // namespace
