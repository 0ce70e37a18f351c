// The per-interpreter list of image formats, and the generic reader and
// writer over it: readers are probed in turn on one stream (rewound after
// each refusal), the first matching writer writes.
//
// The read policy, decided here once for every reader:
// - Each reader is handed a fresh, empty scratch image of the caller's
//   kind (a null image for a null caller, so the size-only paths run; a
//   memory image otherwise).  A reader that refuses just returns nullptr,
//   whatever it wrote into the scratch; the scratch is discarded and the
//   stream rewound for the next reader.
// - A size-only answer (into a null scratch) above the pixel ceiling is a
//   refusal like a full read's: callers such as the Tk photo match size
//   things from it before any pixel is decoded.  The readers themselves
//   still tell a null image the size a header claims.
// - Only a finished picture reaches the caller's image, in one step
//   (tav::exchange_contents): the image keeps its record, its name and its
//   binding, so a Tk-bound image is read "in place" from its owner's view.
// - When every reader refused, the caller's image is empty after a C-level
//   read (TavReadGeneric, TavReadString, TavReadChannel), and unchanged
//   after a read that asked to keep it (the Tcl `load`).
#include "io/format_registry_p.h"

#include "io/format_helpers_p.h"
#include "io/reader_decl_p.h"
#include "io/reader_limits_p.h"
#include "io/write_verdict_p.h"

#include "core/memory_p.h"
#include "core/photo_exchange_p.h"

#include <cstring>
#include <new>

namespace {

struct BuiltinFormat {
    const char *formats;
    const char *label;
    FormatReader reader;
    FormatWriter writer;
};

// Registered in this order, so probed from the bottom up: a script that
// names no format gets PPM first and the writer default is PPM.  RFB is
// only a placeholder for reading: nothing writes it.
const BuiltinFormat builtin_formats[] = {
    // The newest format comes after every other in the probing, so that no
    // file another reader takes reaches it, and no writer default changes.
    {"webp", "webp", ReadWEBP, WriteWEBP},
    {"sgi", "sgi", ReadSGI, WriteSGI},
    {"wbmp", "wbmp", ReadWBMP, WriteWBMP},
    {"pcx", "pcx", ReadPCX, WritePCX},
    {"bmp", "bmp", ReadBMP, WriteBMP},
    {"jpg,jpeg", "jpg", ReadJPG, WriteJPG},
    {"png", "png", ReadPNG, WritePNG},
    {"gif", "gif", ReadGIF, WriteGIF},
    {"ppm", "ppm", ReadPPM, WritePPM},
    {"-rfb", "rfb", ReadRFB, nullptr},
};

inline int to_lower_ascii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

FormatDb *db_of(FormatDb **handle) { return handle ? *handle : nullptr; }

// A format request is the format's name, then the option text its reader
// and writer take: "webp -lossless 1", "gif -index 2".  The name selects
// the entries; the options (none when empty) are handed to them.
class FormatRequest {
public:
    explicit FormatRequest(const char *request) : name_(request) {
        if (!request) return;
        const char *end = request;
        while (*end && !is_space(*end)) ++end;
        if (!*end) return;
        const size_t length = static_cast<size_t>(end - request);
        if (length >= sizeof buffer_) return;  // no name is that long: matches nothing as it is
        std::memcpy(buffer_, request, length);
        buffer_[length] = '\0';
        name_ = buffer_;
        while (is_space(*end)) ++end;
        if (*end) options_ = end;
    }
    const char *name() const { return name_; }
    const char *options() const { return options_; }

private:
    static bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    char buffer_[64];
    const char *name_;
    const char *options_ = nullptr;
};

}  // namespace

