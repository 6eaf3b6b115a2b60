// What an animation shows: frames drawn one after another on the logical
// screen, each frame's disposal applied before the next is drawn. Only the part
// of a frame inside the screen is drawn.
#pragma once

#include <cstdint>
#include <vector>

#include "doc/anim_doc.h"

namespace kivo {

// One screen pixel: kNothingDrawn, or 0xFF000000 | red << 16 | green << 8 | blue.
constexpr uint32_t kNothingDrawn = 0;

struct Composition {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> screen;  // top row first
    // The frame on show, whose disposal applies before the next is drawn.
    int32_t shownLeft = 0, shownTop = 0, shownWidth = 0, shownHeight = 0;
    int16_t shownDisposal = 0;
    std::vector<uint32_t> beforeShown;  // the screen under it, for disposal 3
};

// A screen of that size with nothing drawn. False when it is out of range or
// memory runs out.
bool StartComposition(Composition& c, int32_t width, int32_t height);

// Disposes of the frame on show (0, 1: left as it is; 2: its area back to
// nothing drawn; 3: its area back to what was there before it) and draws frame
// over the screen, its transparent pixels letting the screen show through. A
// frame whose DIB does not describe its pixels draws nothing. False when memory
// runs out.
bool ComposeFrame(Composition& c, const Frame& frame);

}  // namespace kivo
