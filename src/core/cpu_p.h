// Which vector instructions the processor at hand has, found once.
//
// The library is one build for any x86-64: SSE2 is the baseline every such
// processor has.  A hot row function that gains a faster twin puts it in a
// file of its own named `*_avx2.cpp`; the build compiles those files, and only
// those, for AVX2 (see CMakeLists.txt), and the caller picks the twin through
// `cpu_has_avx2()` once per call, never per pixel.  The portable function
// stays: it is what runs elsewhere, and the oracle each twin is tested
// against byte for byte (tests switch the twins off with
// `set_vector_twins(false)` to run both on one machine).
#pragma once

namespace tav {

// True when the processor runs AVX2 and the twins are switched on.
bool cpu_has_avx2();

// True unless tests switched the twins off: for SSE2 twins, which need no
// check of the processor (every x86-64 has SSE2).
bool vector_twins_on();

// Tests only: false makes every caller take the portable function.
void set_vector_twins(bool enabled);

// Tests only: false leaves the AVX2 twins out, so the SSE2 twins run on a
// processor that has both.
void set_avx2_twins(bool enabled);

}  // namespace tav
