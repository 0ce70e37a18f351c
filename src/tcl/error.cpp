// The one place the commands' errors are put into the interpreter.
#include "tcl/error_p.h"

#include <climits>

namespace tav {

const char *error_kind_word(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::Lookup: return "LOOKUP";
    case ErrorKind::Value: return "VALUE";
    case ErrorKind::Format: return "FORMAT";
    case ErrorKind::Write: return "WRITE";
    case ErrorKind::Limit: return "LIMIT";
    case ErrorKind::Safe: return "SAFE";
    case ErrorKind::Io: return "IO";
    case ErrorKind::Tk: return "TK";
    }
    return "VALUE";
}

int tcl_error(Tcl_Interp *interp, ErrorKind kind, std::string_view message) {
    const int length = message.size() > INT_MAX ? INT_MAX : static_cast<int>(message.size());
    Tcl_SetObjResult(interp, Tcl_NewStringObj(message.data(), length));
    Tcl_SetErrorCode(interp, "TAVREL", error_kind_word(kind), static_cast<char *>(nullptr));
    return TCL_ERROR;
}

}  // namespace tav
