// libFuzzer target for the WebP reader alone: any byte string must be read
// or refused cleanly, within the memory its size can justify.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***argv) { return fuzzing::initialize(argv); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > (1u << 20)) return 0;
    fuzzing::read_with(ReadWEBP, data, size);
    return 0;
}
