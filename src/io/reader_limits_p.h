// What every image reader must do before it trusts a size from a file.
//
// 1. Bounded by the bytes.  Before a byte of the picture is allocated, the
//    claimed picture is compared with what the bytes still in the stream can
//    possibly hold under the format's own strongest compression (deflate's
//    ratio for PNG, one bit per 8x8 block for Huffman JPEG, the longest RLE
//    run for BMP/PCX/SGI, one byte per pixel for raw rasters ...).  A picture
//    that cannot be real is refused: no allocation, no work.
// 2. Bounded by the ceiling.  Where no ratio bounds the picture (arithmetic
//    coded JPEG, GIF screens without image data, BMP RLE deltas and
//    end-of-bitmap), the picture must still fit within the pixel ceiling
//    below; over it the reader refuses as for any damaged file.
// 3. Bounded work.  Once the data has run out, a reader stops: it never
//    decodes "nothing" for seconds.
//
// A reader refuses by returning nullptr; it leaves nothing to the caller to
// undo beyond what the generic reader's policy handles.
#pragma once

#include "tavrel.h"

namespace tav {

// Whether a decoded picture of width x height pixels stays within the
// process-wide pixel ceiling (TavGetPixelCeiling).  Negative sizes never do.
bool within_pixel_ceiling(long long width, long long height);

// Whether a picture within the ceiling and `working` bytes more held while
// it is decoded stay within the ceiling's budget of four bytes a pixel.
bool within_ceiling_budget(long long width, long long height, unsigned long long working);

// Why the last read on this thread was refused, when a reader knows a
// reason worth telling (a kind of file it deliberately does not read);
// the generic reader clears it before it probes.  Static text only.
void note_refusal(const char *why);
const char *refusal_reason();
void clear_refusal();

}  // namespace tav
