// The tavcodec command: named webcam codec objects fed raw and encoded frames
// as byte arrays, their quality and frame size, and the kid hash.
#include <cstring>
#include <string>

#include "tcl/dispatch_p.h"
#include "tcl/error_p.h"
#include "tcl/names_p.h"

namespace {

using tav::ErrorKind;
using tav::tcl_error;

int error_naming(Tcl_Interp *interp, ErrorKind kind, const char *message, const char *name) {
    return tcl_error(interp, kind, std::string(message) + "\"" + name + "\"");
}

// The codec named by objv[2], or nullptr with the message set.
PhotoCodec *find_codec(TavInterpState *state, Tcl_Interp *interp, Tcl_Obj *const objv[]) {
    return static_cast<PhotoCodec *>(tav::find_named(state, interp, tav::kCodecs, objv[2]));
}

int create_codec(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 2) return TavWrongArgs(interp, objv, "");
    if (!state->codec_registry) return tcl_error(interp, ErrorKind::Limit, "codec database not available");
    PhotoCodec *codec = PhotoCreateCodec();
    if (!codec) return tcl_error(interp, ErrorKind::Limit, "invalid codec");
    Tcl_SetObjResult(interp, Tcl_NewStringObj(tav::add_named(state, tav::kCodecs, codec), -1));
    return TCL_OK;
}

int delete_codecs(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return tav::delete_named(state, interp, tav::kCodecs, objc - 2, objv + 2);
}

int encode_frame(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 4) return TavWrongArgs(interp, objv, "codecname rgbdata");
    PhotoCodec *codec = find_codec(state, interp, objv);
    if (!codec) return TCL_ERROR;
    int length = 0;
    const unsigned char *rgb = Tcl_GetByteArrayFromObj(objv[3], &length);
    if (length != TAV_CODEC_FRAME_BYTES) return tcl_error(interp, ErrorKind::Value, "invalid length for raw RGB data");
    int encoded = 0;
    const unsigned char *frame = PhotoCodecEncode(codec, rgb, length, &encoded);
    if (!frame) return tcl_error(interp, ErrorKind::Value, "encoding error");
    Tcl_SetByteArrayObj(Tcl_GetObjResult(interp), frame, encoded);
    return TCL_OK;
}

int decode_frame(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 4) return TavWrongArgs(interp, objv, "codecname frame");
    PhotoCodec *codec = find_codec(state, interp, objv);
    if (!codec) return TCL_ERROR;
    int length = 0;
    const unsigned char *frame = Tcl_GetByteArrayFromObj(objv[3], &length);
    int decoded = 0;
    const unsigned char *rgb = PhotoCodecDecode(codec, frame, length, &decoded);
    if (!rgb) return tcl_error(interp, ErrorKind::Format, "decoding error");
    Tcl_SetByteArrayObj(Tcl_GetObjResult(interp), rgb, decoded);
    return TCL_OK;
}

int codec_quality(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 3 && objc != 4) return TavWrongArgs(interp, objv, "?quality?");
    PhotoCodec *codec = find_codec(state, interp, objv);
    if (!codec) return TCL_ERROR;
    const char *name = Tcl_GetString(objv[2]);
    int quality = 0;
    if (objc == 4) {
        if (Tcl_GetIntFromObj(interp, objv[3], &quality) != TCL_OK) return TCL_ERROR;
        if (PhotoCodecSetQuality(codec, quality) != 0)
            return error_naming(interp, ErrorKind::Value, "failed to set quality for ", name);
    } else if (PhotoCodecGetQuality(codec, &quality) != 0) {
        return error_naming(interp, ErrorKind::Value, "failed to get quality for ", name);
    }
    Tcl_SetObjResult(interp, Tcl_NewIntObj(quality));
    return TCL_OK;
}

int frame_size(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[], bool want_width) {
    if (objc != 3) return TavWrongArgs(interp, objv, "");
    PhotoCodec *codec = find_codec(state, interp, objv);
    if (!codec) return TCL_ERROR;
    int value = 0;
    if (PhotoCodecGetSize(codec, want_width ? &value : nullptr, want_width ? nullptr : &value) != 0)
        return error_naming(interp, ErrorKind::Value,
                            want_width ? "failed to get width for " : "failed to get height for ",
                            Tcl_GetString(objv[2]));
    Tcl_SetObjResult(interp, Tcl_NewIntObj(value));
    return TCL_OK;
}

int codec_width(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return frame_size(state, interp, objc, objv, true);
}

int codec_height(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return frame_size(state, interp, objc, objv, false);
}

int kid_hash(TavInterpState *, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 4) return TavWrongArgs(interp, objv, "kid sid");
    int kid = 0;
    if (Tcl_GetIntFromObj(interp, objv[2], &kid) != TCL_OK) return TCL_ERROR;
    int sid_length = 0;
    const char *sid = Tcl_GetStringFromObj(objv[3], &sid_length);
    const std::string text = std::string("sid=") + std::string(sid, static_cast<size_t>(sid_length));
    char hash[30];
    int size = sizeof hash;
    if (MakeKidHash(hash, &size, kid, text.c_str()) != 1)
        return tcl_error(interp, ErrorKind::Value, "failed to compute hash");
    Tcl_SetObjResult(interp, Tcl_NewStringObj(hash, -1));
    return TCL_OK;
}

const TavSubcommand kSubcommands[] = {
    {"create", create_codec}, {"delete", delete_codecs}, {"encode", encode_frame},
    {"decode", decode_frame}, {"quality", codec_quality}, {"width", codec_width},
    {"height", codec_height}, {"kidhash", kid_hash},     {nullptr, nullptr},
};

}  // namespace

int TavcodecCmd(ClientData data, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    return TavDispatch(static_cast<TavInterpState *>(data), interp, kSubcommands, objc, objv);
}
