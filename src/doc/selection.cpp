#include "doc/selection.h"

#include <algorithm>

namespace kivo {

std::vector<int32_t> SelectedIndices;

void ResetSelection(const AnimDoc& doc) {
    SelectedIndices.clear();
    if (doc.frameCount > 0) SelectedIndices.push_back(doc.currentIndex);
}

void SetSelection(const AnimDoc& doc, std::vector<int32_t> indices) {
    std::erase_if(indices, [&](int32_t i) { return i < 0 || i >= doc.frameCount; });
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    SelectedIndices = std::move(indices);
}

bool MoveToFirstSelected(AnimDoc& doc) {
    if (SelectedIndices.empty()) return false;
    const int32_t first = SelectedIndices.front();
    Frame* frame = first < doc.frameCount ? NthFrame(doc, first) : nullptr;
    if (!frame) return false;
    doc.currentFrame = frame;
    doc.currentIndex = first;
    return true;
}

}  // namespace kivo
