// The Tk test program's interpreter: Tcl, Tk and the package loaded, under
// a virtual X display.  Made by the environment of tkphoto_renderer_test.cpp.
#pragma once

#include <tk.h>

Tcl_Interp *tk_test_interp();
