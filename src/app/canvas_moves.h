// What the user does to frames on the canvas, decided apart from the widget:
// whether the pointer is on the current frame, where dragging puts the
// selected frames, and which frame the stepping keys go to.
#pragma once

#include <string_view>

#include "app/canvas_view_state.h"
#include "doc/anim_doc.h"
#include "doc/selection.h"
#include "platform/translatable.h"

namespace kivo {

// The step's name in the history.
inline constexpr std::string_view kFrameMoveLabel = KIVO_TR_NOOP("Edits", "コマの位置");

// A frame's rectangle on the screen.
struct FrameArea {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const FrameArea&) const = default;
};
FrameArea AreaOf(const Frame& frame);
// Whether the screen pixel lies on the rectangle.
bool FrameHit(const FrameArea& area, ScreenPoint point);

struct FramePosition {
    int left = 0, top = 0;
    bool operator==(const FramePosition&) const = default;
};

// The screen pixels a pointer moved over view pixels at scale, rounded to
// the nearest, so a frame follows the pointer at any zoom.
int DragDistance(double viewDistance, double scale);
// Where a drag by dx, dy screen pixels puts the frames when it started with
// the current frame at start: clamped as the panel clamps typed positions,
// so one frame stays on the screen and several, which all take the position,
// are kept on it by the widest and tallest of them.
FramePosition DraggedPosition(const AnimDoc& doc, const Selection& selection, FramePosition start, int dx, int dy);
// Places the frames there as the panel's position fields do (the current
// frame, or every selected frame); true when any of them moved.
bool MoveFramesTo(AnimDoc& doc, const Selection& selection, FramePosition position);

enum class FrameStep { kPrevious, kNext, kFirst, kLast };
// The frame a step goes to from current among count frames; the ends of the
// list stay where they are. -1 without frames.
int SteppedFrame(int current, int count, FrameStep step);

}  // namespace kivo
