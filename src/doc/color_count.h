// Colour counting over 24-bit rows (bottom-up, blue/green/red, rows padded to 4).
#pragma once

#include <cstdint>
#include <vector>

namespace kivo {

// Distinct colours, stopping once the count reaches limit (0 = no limit).
int CountColorsLimited(const uint8_t* rows, int width, int height, int limit);

struct PaletteCount {
    int kind = 257;                // 2, 16, 256, or 257 = more than 256 colours
    int count = 0;
    std::vector<uint32_t> colors;  // first-appearance order, r | g << 8 | b << 16
};
// Up to 256 distinct colours in order of first appearance (pixels walked in
// storage order, bottom row first).
PaletteCount CountColorsPalette(const uint8_t* rows, int width, int height);

}  // namespace kivo
