// Bit packing of the codec: one continuous sequence of fields, each most
// significant bit first, cut into 32-bit words stored little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tav::mimic {

class BitWriter {
public:
    // Words go to `out`, at most `capacity_words` of them.
    BitWriter(uint8_t *out, size_t capacity_words) : out_(out), capacity_(capacity_words) {}

    // Appends the low `bits` bits of `value`, bits <= 32.
    void put(uint32_t value, int bits) {
        acc_ = (acc_ << bits) | value;
        pending_ += bits;
        if (pending_ >= 32) {
            pending_ -= 32;
            emit(static_cast<uint32_t>(acc_ >> pending_));
        }
    }

    // The end of a frame: 32 zero bits, then the last complete word.  A
    // partly filled word goes out padded with zeros; a stream that ended on
    // a word boundary gains one zero word.
    void finish() {
        put(0, 32);
        pending_ = 0;
    }

    // False once a word did not fit; nothing was written past the capacity.
    bool fits() const { return !overflow_; }
    size_t words() const { return words_; }

private:
    void emit(uint32_t word) {
        if (words_ >= capacity_) {
            overflow_ = true;
            return;
        }
        uint8_t *p = out_ + 4 * words_++;
        p[0] = static_cast<uint8_t>(word);
        p[1] = static_cast<uint8_t>(word >> 8);
        p[2] = static_cast<uint8_t>(word >> 16);
        p[3] = static_cast<uint8_t>(word >> 24);
    }

    uint8_t *out_;
    size_t capacity_;
    size_t words_ = 0;
    uint64_t acc_ = 0;
    int pending_ = 0;
    bool overflow_ = false;
};

class BitReader {
public:
    // Reads the `length` bytes of `data`; what lies beyond reads as zero.
    BitReader(const uint8_t *data, size_t length) : data_(data), length_(length) {}

    // Bits consumed so far (not counting those only peeked at).
    size_t consumed() const { return 32 * next_ - static_cast<size_t>(valid_); }
    // True when the bits consumed all lay within the data.
    bool within() const { return consumed() <= 8 * length_; }

    // The next `bits` bits (1 ... 32) without consuming them.
    uint32_t peek(int bits) {
        if (valid_ < 32) refill();
        return static_cast<uint32_t>(acc_ >> (64 - bits));
    }
    void skip(int bits) {
        acc_ <<= bits;
        valid_ -= bits;
    }
    uint32_t get(int bits) {
        uint32_t v = peek(bits);
        skip(bits);
        return v;
    }

private:
    void refill() {
        uint64_t word = 0;
        const size_t at = 4 * next_;
        if (at + 4 <= length_) {
            const uint8_t *p = data_ + at;
            word = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint64_t>(p[3]) << 24);
        } else {
            for (size_t i = at; i < length_; ++i) word |= static_cast<uint64_t>(data_[i]) << (8 * (i - at));
        }
        ++next_;
        acc_ |= word << (32 - valid_);
        valid_ += 32;
    }

    const uint8_t *data_;
    size_t length_;
    size_t next_ = 0;
    uint64_t acc_ = 0;  // the next `valid_` bits, top-aligned
    int valid_ = 0;
};

}  // namespace tav::mimic
