#include "app/canvas_moves.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/panel_edits.h"

namespace kivo {

FrameArea AreaOf(const Frame& frame) { return {frame.left, frame.top, frame.width, frame.height}; }

bool FrameHit(const FrameArea& a, ScreenPoint p) {
    return p.x >= a.left && p.y >= a.top && int64_t(p.x) < int64_t(a.left) + a.width &&
           int64_t(p.y) < int64_t(a.top) + a.height;
}

int DragDistance(double viewDistance, double scale) {
    if (scale <= 0) return 0;
    return int(std::clamp(std::lround(viewDistance / scale), long(INT32_MIN / 2), long(INT32_MAX / 2)));
}

FramePosition DraggedPosition(const AnimDoc& doc, const Selection& selection, FramePosition start, int dx, int dy) {
    auto moved = [](int from, int by) { return int(std::clamp<int64_t>(int64_t(from) + by, INT32_MIN, INT32_MAX)); };
    return {CorrectLeft(doc, selection, moved(start.left, dx)), CorrectTop(doc, selection, moved(start.top, dy))};
}

bool MoveFramesTo(AnimDoc& doc, const Selection& selection, FramePosition position) {
    const bool left = SetLeft(doc, selection, position.left);
    const bool top = SetTop(doc, selection, position.top);
    return left || top;
}

int SteppedFrame(int current, int count, FrameStep step) {
    if (count <= 0) return -1;
    switch (step) {
        case FrameStep::kPrevious: return std::clamp(current - 1, 0, count - 1);
        case FrameStep::kNext: return std::clamp(current + 1, 0, count - 1);
        case FrameStep::kFirst: return 0;
        case FrameStep::kLast: return count - 1;
    }
    return current;
}

}  // namespace kivo
