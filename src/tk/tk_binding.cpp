// Images bound to a named Tk photo, and what happens when the photo goes.
//
// A Tk photo handle is only valid while the photo lives, and a photo
// deleted and created again under the same name often gets the very same
// address, so neither comparing handles nor looking the name up again can
// tell the new photo from the old one.  What does tell them apart is the
// photo's own Tcl command: Tk makes one per photo (its client data is the
// handle) and deletes it when the photo is deleted or replaced, and a new
// photo gets a new command.  A watch puts a deletion trace on that command;
// when the trace fires, every image drawing into the photo becomes an empty
// memory image at once, before anything can reach the old handle, from a
// script or from C.
//
// Watches live in a table per thread (Tk and its photos belong to one
// thread), keyed by handle.  A watch stays until its photo's command goes
// (photo deleted, replaced, or its interpreter deleted) or the thread ends;
// re-creating a bound image (PhotoRecreate destroys and re-initialises its
// renderer) finds the watch again through the handle.
//
// A bound Photo record must stay where it is while bound: the watch reaches
// it through the renderer record's owner pointer.
#include "tk/tk_p.h"

#include "core/memory_p.h"

#include <cstring>

namespace tav::tk {

struct PhotoWatch {
    Tk_PhotoHandle photo;
    Tcl_Interp *interp;
    char *name;              // the photo's name in Tk
    Tcl_Obj *command;        // full name of the photo's command; renames move it
    TavTkRenderData *bound;  // renderers drawing into the photo
};

}  // namespace tav::tk

namespace {

using tav::tk::PhotoWatch;

struct ThreadWatches {
    Tcl_HashTable *table;  // Tk_PhotoHandle -> PhotoWatch
};

Tcl_ThreadDataKey watches_key;

constexpr int kTraceFlags = TCL_TRACE_DELETE | TCL_TRACE_RENAME;

void photo_command_traced(ClientData data, Tcl_Interp *interp, const char *old_name, const char *new_name,
                          int flags);
void forget_thread_watches(ClientData);

ThreadWatches *thread_watches() {
    return static_cast<ThreadWatches *>(Tcl_GetThreadData(&watches_key, sizeof(ThreadWatches)));
}

Tcl_HashTable *watch_table(bool create) {
    ThreadWatches *tw = thread_watches();
    if (!tw->table && create) {
        tw->table = static_cast<Tcl_HashTable *>(TavAlloc(sizeof(Tcl_HashTable)));
        Tcl_InitHashTable(tw->table, TCL_ONE_WORD_KEYS);
        Tcl_CreateThreadExitHandler(forget_thread_watches, nullptr);
    }
    return tw->table;
}

PhotoWatch *find_watch(Tk_PhotoHandle photo) {
    Tcl_HashTable *table = watch_table(false);
    if (!table || !photo) return nullptr;
    Tcl_HashEntry *entry = Tcl_FindHashEntry(table, reinterpret_cast<const char *>(photo));
    return entry ? static_cast<PhotoWatch *>(Tcl_GetHashValue(entry)) : nullptr;
}

// Lets go of every renderer of the watch without touching the photo, then
// frees the watch.  `photo_gone`: the images become empty memory images.
void end_watch(PhotoWatch *watch, bool photo_gone) {
    if (Tcl_HashTable *table = watch_table(false)) {
        if (Tcl_HashEntry *entry = Tcl_FindHashEntry(table, reinterpret_cast<const char *>(watch->photo)))
            Tcl_DeleteHashEntry(entry);
    }
    while (TavTkRenderData *d = watch->bound) {
        watch->bound = d->next_bound;
        d->watch = nullptr;
        d->next_bound = nullptr;
        if (!photo_gone) continue;
        d->photo = nullptr;
        // Re-created as a memory image, the Photo forgets the handle for
        // good; the Tk renderer's tear-down frees only its own record.
        Photo *image = d->owner;
        image->renderer = TAV_RENDER_MEMORY;
        image->render_arg = nullptr;
        PhotoRecreate(image, 0, 0, TAV_MODE_RGBA);
    }
    Tcl_DecrRefCount(watch->command);
    TavFree(watch->name);
    TavFree(watch);
}

void photo_command_traced(ClientData data, Tcl_Interp *, const char *, const char *new_name, int flags) {
    auto *watch = static_cast<PhotoWatch *>(data);
    if ((flags & TCL_TRACE_RENAME) && new_name && *new_name) {
        Tcl_DecrRefCount(watch->command);
        watch->command = Tcl_NewStringObj(new_name, -1);
        Tcl_IncrRefCount(watch->command);
        return;
    }
    if (flags & TCL_TRACE_DELETE) end_watch(watch, true);
}

// At thread exit the photos may outlive us (an interpreter never deleted):
// their traces go before the watches are freed.
void forget_thread_watches(ClientData) {
    ThreadWatches *tw = thread_watches();
    Tcl_HashTable *table = tw->table;
    if (!table) return;
    Tcl_HashSearch search;
    while (Tcl_HashEntry *entry = Tcl_FirstHashEntry(table, &search)) {
        auto *watch = static_cast<PhotoWatch *>(Tcl_GetHashValue(entry));
        if (!Tcl_InterpDeleted(watch->interp))
            Tcl_UntraceCommand(watch->interp, Tcl_GetString(watch->command), kTraceFlags, photo_command_traced,
                               watch);
        end_watch(watch, false);
    }
    Tcl_DeleteHashTable(table);
    TavFree(table);
    tw->table = nullptr;
}

// The watch of the photo named `name`, made when needed.  Null when the
// command of that name is not the photo's own (renamed away, or made in
// another namespace): there is then nothing that reliably tells us when the
// photo goes.
PhotoWatch *watch_photo(Tcl_Interp *interp, const char *name, Tk_PhotoHandle photo) {
    if (PhotoWatch *watch = find_watch(photo)) return watch;
    Tcl_Obj *name_obj = Tcl_NewStringObj(name, -1);
    Tcl_IncrRefCount(name_obj);
    Tcl_Command token = Tcl_GetCommandFromObj(interp, name_obj);
    Tcl_DecrRefCount(name_obj);
    Tcl_CmdInfo info;
    if (!token || !Tcl_GetCommandInfoFromToken(token, &info) || info.objClientData != photo) return nullptr;

    auto *watch = static_cast<PhotoWatch *>(TavAlloc(sizeof(PhotoWatch)));
    std::memset(watch, 0, sizeof(*watch));
    watch->photo = photo;
    watch->interp = interp;
    watch->name = TavStrdup(name);
    watch->command = Tcl_NewObj();
    Tcl_IncrRefCount(watch->command);
    Tcl_GetCommandFullName(interp, token, watch->command);
    if (Tcl_TraceCommand(interp, Tcl_GetString(watch->command), kTraceFlags, photo_command_traced, watch) !=
        TCL_OK) {
        Tcl_DecrRefCount(watch->command);
        TavFree(watch->name);
        TavFree(watch);
        return nullptr;
    }
    int is_new = 0;
    Tcl_HashEntry *entry = Tcl_CreateHashEntry(watch_table(true), reinterpret_cast<const char *>(photo), &is_new);
    Tcl_SetHashValue(entry, watch);
    return watch;
}

}  // namespace

