// The per-interpreter state of the package and its name tables.
#pragma once

#include "tavrel.h"

#include <tcl.h>

struct TavInterpState {
    Tcl_Interp *interp;
    int tk_ready;
    Tcl_HashTable *fonts;
    unsigned int font_counter;
    Tcl_HashTable *images;
    unsigned int image_counter;
    Tcl_HashTable *codecs;
    unsigned int codec_counter;
    FormatDb **image_formats;
    void *font_registry;
    void *codec_registry;
};

// Name tables: objects stay owned by whoever removes them from the table.
const char *TavNameRegister(Tcl_HashTable *table, const char *wanted, void *object, const char *prefix,
                            unsigned int *counter);
void *TavNameLookup(Tcl_HashTable *table, const char *name);
void *TavNameRemove(Tcl_HashTable *table, const char *name);

// 0 when Tk can be used by this interpreter, 1 with a message otherwise.
int TavRequireTk(Tcl_Interp *interp, TavInterpState *state);
// Registers the photo formats the moment Tk is loaded after the package.
void TavWatchForTk(Tcl_Interp *interp);

// Registries of the subsystems, opened and closed with the state.
void TavOpenRegistries(TavInterpState *state);
void TavCloseRegistries(TavInterpState *state);
// Destroys every named object still in the tables: codecs, fonts, images.
void TavDestroyNamedObjects(TavInterpState *state);

// The four command procedures.
Tcl_ObjCmdProc TavrelCmd;
Tcl_ObjCmdProc TavfontCmd;
Tcl_ObjCmdProc TavcodecCmd;
Tcl_ObjCmdProc TavcopyCmd;