namespace tav {

bool format_matches(const char *formats, const char *request) {
    if (!request || !*request) return formats[0] != '-';
    const char *alternative = formats[0] == '-' ? formats + 1 : formats;
    for (;;) {
        // The request may stop short of the alternative: a prefix selects it.
        const char *a = alternative;
        const char *r = request;
        while (*r && *a && *a != ',' && to_lower_ascii(static_cast<unsigned char>(*r)) == to_lower_ascii(static_cast<unsigned char>(*a))) {
            ++r;
            ++a;
        }
        if (!*r) return true;
        while (*alternative && *alternative != ',') ++alternative;
        if (!*alternative) return false;
        ++alternative;
    }
}

Admission admit(AuxIO *stream, Photo *image, const PictureHeader &header, DecodeTarget *target) {
    if (header.width <= 0 || header.height <= 0) return Admission::Refused;
    if (PhotoIsNull(image))
        return PhotoRecreate(image, header.width, header.height, header.mode) ? Admission::SizeOnly
                                                                               : Admission::Refused;
    if (!within_ceiling_budget(header.width, header.height, header.working_bytes) ||
        !may_hold(stream, header.needs_bytes) ||
        !recreate_unblanked(image, header.width, header.height, header.mode))
        return Admission::Refused;
    target->image = image;
    target->direct = rows_to_write(image, &target->rows);
    return Admission::Decode;
}

Photo *read_generic(FormatDb **handle, Photo *image, AuxIO *stream, const char *format, OnRefusal on_refusal) {
    FormatDb *db = db_of(handle);
    if (!db || !image || !stream) return nullptr;
    // An image that is emptied on refusal anyway gives its memory back
    // before the decoding takes more.
    if (on_refusal == OnRefusal::Empty && (image->width != 0 || image->height != 0)) PhotoExpand(image, 0, 0);
    const int scratch_renderer = PhotoIsNull(image) ? TAV_RENDER_NULL : TAV_RENDER_MEMORY;
    const FormatRequest request(format);
    clear_refusal();
    for (FormatLink *link = db->first; link; link = link->next) {
        const FormatEntry *entry = link->entry;
        if (!entry->reader || !tav::format_matches(entry->formats, request.name())) continue;
        Photo *scratch = PhotoCreate(0, 0, TAV_MODE_RGBA, scratch_renderer);
        if (!scratch) break;
        bool accepted = false;
        try {
            accepted = entry->reader(stream, scratch, request.options()) != nullptr &&
                       (!PhotoIsNull(scratch) || within_pixel_ceiling(PhotoWidth(scratch), PhotoHeight(scratch)));
        } catch (const std::bad_alloc &) {
            // Memory running out is a refusal of this file, never an abort.
        }
        const bool taken = accepted && exchange_contents(image, scratch) == 0;
        PhotoDelete(scratch);
        if (taken) return image;
        if (accepted) break;  // the image cannot hold the picture (caller planes of another size)
        AuxIO_Rewind(stream);
    }
    return nullptr;
}

const FormatEntry *writer_entry(FormatDb **handle, const char *format) {
    if (!handle || !*handle) return nullptr;
    const FormatRequest request(format);
    for (const FormatLink *link = (*handle)->first; link; link = link->next)
        if (link->entry->writer && format_matches(link->entry->formats, request.name())) return link->entry;
    return nullptr;
}

const char *format_for_path(FormatDb **handle, const char *path) {
    // Extensions by the writer they select; webp only once a writer for it
    // is registered.
    static const char *const by_extension[][2] = {
        {"png", "png"}, {"jpg", "jpg"}, {"jpeg", "jpg"}, {"gif", "gif"}, {"bmp", "bmp"}, {"pcx", "pcx"},
        {"sgi", "sgi"}, {"rgb", "sgi"}, {"wbmp", "wbmp"}, {"ppm", "ppm"}, {"pgm", "ppm"}, {"webp", "webp"},
    };
    const char *dot = path ? std::strrchr(path, '.') : nullptr;
    if (!dot || std::strchr(dot, '/')) return "ppm";
    for (const auto &pair : by_extension) {
        const char *a = dot + 1, *b = pair[0];
        while (*a && *b && to_lower_ascii(static_cast<unsigned char>(*a)) == *b) ++a, ++b;
        if (*a || *b) continue;
        return has_writer(handle, pair[1]) ? pair[1] : "ppm";
    }
    return "ppm";
}

Photo *read_string(FormatDb **handle, Photo *image, unsigned char *data, int length, const char *format,
                   OnRefusal on_refusal) {
    AuxIO *stream = AuxIO_Init("string", &data, &length, 0, 0, 0);
    if (!stream) return nullptr;
    Photo *result = read_generic(handle, image, stream, format, on_refusal);
    AuxIO_Close(stream);
    return result;
}

}  // namespace tav

