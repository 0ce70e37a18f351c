// Test support: one Tcl interpreter with the package loaded, so that the
// library's Tcl stubs are bound before any test calls into it.
#pragma once

#include <tcl.h>

#include <array>
#include <vector>

#include "tavrel.h"

namespace tavtest {

Tcl_Interp *interp();

// Reads the whole image as RGBA.
std::vector<unsigned char> rgba_of(Photo *image);

// RGBA of one pixel.
std::array<unsigned char, 4> pixel(Photo *image, int x, int y);

}  // namespace tavtest
