// GIF's variable-length LZW: the decoder over the gathered data sub-blocks
// of one image, and the encoder with its 5003-slot open-addressed hash.
#pragma once

#include "tavrel.h"

#include <cstddef>
#include <cstdint>

namespace tav {

// Codes are at most 12 bits, so a table holds 4096 entries; a minimum code
// size above 11 would leave no room for the clear and end codes.
constexpr int kLzwMaxCodes = 4096;
constexpr int kLzwMaxMinCodeSize = 11;

// No code of s bits can stand for more than 2^s + 2 indices (the table
// grows by one entry per code and widens its codes as it fills), and
// (2^s + 2) / s is largest at s = 12: 12 bits never give more than 4098
// indices.  Clear codes only lower the ratio.  An image needing more
// indices than this from `data_bytes` bytes can never be complete.
inline uint64_t lzw_most_indices(uint64_t data_bytes) { return data_bytes * 8 / 12 * 4098 + 4098; }

enum LzwStatus { kLzwDataEnded = -1, kLzwCorrupt = -2 };

class LzwDecoder {
public:
    // `data` holds the image's sub-block payloads back to back and must
    // outlive the decoder; min_code_size is 0..11.
    LzwDecoder(const unsigned char *data, size_t size, int min_code_size);
    LzwDecoder(const LzwDecoder &) = delete;
    LzwDecoder &operator=(const LzwDecoder &) = delete;

    // Fills out[0 .. n-1] with the next indices (up to 4095 each).  Returns
    // n, or a negative LzwStatus: the data ended (or held the end code)
    // before n indices came, or the table chains round on itself.
    int read(uint16_t *out, int n);

private:
    int next_code();
    void reset_table();
    // Decodes one code onto the stack; a negative LzwStatus on failure.
    int expand(int code);
    // Adds the table entry that follows a decoded code.
    void add_entry();
    // Whether every entry since the last clear extends a code that existed
    // when it was made: the table is then a forest, and length_ holds each
    // string's length, so strings can be written straight into the output.
    bool clean_ = true;
    uint16_t length_[kLzwMaxCodes];

    const unsigned char *data_;
    size_t size_;
    size_t at_ = 0;       // next byte of data_ to enter the bit buffer
    uint64_t bits_ = 0;   // bit buffer, least significant bit first
    int bit_count_ = 0;

    int set_code_size_;
    int code_size_;
    int clear_code_;
    int end_code_;
    int max_code_;        // next free table entry
    int max_code_size_;   // the code width grows when max_code_ reaches it
    int first_code_ = 0;
    int old_code_ = 0;
    bool fresh_ = true;

    uint16_t prefix_[kLzwMaxCodes];
    uint16_t suffix_[kLzwMaxCodes];
    // A string is at most 4097 indices; more on the stack means a cycle.
    uint16_t stack_[2 * kLzwMaxCodes];
    int sp_ = 0;
};

class LzwEncoder {
public:
    // Writes the codes as sub-blocks of up to 254 bytes; min_code_size 2..8.
    LzwEncoder(AuxIO *stream, int min_code_size);
    LzwEncoder(const LzwEncoder &) = delete;
    LzwEncoder &operator=(const LzwEncoder &) = delete;

    // Feeds the indices of the picture in order, any number at a time.
    void compress(const unsigned char *indices, size_t n);
    // Emits the last string and the end code, then the pending bytes.
    void finish();

private:
    void output(int code);
    void flush_packet();
    void clear_hash();

    AuxIO *stream_;
    int init_bits_;
    int bits_;
    int max_code_;
    int clear_code_;
    int end_code_;
    int next_free_;
    bool clear_flag_ = false;
    bool started_ = false;
    int prefix_ = 0;

    uint32_t accumulator_ = 0;
    int bit_count_ = 0;
    unsigned char packet_[256];
    int packet_count_ = 0;

    static constexpr int kHashSize = 5003;
    int hash_[kHashSize];
    int code_[kHashSize];
};

}  // namespace tav
