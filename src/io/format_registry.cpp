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

#include "core/memory_p.h"
#include "core/photo_exchange_p.h"

#include <new>

namespace {

struct BuiltinFormat {
    const char *formats;
    const char *label;
    FormatReader reader;
    FormatWriter writer;
};

// Registered in this order, so probed from the bottom up: a script that
// names no format gets PPM first and the writer default is PPM.  Slots of
// formats not built yet stay empty.
const BuiltinFormat builtin_formats[] = {
    {"sgi", "sgi", ReadSGI, WriteSGI},
    {"wbmp", "wbmp", ReadWBMP, WriteWBMP},
    {"pcx", "pcx", ReadPCX, WritePCX},
    {"bmp", "bmp", ReadBMP, WriteBMP},
    {"jpg,jpeg", "jpg", ReadJPG, WriteJPG},
    {"png", "png", ReadPNG, WritePNG},
    {"gif", "gif", ReadGIF, WriteGIF},
    {"ppm", "ppm", ReadPPM, WritePPM},
    {"-rfb", "rfb", ReadRFB, WriteRFB},
};

inline int to_lower_ascii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

FormatDb *db_of(FormatDb **handle) { return handle ? *handle : nullptr; }

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
    if (!within_pixel_ceiling(header.width, header.height) || !may_hold(stream, header.needs_bytes) ||
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
    for (FormatLink *link = db->first; link; link = link->next) {
        const FormatEntry *entry = link->entry;
        if (!entry->reader || !tav::format_matches(entry->formats, format)) continue;
        Photo *scratch = PhotoCreate(0, 0, TAV_MODE_RGBA, scratch_renderer);
        if (!scratch) break;
        bool accepted = false;
        try {
            accepted = entry->reader(stream, scratch, nullptr) != nullptr;
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
    FormatDb *db = db_of(handle);
    if (!db || !image || !stream) return 1;
    for (FormatLink *link = db->first; link; link = link->next) {
        const FormatEntry *entry = link->entry;
        if (!entry->writer || !tav::format_matches(entry->formats, format)) continue;
        entry->writer(stream, image, "");
        AuxIO_Flush(stream);
        return 0;
    }
    return 1;
}

Photo *TavReadString(FormatDb **handle, Photo *image, unsigned char *data, int length, const char *format,
                     const char *) {
    return tav::read_string(handle, image, data, length, format, tav::OnRefusal::Empty);
}

unsigned char *TavWriteString(FormatDb **handle, Photo *image, int *length, const char *format, const char *) {
    if (!image || image->width <= 0 || image->height <= 0) {
        if (length) *length = 0;
        return nullptr;
    }
    unsigned char *buffer = nullptr;
    AuxIO *stream = AuxIO_Init("string", &buffer, nullptr, 0, 0, 0);
    if (!stream) return nullptr;
    if (TavWriteGeneric(handle, image, stream, format) != 0) {
        AuxIO_Close(stream);
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
