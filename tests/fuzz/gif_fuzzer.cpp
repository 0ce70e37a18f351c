// libFuzzer target for the GIF reader alone: any byte string is read into a
// memory image and a size-only image, or refused cleanly.  What is read
// must be readable, and now and then a tiny decoded picture must write
// back: quantising and coding every input would spend the run in the
// writer, which has its own tests.
#include "fuzz_support.h"

namespace {

// Writing quantises and LZW-codes the picture: only tiny pictures, of one
// input in kWriteBackEvery (chosen by the input's bytes, so that a run
// replays the same way), are written back.
constexpr long long kMaxPixelsWrittenBack = 64 * 64;
constexpr unsigned kWriteBackEvery = 16;

void write_back(const uint8_t *data, size_t size) {
    std::vector<unsigned char> copy(data, data + size);
    unsigned char *bytes = copy.data();
    int length = static_cast<int>(copy.size());
    AuxIO *stream = AuxIO_Init("string", &bytes, &length, 0, 0, 0);
    Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    if (ReadGIF(stream, image, nullptr) && image->width > 0 && image->height > 0 &&
        static_cast<long long>(image->width) * image->height <= kMaxPixelsWrittenBack) {
        unsigned char *out = nullptr;
        AuxIO *sink = AuxIO_Init("string", &out, nullptr, 0, 0, 0);
        WriteGIF(sink, image, "");
        AuxIO_Close(sink);
        TavFree(out);
    }
    PhotoDelete(image);
    AuxIO_Close(stream);
}

// Every byte takes part, so that a mutation anywhere changes the choice: a
// choice by a few bytes is kept by most mutations, and the corpus fills
// with inputs that are all written back.  Not traced: the coverage tracer
// would record the loop's comparison once a byte.
__attribute__((no_sanitize("coverage"))) unsigned byte_sum(const uint8_t *data, size_t size) {
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i) sum += data[i];
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***argv) { return fuzzing::initialize(argv); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > (1u << 20)) return 0;
    fuzzing::read_with(ReadGIF, data, size);
    if (byte_sum(data, size) % kWriteBackEvery == 0) write_back(data, size);
    return 0;
}
