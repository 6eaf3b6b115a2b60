#include "app/frame_list_layout.h"

#include <algorithm>

namespace kivo {

void FrameListLayout::SetDocument(int frameCount, int screenWidth, int screenHeight) {
    const int first = FirstShownFrame();
    frameCount_ = std::max(frameCount, 0);
    screenWidth_ = std::max(screenWidth, 0);
    screenHeight_ = std::max(screenHeight, 0);
    topRow_ = 0;
    SetTopRow(first / TilesPerRow());
    SetHorizontalOffset(offset_);
}

void FrameListLayout::SetClientSize(int width, int height) {
    // The first frame shown stays in the top row when the row width changes.
    const int first = FirstShownFrame();
    clientWidth_ = std::max(width, 0);
    clientHeight_ = std::max(height, 0);
    topRow_ = 0;
    SetTopRow(first / TilesPerRow());
    SetHorizontalOffset(offset_);
}

int FrameListLayout::TileWidth() const { return screenWidth_ + kMargin; }
int FrameListLayout::TileHeight() const { return screenHeight_ + kMargin; }

int FrameListLayout::TilesPerRow() const { return std::max(clientWidth_ / TileWidth(), 1); }

int FrameListLayout::RowCount() const { return (frameCount_ + TilesPerRow() - 1) / TilesPerRow(); }

int FrameListLayout::VisibleRows() const { return std::max(clientHeight_ / TileHeight(), 1); }

int FrameListLayout::LastTopRow() const { return std::max(RowCount() - 1, 0); }

bool FrameListLayout::SetTopRow(int row) {
    row = std::clamp(row, 0, LastTopRow());
    if (row == topRow_) return false;
    topRow_ = row;
    return true;
}

int FrameListLayout::HorizontalRange() const {
    return std::max(TileWidth() * TilesPerRow() - clientWidth_, 0);
}

bool FrameListLayout::SetHorizontalOffset(int offset) {
    offset = std::clamp(offset, 0, HorizontalRange());
    if (offset == offset_) return false;
    offset_ = offset;
    return true;
}

TilePoint FrameListLayout::TileAt(int frame) const {
    const int perRow = TilesPerRow();
    const int row = frame / perRow - topRow_;
    return TilePoint{(frame % perRow) * TileWidth() - offset_, row * TileHeight()};
}

int FrameListLayout::FrameAt(int x, int y) const {
    if (x < 0 || y < 0) return -1;
    const int column = (x + offset_) / TileWidth();
    if (column >= TilesPerRow()) return -1;
    const int frame = (topRow_ + y / TileHeight()) * TilesPerRow() + column;
    return frame < frameCount_ ? frame : -1;
}

int FrameListLayout::EndShownFrame() const {
    const int rows = (clientHeight_ + TileHeight() - 1) / TileHeight();
    return std::min(frameCount_, (topRow_ + std::max(rows, 1)) * TilesPerRow());
}

}  // namespace kivo