extern "C" {

FormatDb **TavImageInit(void) {
    auto **handle = static_cast<FormatDb **>(TavAlloc(sizeof(FormatDb *)));
    auto *db = static_cast<FormatDb *>(TavAlloc(sizeof(FormatDb)));
    db->first = nullptr;
    db->count = 0;
    *handle = db;
    DbInit(db);
    return handle;
}

void TavImageClose(FormatDb **handle) {
    if (!handle) return;
    DbClean(*handle);
    TavFree(*handle);
    TavFree(handle);
}

void DbInit(FormatDb *db) {
    for (const BuiltinFormat &format : builtin_formats)
        DbRegister(db, format.formats, format.label, format.label, format.reader, format.writer);
}

void DbRegister(FormatDb *db, const char *formats, const char *label, const char *extra_label,
                FormatReader reader, FormatWriter writer) {
    if (!db || !formats || !*formats) return;
    auto *entry = static_cast<FormatEntry *>(TavAlloc(sizeof(FormatEntry)));
    entry->formats = TavStrdup(formats);
    entry->label = TavStrdup(label);
    entry->extra_label = TavStrdup(extra_label);
    entry->reader = reader;
    entry->writer = writer;
    auto *link = static_cast<FormatLink *>(TavAlloc(sizeof(FormatLink)));
    link->entry = entry;
    link->next = db->first;
    db->first = link;
    ++db->count;
}

void DbClean(FormatDb *db) {
    if (!db) return;
    while (FormatLink *link = db->first) {
        db->first = link->next;
        TavFree(link->entry->formats);
        TavFree(link->entry->label);
        TavFree(link->entry->extra_label);
        TavFree(link->entry);
        TavFree(link);
        --db->count;
    }
}

int TavNbFormats(FormatDb *db) { return db ? db->count : 0; }

Photo *TavReadGeneric(FormatDb **handle, Photo *image, AuxIO *stream, const char *format) {
    return tav::read_generic(handle, image, stream, format, tav::OnRefusal::Empty);
}

int TavWriteGeneric(FormatDb **handle, Photo *image, AuxIO *stream, const char *format) {
    tav::clear_write_refusal();
    FormatDb *db = db_of(handle);
    if (!db || !image || !stream) return 1;
    const FormatRequest request(format);
    for (FormatLink *link = db->first; link; link = link->next) {
        const FormatEntry *entry = link->entry;
        if (!entry->writer || !tav::format_matches(entry->formats, request.name())) continue;
        if (!tav::fits_write_limits(entry->label, image)) return 1;
        // The writer's verdict is the result; a stream that failed under
        // it fails the write even when the writer did not look.
        const int verdict = entry->writer(stream, image, request.options() ? request.options() : "");
        const bool flushed = AuxIO_Flush(stream) == 0 && !stream->error;
        return verdict != 0 || !flushed ? 1 : 0;
    }
    return 1;
}

Photo *TavReadString(FormatDb **handle, Photo *image, unsigned char *data, int length, const char *format,
                     const char *) {
    return tav::read_string(handle, image, data, length, format, tav::OnRefusal::Empty);
}

unsigned char *TavWriteString(FormatDb **handle, Photo *image, int *length, const char *format, const char *) {
    tav::clear_write_refusal();
    if (!image || image->width <= 0 || image->height <= 0) {
        if (length) *length = 0;
        return nullptr;
    }
    unsigned char *buffer = nullptr;
    AuxIO *stream = AuxIO_Init("string", &buffer, nullptr, 0, 0, 0);
    if (!stream) return nullptr;
    if (TavWriteGeneric(handle, image, stream, format) != 0) {
        AuxIO_Close(stream);
        TavFree(buffer);
        return nullptr;
    }
    // A writer that ran out of room produced a cut-off encoding: nothing
    // is handed out rather than a damaged image.
    if (stream->error) {
        AuxIO_Close(stream);
        TavFree(buffer);
        if (length) *length = 0;
        return nullptr;
    }
    AuxIO_Seek(stream, 0, 2);
    if (length) *length = AuxIO_Tell(stream);
    AuxIO_Close(stream);
    return buffer;
}

}  // extern "C"
