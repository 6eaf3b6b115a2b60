// What an animation shows: frames drawn one after another on the logical
// screen, each frame's disposal applied before the next is drawn. Only the part
// of a frame inside the screen is drawn, whatever its placement and size.
//
// Players differ in what "background" is and in how they treat the first frame
// and restore-previous; the rules say which behaviour a caller wants. The
// preview, the AVI export and kivo-cli render all compose through here.
#pragma once

#include <cstdint>
#include <vector>

#include "doc/anim_doc.h"

namespace kivo {

// One screen pixel: kNothingDrawn, or 0xFF000000 | red << 16 | green << 8 | blue
// (the layout of a 32-bit RGB image, so a screen is drawn without converting).
constexpr uint32_t kNothingDrawn = 0;

inline uint32_t ScreenPixel(Rgb c) {
    return 0xFF000000u | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

struct CompositionRules {
    // What disposal 2 and a cleared screen leave behind.
    uint32_t background = kNothingDrawn;
    // The document's first frame starts on a cleared screen even when the
    // animation comes round to it again, instead of being drawn over the last
    // picture; restore-previous then leaves the frame in place.
    bool clearForFirstFrame = false;
    // Disposal 2 clears the whole screen (MNG players) rather than only the
    // frame's own area (GIF players).
    bool backgroundClearsScreen = false;
};

// The preview's rules: viewMode 1 clears for the first frame, and formatMode 1
// (MNG) clears the whole screen on disposal 2.
CompositionRules PreviewRules(int viewMode, int formatMode, Rgb background);

struct Composition {
    int32_t width = 0, height = 0;
    CompositionRules rules;
    std::vector<uint32_t> screen;  // top row first
    // The frame on show, whose disposal applies before the next is drawn.
    int32_t shownLeft = 0, shownTop = 0, shownWidth = 0, shownHeight = 0;
    int16_t shownDisposal = 0;
    std::vector<uint32_t> beforeShown;  // the screen under it, for disposal 3
};

// A screen of that size cleared to the rules' background, with room reserved
// for restore-previous so that composing never allocates. False, leaving an
// empty screen, when the size is out of range or memory runs out.
bool StartComposition(Composition& c, int32_t width, int32_t height, const CompositionRules& rules = {});

// Disposes of the frame on show (0, 1: left as it is; 2: its area, or the
// whole screen, back to the background; 3: its area back to what was there
// before it) and draws frame over the screen, its transparent pixels letting
// the screen show through. firstFrame says that it is the document's first
// frame, which the rules may draw on a cleared screen instead. A frame whose
// DIB does not describe its pixels draws nothing. False when memory runs out.
bool ComposeFrame(Composition& c, const Frame& frame, bool firstFrame = false);
// The same with frame placed at left, top instead of its own place: what the
// screen would show if the frame were moved there (the editor's canvas shows
// this while a frame is being dragged, before the move is made).
bool ComposeFrameAt(Composition& c, const Frame& frame, int32_t left, int32_t top, bool firstFrame = false);

// The frame ComposeUpTo starts from for frame n: the latest at or before n
// whose drawing hides everything before it, 0 when none does. Composing from
// there on a fresh screen gives the screen while n shows. n is clamped into
// the document.
int FirstFrameNeeded(const AnimDoc& doc, int n, const CompositionRules& rules);

// Whether drawing frame on a screen of that size leaves nothing of what was
// there before, for it and for the frame after it (opaque, covering the whole
// screen, not restored afterwards): composing may start afresh at such a frame
// instead of at the first one.
bool HidesEverythingBefore(const CompositionRules& rules, int32_t width, int32_t height, const Frame& frame);

// The screen while frame n (from 0) shows on the first run through the
// animation, composed afresh from the latest frame at or before n that hides
// everything before it. False when n does not exist or memory runs out.
bool ComposeUpTo(Composition& c, const AnimDoc& doc, int n);

}  // namespace kivo
