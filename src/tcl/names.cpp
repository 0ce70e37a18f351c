// Name tables of images, fonts and codecs.
#include "tcl/state_p.h"

#include <cstdio>
#include <cstring>
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

int TavNotAvailable(Tcl_Interp *interp, const char *command, const char *subcommand) {
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "\"", command, " ", subcommand, "\" is not available yet in this build", nullptr);
    return TCL_ERROR;
}
