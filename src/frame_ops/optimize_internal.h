// The steps of frame size optimisation, shared by its units. The document is
// only read until every step has succeeded; the results wait in StagedFrame
// records and are moved in at the end, so a cancel or a memory failure on the
// way leaves the document as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "color/frame_pixels.h"
#include "doc/anim_doc.h"

namespace kivo {

// The part of a frame to keep, in the frame's own coordinates.
struct CropPlan {
    int result = 0;  // a CropResult, never kCropOutOfMemory
    int32_t left = 0, top = 0, width = 0, height = 0;
};

// What CropToChanges would do to frame, without doing it. Reads only.
CropPlan PlanCrop(const Frame& frame, const Frame& previous);

// A new 24-bit DIB holding the given area of px; empty when memory runs out.
Dib CopyArea(const FramePixels& px, int32_t left, int32_t top, int32_t width, int32_t height);

// A frame whose pixels changed loses what described the old ones: the kept PNG
// palette and indices, its own palette and leftovers of saving. Like any new
// full-colour picture, it gets its palette afresh at the next save.
void ForgetPalettesOfOldPicture(Frame& frame);

// A frame as it will be once the optimisation is moved into the document.
struct StagedFrame {
    Frame* frame = nullptr;
    bool remove = false;
    int32_t delay = 0;
    int16_t disposal = 0;
    int32_t left = 0, top = 0, width = 0, height = 0;
    Dib dib;  // the new picture; empty while the frame's own is kept
    int32_t hasTransparency = 0;
    Rgb transparentRgb;
    bool cropped = false;
    bool madeTransparent = false;

    bool Changed() const { return cropped || madeTransparent; }
    bool DisposalChanged() const { return disposal != frame->disposal; }
};

// The staged picture, or the frame's own while none is staged; none when the
// frame's DIB does not describe its pixels.
std::optional<FramePixels> StagedPixels(const StagedFrame& s);

// Frames that clear to the background before a frame painting the whole
// screen leave their picture instead, so that the next frame can be cropped
// to what changes; the decision is staged in their disposal.
void ChooseDisposals(std::vector<StagedFrame>& staged, int32_t screenWidth, int32_t screenHeight);

// For each frame (list order), the part without its transparent border where
// dropping the border changes nothing in any run of the animation; a plan of
// kCropUnchanged where there is none to drop.
std::vector<CropPlan> PlanTrims(const std::vector<StagedFrame>& staged, int32_t screenWidth, int32_t screenHeight);

// A crop to changes and a trim of the same frame, taken together.
CropPlan CombineCrops(const CropPlan& crop, const CropPlan& trim);

// What the transparency pass gives one frame.
struct TransparencyResult {
    Dib dib;  // the picture with its repeated pixels transparent; empty = unchanged
    Rgb transparentRgb;
    bool gainedTransparency = false;  // the frame had none and now uses the pass's colour
};

// Turns the pixels of the kept frames (list order) that repeat what the screen
// already shows into transparent ones, into results (one per frame). A frame
// that fits colourLimit colours is not pushed over it by the colour it would
// receive for transparency. Pumps the progress dialog once per frame; false
// when the user cancelled. Throws std::bad_alloc, and
// the caller then drops the pass: nothing staged is changed here.
bool RunTransparencyPass(const std::vector<const StagedFrame*>& frames, int32_t screenWidth,
                         int32_t screenHeight, int colourLimit,
                         std::vector<TransparencyResult>& results);

// Bytes of GIF image data the picture codes to when each colour is one index
// of a table of its own colours (transparency_choice.cpp says why that stands
// for the table the file will have).
size_t EstimateCodedSize(const FramePixels& px);

// Drops each result (one per frame, list order) whose picture does not code
// smaller than the frame as it is staged, so that a frame only turns its
// repeated pixels transparent where that makes it smaller. Frames are weighed
// side by side; pumps the progress dialog, false when the user cancelled.
// Throws std::bad_alloc.
bool KeepTransparencyWhereSmaller(const std::vector<const StagedFrame*>& frames,
                                  std::vector<TransparencyResult>& results);

}  // namespace kivo
