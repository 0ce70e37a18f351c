// The tavrel text subcommand.
#include "tcl/tavrel_cmd_p.h"

TAVREL_HANDLER(TavrelText) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "text");
}
