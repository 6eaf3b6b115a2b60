// Shrinking an animation without changing what it shows: every frame is cropped
// to the rectangle that differs from the frame before it, frames that add
// nothing are dropped (their time going to the frame that stays on screen),
// and, with OptimizeWithTransparency, pixels that repeat what the screen
// already shows become transparent in every frame that then compresses
// better; a frame where they would break up runs (grain, dither) keeps them.
// A frame that clears to the background before one painting the whole screen
// leaves its picture instead, so that the next can be cropped, and transparent
// borders go wherever no run of a looping animation depends on them.
#pragma once

#include "doc/anim_doc.h"
#include "options/write_options.h"
#include "platform/platform.h"

namespace kivo {

enum CropResult : int {
    kCropOutOfMemory = -1,
    kCropUnchanged = 0,
    kCropCropped = 1,
    kCropAddsNothing = 2,
};

// Crops frame to the part that differs from previous, compared pixel by pixel
// at the same screen position. An edge is trimmed only where every compared
// pixel lies inside previous. kCropAddsNothing leaves the frame as it was; the
// caller decides what to do with it. On kCropOutOfMemory the frame is unchanged.
int CropToChanges(Frame& frame, const Frame& previous);

enum class OptimizeOutcome { kChanged, kUnchanged, kCancelled, kFailed };

// The whole document, behind the progress dialog. True when any frame was
// cropped, removed or made transparent; the first frame is then current.
// Cancelling or running out of memory ("メモリが足りません。") leaves the
// document exactly as it was; outcome, when given, says which of the four
// happened. A keeper, when given, receives the frames removed and the pictures
// replaced instead of their being released. The options say whether repeated
// pixels become transparent and how many colours a frame may then hold.
bool OptimizeFrameSizes(OwnerWindow owner, AnimDoc& doc, const WriteOptions& options,
                        OptimizeOutcome* outcome = nullptr, FrameKeeper* keeper = nullptr);

}  // namespace kivo
