// The per-interpreter list of image formats, and the generic reader and
// writer over it: readers are probed in turn on one stream (rewound after
// each refusal), the first matching writer writes.
#include "io/format_registry_p.h"

#include "core/memory_p.h"

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
    {"gif", "gif", nullptr, nullptr},
    {"ppm", "ppm", ReadPPM, WritePPM},
    {"-rfb", "rfb", ReadRFB, WriteRFB},
};

inline int fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

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
        while (*r && *a && *a != ',' && fold(static_cast<unsigned char>(*r)) == fold(static_cast<unsigned char>(*a))) {
            ++r;
            ++a;
        }
        if (!*r) return true;
        while (*alternative && *alternative != ',') ++alternative;
        if (!*alternative) return false;
        ++alternative;
    }
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
    FormatDb *db = db_of(handle);
    if (!db || !image || !stream) return nullptr;
    for (FormatLink *link = db->first; link; link = link->next) {
        const FormatEntry *entry = link->entry;
        if (!entry->reader || !tav::format_matches(entry->formats, format)) continue;
        // Every reader starts from an empty image.
        if (image->width != 0 || image->height != 0) {
            PhotoExpand(image, 0, 0);
            PhotoBlank(image);
        }
        if (Photo *result = entry->reader(stream, image, nullptr)) return result;
        AuxIO_Rewind(stream);
    }
    return nullptr;
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
    AuxIO *stream = AuxIO_Init("string", &data, &length, 0, 0, 0);
    if (!stream) return nullptr;
    Photo *result = TavReadGeneric(handle, image, stream, format);
    AuxIO_Close(stream);
    return result;
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
