// The kid hash: a key picked by a seeded additive-feedback generator
// advanced by the kid, appended to the text, hashed with MD5 and written in
// 22 characters of a base64 alphabet without "+" or "=".  The generator is
// seeded afresh on every call and its state lives on the stack, so the hash
// depends only on the kid and the text, and calls may run on any thread.
#include <nettle/md5.h>

#include <cstdint>
#include <cstring>

#include "codec/kid_hash_p.h"
#include "tavrel.h"

namespace {

constexpr int kMaxKid = 100;
constexpr int kMessageBytes = 100;
constexpr int kHashChars = 22;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789./";

// Additive feedback over 31 words with separation 3, seeded by the minimal
// standard generator (16807 x mod 2^31 - 1, by Schrage's decomposition).
class Generator {
public:
    explicit Generator(int32_t seed) {
        r_[0] = seed;
        for (int i = 1; i < kDegree; ++i) {
            int32_t hi = r_[i - 1] / 127773, lo = r_[i - 1] % 127773;
            int32_t t = 16807 * lo - 2836 * hi;
            if (t <= 0) t += 2147483647;
            r_[i] = t;
        }
        front_ = 3, rear_ = 0;
        for (int i = 0; i < 10 * kDegree; ++i) next();
    }

    uint32_t next() {
        uint32_t sum = static_cast<uint32_t>(r_[front_]) + static_cast<uint32_t>(r_[rear_]);
        r_[front_] = static_cast<int32_t>(sum);
        if (++front_ >= kDegree) {
            front_ = 0;
            ++rear_;
        } else if (++rear_ >= kDegree) {
            rear_ = 0;
        }
        return sum >> 1;
    }

private:
    static constexpr int kDegree = 31;
    int32_t r_[kDegree];
    int front_, rear_;
};

}  // namespace

extern "C" int MakeKidHash(char *out, int *out_size, int kid, const char *text) {
    if (!out || !out_size || !text) return 0;
    if (static_cast<unsigned int>(kid) > kMaxKid || *out_size <= kHashChars + 2) return 0;
    unsigned char message[kMessageBytes + 16] = {};
    size_t length = strnlen(text, kMessageBytes);
    if (length + 16 > kMessageBytes) return 0;
    std::memcpy(message, text, length);

    Generator generator(tav::kKidHashSeed);
    for (int i = 0; i < kid; ++i) generator.next();
    const uint32_t x = generator.next();
    const int index = static_cast<int>(x * static_cast<double>(tav::kKidHashKeyCount) / 2147483648.0);
    std::memcpy(message + length, tav::kKidHashKeys[index], 16);

    unsigned char digest[18] = {};  // the MD5 digest and two zero bytes
    md5_ctx md5;
    md5_init(&md5);
    md5_update(&md5, length + 16, message);
    md5_digest(&md5, MD5_DIGEST_SIZE, digest);

    char text_out[24];
    for (int g = 0; g < 6; ++g) {
        const unsigned char *b = digest + 3 * g;
        text_out[4 * g] = kAlphabet[b[0] >> 2];
        text_out[4 * g + 1] = kAlphabet[((b[0] & 3) << 4) | (b[1] >> 4)];
        text_out[4 * g + 2] = kAlphabet[((b[1] & 15) << 2) | (b[2] >> 6)];
        text_out[4 * g + 3] = kAlphabet[b[2] & 63];
    }
    std::memcpy(out, text_out, kHashChars);
    out[kHashChars] = '\0';
    return 1;
}
