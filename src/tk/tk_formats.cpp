// Tk photo image formats backed by the library's format registry: Tk's
// "image create photo -file/-data", "read", "write" and "data" use every
// reader and writer the registry has.
//
// One registry serves the whole process (made at the first registration,
// closed by an exit handler).  Tk keeps its list of photo formats per
// thread, so the formats are registered once in every thread whose Tk asks;
// a second interpreter of a thread finds them there already.
//
// Matching reads into a null-rendered image, which learns the size from the
// header without decoding; the read proper decodes into a memory image and
// hands it to Tk in tiles.
#include "tk/tk_p.h"

#include "core/memory_p.h"
#include "io/format_registry_p.h"
#include "io/save_file_p.h"
#include "io/write_verdict_p.h"

#include <atomic>
#include <cstring>
#include <string>

namespace {

std::atomic<FormatDb **> tk_format_registry{nullptr};
Tcl_Mutex tk_format_mutex;

struct ThreadFormats {
    int registered;
};
Tcl_ThreadDataKey thread_formats_key;

const char *format_text(Tcl_Obj *format) { return format ? Tcl_GetString(format) : nullptr; }

bool format_given(Tcl_Obj *format) { return format && *Tcl_GetString(format); }

// ---- base64, the text form of -data -------------------------------------

int base64_value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool base64_space(unsigned char c) { return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

// Decodes standard base64 (RFC 4648 alphabet), skipping white space.  "="
// pads a group of two or three characters and ends the decoding; a NUL ends
// the input at a group boundary.  Anything else fails: empty result.
tav::Bytes decode_base64(const unsigned char *text, int length, int *decoded) {
    *decoded = 0;
    tav::Bytes out = tav::attempt_bytes(static_cast<size_t>(length / 4) * 3 + 4);
    if (!out) return nullptr;
    unsigned char *o = out.get();
    unsigned int group = 0;
    int held = 0;
    for (int i = 0; i < length; ++i) {
        const unsigned char c = text[i];
        if (base64_space(c)) continue;
        if (c == 0) break;
        if (c == '=') {
            if (held == 2) {
                *o++ = static_cast<unsigned char>(group >> 4);
            } else if (held == 3) {
                *o++ = static_cast<unsigned char>(group >> 10);
                *o++ = static_cast<unsigned char>(group >> 2);
            } else {
                return nullptr;
            }
            held = 0;
            break;
        }
        const int v = base64_value(c);
        if (v < 0) return nullptr;
        group = (group << 6) | static_cast<unsigned int>(v);
        if (++held == 4) {
            *o++ = static_cast<unsigned char>(group >> 16);
            *o++ = static_cast<unsigned char>(group >> 8);
            *o++ = static_cast<unsigned char>(group);
            group = 0;
            held = 0;
        }
    }
    if (held != 0) return nullptr;
    *decoded = static_cast<int>(o - out.get());
    return out;
}

// ---- reading ---------------------------------------------------------------

// Fills `image` from the channel, or from the bytes (tried as they are, then
// as base64 text).
Photo *tk_format_read(Photo *image, Tcl_Channel channel, unsigned char *bytes, int length, Tcl_Obj *format) {
    FormatDb **registry = tk_format_registry.load();
    if (!registry) return nullptr;
    const char *request = format_text(format);
    if (!bytes) return TavReadChannel(registry, image, channel, request, nullptr);
    if (length <= 0) return nullptr;
    if (Photo *read = TavReadString(registry, image, bytes, length, request, nullptr)) return read;
    int decoded = 0;
    tav::Bytes raw = decode_base64(bytes, length, &decoded);
    if (!raw || decoded <= 0) return nullptr;
    return TavReadString(registry, image, raw.get(), decoded, request, nullptr);
}

int tk_format_match(Tcl_Channel channel, unsigned char *bytes, int length, Tcl_Obj *format, int *width,
                    int *height) {
    Photo *probe = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_NULL);
    if (!probe) return 0;
    int matched = 0;
    // Tk sizes the photo from what the match reports, before the read can
    // refuse the data; the registry answers no size above the pixel ceiling.
    if (tk_format_read(probe, channel, bytes, length, format)) {
        if (width) *width = PhotoWidth(probe);
        if (height) *height = PhotoHeight(probe);
        matched = 1;
    }
    PhotoDelete(probe);
    return matched;
}

int tk_format_load(Tcl_Interp *interp, Tcl_Channel channel, unsigned char *bytes, int length, Tcl_Obj *format,
                   Tk_PhotoHandle photo, int dest_x, int dest_y, int width, int height, int src_x, int src_y) {
    Photo *image = PhotoCreate(0, 0, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    if (!image) {
        Tcl_SetResult(interp, const_cast<char *>("can't allocate image"), TCL_VOLATILE);
        return TCL_ERROR;
    }
    if (!tk_format_read(image, channel, bytes, length, format)) {
        PhotoDelete(image);
        Tcl_SetResult(interp, const_cast<char *>("invalid image data"), TCL_VOLATILE);
        return TCL_ERROR;
    }
    int status = TCL_OK;
    if (src_x + width > image->width) width = image->width - src_x;
    if (src_y + height > image->height) height = image->height - src_y;
    if (width > 0 && height > 0 && src_x >= 0 && src_y >= 0 && src_x < image->width && src_y < image->height) {
        // Tk's message (no memory for the photo) stays in the result.
        if (Tk_PhotoExpand(interp, photo, dest_x + width, dest_y + height) != TCL_OK ||
            TavrelToTkPhoto(interp, image, photo, dest_x, dest_y, width, height, src_x, src_y) != 0)
            status = TCL_ERROR;
    }
    PhotoDelete(image);
    return status;
}

unsigned char *bytes_of(Tcl_Obj *data, int *length) {
    *length = 0;
    return data ? Tcl_GetByteArrayFromObj(data, length) : nullptr;
}

int match_file_auto(Tcl_Channel channel, const char *, Tcl_Obj *format, int *width, int *height, Tcl_Interp *) {
    if (format_given(format)) return 0;
    return tk_format_match(channel, nullptr, 0, format, width, height);
}

int match_file_named(Tcl_Channel channel, const char *, Tcl_Obj *format, int *width, int *height, Tcl_Interp *) {
    if (!format_given(format)) return 0;
    return tk_format_match(channel, nullptr, 0, format, width, height);
}

int match_string(Tcl_Obj *data, Tcl_Obj *format, int *width, int *height) {
    int length = 0;
    unsigned char *bytes = bytes_of(data, &length);
    if (!bytes || length < 1) return 0;
    return tk_format_match(nullptr, bytes, length, format, width, height);
}

int match_string_auto(Tcl_Obj *data, Tcl_Obj *format, int *width, int *height, Tcl_Interp *) {
    if (format_given(format)) return 0;
    return match_string(data, format, width, height);
}

int match_string_named(Tcl_Obj *data, Tcl_Obj *format, int *width, int *height, Tcl_Interp *) {
    if (!format_given(format)) return 0;
    return match_string(data, format, width, height);
}

int read_file(Tcl_Interp *interp, Tcl_Channel channel, const char *, Tcl_Obj *format, Tk_PhotoHandle photo,
              int dest_x, int dest_y, int width, int height, int src_x, int src_y) {
    return tk_format_load(interp, channel, nullptr, 0, format, photo, dest_x, dest_y, width, height, src_x, src_y);
}

int read_string(Tcl_Interp *interp, Tcl_Obj *data, Tcl_Obj *format, Tk_PhotoHandle photo, int dest_x, int dest_y,
                int width, int height, int src_x, int src_y) {
    int length = 0;
    unsigned char *bytes = bytes_of(data, &length);
    if (!bytes || length <= 0) return TCL_OK;
    return tk_format_load(interp, nullptr, bytes, length, format, photo, dest_x, dest_y, width, height, src_x,
                          src_y);
}

// ---- writing ---------------------------------------------------------------

int write_error(Tcl_Interp *interp, const char *file, const char *why) {
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "error writing \"", file, "\": ", why, nullptr);
    return TCL_ERROR;
}

int write_file(Tcl_Interp *interp, const char *file, Tcl_Obj *format, Tk_PhotoImageBlock *block) {
    FormatDb **registry = tk_format_registry.load();
    const char *request = format_text(format);
    if (!tav::has_writer(registry, request))
        return write_error(interp, file, request ? "no tavrel writer for this format" : "no tavrel writer");
    if (!block || block->width <= 0 || block->height <= 0) return write_error(interp, file, "the image is empty");
    Photo *image = PhotoCreateFromTkPhotoBlock(block);
    if (!image) return write_error(interp, file, "failed to allocate tavrel image from Tk photo");
    Tcl_Obj *path = Tcl_NewStringObj(file, -1);
    Tcl_IncrRefCount(path);
    const bool saved = tav::save_file(registry, image, path, request);
    Tcl_DecrRefCount(path);
    PhotoDelete(image);
    if (saved) return TCL_OK;
    const std::string &reason = tav::last_write_refusal().reason;
    return write_error(interp, file, reason.empty() ? "the writer refused the image" : reason.c_str());
}

int write_string(Tcl_Interp *interp, Tcl_Obj *format, Tk_PhotoImageBlock *block) {
    Photo *image = PhotoCreateFromTkPhotoBlock(block);
    if (!image) return TCL_ERROR;
    int length = 0;
    // The whole -format value goes on: the registry takes its first word as
    // the format and the rest as the writer's options ("webp -lossless 1").
    unsigned char *data = TavWriteString(tk_format_registry.load(), image, &length, format_text(format), nullptr);
    PhotoDelete(image);
    if (!data) {
        const std::string &reason = tav::last_write_refusal().reason;
        Tcl_AppendResult(interp, "error getting image data", reason.empty() ? "" : ": ", reason.c_str(), nullptr);
        return TCL_ERROR;
    }
    if (length > 0) Tcl_SetByteArrayObj(Tcl_GetObjResult(interp), data, length);
    else Tcl_ResetResult(interp);
    TavFree(data);
    return TCL_OK;
}

// ---- registration ----------------------------------------------------------

// Only names the library can both recognise and write: a name registered
// for nothing would hide another package's handler of that name.
const char *const named_formats[] = {"bmp", "gif", "jpeg", "jpg", "pcx", "png", "ppm", "sgi", "wbmp", "webp"};

void close_registry(ClientData data) {
    Tcl_MutexLock(&tk_format_mutex);
    auto **registry = static_cast<FormatDb **>(data);
    if (tk_format_registry.load() == registry) {
        tk_format_registry.store(nullptr);
        TavImageClose(registry);
    }
    Tcl_MutexUnlock(&tk_format_mutex);
}

void register_format(const char *name, bool automatic) {
    Tk_PhotoImageFormat format{};
    format.name = const_cast<char *>(name);
    format.fileMatchProc = automatic ? match_file_auto : match_file_named;
    format.stringMatchProc = automatic ? match_string_auto : match_string_named;
    format.fileReadProc = read_file;
    format.stringReadProc = read_string;
    format.fileWriteProc = write_file;
    format.stringWriteProc = write_string;
    Tk_CreatePhotoImageFormat(&format);  // Tk keeps a copy
}

}  // namespace

extern "C" int Tavrel_RegisterTkPhotoFormats(Tcl_Interp *interp) {
    if (!interp || !Tk_InitStubs(interp, "8.3", 0)) {
        if (interp) Tcl_AppendResult(interp, "Could not initialize Tk stub", nullptr);
        return 1;
    }
    auto *thread = static_cast<ThreadFormats *>(Tcl_GetThreadData(&thread_formats_key, sizeof(ThreadFormats)));
    if (thread->registered) return 0;
    if (!tk_format_registry.load()) {
        Tcl_MutexLock(&tk_format_mutex);
        if (!tk_format_registry.load()) {
            Tavrel_GlobalInit();
            FormatDb **registry = TavImageInit();
            tk_format_registry.store(registry);
            Tcl_CreateExitHandler(close_registry, registry);
        }
        Tcl_MutexUnlock(&tk_format_mutex);
    }
    register_format("tavrel", true);
    for (const char *name : named_formats) register_format(name, false);
    thread->registered = 1;
    return 0;
}
