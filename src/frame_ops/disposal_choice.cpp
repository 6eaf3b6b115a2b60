// Which frames may leave their picture instead of clearing it to the
// background, and which transparent borders can go, before frames are
// compared. Both are decided from the frames' structure alone, never from one
// run of the animation: a looping GIF draws its first frame over what the last
// one left, so a screen composed once from a cleared start does not tell what
// every run shows.
//
// Only "restore to background" → "leave" is ever worth it: under a GIF
// player's transparent background a frame that leaves its picture can never
// need more pixels after it than one that clears, since what the next frame
// shows over a cleared area must be drawn anyway.
#include <algorithm>

#include "frame_ops/optimize_frames.h"
#include "frame_ops/optimize_internal.h"

namespace kivo {
namespace {

struct Rect {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
    bool Contains(const Rect& r) const { return r.Empty() || (r.x0 >= x0 && r.y0 >= y0 && r.x1 <= x1 && r.y1 <= y1); }
};

Rect Intersect(const Rect& a, const Rect& b) {
    return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

Rect AreaOf(const Frame& f) {
    return {f.left, f.top, int64_t(f.left) + f.width, int64_t(f.top) + f.height};
}

bool IsTransparent(const Frame& f, const uint8_t* p) {
    return f.hasTransparency && p[2] == f.transparentRgb.r && p[1] == f.transparentRgb.g && p[0] == f.transparentRgb.b;
}

// Whether the frame paints every pixel of the screen: what lay there before
// it, cleared or not, is then hidden in every run.
bool CoversScreenOpaquely(const Frame& f, const FramePixels& px, const Rect& screen) {
    const Rect area = AreaOf(f);
    if (!area.Contains(screen) || px.width != f.width || px.height != f.height) return false;
    if (!f.hasTransparency) return true;
    for (int64_t y = screen.y0; y < screen.y1; ++y) {
        const uint8_t* p = px.Row(int(y - f.top)) + 3 * (screen.x0 - f.left);
        for (int64_t x = screen.x0; x < screen.x1; ++x, p += 3)
            if (IsTransparent(f, p)) return false;
    }
    return true;
}

// The smallest part of the frame (its own coordinates) holding every pixel it
// paints; empty when it paints none.
Rect PaintedPart(const Frame& f, const FramePixels& px) {
    Rect r{px.width, px.height, 0, 0};
    for (int y = 0; y < px.height; ++y) {
        const uint8_t* row = px.Row(y);
        int x0 = 0, x1 = px.width;
        while (x0 < x1 && IsTransparent(f, row + 3 * x0)) ++x0;
        if (x0 == x1) continue;
        while (IsTransparent(f, row + 3 * (x1 - 1))) --x1;
        r = {std::min<int64_t>(r.x0, x0), std::min<int64_t>(r.y0, y), std::max<int64_t>(r.x1, x1),
             std::max<int64_t>(r.y1, y + 1)};
    }
    return r;
}

}  // namespace

void ChooseDisposals(std::vector<StagedFrame>& staged, int32_t screenWidth, int32_t screenHeight) {
    const Rect screen{0, 0, screenWidth, screenHeight};
    if (screen.Empty()) return;
    // The last frame is followed by the first when the animation loops.
    for (size_t k = 1; k <= staged.size(); ++k) {
        StagedFrame& before = staged[k - 1];
        const Frame& f = *staged[k % staged.size()].frame;
        // Restore-previous after it would bring back what the earlier frame
        // left, which the change alters.
        if (before.frame->disposal != 2 || f.disposal == 3) continue;
        const std::optional<FramePixels> px = GetFramePixels(f);
        // MNG players clear the whole screen, GIF players the frame's area;
        // covering the whole screen serves both.
        if (px && CoversScreenOpaquely(f, *px, screen)) before.disposal = 1;
    }
}

std::vector<CropPlan> PlanTrims(const std::vector<StagedFrame>& staged, int32_t screenWidth, int32_t screenHeight) {
    std::vector<CropPlan> trims(staged.size());
    const Rect screen{0, 0, screenWidth, screenHeight};
    for (size_t k = 0; k < staged.size(); ++k) {
        const Frame& f = *staged[k].frame;
        if (!f.hasTransparency) continue;
        // A frame that clears its area afterwards clears the border too: the
        // border may only go where the frame before it (the last one, for a
        // looping first frame; a fresh screen starts cleared) has already
        // cleared. Any other disposal leaves a transparent border as it found it.
        if (f.disposal == 2) {
            const Frame& before = *staged[k == 0 ? staged.size() - 1 : k - 1].frame;
            if (before.disposal != 2 || !AreaOf(before).Contains(Intersect(AreaOf(f), screen))) continue;
        }
        const std::optional<FramePixels> px = GetFramePixels(f);
        if (!px || px->width != f.width || px->height != f.height) continue;
        const Rect r = PaintedPart(f, *px);
        if (r.Empty() || (r.x0 == 0 && r.y0 == 0 && r.x1 == f.width && r.y1 == f.height)) continue;
        trims[k] = {kCropCropped, int32_t(r.x0), int32_t(r.y0), int32_t(r.x1 - r.x0), int32_t(r.y1 - r.y0)};
    }
    return trims;
}

CropPlan CombineCrops(const CropPlan& crop, const CropPlan& trim) {
    if (trim.result != kCropCropped || crop.result == kCropAddsNothing) return crop;
    if (crop.result != kCropCropped) return trim;
    const Rect a{crop.left, crop.top, int64_t(crop.left) + crop.width, int64_t(crop.top) + crop.height};
    const Rect b{trim.left, trim.top, int64_t(trim.left) + trim.width, int64_t(trim.top) + trim.height};
    const Rect r = Intersect(a, b);
    // Every pixel either repeats the frame before or lets it show through.
    if (r.Empty()) return {kCropAddsNothing};
    return {kCropCropped, int32_t(r.x0), int32_t(r.y0), int32_t(r.x1 - r.x0), int32_t(r.y1 - r.y0)};
}

}  // namespace kivo
