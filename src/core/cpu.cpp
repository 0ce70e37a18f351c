// Processor features, asked of the processor once.
#include "core/cpu_p.h"

#include <atomic>

namespace tav {
namespace {

bool detect_avx2() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

const bool processor_has_avx2 = detect_avx2();
std::atomic<bool> twins_enabled{true};
std::atomic<bool> avx2_enabled{true};

}  // namespace

bool cpu_has_avx2() {
    return processor_has_avx2 && twins_enabled.load(std::memory_order_relaxed) &&
           avx2_enabled.load(std::memory_order_relaxed);
}

bool vector_twins_on() { return twins_enabled.load(std::memory_order_relaxed); }

void set_vector_twins(bool enabled) { twins_enabled.store(enabled, std::memory_order_relaxed); }

void set_avx2_twins(bool enabled) { avx2_enabled.store(enabled, std::memory_order_relaxed); }

}  // namespace tav
