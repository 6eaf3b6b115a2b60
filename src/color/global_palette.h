// After palette preparation left the document without a global palette: derive
// one from the frames' own palettes and move as many frames as possible onto it.
#pragma once

#include "doc/anim_doc.h"
#include "options/write_options.h"

namespace kivo {

bool BuildGlobalPalette(AnimDoc& doc, const WriteOptions& options, bool mng);
// Moves frame onto global (whose first n entries are in use, n updated) when
// every colour its index plane uses fits within the options' MaxColors. True
// when it moved.
bool MergeFramePalette(Palette& global, int& n, Frame& frame, const WriteOptions& options);
// Moves frame onto global when global holds all its colours.
void AdoptGlobalPalette(const Palette& global, Frame& frame);

}  // namespace kivo
