#include "io/format_options_p.h"

#include <tcl.h>

#include <cstring>

namespace tav {
namespace {

// The text of option `name`'s value, or nullptr when it is absent; false
// when the options are no list of pairs.  Unknown options are left to the
// formats that know them.
template <typename Parse>
bool find_option(const char *options, const char *name, Parse parse) {
    if (!options || !*options) return true;
    int count = 0;
    const char **words = nullptr;
    if (Tcl_SplitList(nullptr, options, &count, &words) != TCL_OK) return false;
    bool ok = count % 2 == 0;
    for (int i = 0; ok && i + 1 < count; i += 2)
        if (std::strcmp(words[i], name) == 0) ok = parse(words[i + 1]);
    Tcl_Free(reinterpret_cast<char *>(words));
    return ok;
}

}  // namespace

bool boolean_option(const char *options, const char *name, bool *value) {
    return find_option(options, name, [value](const char *text) {
        int b = 0;
        if (Tcl_GetBoolean(nullptr, text, &b) != TCL_OK) return false;
        *value = b != 0;
        return true;
    });
}

bool count_option(const char *options, const char *name, int *value) {
    return find_option(options, name, [value](const char *text) {
        int n = 0;
        if (Tcl_GetInt(nullptr, text, &n) != TCL_OK || n < 0) return false;
        *value = n;
        return true;
    });
}

bool fraction_option(const char *options, const char *name, double *value) {
    return find_option(options, name, [value](const char *text) {
        double d = 0;
        if (Tcl_GetDouble(nullptr, text, &d) != TCL_OK || !(d >= 0.0 && d <= 1.0)) return false;
        *value = d;
        return true;
    });
}

}  // namespace tav