namespace tav::tk {

void attach_renderer(TavTkRenderData *data) {
    PhotoWatch *watch = find_watch(data->photo);
    data->watch = watch;
    if (!watch) return;
    data->next_bound = watch->bound;
    watch->bound = data;
}

void detach_renderer(TavTkRenderData *data) {
    PhotoWatch *watch = data->watch;
    if (!watch) return;
    for (TavTkRenderData **link = &watch->bound; *link; link = &(*link)->next_bound) {
        if (*link == data) {
            *link = data->next_bound;
            break;
        }
    }
    data->watch = nullptr;
    data->next_bound = nullptr;
}

}  // namespace tav::tk

extern "C" {

Photo *PhotoCreateTkPhoto(Tcl_Interp *interp, const char *photo_name) {
    if (!interp || !photo_name) return nullptr;
    if (!tkStubsPtr && !Tk_InitStubs(interp, "8.3", 0)) return nullptr;
    Tk_PhotoHandle photo = Tk_FindPhoto(interp, photo_name);
    if (!photo || !watch_photo(interp, photo_name, photo)) return nullptr;
    int width = 0, height = 0;
    Tk_PhotoGetSize(photo, &width, &height);
    return PhotoCreateExt(width, height, TAV_MODE_RGBA, TAV_RENDER_TKPHOTO, photo);
}

const char *PhotoTkPhotoName(Photo *image) {
    if (!image || image->renderer != TAV_RENDER_TKPHOTO || !image->render_data) return nullptr;
    const PhotoWatch *watch = static_cast<TavTkRenderData *>(image->render_data)->watch;
    return watch ? watch->name : nullptr;
}

}  // extern "C"
