// Errors the Tcl commands raise: the message as the result and an
// -errorcode a script can trap on, `TAVREL KIND`.  Tcl's own errors (wrong
// argument counts, bad integers, unknown options from Tcl_GetIndexFromObj)
// keep the codes Tcl gives them.
#pragma once

#include <tcl.h>

#include <string_view>

namespace tav {

// The kinds of -errorcode, as words after TAVREL.
enum class ErrorKind {
    Lookup,  // LOOKUP: no image, font or codec of that name
    Value,   // VALUE: a word that is not a valid colour, mode, size ...
    Format,  // FORMAT: no format reads the data, or the data is damaged
    Write,   // WRITE: a save that did not complete
    Limit,   // LIMIT: over the pixel ceiling or a format's own limits, or out of memory
    Safe,    // SAFE: refused in a safe interpreter
    Io,      // IO: the operating system refused (open, read, write, rename)
    Tk,      // TK: needs Tk, or a Tk photo that is not there
};

// The word after TAVREL in -errorcode.
const char *error_kind_word(ErrorKind kind);

// Sets `message` as the result and {TAVREL KIND} as the -errorcode;
// returns TCL_ERROR.
int tcl_error(Tcl_Interp *interp, ErrorKind kind, std::string_view message);

}  // namespace tav
