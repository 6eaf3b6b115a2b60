// Where the frame-list window puts its tiles. Every tile is the logical screen
// plus a 25-pixel margin left and right and room for the number above, so
// each frame shows at its place on the screen; tiles fill rows as wide as the
// window, and the window scrolls by whole rows (vertically) and by pixels
// (horizontally, only while it is narrower than one tile).
#pragma once

#include <cstdint>

namespace kivo {

struct TilePoint {
    int x = 0, y = 0;
};

class FrameListLayout {
public:
    static constexpr int kMargin = 50;      // tile size beyond the screen size
    static constexpr int kPictureLeft = 25;  // picture's origin inside a tile
    static constexpr int kPictureTop = 40;
    static constexpr int kLineStep = 16;     // horizontal scroll, pixels

    void SetDocument(int frameCount, int screenWidth, int screenHeight);
    // The area the tiles are drawn in; keeps the first shown frame's row in view.
    void SetClientSize(int width, int height);

    int TileWidth() const;
    int TileHeight() const;
    int TilesPerRow() const;
    int RowCount() const;
    // Rows that fit in the client area, at least one.
    int VisibleRows() const;

    // The row shown at the top, 0 … LastTopRow(); the first shown frame is a
    // whole row's first frame, so the tiles never shift sideways when scrolling.
    int TopRow() const { return topRow_; }
    int LastTopRow() const;
    int FirstShownFrame() const { return topRow_ * TilesPerRow(); }
    // Moves the top row, kept within its bounds; false when nothing moved.
    bool SetTopRow(int row);
    bool ScrollRows(int delta) { return SetTopRow(topRow_ + delta); }

    int HorizontalOffset() const { return offset_; }
    int HorizontalRange() const;
    bool SetHorizontalOffset(int offset);

    // The top-left corner of frame index's tile in the client area; frames
    // before the first shown one are above it.
    TilePoint TileAt(int frame) const;
    // The frame whose tile holds the client point, or -1.
    int FrameAt(int x, int y) const;
    // The frames with a tile at least partly inside the client area: [first, end).
    int EndShownFrame() const;

private:
    int frameCount_ = 0;
    int screenWidth_ = 0, screenHeight_ = 0;
    int clientWidth_ = 0, clientHeight_ = 0;
    int topRow_ = 0;
    int offset_ = 0;
};

}  // namespace kivo
