// Grey levels and RGB <-> HSL conversions.  HSL components are doubles in
// 0..1; a hue of 1 is a full turn.
#include "tavrel.h"

#include <algorithm>

extern "C" {

unsigned char rgb_to_gs(int red, int green, int blue) {
    // Unsigned arithmetic: the same bits as the signed sum, without overflow.
    const unsigned sum = 76u * static_cast<unsigned>(red) + 150u * static_cast<unsigned>(green) +
                         29u * static_cast<unsigned>(blue);
    return static_cast<unsigned char>(sum >> 8);
}

void rgb_to_hsl(double red, double green, double blue, double *hue, double *saturation, double *lightness) {
    const double max = std::max({red, green, blue});
    const double min = std::min({red, green, blue});
    const double l = (max + min) / 2.0;
    *lightness = l;
    if (l <= 0.0) return;  // black: hue and saturation are undefined
    const double delta = max - min;
    if (delta == 0.0) {  // grey: no hue
        *saturation = 0.0;
        return;
    }
    *saturation = l <= 0.5 ? delta / (max + min) : delta / (2.0 - max - min);
    const double r = (max - red) / delta, g = (max - green) / delta, b = (max - blue) / delta;
    double h;
    if (red == max) h = green == min ? 5.0 + b : 1.0 - g;
    else if (green == max) h = blue == min ? 1.0 + r : 3.0 - b;
    else h = red == min ? 3.0 + g : 5.0 - r;
    *hue = h / 6.0;
}

void hsl_to_rgb(double hue, double saturation, double lightness, double *red, double *green, double *blue) {
    const double v = lightness <= 0.5 ? lightness * (1.0 + saturation)
                                      : lightness + saturation - lightness * saturation;
    if (v <= 0.0) {
        *red = *green = *blue = 0.0;
        return;
    }
    if (!(hue >= 0.0 && hue <= 1.0)) return;  // no colour for a hue outside the circle
    const double m = 2.0 * lightness - v;
    const double h6 = hue * 6.0;
    int sextant = static_cast<int>(h6);
    const double f = h6 - sextant;
    // A hue of exactly 1 is the full turn back to red (rgb_to_hsl gives it
    // for pure red), i.e. sextant 0.
    if (sextant == 6) sextant = 0;
    const double up = m + f * (v - m), down = v - f * (v - m);
    const double rgb[6][3] = {{v, up, m}, {down, v, m}, {m, v, up}, {m, down, v}, {up, m, v}, {v, m, down}};
    *red = rgb[sextant][0];
    *green = rgb[sextant][1];
    *blue = rgb[sextant][2];
}

}  // extern "C"
