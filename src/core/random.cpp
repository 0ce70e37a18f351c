// A thin layer over the standard library's random numbers, so that the
// gradient filter and the quantiser share one generator state.
#include "tavrel.h"

#include <cstdlib>
#include <ctime>

extern "C" {

void RandomSeed(unsigned int seed) { std::srand(seed); }

unsigned int RandomInit(void) {
    const auto seed = static_cast<unsigned int>(std::time(nullptr));
    std::srand(seed);
    return seed;
}

// A non-positive range has no value to draw; 0 instead of a division by zero.
int RandomGet(int n) { return n > 0 ? std::rand() % n : 0; }

}  // extern "C"
