// Images, fonts and codecs by name.  Each kind has its table in the
// interpreter's state; finding, naming and deleting work the same way for
// all three, so the commands share them and differ only in their words.
#pragma once

#include "tcl/state_p.h"

namespace tav {

// One kind of named object: its table and counter in the state, the stem of
// the names it makes up, the words of its messages, and how one is destroyed.
struct NamedKind {
    Tcl_HashTable *TavInterpState::*table;
    unsigned int TavInterpState::*counter;
    const char *prefix;          // made-up names: prefix0, prefix1, ...
    const char *noun;            // delete: can not find <noun> "name"
    const char *missing_before;  // lookup: the message around the name,
    const char *missing_after;   //   image "x" doesn't exist
    void (*destroy)(void *object);
};

extern const NamedKind kImages;
extern const NamedKind kFonts;
extern const NamedKind kCodecs;

// The object of that name, or null with the kind's message and
// {TAVREL LOOKUP} set.
void *find_named(TavInterpState *state, Tcl_Interp *interp, const NamedKind &kind, Tcl_Obj *name);

// Puts `object` in the table under `wanted`, or under the next made-up name
// when `wanted` is null, and returns the name.  Null only when `wanted` is
// taken; the object then stays the caller's.
const char *add_named(TavInterpState *state, const NamedKind &kind, void *object, const char *wanted = nullptr);

// Destroys the objects of the `count` names in turn.  At a name it does not
// know it stops with "can not find <noun> \"name\"" and {TAVREL LOOKUP};
// the names before it stay deleted.
int delete_named(TavInterpState *state, Tcl_Interp *interp, const NamedKind &kind, int count,
                 Tcl_Obj *const names[]);

// Destroys every object of the kind and empties its table.
void destroy_all_named(TavInterpState *state, const NamedKind &kind);

}  // namespace tav
