// The editor's own clipboard contents: whole copies of the frames the user
// copied, so that pasting inside the editor gives back each frame with its
// placement, timing, disposal, transparency, comment and text keys, in the
// order they were copied. Other programs only ever see the first picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "doc/selection.h"

namespace kivo {

struct ClipEntry {
    Dib picture;  // 24-bit
    int32_t left = 0, top = 0;
    int32_t hasDelay = 1, delay = 10;
    int16_t disposal = 0;
    int32_t hasTransparency = 0;
    Rgb transparentRgb;
    std::string comment;
    TextKeyList textKeys;
};

using ClipList = std::vector<ClipEntry>;

// The frames Copy and Cut act on: the selected frames, or the current one
// when nothing is selected, so that Cut copies exactly what Delete removes.
std::vector<int32_t> FramesToCopy(const AnimDoc& doc, const Selection& selection);

// Copies those frames in ascending order. False, with `out` left empty, when
// there is none or memory runs out.
bool CopyFrames(const AnimDoc& doc, const std::vector<int32_t>& indices, ClipList& out);

// A picture from another program as an entry: placed at 0,0 with a delay of 10.
ClipEntry PictureEntry(Dib picture);

// Adds a frame for every entry: after the last frame, or (insert) before the
// first selected or the current frame, keeping the copied order. Each pasted
// frame becomes current and the only one selected. On failure the frames pasted
// so far stay; an insert puts back the frame that was current before.
bool PasteFrames(AnimDoc& doc, Selection& selection, const ClipList& list, bool insert);

}  // namespace kivo
