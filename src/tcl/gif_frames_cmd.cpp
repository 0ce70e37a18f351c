// ::tavrel::gifFrames bytes — the delays of a GIF's frames, in hundredths
// of a second, one per frame: a script learns how many frames a file has
// and how long each shows before it loads one with -format {gif -frame N},
// without any frame being decoded.  It reads bytes, not files, so a safe
// interpreter may use it too.
#include "tcl/gif_frames_p.h"

#include "io/gif_frames_p.h"
#include "tcl/error_p.h"

namespace {

void append_delay(void *context, int delay) {
    auto *list = static_cast<Tcl_Obj *>(context);
    Tcl_ListObjAppendElement(nullptr, list, Tcl_NewIntObj(delay));
}

int gif_frames_cmd(ClientData, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 2) {
        Tcl_WrongNumArgs(interp, 1, objv, "bytes");
        return TCL_ERROR;
    }
    int length = 0;
    unsigned char *bytes = Tcl_GetByteArrayFromObj(objv[1], &length);
    AuxIO *stream = AuxIO_Init("string", &bytes, &length, 0, 0, 0);
    // Only memory fails a stream over bytes.
    if (!stream) return tav::tcl_error(interp, tav::ErrorKind::Limit, "not enough memory to read the GIF data");
    Tcl_Obj *delays = Tcl_NewListObj(0, nullptr);
    Tcl_IncrRefCount(delays);
    const bool walked = tav::walk_gif_frames(stream, append_delay, delays);
    AuxIO_Close(stream);
    if (walked) Tcl_SetObjResult(interp, delays);
    Tcl_DecrRefCount(delays);
    return walked ? TCL_OK : tav::tcl_error(interp, tav::ErrorKind::Format, "data is not a complete GIF file");
}

}  // namespace

void TavrelGifFramesInit(Tcl_Interp *interp) {
    Tcl_CreateObjCommand(interp, "::tavrel::gifFrames", gif_frames_cmd, nullptr, nullptr);
}
