// The writers' one verdict and the reasons they give, and the limits each
// built-in format puts on what it can hold.
#include "io/write_verdict_p.h"

#include "io/format_registry_p.h"

#include <cstring>

namespace tav {
namespace {

thread_local WriteRefusal current_refusal;

// Sides beyond these do not fit the format's header fields (or, for PNG,
// what the PNG library accepts by default; for JPEG, the largest side
// the JPEG library encodes).
struct SideLimit {
    const char *label;
    long long max_side;
};
const SideLimit side_limits[] = {
    {"gif", 65535}, {"pcx", 65535}, {"sgi", 65535}, {"jpg", 65500}, {"png", 1000000}, {"webp", 16383},
};

}  // namespace

int refuse_write(WriteFailure kind, std::string reason, bool whole_message) {
    current_refusal.kind = kind;
    current_refusal.reason = std::move(reason);
    current_refusal.whole_message = whole_message;
    return 1;
}

void clear_write_refusal() { current_refusal = WriteRefusal{}; }

const WriteRefusal &last_write_refusal() { return current_refusal; }

std::string format_display_name(const char *label) {
    if (!label) return {};
    if (std::strcmp(label, "jpg") == 0) return "JPEG";
    std::string name(label);
    for (char &c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

bool fits_write_limits(const char *label, Photo *image) {
    if (!label || !image) return true;
    const std::string name = format_display_name(label);
    for (const SideLimit &limit : side_limits) {
        if (std::strcmp(limit.label, label) != 0) continue;
        const long long sides[2] = {PhotoWidth(image), PhotoHeight(image)};
        const char *words[2] = {" pixels wide, ", " pixels high, "};
        for (int k = 0; k < 2; ++k)
            if (sides[k] > limit.max_side) {
                refuse_write(WriteFailure::Limit, std::to_string(sides[k]) + words[k] + name + " holds at most " +
                                                      std::to_string(limit.max_side));
                return false;
            }
    }
    if (std::strcmp(label, "gif") == 0 && PhotoMode(image) == TAV_MODE_GRAYALPHA) {
        refuse_write(WriteFailure::Refused, "grey images with alpha cannot be written as GIF");
        return false;
    }
    return true;
}

bool fits_write_limits(FormatDb **handle, const char *request, Photo *image) {
    const FormatEntry *entry = writer_entry(handle, request);
    return !entry || fits_write_limits(entry->label, image);
}

}  // namespace tav

extern "C" const char *TavWriteReason(void) { return tav::last_write_refusal().reason.c_str(); }
