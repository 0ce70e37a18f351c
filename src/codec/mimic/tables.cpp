// The scan order and the run/size code table of the codec, with the decoding
// tables built from the same code table.
#include <array>

#include "codec/mimic/mimic_internal_p.h"

namespace tav::mimic {

// Column zig-zag: it steps down first.  Positions 0 ... 27 are exactly the
// coefficients with u + v <= 6.
const uint8_t kScan[64] = {
    0,  8,  1,  2,  9,  16, 24, 17, 10, 3,  4,  11, 18, 25, 32, 40,  //
    33, 26, 19, 12, 5,  6,  13, 20, 27, 34, 41, 48, 56, 49, 42, 35,  //
    28, 21, 14, 7,  15, 22, 29, 36, 43, 50, 57, 58, 51, 44, 37, 30,  //
    23, 31, 38, 45, 52, 59, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

namespace {

// Code of (run, k) as {bits, length}; row = run 0 ... 14, column = k 1 ... 7.
constexpr Code kCodes[15][7] = {
    {{0x0, 2}, {0x1, 2}, {0x4, 3}, {0xC, 4}, {0x1A, 5}, {0x3B, 6}, {0x3FA, 10}},
    {{0xB, 4}, {0x39, 6}, {0x3A, 6}, {0xF8, 8}, {0x3F8, 10}, {0x3F9, 10}, {0x7FFFFF9, 27}},
    {{0x1B, 5}, {0x7B, 7}, {0x1FA, 9}, {0x1FB, 9}, {0xFFFFB, 20}, {0xFFFFF8, 24}, {0x7FFFFFA, 27}},
    {{0x38, 6}, {0xFB, 8}, {0x3FFB, 14}, {0x1FFFB, 17}, {0x1FFFF8, 21}, {0xFFFFF9, 24}, {0x7FFFFFB, 27}},
    {{0x78, 7}, {0x1F8, 9}, {0x7FF8, 15}, {0x3FFF8, 18}, {0x1FFFF9, 21}, {0xFFFFFA, 24}, {0xFFFFFF8, 28}},
    {{0x79, 7}, {0x1F9, 9}, {0x7FF9, 15}, {0x3FFF9, 18}, {0x1FFFFA, 21}, {0xFFFFFB, 24}, {0xFFFFFF9, 28}},
    {{0x7A, 7}, {0xFFA, 12}, {0x7FFA, 15}, {0x3FFFA, 18}, {0x1FFFFB, 21}, {0x1FFFFF8, 25}, {0xFFFFFFA, 28}},
    {{0xF9, 8}, {0xFFB, 12}, {0x7FFB, 15}, {0x3FFFB, 18}, {0x3FFFF8, 22}, {0x1FFFFF9, 25}, {0xFFFFFFB, 28}},
    {{0xFA, 8}, {0x1FF8, 13}, {0xFFF8, 16}, {0x7FFF8, 19}, {0x3FFFF9, 22}, {0x1FFFFFA, 25}, {0x1FFFFFF8, 29}},
    {{0x3FB, 10}, {0x1FF9, 13}, {0xFFF9, 16}, {0x7FFF9, 19}, {0x3FFFFA, 22}, {0x1FFFFFB, 25}, {0x1FFFFFF9, 29}},
    {{0x7F8, 11}, {0x1FFA, 13}, {0xFFFA, 16}, {0x7FFFA, 19}, {0x3FFFFB, 22}, {0x3FFFFF8, 26}, {0x1FFFFFFA, 29}},
    {{0x7F9, 11}, {0x1FFB, 13}, {0xFFFB, 16}, {0x7FFFB, 19}, {0x7FFFF8, 23}, {0x3FFFFF9, 26}, {0x1FFFFFFB, 29}},
    {{0x7FA, 11}, {0x3FF8, 14}, {0x1FFF8, 17}, {0xFFFF8, 20}, {0x7FFFF9, 23}, {0x3FFFFFA, 26}, {0x3FFFFFF8, 30}},
    {{0x7FB, 11}, {0x3FF9, 14}, {0x1FFF9, 17}, {0xFFFF9, 20}, {0x7FFFFA, 23}, {0x3FFFFFB, 26}, {0x3FFFFFF9, 30}},
    {{0xFF8, 12}, {0x3FFA, 14}, {0x1FFFA, 17}, {0xFFFFA, 20}, {0x7FFFFB, 23}, {0x7FFFFF8, 27}, {0x3FFFFFFA, 30}},
};
constexpr Code kRun15 = {0xFF9, 12};  // run 15, k = 1

constexpr int kSymbolCount = 15 * 7 + 1 + 1;  // every (run, k), run 15, end of block

struct DecodeTables {
    std::array<Symbol, 1u << kShortCodeBits> short_symbols{};
    std::array<LongSymbol, kSymbolCount> long_symbols{};
    int long_count = 0;

    void add(Code code, uint8_t run, uint8_t k) {
        if (code.length <= kShortCodeBits) {
            // Every entry whose leading bits are the code.
            int spare = kShortCodeBits - code.length;
            uint32_t first = code.bits << spare;
            for (uint32_t i = 0; i < (1u << spare); ++i)
                short_symbols[first + i] = {static_cast<uint8_t>(code.length), run, k};
        } else {
            long_symbols[long_count++] = {code.bits, static_cast<uint8_t>(code.length), run, k};
        }
    }

    DecodeTables() {
        for (int run = 0; run < 15; ++run)
            for (int k = 1; k <= 7; ++k) add(kCodes[run][k - 1], static_cast<uint8_t>(run), static_cast<uint8_t>(k));
        add(kRun15, 15, 1);
        add(kEndOfBlock, 0xFF, 0);
        // Shortest first: the first match is the only one (a prefix code).
        for (int i = 1; i < long_count; ++i)
            for (int j = i; j > 0 && long_symbols[j - 1].length > long_symbols[j].length; --j)
                std::swap(long_symbols[j - 1], long_symbols[j]);
    }
};

const DecodeTables tables;

}  // namespace

const Symbol *const kShortSymbols = tables.short_symbols.data();
const LongSymbol *const kLongSymbols = tables.long_symbols.data();
const int kLongSymbolCount = tables.long_count;

Code ac_code(int run, int k) {
    if (k < 1 || k > 7 || run < 0 || run > 15) return {0, 0};
    if (run == 15) return k == 1 ? kRun15 : Code{0, 0};
    return kCodes[run][k - 1];
}

double quality_step(int quality) {
    // The constant is the single-precision value nearest 1e-4, widened: the
    // step at quality 0 is just below 10, so a 1 dequantises to 9.
    return ((10000 - quality) * 10.0) * 9.99999974737875163555e-05;
}

}  // namespace tav::mimic
