// Saving an image to a file by path, for `tavrel save -file` and the Tk
// photo format's file write alike.
#pragma once

#include "tavrel.h"

#include <tcl.h>

namespace tav {

// Writes `image` in `format` (none: chosen by the path's extension) to
// `path`.  A regular file is written as a temporary file in the same folder
// and renamed over the target only once the last byte is written and the
// file closed; the target keeps its permissions, a symbolic link is written
// through to what it names, and a path that is not a regular file (a
// device, a FIFO) is written directly.  What cannot be written is refused
// before anything is opened.  On failure false, the target as it was, no
// temporary file left, and the reason (if any) in last_write_refusal().
bool save_file(FormatDb **formats, Photo *image, Tcl_Obj *path, const char *format);

}  // namespace tav
