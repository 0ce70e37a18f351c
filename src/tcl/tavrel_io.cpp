// The tavrel subcommands that load and save images and move raw pixels.
#include "tcl/dispatch_p.h"
#include "tcl/tavrel_cmd_p.h"

#include "core/memory_p.h"
#include "io/format_registry_p.h"
#include "io/reader_limits_p.h"
#include "io/save_file_p.h"
#include "io/write_verdict_p.h"
#include "tcl/error_p.h"

#include <string>

#include <climits>
#include <cstring>

using tav::ErrorKind;

namespace {

struct IoOptions {
    Tcl_Obj *file = nullptr;
    Tcl_Obj *channel = nullptr;
    Tcl_Obj *data = nullptr;
    const char *format = nullptr;
};

// Option pairs after the image, compared exactly; a last unpaired word is
// ignored.  `data_allowed` is false for save, which has no -data.
const char *const io_options[] = {"-file", "-channel", "-data", "-format", nullptr};
enum IoOption { kIoFile, kIoChannel, kIoData, kIoFormat };

int parse_io_options(Tcl_Interp *interp, int objc, Tcl_Obj *const objv[], bool data_allowed, IoOptions *options) {
    for (int i = 3; i + 1 < objc; i += 2) {
        Tcl_Obj *value = objv[i + 1];
        switch (TavExactIndex(io_options, Tcl_GetString(objv[i]))) {
        case kIoFile: options->file = value; break;
        case kIoChannel: options->channel = value; break;
        case kIoData:
            if (!data_allowed) return TavrelUnknownOption(interp, objv[i]);
            options->data = value;
            break;
        case kIoFormat: options->format = Tcl_GetString(value); break;
        default: return TavrelUnknownOption(interp, objv[i]);
        }
    }
    return TCL_OK;
}

// A file channel opened by the command: binary, blocking, and closed on
// every path.  close() reports whether the last buffered bytes reached
// the file.
class OwnedFileChannel {
public:
    OwnedFileChannel(Tcl_Interp *interp, Tcl_Obj *path, const char *mode) {
        channel_ = Tcl_FSOpenFileChannel(interp, path, mode, 0644);
        if (!channel_) return;
        Tcl_RegisterChannel(nullptr, channel_);
        Tcl_SetChannelOption(nullptr, channel_, "-translation", "binary");
        Tcl_SetChannelOption(nullptr, channel_, "-encoding", "binary");
        Tcl_SetChannelOption(nullptr, channel_, "-blocking", "true");
        // Whole images go through: big buffers save thousands of small writes.
        if (mode[0] == 'w') Tcl_SetChannelBufferSize(channel_, 1 << 20);
    }
    ~OwnedFileChannel() { close(); }
    OwnedFileChannel(const OwnedFileChannel &) = delete;
    OwnedFileChannel &operator=(const OwnedFileChannel &) = delete;

    Tcl_Channel get() const { return channel_; }

    bool close() {
        if (!channel_) return true;
        Tcl_Channel channel = channel_;
        channel_ = nullptr;
        return Tcl_UnregisterChannel(nullptr, channel) == TCL_OK;
    }

private:
    Tcl_Channel channel_ = nullptr;
};

int refuse_in_safe_mode(Tcl_Interp *interp) {
    return TavrelError(interp, ErrorKind::Safe, "file I/O not permitted in safe mode", nullptr);
}

Tcl_Channel find_channel(Tcl_Interp *interp, Tcl_Obj *name, int needed_mode) {
    int mode = 0;
    Tcl_Channel channel = Tcl_GetChannel(interp, Tcl_GetString(name), &mode);
    return channel && (mode & needed_mode) ? channel : nullptr;
}

// A save that failed: with the writer's or the system's reason when there
// is one, else the plain save message.
int save_failed(Tcl_Interp *interp, FormatDb **formats, const char *name, const char *format) {
    const tav::WriteRefusal &refusal = tav::last_write_refusal();
    const std::string plain = std::string("Couldn't save image \"") + name + "\"";
    const FormatEntry *entry = tav::writer_entry(formats, format);
    if (refusal.whole_message) return tav::tcl_error(interp, ErrorKind::Io, refusal.reason);
    if (refusal.kind == tav::WriteFailure::NoReason || refusal.reason.empty() || !entry)
        return tav::tcl_error(interp, ErrorKind::Write, plain);
    const ErrorKind kind = refusal.kind == tav::WriteFailure::Limit ? ErrorKind::Limit
                           : refusal.kind == tav::WriteFailure::Io  ? ErrorKind::Io
                                                                     : ErrorKind::Write;
    return tav::tcl_error(interp, kind,
                          std::string("cannot save image \"") + name + "\" as " +
                              tav::format_display_name(entry->label) + ": " + refusal.reason);
}

}  // namespace

namespace {

// A reader's reason for refusing, told after the message: ": 12-bit JPEG ...".
const char *refusal_reason_text() { return tav::refusal_reason() ? tav::refusal_reason() : ""; }
const char *refusal_suffix() { return tav::refusal_reason() ? ": " : ""; }

}  // namespace

