// Checked access to a frame's 24-bit picture for colour reduction. Preparation
// trusts only a DIB that is valid, 24-bit and exactly as large as the frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "doc/anim_doc.h"

namespace kivo {

struct FramePixels {
    const uint8_t* bits = nullptr;  // bottom-up rows
    int width = 0, height = 0;      // 0 for a frame without pixels
    size_t stride = 0;

    // Image row y, counted from the top.
    const uint8_t* Row(int y) const { return bits + size_t(height - 1 - y) * stride; }
    size_t PixelCount() const { return size_t(width) * size_t(height); }
};

// None when the frame has pixels but its DIB does not describe them.
std::optional<FramePixels> GetFramePixels(const Frame& frame);

inline uint32_t PackRgb(Rgb c) { return uint32_t(c.r) | uint32_t(c.g) << 8 | uint32_t(c.b) << 16; }
inline Rgb UnpackRgb(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)}; }
// Colour of a blue, green, red pixel.
inline Rgb PixelRgb(const uint8_t* p) { return {p[2], p[1], p[0]}; }

// Index of the first of the first n entries equal to c, or -1.
int FindColor(const Palette& palette, int n, Rgb c);

}  // namespace kivo
