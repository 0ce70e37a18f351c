// The tavrel colour and drawing subcommands.
#include "tcl/tavrel_cmd_p.h"

TAVREL_HANDLER(TavrelColor) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "color");
}

TAVREL_HANDLER(TavrelBgcolor) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "bgcolor");
}

TAVREL_HANDLER(TavrelPlot) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "plot");
}

TAVREL_HANDLER(TavrelLine) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "line");
}

TAVREL_HANDLER(TavrelOval) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "oval");
}

TAVREL_HANDLER(TavrelArc) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "arc");
}

TAVREL_HANDLER(TavrelRectangle) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "rectangle");
}

TAVREL_HANDLER(TavrelPolygon) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "polygon");
}

TAVREL_HANDLER(TavrelBlank) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "blank");
}

TAVREL_HANDLER(TavrelFill) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "fill");
}
