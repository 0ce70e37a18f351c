// Test support: one Tcl interpreter with the package loaded, so that the
// library's Tcl stubs are bound before any test calls into it.
#pragma once

#include <tcl.h>

#include <array>
#include <vector>

#include "tavrel.h"

namespace tavtest {

Tcl_Interp *interp();

// The random seed every test starts from.
constexpr unsigned int kSeed = 20261209;

// Reads the whole image as RGBA.
std::vector<unsigned char> rgba_of(Photo *image);

// RGBA of one pixel.
std::array<unsigned char, 4> pixel(Photo *image, int x, int y);

// A memory image owned by the test, composing with replace so that what is
// put is what is stored.
struct Image {
    Photo *p;
    Image(int w, int h, int mode = TAV_MODE_RGBA) : p((interp(), PhotoCreate(w, h, mode, TAV_RENDER_MEMORY))) {
        PhotoSetCompose(p, TAV_COMPOSE_REPLACE);
    }
    ~Image() { PhotoDelete(p); }
    Image(const Image &) = delete;
    Image &operator=(const Image &) = delete;
    operator Photo *() const { return p; }
};

}  // namespace tavtest
