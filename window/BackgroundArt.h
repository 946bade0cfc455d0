// The window's background picture, drawn from code at every density: bands
// and rules, a gradient, faint digits, the close mark, the three button
// frames and the rounded outline.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qv {

struct Picture {
    int width = 0, height = 0;
    // Rows top to bottom, each pixel 0x00RRGGBB: in memory blue, green, red
    // and a zero byte, as a 32-bit top-down device-independent bitmap holds it.
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[Index(x, y)]; }
    std::uint32_t& at(int x, int y) { return pixels[Index(x, y)]; }
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    }
};

// PictureSize(twipsPerPixel) pixels, with its edges where the window's
// region, its controls and its lines fall at that density.
Picture DrawBackground(float twipsPerPixel);

}  // namespace qv
