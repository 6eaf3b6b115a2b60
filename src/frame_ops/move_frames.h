// Moving frames to another place in the list: the frames a user dragged
// (any of them, together or apart) land side by side at the drop place, in the
// order they had, and the frames between close up. Only the list links change;
// no frame and no picture is copied, so a move of any size is cheap and the
// edit history records it as a new order of the same frames.
#pragma once

#include <cstdint>
#include <vector>

#include "doc/anim_doc.h"

namespace kivo {

// Where the moved frames start after MoveFrames(doc, indices, before): the
// drop place less the moved frames that were before it. indices as
// MoveFrames takes them.
int32_t MovedFramesStart(const std::vector<int32_t>& indices, int32_t before);

// Moves the frames at indices (ascending, no repeats, each below the frame
// count) so that they stand, in their old order, where the gap before frame
// `before` (0 … frameCount, counted in the order before the move) was. The
// current frame stays the same frame, at its new index. False, with nothing
// changed, when the indices are not as described, before is out of range, or
// the order would stay as it is (a block dropped onto itself).
bool MoveFrames(AnimDoc& doc, const std::vector<int32_t>& indices, int32_t before);

}  // namespace kivo
