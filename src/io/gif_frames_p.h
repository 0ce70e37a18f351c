// The frames of a GIF file without decoding them: how many there are and
// each one's delay, for scripts that choose a frame to load.
#pragma once

#include "tavrel.h"

namespace tav {

// Walks the blocks of a GIF file, skipping every image's data, and calls
// `each` once per image with its delay in hundredths of a second (0 when
// no graphic control extension gives one).  False when the stream is no
// GIF or ends inside a block.
bool walk_gif_frames(AuxIO *stream, void (*each)(void *context, int delay), void *context);

}  // namespace tav
