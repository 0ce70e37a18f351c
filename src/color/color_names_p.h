// The colour names Tk knows, as written in color_names.cpp: folded to lower
// case without spaces and sorted by that text.
#pragma once

namespace tav {

struct ColorName {
    const char *folded;
    unsigned char r, g, b;
};

extern const ColorName kColorNames[];
extern const int kColorNameCount;

// The longest folded name in the table, with room to spare.
constexpr int kColorNameMaxLength = 32;

}  // namespace tav
