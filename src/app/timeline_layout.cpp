#include "app/timeline_layout.h"

#include <algorithm>

namespace kivo {

TimelineDrop DropPlace(int32_t row, int32_t offset, int32_t extent, int32_t count, bool files) {
    if (row < 0 || row >= count || extent <= 0) return {count, !files};
    if (!files) return {offset * 2 < extent ? row : row + 1, true};
    if (offset * 4 < extent) return {row, true};
    if (offset * 4 >= extent * 3 && row + 1 < count) return {row + 1, true};
    return {count, false};
}

int32_t ShownThumbnailBox(bool across, int32_t viewportWidth, int32_t viewportHeight, int32_t textHeight,
                          int32_t cachedBox) {
    // Running down, the text beside the picture keeps two thirds of the width;
    // running across, the text under it keeps its lines.
    const int32_t room = across ? viewportHeight - textHeight : viewportWidth / 3;
    return std::clamp(room, std::min(kMinThumbnailBox, cachedBox), cachedBox);
}

}  // namespace kivo
