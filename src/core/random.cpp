// A thin layer over the standard library's random numbers, so that the
// gradient filter, the noise filter and the quantiser share one generator
// state.  A fixed seed (TavSetRandomSeed) makes runs repeatable: from then
// on the clock seeding the quantiser asks for before each image takes the
// fixed seed instead, so the same input gives the same bytes.
#include "tavrel.h"

#include <atomic>
#include <cstdlib>
#include <ctime>

namespace {

std::atomic<bool> seed_fixed{false};
std::atomic<unsigned int> fixed_seed{0};

}  // namespace

extern "C" {

void RandomSeed(unsigned int seed) { std::srand(seed); }

unsigned int RandomInit(void) {
    const auto seed = seed_fixed.load() ? fixed_seed.load() : static_cast<unsigned int>(std::time(nullptr));
    std::srand(seed);
    return seed;
}

// A non-positive range has no value to draw; 0 instead of a division by zero.
int RandomGet(int n) { return n > 0 ? std::rand() % n : 0; }

void TavSetRandomSeed(unsigned int seed) {
    fixed_seed.store(seed);
    seed_fixed.store(true);
    std::srand(seed);
}

void TavClearRandomSeed(void) { seed_fixed.store(false); }

int TavGetRandomSeed(unsigned int *seed) {
    if (!seed_fixed.load()) return 0;
    if (seed) *seed = fixed_seed.load();
    return 1;
}

}  // extern "C"
