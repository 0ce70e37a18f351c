// The quantiser behind PhotoQuantize, with the choice of noise seeding
// left to the caller so that a run can be repeated.
#pragma once

#include "tavrel.h"

namespace tav {

enum class NoiseSeed { kClock, kCurrent };
// Floyd-Steinberg error diffusion, or each pixel mapped alone.
enum class Dither { kFloydSteinberg, kNone };

// PhotoQuantize; with NoiseSeed::kCurrent the first row's noise is drawn
// from the random generator as it stands (seeded by RandomSeed) instead of
// a generator freshly seeded from the clock.  Visible outside the library
// so that tests can repeat a run.
TAVREL_API Photo *quantize(Photo *image, TavColormap *colormap, NoiseSeed seed,
                           Dither dither = Dither::kFloydSteinberg);

}  // namespace tav
