// The bare libraries' decode of a PNG or JPEG file held in memory, the
// measure for our readers.  Two ways:
//   image  decode into a freshly allocated 8-bit RGBA image, as a program
//          that keeps the picture does (what our readers deliver);
//   rows   decode row after row into one reused row, keeping nothing: the
//          floor no reader can go below.
//   bare_decode png|jpeg image|rows FILE ITERATIONS   prints mean CPU ms
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace {

using Bytes = std::vector<unsigned char>;

struct Source {
    const Bytes *bytes;
    size_t at;
};

void read_memory(png_structp png, png_bytep out, size_t n) {
    auto *src = static_cast<Source *>(png_get_io_ptr(png));
    if (src->at + n > src->bytes->size()) png_error(png, "short");
    std::memcpy(out, src->bytes->data() + src->at, n);
    src->at += n;
}

// Every row lands at rows + y * step; step 0 reuses one row.
bool decode_png(const Bytes &file, bool keep_image) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Source src{&file, 0};
    unsigned char *volatile pixels = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        std::free(pixels);
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &src, read_memory);
    png_read_info(png, info);
    if (keep_image) {
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t row_bytes = png_get_rowbytes(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const bool whole = keep_image || passes > 1;
    pixels = static_cast<unsigned char *>(std::malloc(row_bytes * (whole ? height : 1)));
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, pixels + (whole ? y * row_bytes : 0), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(pixels);
    return true;
}

bool decode_jpeg(const Bytes &file, bool keep_image) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), file.size());
    jpeg_read_header(&cinfo, TRUE);
    if (keep_image) cinfo.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&cinfo);
    const size_t row_bytes = size_t{cinfo.output_width} * cinfo.output_components;
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[row_bytes * (keep_image ? cinfo.output_height : 1)]);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.get() + (keep_image ? cinfo.output_scanline * row_bytes : 0);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s png|jpeg image|rows FILE ITERATIONS\n", argv[0]);
        return 2;
    }
    const bool png = std::string(argv[1]) == "png";
    const bool keep_image = std::string(argv[2]) == "image";
    std::ifstream in(argv[3], std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int iterations = std::atoi(argv[4]);
    auto decode = [&] { return png ? decode_png(file, keep_image) : decode_jpeg(file, keep_image); };
    if (!decode()) return 1;  // warm-up
    const std::clock_t start = std::clock();
    for (int i = 0; i < iterations; ++i) decode();
    const double spent = 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    std::printf("%.1f\n", spent / iterations);
    return 0;
}
