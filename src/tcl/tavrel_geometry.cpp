// The tavrel copy, scale, filter and compose subcommands.
#include "tcl/tavrel_cmd_p.h"

TAVREL_HANDLER(TavrelScale) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "scale");
}

TAVREL_HANDLER(TavrelCopy) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "copy");
}

TAVREL_HANDLER(TavrelConvolution) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "convolution");
}

TAVREL_HANDLER(TavrelBlur) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "blur");
}

TAVREL_HANDLER(TavrelMedian) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "median");
}

TAVREL_HANDLER(TavrelWind) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "wind");
}

TAVREL_HANDLER(TavrelGradient) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "gradient");
}

TAVREL_HANDLER(TavrelNoise) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "noise");
}

TAVREL_HANDLER(TavrelCompose) {
    (void)state;
    (void)objc;
    (void)objv;
    return TavNotAvailable(interp, "tavrel", "compose");
}
