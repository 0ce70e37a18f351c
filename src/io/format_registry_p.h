// Private parts of the format registry.
#pragma once

#include "tavrel.h"

namespace tav {

// Whether a requested format name selects an entry's comma-separated list
// of names: case-insensitive prefix of one alternative; no request selects
// every entry not hidden by a leading "-".
bool format_matches(const char *formats, const char *request);

}  // namespace tav
