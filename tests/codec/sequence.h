// A webcam-like test sequence: a slowly panning room (a lit wall with soft
// texture, a window, a shelf), a head-sized ball drifting across it and a
// little sensor noise, so that P-frames carry skipped, moved and coded
// blocks as real video does.  Deterministic: frame t is always the same.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace mimictest {

inline std::vector<unsigned char> scene_frame(int width, int height, int t) {
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    const double s = width / 320.0;  // the scene scales with the frame
    const double pan = 0.8 * t * s;
    const double bx = (60 + 3.0 * t) * s, by = (130 + 25 * std::sin(t * 0.15)) * s, br = 42 * s;
    uint32_t noise = 0x9E3779B9u * static_cast<uint32_t>(t + 1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double wx = (x + pan) / s, wy = y / s;
            // Wall: warm light falling off to the right, faint plaster texture.
            double light = 150 - 0.25 * wx + 18 * std::sin(wx * 0.05) * std::cos(wy * 0.07);
            double r = light + 25, g = light + 5, b = light - 20;
            // Window: bright and bluish, with a cross bar.
            if (wx > 190 && wx < 290 && wy > 30 && wy < 120) {
                bool bar = std::fabs(wx - 240) < 3 || std::fabs(wy - 75) < 3;
                r = bar ? 90 : 200 + 0.2 * wy, g = bar ? 80 : 220 + 0.1 * wy, b = bar ? 70 : 250;
            }
            // Shelf with books of several colours.
            if (wy > 175 && wy < 215 && wx > 20 && wx < 170) {
                int book = static_cast<int>((wx - 20) / 12);
                static const int colours[5][3] = {{170, 40, 40}, {40, 90, 160}, {220, 200, 60}, {40, 130, 70}, {120, 60, 140}};
                const int *c = colours[book % 5];
                r = c[0], g = c[1], b = c[2];
            }
            // The ball: shaded like a face lit from the left.
            double dx = x - bx, dy = y - by;
            if (dx * dx + dy * dy < br * br) {
                double shade = 0.75 + 0.25 * (-dx / br);
                r = 225 * shade, g = 170 * shade, b = 140 * shade;
            }
            noise = noise * 1664525u + 1013904223u;
            double n = static_cast<int>((noise >> 24) % 7) - 3;
            unsigned char *p = rgb.data() + 3 * (static_cast<size_t>(y) * width + x);
            p[0] = static_cast<unsigned char>(std::clamp(r + n, 0.0, 255.0));
            p[1] = static_cast<unsigned char>(std::clamp(g + n, 0.0, 255.0));
            p[2] = static_cast<unsigned char>(std::clamp(b + n, 0.0, 255.0));
        }
    }
    return rgb;
}

}  // namespace mimictest
