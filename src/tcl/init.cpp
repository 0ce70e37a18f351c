// Package entry points, the process-wide start-up and the per-interpreter
// state's life: created when the package loads, cleaned up exactly once,
// at interpreter deletion or when its thread ends, whichever comes first --
// always on the interpreter's own thread, whose Tcl tables it uses.
#include "tcl/gif_frames_p.h"
#include "tcl/pixel_ceiling_p.h"
#include "tcl/reshape_cmd_p.h"
#include "tcl/state_p.h"

#include <atomic>
#include <cstring>

namespace {

// Set under start_mutex; read first without it, so it is atomic: a thread
// that sees it set also sees everything the start-up did.
std::atomic<int> started{0};
Tcl_Mutex start_mutex;

void global_exit(ClientData) {
    if (!started.load(std::memory_order_acquire)) return;
    Tcl_MutexLock(&start_mutex);
    if (started.load(std::memory_order_relaxed)) {
        AuxIO_Finish();
        started.store(0, std::memory_order_release);
    }
    Tcl_MutexUnlock(&start_mutex);
}

Tcl_HashTable *new_table() {
    auto *table = static_cast<Tcl_HashTable *>(TavAlloc(sizeof(Tcl_HashTable)));
    Tcl_InitHashTable(table, TCL_STRING_KEYS);
    return table;
}

void free_table(Tcl_HashTable *table) {
    Tcl_DeleteHashTable(table);
    TavFree(table);
}

void state_exit(ClientData data);

void cleanup_state(ClientData data, Tcl_Interp *) {
    auto *state = static_cast<TavInterpState *>(data);
    Tcl_DeleteThreadExitHandler(state_exit, state);
    TavDestroyNamedObjects(state);
    free_table(state->images);
    free_table(state->fonts);
    free_table(state->codecs);
    TavCloseRegistries(state);
    TavFree(state);
}

void state_exit(ClientData data) {
    auto *state = static_cast<TavInterpState *>(data);
    Tcl_Interp *interp = state->interp;
    Tcl_Preserve(interp);
    // The deletion callback must not run again on the released state.
    Tcl_DontCallWhenDeleted(interp, cleanup_state, state);
    cleanup_state(state, interp);
    Tcl_Release(interp);
}

}  // namespace

extern "C" {

int Tavrel_GlobalInit(void) {
    if (started.load(std::memory_order_acquire)) return 0;
    Tcl_MutexLock(&start_mutex);
    if (!started.load(std::memory_order_relaxed)) {
        AuxIO_Start();
        ChannelIO_Init();
        Tcl_CreateExitHandler(global_exit, nullptr);
        started.store(1, std::memory_order_release);
    }
    Tcl_MutexUnlock(&start_mutex);
    return 0;
}

int Tavrel_Init(Tcl_Interp *interp) {
    if (!Tcl_InitStubs(interp, "8.3", 0)) return TCL_ERROR;
    Tavrel_GlobalInit();

    auto *state = static_cast<TavInterpState *>(TavAlloc(sizeof(TavInterpState)));
    std::memset(state, 0, sizeof(*state));
    state->interp = interp;
    state->images = new_table();
    state->fonts = new_table();
    state->codecs = new_table();
    TavOpenRegistries(state);

    Tcl_CallWhenDeleted(interp, cleanup_state, state);
    Tcl_CreateThreadExitHandler(state_exit, state);

    Tcl_CreateObjCommand(interp, "tavrel", TavrelCmd, state, nullptr);
    Tcl_CreateObjCommand(interp, "tavfont", TavfontCmd, state, nullptr);
    Tcl_CreateObjCommand(interp, "tavcodec", TavcodecCmd, state, nullptr);
    Tcl_CreateObjCommand(interp, "tavcopy", TavcopyCmd, state, nullptr);
    TavrelPixelCeilingInit(interp);
    TavrelSeedInit(interp);
    TavrelReshapeInit(interp, state);
    TavrelGifFramesInit(interp);

    // Loading never fails for lack of Tk: the photo formats come when Tk does.
    if (TavRequireTk(interp, state) == 0) {
        Tavrel_RegisterTkPhotoFormats(interp);
    } else {
        TavWatchForTk(interp);
    }

    if (Tcl_PkgProvide(interp, "tavrel", TAVREL_VERSION) != TCL_OK) return TCL_ERROR;
    Tcl_ResetResult(interp);
    return TCL_OK;
}

int Tavrel_SafeInit(Tcl_Interp *interp) { return Tavrel_Init(interp); }

int Tavrel_InitStandAlone(Tcl_Interp *interp) { return Tavrel_Init(interp); }

int Tavrel_Load(Tcl_Interp *interp) {
    if (!Tcl_InitStubs(interp, "8.3", 0)) return TCL_ERROR;
    if (Tcl_Init(interp) != TCL_OK) return TCL_ERROR;
    if (Tavrel_Init(interp) != TCL_OK) return TCL_ERROR;
    if (!Tcl_SetVar(interp, "tcl_rcFileName", "~/.tavrelrc", TCL_GLOBAL_ONLY)) return TCL_ERROR;
    return TCL_OK;
}

}  // extern "C"
