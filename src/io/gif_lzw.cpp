// GIF's LZW.  The decoder reads codes least significant bit first from the
// image's data with the table growing one entry per code; the encoder is
// the classic open-addressed hash compressor with clear codes once the
// table is full.
#include "io/gif_lzw_p.h"

#include <algorithm>
#include <cstring>

namespace tav {

LzwDecoder::LzwDecoder(const unsigned char *data, size_t size, int min_code_size)
    : data_(data), size_(size), set_code_size_(min_code_size) {
    clear_code_ = 1 << min_code_size;
    end_code_ = clear_code_ + 1;
    reset_table();
}

void LzwDecoder::reset_table() {
    code_size_ = set_code_size_ + 1;
    max_code_size_ = 2 * clear_code_;
    max_code_ = clear_code_ + 2;
    for (int i = 0; i < clear_code_; ++i) {
        prefix_[i] = 0;
        suffix_[i] = static_cast<uint16_t>(i);
        length_[i] = 1;
    }
    clean_ = true;
    std::memset(prefix_ + clear_code_, 0, sizeof(uint16_t) * (kLzwMaxCodes - clear_code_));
    std::memset(suffix_ + clear_code_, 0, sizeof(uint16_t) * (kLzwMaxCodes - clear_code_));
    std::memset(length_ + clear_code_, 0, sizeof(uint16_t) * (kLzwMaxCodes - clear_code_));
    sp_ = 0;
}

int LzwDecoder::next_code() {
    while (bit_count_ < code_size_) {
        if (at_ >= size_) return kLzwDataEnded;
        bits_ |= uint64_t{data_[at_++]} << bit_count_;
        bit_count_ += 8;
    }
    const int code = static_cast<int>(bits_ & ((1u << code_size_) - 1));
    bits_ >>= code_size_;
    bit_count_ -= code_size_;
    return code;
}

int LzwDecoder::expand(int code) {
    const int in_code = code;
    if (code >= max_code_) {
        stack_[sp_++] = static_cast<uint16_t>(first_code_);
        code = old_code_;
    }
    while (code >= clear_code_) {
        // A chain longer than any string the table can hold runs in a circle.
        if (code >= kLzwMaxCodes || prefix_[code] == code || sp_ >= 2 * kLzwMaxCodes - 1) return kLzwCorrupt;
        stack_[sp_++] = suffix_[code];
        code = prefix_[code];
    }
    first_code_ = suffix_[code];
    stack_[sp_++] = static_cast<uint16_t>(first_code_);
    add_entry();
    old_code_ = in_code;
    return 0;
}

void LzwDecoder::add_entry() {
    if (max_code_ >= kLzwMaxCodes) return;
    const bool known = old_code_ < clear_code_ || (old_code_ >= clear_code_ + 2 && old_code_ < max_code_);
    if (!known) clean_ = false;
    prefix_[max_code_] = static_cast<uint16_t>(old_code_);
    suffix_[max_code_] = static_cast<uint16_t>(first_code_);
    length_[max_code_] = known ? static_cast<uint16_t>(length_[old_code_] + 1) : 0;
    ++max_code_;
    if (max_code_ >= max_code_size_ && max_code_size_ < kLzwMaxCodes) {
        max_code_size_ *= 2;
        ++code_size_;
    }
}

int LzwDecoder::read(uint16_t *out, int n) {
    int done = 0;
    while (done < n) {
        if (sp_ > 0) {
            // The stack holds the string last in, first out.
            const int take = std::min(sp_, n - done);
            for (int i = 0; i < take; ++i) out[done++] = stack_[--sp_];
            continue;
        }
        int code;
        if (fresh_) {
            fresh_ = false;
            do {
                code = next_code();
                if (code < 0) return code;
            } while (code == clear_code_);
            if (code >= clear_code_) clean_ = false;  // not a string of the table
            first_code_ = old_code_ = code;
            out[done++] = static_cast<uint16_t>(code);
            continue;
        }
        code = next_code();
        if (code < 0) return code;
        if (code == clear_code_) {
            reset_table();
            code = next_code();
            if (code < 0) return code;
            if (code >= clear_code_) clean_ = false;
            first_code_ = old_code_ = code;
            out[done++] = static_cast<uint16_t>(code);
            continue;
        }
        // The end code before the last index: the image is incomplete.
        if (code == end_code_) return kLzwCorrupt;
        if (clean_ && code <= max_code_ && (code < clear_code_ || code >= clear_code_ + 2)) {
            // The string's length is known: write it backwards into place.
            const int length = code < max_code_ ? length_[code] : length_[old_code_] + 1;
            if (length > 0 && length <= n - done) {
                uint16_t *p = out + done + length - 1;
                int c = code;
                if (code == max_code_) {
                    *p-- = static_cast<uint16_t>(first_code_);
                    c = old_code_;
                }
                while (c >= clear_code_) {
                    *p-- = suffix_[c];
                    c = prefix_[c];
                }
                *p = suffix_[c];
                first_code_ = suffix_[c];
                done += length;
                add_entry();
                old_code_ = code;
                continue;
            }
        }
        if (expand(code) < 0) return kLzwCorrupt;
    }
    return n;
}

LzwEncoder::LzwEncoder(AuxIO *stream, int min_code_size) : stream_(stream) {
    init_bits_ = min_code_size + 1;
    bits_ = init_bits_;
    max_code_ = (1 << bits_) - 1;
    clear_code_ = 1 << min_code_size;
    end_code_ = clear_code_ + 1;
    next_free_ = clear_code_ + 2;
}

void LzwEncoder::clear_hash() { std::fill(hash_, hash_ + kHashSize, -1); }

void LzwEncoder::flush_packet() {
    if (packet_count_ == 0) return;
    AuxIO_Fputc(packet_count_, stream_);
    AuxIO_Write(stream_, packet_, packet_count_);
    packet_count_ = 0;
}

void LzwEncoder::output(int code) {
    accumulator_ &= (1u << bit_count_) - 1;
    accumulator_ |= static_cast<uint32_t>(code) << bit_count_;
    bit_count_ += bits_;
    while (bit_count_ >= 8) {
        packet_[packet_count_++] = static_cast<unsigned char>(accumulator_ & 0xff);
        accumulator_ >>= 8;
        bit_count_ -= 8;
        if (packet_count_ >= 254) flush_packet();
    }
    if (next_free_ > max_code_ || clear_flag_) {
        if (clear_flag_) {
            bits_ = init_bits_;
            max_code_ = (1 << bits_) - 1;
            clear_flag_ = false;
        } else {
            ++bits_;
            max_code_ = bits_ == 12 ? kLzwMaxCodes : (1 << bits_) - 1;
        }
    }
}

void LzwEncoder::compress(const unsigned char *indices, size_t n) {
    size_t i = 0;
    if (!started_ && n > 0) {
        started_ = true;
        prefix_ = indices[i++];
        clear_hash();
        output(clear_code_);
    }
    for (; i < n; ++i) {
        const int p = indices[i];
        const int key = (p << 12) + prefix_;
        int slot = (p << 4) ^ prefix_;
        if (hash_[slot] == key) {
            prefix_ = code_[slot];
            continue;
        }
        if (hash_[slot] >= 0) {
            const int step = slot == 0 ? 1 : kHashSize - slot;
            bool found = false;
            do {
                slot -= step;
                if (slot < 0) slot += kHashSize;
                if (hash_[slot] == key) {
                    found = true;
                    break;
                }
            } while (hash_[slot] > 0);
            if (found) {
                prefix_ = code_[slot];
                continue;
            }
        }
        output(prefix_);
        if (next_free_ < kLzwMaxCodes) {
            code_[slot] = next_free_++;
            hash_[slot] = key;
        } else {
            clear_hash();
            next_free_ = clear_code_ + 2;
            clear_flag_ = true;
            output(clear_code_);
        }
        prefix_ = p;
    }
}

void LzwEncoder::finish() {
    if (started_) output(prefix_);
    output(end_code_);
    if (bit_count_ > 0) {
        packet_[packet_count_++] = static_cast<unsigned char>(accumulator_ & ((1u << bit_count_) - 1));
        bit_count_ = 0;
        if (packet_count_ >= 254) flush_packet();
    }
    flush_packet();
    AuxIO_Flush(stream_);
}

}  // namespace tav
