// After palette preparation left the document without a global palette: derive
// one from the frames' own palettes and move as many frames as possible onto it.
#pragma once

#include "doc/anim_doc.h"

namespace kivo {

bool BuildGlobalPalette(AnimDoc& doc, bool mng);
// Moves frame onto global (whose first n entries are in use, n updated) when
// every colour its index plane uses fits within MaxColors. True when it moved.
bool MergeFramePalette(Palette& global, int& n, Frame& frame);
// Moves frame onto global when global holds all its colours.
void AdoptGlobalPalette(const Palette& global, Frame& frame);

}  // namespace kivo
