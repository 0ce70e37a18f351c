// The per-interpreter registries of the subsystems and the destruction of
// named objects, in the order the state's clean-up requires.
#include "tcl/names_p.h"

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

void TavDestroyNamedObjects(TavInterpState *state) {
    tav::destroy_all_named(state, tav::kCodecs);
    tav::destroy_all_named(state, tav::kFonts);
    tav::destroy_all_named(state, tav::kImages);
}
