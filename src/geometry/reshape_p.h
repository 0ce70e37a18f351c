// Whole-image reshaping in place: crop, mirror, quarter turns and
// thumbnails.  The image keeps its mode, colormap and renderer (a Tk-bound
// image resizes its photo); indexed pixels move as indices, so a reshape
// never re-matches colours.  Each returns 0, or 1 when the memory for the
// pixels could not be had (the image is then unchanged).
#pragma once

#include "tavrel.h"

namespace tav {

// Keeps the rectangle x, y, width, height, which the caller has cut to the
// image and found not empty.
int crop_image(Photo *image, int x, int y, int width, int height);
// Mirrors left to right (horizontal) or top to bottom.
int flip_image(Photo *image, bool horizontal);
// Turns by quarter_turns (1, 2 or 3) quarter turns clockwise.
int turn_image(Photo *image, int quarter_turns);
// The size that fits width x height inside max_width x max_height with the
// aspect ratio kept (rounded, at least one pixel); never larger than now.
void thumbnail_size(int width, int height, int max_width, int max_height, int *out_width, int *out_height);
// Shrinks to thumbnail_size with the scaler at `quality` (-1: from the
// shrink factor, as tavrel scale chooses it).
int thumbnail_image(Photo *image, int max_width, int max_height, int quality);

}  // namespace tav
