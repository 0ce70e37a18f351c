// Name tables of images, fonts and codecs.
#include "tcl/names_p.h"

#include "tcl/error_p.h"

#include <string>

const char *TavNameRegister(Tcl_HashTable *table, const char *wanted, void *object, const char *prefix,
                            unsigned int *counter) {
    int is_new = 0;
    Tcl_HashEntry *entry = nullptr;
    if (wanted) {
        entry = Tcl_CreateHashEntry(table, wanted, &is_new);
        if (!entry || !is_new) return nullptr;
    } else {
        unsigned int n = counter ? *counter : 0;
        std::string name;
        for (;;) {
            // Numbers are written as signed ints: past INT_MAX they carry a "-".
            name = std::string(prefix) + std::to_string(static_cast<int>(n));
            entry = Tcl_CreateHashEntry(table, name.c_str(), &is_new);
            if (entry && is_new) break;
            ++n;
        }
        if (counter) *counter = n + 1;
    }
    Tcl_SetHashValue(entry, object);
    return static_cast<const char *>(Tcl_GetHashKey(table, entry));
}

void *TavNameLookup(Tcl_HashTable *table, const char *name) {
    Tcl_HashEntry *entry = Tcl_FindHashEntry(table, name);
    return entry ? Tcl_GetHashValue(entry) : nullptr;
}

void *TavNameRemove(Tcl_HashTable *table, const char *name) {
    Tcl_HashEntry *entry = Tcl_FindHashEntry(table, name);
    if (!entry) return nullptr;
    void *object = Tcl_GetHashValue(entry);
    Tcl_DeleteHashEntry(entry);
    return object;
}

namespace tav {

const NamedKind kImages = {&TavInterpState::images, &TavInterpState::image_counter, "tavrel", "image",
                           "image \"", "\" doesn't exist",
                           [](void *object) { PhotoDelete(static_cast<Photo *>(object)); }};
const NamedKind kFonts = {&TavInterpState::fonts, &TavInterpState::font_counter, "tavfont", "font",
                          "font \"", "\" doesn't exist",
                          [](void *object) { PhotoDeleteFont(static_cast<TavFont *>(object)); }};
const NamedKind kCodecs = {&TavInterpState::codecs, &TavInterpState::codec_counter, "tavcodec", "codec",
                           "can not find codec \"", "\"",
                           [](void *object) { PhotoDeleteCodec(static_cast<PhotoCodec *>(object)); }};

void *find_named(TavInterpState *state, Tcl_Interp *interp, const NamedKind &kind, Tcl_Obj *name) {
    const char *text = Tcl_GetString(name);
    void *object = TavNameLookup(state->*kind.table, text);
    if (!object)
        tcl_error(interp, ErrorKind::Lookup, std::string(kind.missing_before) + text + kind.missing_after);
    return object;
}

const char *add_named(TavInterpState *state, const NamedKind &kind, void *object, const char *wanted) {
    return TavNameRegister(state->*kind.table, wanted, object, kind.prefix, &(state->*kind.counter));
}

int delete_named(TavInterpState *state, Tcl_Interp *interp, const NamedKind &kind, int count,
                 Tcl_Obj *const names[]) {
    for (int i = 0; i < count; ++i) {
        const char *name = Tcl_GetString(names[i]);
        void *object = TavNameRemove(state->*kind.table, name);
        if (!object)
            return tcl_error(interp, ErrorKind::Lookup, std::string("can not find ") + kind.noun + " \"" + name + "\"");
        kind.destroy(object);
    }
    return TCL_OK;
}

void destroy_all_named(TavInterpState *state, const NamedKind &kind) {
    Tcl_HashTable *table = state->*kind.table;
    Tcl_HashSearch search;
    while (Tcl_HashEntry *entry = Tcl_FirstHashEntry(table, &search)) {
        void *object = Tcl_GetHashValue(entry);
        Tcl_DeleteHashEntry(entry);
        kind.destroy(object);
    }
}

}  // namespace tav