int TavrelLoad(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc < 4) return TavrelWrongArgs(interp, objv, "image ?options?");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    IoOptions options;
    if (parse_io_options(interp, objc, objv, true, &options) != TCL_OK) return TCL_ERROR;
    FormatDb **formats = state->image_formats;

    if (options.file) {
        if (Tcl_IsSafe(interp)) return refuse_in_safe_mode(interp);
        OwnedFileChannel file(interp, options.file, "r");
        // Tcl's reason ("couldn't open ...") as an IO error, as a save gives it.
        if (!file.get()) return tav::tcl_error(interp, ErrorKind::Io, Tcl_GetStringResult(interp));
        // A file no reader accepts leaves the image as it was.
        const bool loaded = tav::read_channel(formats, image, file.get(), options.format, tav::OnRefusal::Keep);
        file.close();
        if (!loaded)
            return TavrelError(interp, ErrorKind::Format, "file \"", Tcl_GetString(options.file),
                               "\" does not contain a valid image", refusal_suffix(), refusal_reason_text(), nullptr);
    } else if (options.channel) {
        Tcl_Channel channel = find_channel(interp, options.channel, TCL_READABLE);
        const bool loaded = channel && tav::read_channel(formats, image, channel, options.format, tav::OnRefusal::Keep);
        if (!loaded)
            return TavrelError(interp, channel ? ErrorKind::Format : ErrorKind::Value, "channel \"",
                               Tcl_GetString(options.channel), "\" does not contain a valid image", refusal_suffix(),
                               refusal_reason_text(), nullptr);
    } else if (options.data) {
        int length = 0;
        unsigned char *bytes = Tcl_GetByteArrayFromObj(options.data, &length);
        const bool loaded = tav::read_string(formats, image, bytes, length, options.format, tav::OnRefusal::Keep);
        if (!loaded)
            return TavrelError(interp, ErrorKind::Format, "data does not contain a valid image", refusal_suffix(),
                               refusal_reason_text(), nullptr);
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int TavrelSave(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc < 3) return TavrelWrongArgs(interp, objv, "image ?-file filename? ?-channel channel? ?-format format?");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    IoOptions options;
    if (objc > 4 && parse_io_options(interp, objc, objv, false, &options) != TCL_OK) return TCL_ERROR;
    FormatDb **formats = state->image_formats;
    const char *name = Tcl_GetString(objv[2]);

    if (options.file) {
        if (Tcl_IsSafe(interp)) return refuse_in_safe_mode(interp);
        const char *format = options.format && *options.format
                                 ? options.format
                                 : tav::format_for_path(formats, Tcl_GetString(options.file));
        if (!tav::save_file(formats, image, options.file, format))
            return save_failed(interp, formats, name, format);
    } else if (options.channel) {
        Tcl_Channel channel = find_channel(interp, options.channel, TCL_WRITABLE);
        if (!channel)
            return TavrelError(interp, ErrorKind::Value, "channel \"", Tcl_GetString(options.channel),
                               "\" is not a valid writable channel", nullptr);
        if (TavWriteChannel(formats, image, channel, options.format, nullptr) != 0)
            return save_failed(interp, formats, name, options.format);
    } else {
        int length = 0;
        tav::Bytes encoded(TavWriteString(formats, image, &length, options.format, nullptr));
        if (!encoded) return save_failed(interp, formats, name, options.format);
        if (length > 0) Tcl_SetObjResult(interp, Tcl_NewByteArrayObj(encoded.get(), length));
        return TCL_OK;
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int TavrelPut(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 4) return TavrelWrongArgs(interp, objv, "image data");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    int length = 0;
    const unsigned char *data = Tcl_GetByteArrayFromObj(objv[3], &length);
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width < 1 || height < 1) return TCL_OK;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t bytes = static_cast<size_t>(length);
    if (bytes == 4 * pixels) PhotoPutRGBA(image, data, 0, 0, width, height, TAV_COMPOSE_DEFAULT);
    else if (bytes == 3 * pixels) PhotoPutRGB(image, data, 0, 0, width, height);
    else if (bytes == 2 * pixels) PhotoPut565(image, data, 0, 0, width, height);
    else return TavrelError(interp, ErrorKind::Value, "invalid format for raw image data", nullptr);
    return TCL_OK;
}

int TavrelGet(TavInterpState *state, Tcl_Interp *interp, int objc, Tcl_Obj *const objv[]) {
    if (objc != 3) return TavrelWrongArgs(interp, objv, "image");
    Photo *image = TavrelFindImage(state, interp, objv[2]);
    if (!image) return TCL_ERROR;
    const int width = PhotoWidth(image), height = PhotoHeight(image);
    if (width < 1 || height < 1) return TCL_OK;
    size_t bytes = 0;
    // A Tcl byte array holds at most INT_MAX bytes.
    if (!tav::checked_mul(static_cast<size_t>(width) * static_cast<size_t>(height), 3, &bytes) || bytes > INT_MAX)
        return TavrelError(interp, ErrorKind::Limit, "image \"", Tcl_GetString(objv[2]), "\" is too large to get",
                           nullptr);
    Tcl_Obj *result = Tcl_NewObj();
    unsigned char *pixels = Tcl_SetByteArrayLength(result, static_cast<int>(bytes));
    PhotoGetRGB(image, pixels, 0, 0, width, height);
    Tcl_SetObjResult(interp, result);
    return TCL_OK;
}
