// A new white frame of a chosen size, appended at the end or inserted before the
// first selected frame. The size question itself is the front end's.
#pragma once

#include <cstdint>

#include "doc/anim_doc.h"
#include "doc/selection.h"

namespace kivo {

// A 24-bit DIB of the given size with every byte 255; empty when the size is
// outside 1..65535 a side or beyond the pixel cap, or memory runs out.
Dib MakeWhiteDib24(int32_t width, int32_t height);

// Adds the white frame (mode 0 append, 1 insert) and makes it current and the only
// selected frame; the logical screen grows to hold it. False, document and
// selection unchanged, when the picture cannot be made.
bool AddBlankFrame(AnimDoc& doc, Selection& selection, int mode, int32_t width, int32_t height);

}  // namespace kivo
