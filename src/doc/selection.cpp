#include "doc/selection.h"

#include <algorithm>

namespace kivo {

void ResetSelection(const AnimDoc& doc, Selection& selection) {
    selection.clear();
    if (doc.frameCount > 0) selection.push_back(doc.currentIndex);
}

void SetSelection(const AnimDoc& doc, Selection& selection, std::vector<int32_t> indices) {
    std::erase_if(indices, [&](int32_t i) { return i < 0 || i >= doc.frameCount; });
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    selection = std::move(indices);
}

bool MoveToFirstSelected(AnimDoc& doc, const Selection& selection) {
    if (selection.empty()) return false;
    const int32_t first = selection.front();
    Frame* frame = first < doc.frameCount ? NthFrame(doc, first) : nullptr;
    if (!frame) return false;
    doc.currentFrame = frame;
    doc.currentIndex = first;
    return true;
}

}  // namespace kivo
