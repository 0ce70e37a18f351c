/* The public header alone, after tcl.h or before it (HEADER_FIRST). */
#ifdef HEADER_FIRST
#include "tavrel.h"
#include <tcl.h>
#else
#include <tcl.h>
#include "tavrel.h"
#endif

int main(void) { return TavNbFormats(NULL); }
