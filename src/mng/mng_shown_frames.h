// What the MNG writer hands a player so that it shows what the document shows.
//
// A frame of the document is disposed of before the next is drawn: left in
// place (0, 1), its own area cleared (2) or its own area given back what was
// under it (3). An MNG-LC file has only two ways from one frame to the next:
// leave the picture (framing mode 1) or clear the whole screen (mode 3). The
// plain translation, mode 3 after disposal 2 and mode 1 otherwise, shows the
// document's pictures only where clearing everything happens to equal clearing
// the frame's area and where giving an area back changes nothing that the next
// frame does not paint over anyway.
//
// Everywhere else the frame after the disposing one is written in another
// form, so that the picture on show after it is still exactly the document's:
// - drawn over what is shown (mode 1): the pixels that change, in a frame
//   around them, transparent where nothing changes; possible when every
//   changing pixel ends up painted, not cleared;
// - otherwise drawn on a cleared screen (mode 3): the whole picture, in a
//   frame around what it paints.
// A cleared pixel is transparent, as the preview shows it without a background
// colour and as a player clears its screen. Palette preparation decides later
// how such a frame is stored; when every frame is JNG, which has no
// transparency, the pixels that stay are painted with their own colours.
// Pictures are composed on the part of the screen that frames reach; where
// that part is too large to compose, the plain translation is written.
//
// The first frame also follows the last one when the animation repeats. After
// a last frame that asks for its area back (2 or 3), a new pass starts on a
// cleared screen, as the first pass did.
#pragma once

#include <cstdint>
#include <vector>

#include "doc/anim_doc.h"

namespace kivo {

// A picture with its placement, transparency and palettes: a written form
// waiting to stand in for a frame's own, or the frame's own kept aside.
struct FramePicture {
    Frame* frame = nullptr;
    Dib dib;
    int32_t left = 0, top = 0, width = 0, height = 0;
    int32_t hasTransparency = 0;
    Rgb transparentRgb;
    Palette localPalette;
    int16_t tempPalette = 0;
    std::vector<uint8_t> pngIndexPixels;
    Palette pngPalette;
};

// The plan for one save. While it lives, the frames to be written in another
// form hold that form (palette preparation then works on what is written);
// when it goes, every frame gets its own picture back.
struct ShownFrames {
    ShownFrames() = default;
    ShownFrames(const ShownFrames&) = delete;
    ShownFrames& operator=(const ShownFrames&) = delete;
    ~ShownFrames();

    std::vector<uint8_t> framingModes;  // per frame, the mode written before it
    std::vector<FramePicture> swapped;  // the frames' own pictures while others stand in
};

// Works out the framing mode of every frame and puts the other written forms
// in place. False, with nothing put in place, when a written form would paint
// with every colour and leave none to mark its transparent pixels; throws
// std::bad_alloc when memory runs out. Whatever was put in place is given back
// when shown goes. jngAllFrames: every frame is written as JNG, which has no
// transparency.
bool PlanShownFrames(AnimDoc& doc, ShownFrames& shown, bool jngAllFrames);

}  // namespace kivo
