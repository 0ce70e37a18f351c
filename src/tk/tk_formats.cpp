// Tk photo image formats backed by the library's format registry.
#include "tcl/state_p.h"

void Tavrel_RegisterTkPhotoFormats(Tcl_Interp *) {}
