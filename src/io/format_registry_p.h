// Private parts of the format registry.
#pragma once

#include "tavrel.h"

#include <tcl.h>

namespace tav {

// Whether a requested format name selects an entry's comma-separated list
// of names: case-insensitive prefix of one alternative; no request selects
// every entry not hidden by a leading "-".
bool format_matches(const char *formats, const char *request);

// What a read that no reader accepted leaves in the caller's image: the
// C-level reads empty it, the Tcl `load` keeps it as it was.
enum class OnRefusal { Empty, Keep };

// The generic reader with the policy written at the top of
// format_registry.cpp; TavReadGeneric is read_generic(..., Empty).
Photo *read_generic(FormatDb **handle, Photo *image, AuxIO *stream, const char *format, OnRefusal on_refusal);
Photo *read_string(FormatDb **handle, Photo *image, unsigned char *data, int length, const char *format,
                   OnRefusal on_refusal);
Photo *read_channel(FormatDb **handle, Photo *image, Tcl_Channel channel, const char *format,
                    OnRefusal on_refusal);

// Whether some entry writes the requested format: a caller asks before it
// opens a file for writing, so that an existing file is not emptied for a
// format nothing can write.
// The entry that writes the requested format (its first word; the rest is
// the writer's option text), or null.
const FormatEntry *writer_entry(FormatDb **handle, const char *request);
inline bool has_writer(FormatDb **handle, const char *request) { return writer_entry(handle, request) != nullptr; }

// The format a file name asks for by its extension (".png", ".JPG" ...),
// or "ppm", the default, for any other name.
const char *format_for_path(FormatDb **handle, const char *path);

}  // namespace tav
