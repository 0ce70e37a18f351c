// The option text of a format request ("-lossless 1", "-index 3"): what
// follows the format's name in `-format {webp -lossless 1}`, as pairs of an
// option name and its value.
#pragma once

namespace tav {

// The value of option `name` in `options` (absent: `*value` unchanged).
// False when the text is not a list of pairs or the value is not a boolean.
bool boolean_option(const char *options, const char *name, bool *value);

// The same for a non-negative integer.
bool count_option(const char *options, const char *name, int *value);

// The same for a number from 0.0 to 1.0.
bool fraction_option(const char *options, const char *name, double *value);

}  // namespace tav
