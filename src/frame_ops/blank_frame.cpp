#include "frame_ops/blank_frame.h"

#include <algorithm>

#include "doc/dib.h"
#include "doc/selection.h"

namespace kivo {

Dib MakeWhiteDib24(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return {};
    Dib dib = MakeDib24(uint32_t(width), uint32_t(height));
    if (dib.empty()) return dib;
    std::fill(dib.begin() + DibPixelOffset(dib), dib.end(), uint8_t(255));
    return dib;
}

bool AddBlankFrame(AnimDoc& doc, Selection& selection, int mode, int32_t width, int32_t height) {
    Dib dib = MakeWhiteDib24(width, height);
    if (dib.empty()) return false;
    Frame* const oldCurrent = doc.currentFrame;
    const int32_t oldIndex = doc.currentIndex;
    bool added;
    if (mode == 1) {
        MoveToFirstSelected(doc, selection);
        added = InsertFrame(doc);
    } else {
        added = AppendFrame(doc);
    }
    if (!added) {
        doc.currentFrame = oldCurrent;
        doc.currentIndex = oldIndex;
        return false;
    }
    Frame& frame = *doc.currentFrame;
    frame.dib = std::move(dib);
    frame.width = width;
    frame.height = height;
    frame.tempPalette = 1;
    UpdateExtent(doc);
    ResetSelection(doc, selection);
    return true;
}

}  // namespace kivo
