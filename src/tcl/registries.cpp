// The per-interpreter registries of the subsystems and the destruction of
// named objects, in the order the state's clean-up requires.
#include "tcl/state_p.h"

void TavOpenRegistries(TavInterpState *state) {
    state->image_formats = TavImageInit();
    // Without a font engine the interpreter works on; tavfont says so.
    state->font_registry = TavFontInit();
    state->codec_registry = TavCodecInit();
}

void TavCloseRegistries(TavInterpState *state) {
    TavFontClose(static_cast<TavFontEngine *>(state->font_registry));
    state->font_registry = nullptr;
    TavImageClose(state->image_formats);
    state->image_formats = nullptr;
    TavCodecClose(static_cast<unsigned int *>(state->codec_registry));
    state->codec_registry = nullptr;
}

namespace {

template <class Destroy>
void destroy_all(Tcl_HashTable *table, Destroy destroy) {
    Tcl_HashSearch search;
    for (Tcl_HashEntry *e = Tcl_FirstHashEntry(table, &search); e; e = Tcl_NextHashEntry(&search))
        destroy(Tcl_GetHashValue(e));
}

}  // namespace

void TavDestroyNamedObjects(TavInterpState *state) {
    destroy_all(state->codecs, [](void *object) { PhotoDeleteCodec(static_cast<PhotoCodec *>(object)); });
    destroy_all(state->fonts, [](void *object) { PhotoDeleteFont(static_cast<TavFont *>(object)); });
    destroy_all(state->images, [](void *object) { PhotoDelete(static_cast<Photo *>(object)); });
}
