// The frames the user has selected in the frame list: ascending indices into the
// current document's list. Commands that act "before the first selected frame"
// (insert, blank frames, paste) read it. The session owns one beside its
// document and hands it to the calls that need it, so it works without a window.
#pragma once

#include <cstdint>
#include <vector>

#include "doc/anim_doc.h"

namespace kivo {

// Ascending, without repeats. Empty = no selection list.
using Selection = std::vector<int32_t>;

// Selects exactly the current frame (nothing when the document has no frames):
// what a refresh of the frame list leaves behind.
void ResetSelection(const AnimDoc& doc, Selection& selection);
// Replaces the selection; the indices are sorted, repeats and indices outside the
// document are dropped.
void SetSelection(const AnimDoc& doc, Selection& selection, std::vector<int32_t> indices);
// Makes the first selected frame current, when it exists, so that an insert lands
// before it. Returns whether the current frame moved.
bool MoveToFirstSelected(AnimDoc& doc, const Selection& selection);

}  // namespace kivo
