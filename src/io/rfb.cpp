// The hidden "rfb" entry of the format registry: a placeholder that never
// accepts a stream and writes nothing.
#include "tavrel.h"

extern "C" {

Photo *ReadRFB(AuxIO *, Photo *, const char *) { return nullptr; }

int WriteRFB(AuxIO *, Photo *, const char *) { return 1; }

}  // extern "C"
