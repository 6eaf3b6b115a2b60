// The frame list's timeline, apart from its widget: where something dropped on
// it lands, and how large its thumbnails are drawn for the room it has.
#pragma once

#include <cstdint>

namespace kivo {

struct TimelineDrop {
    int32_t before = 0;  // the gap before this row; the row count for after the last
    bool gap = false;    // shown as a line at that gap (otherwise: added at the end)
    bool operator==(const TimelineDrop&) const = default;
};

// Where a drop lands: row is the row under the pointer (-1 past the last row),
// offset how far into it along the list's direction, extent the row's length in
// that direction. Dragged frames go to the nearer gap of the row. Files go
// between two rows only when dropped close to a gap (a quarter of a row); dropped
// on a row or on the empty part they are added at the end, as the list always
// took them.
TimelineDrop DropPlace(int32_t row, int32_t offset, int32_t extent, int32_t count, bool files);

// The side of the box a thumbnail is drawn in: the cached size, smaller when
// the list is too narrow (running down) or too low (running across) for it,
// never below kMinThumbnailBox.
constexpr int32_t kMinThumbnailBox = 16;
int32_t ShownThumbnailBox(bool across, int32_t viewportWidth, int32_t viewportHeight, int32_t textHeight,
                          int32_t cachedBox);

}  // namespace kivo
