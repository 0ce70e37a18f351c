// How writers report: every FormatWriter returns 0 when the picture was
// written and non-zero when it was not.  A writer that refuses for a reason
// a person can act on records it here (one record per thread), so that the
// caller can show it: "70000 pixels wide, GIF holds at most 65535".
#pragma once

#include "tavrel.h"

#include <string>

namespace tav {

// Why a write failed, for the caller to choose its error kind.
enum class WriteFailure {
    NoReason, // no reason recorded (nothing matched, an empty image)
    Refused,  // the writer cannot write this picture
    Limit,    // over a size the format can hold
    Io,       // the operating system refused
};

struct WriteRefusal {
    WriteFailure kind = WriteFailure::NoReason;
    std::string reason;
    bool whole_message = false;  // the reason is the caller's whole message, as Tcl's `open` words it
};

// Records the reason of the current failure and returns 1, the writers'
// failure verdict.
int refuse_write(WriteFailure kind, std::string reason, bool whole_message = false);
void clear_write_refusal();
const WriteRefusal &last_write_refusal();

// Whether `image` fits the limits of the format a registry entry labelled
// `label` writes (sides, mode); records the refusal when it does not.
// The generic writer calls it first, and savers before they open a file.
bool fits_write_limits(const char *label, Photo *image);

// The same for the entry that would write `request`; true when none does.
bool fits_write_limits(FormatDb **handle, const char *request, Photo *image);

// The format name as a person writes it: "GIF", "JPEG".
std::string format_display_name(const char *label);

}  // namespace tav
