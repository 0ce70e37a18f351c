// The process-wide ceiling on decoded pictures.  It is one number for the
// whole process, read by every reader on any thread, so it is an atomic.
#include "io/reader_limits_p.h"

#include <atomic>

namespace {

constexpr long long kDefaultPixelCeiling = 1LL << 28;  // 1 GiB of RGBA

std::atomic<long long> pixel_ceiling{kDefaultPixelCeiling};

thread_local const char *last_refusal = nullptr;

}  // namespace

namespace tav {

bool within_pixel_ceiling(long long width, long long height) {
    if (width < 0 || height < 0) return false;
    long long pixels;
    if (__builtin_mul_overflow(width, height, &pixels)) return false;
    return pixels <= pixel_ceiling.load(std::memory_order_relaxed);
}

bool within_ceiling_budget(long long width, long long height, unsigned long long working) {
    if (!within_pixel_ceiling(width, height)) return false;
    const unsigned long long picture = 4ULL * static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
    const unsigned long long budget = 4ULL * static_cast<unsigned long long>(pixel_ceiling.load(std::memory_order_relaxed));
    return picture <= budget && working <= budget - picture;
}

void note_refusal(const char *why) { last_refusal = why; }
const char *refusal_reason() { return last_refusal; }
void clear_refusal() { last_refusal = nullptr; }

}  // namespace tav

extern "C" {

long long TavGetPixelCeiling(void) { return pixel_ceiling.load(std::memory_order_relaxed); }

int TavSetPixelCeiling(long long pixels) {
    if (pixels <= 0) return 1;
    pixel_ceiling.store(pixels, std::memory_order_relaxed);
    return 0;
}

}  // extern "C"
