#include "tools/compositor.h"

#include <algorithm>
#include <new>

#include "color/frame_pixels.h"
#include "doc/dib.h"

namespace kivo {
namespace {

struct Area {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // screen coordinates, clipped
};

Area ClipToScreen(const Composition& c, int64_t left, int64_t top, int64_t width, int64_t height) {
    Area a;
    a.x0 = std::clamp<int64_t>(left, 0, c.width);
    a.y0 = std::clamp<int64_t>(top, 0, c.height);
    a.x1 = std::clamp<int64_t>(left + std::max<int64_t>(width, 0), 0, c.width);
    a.y1 = std::clamp<int64_t>(top + std::max<int64_t>(height, 0), 0, c.height);
    return a;
}

void DisposeShown(Composition& c) {
    const Area a = ClipToScreen(c, c.shownLeft, c.shownTop, c.shownWidth, c.shownHeight);
    const int64_t w = a.x1 - a.x0;
    if (w <= 0 || a.y1 <= a.y0) return;
    for (int64_t y = a.y0; y < a.y1; ++y) {
        uint32_t* row = c.screen.data() + size_t(y) * size_t(c.width) + size_t(a.x0);
        if (c.shownDisposal == 2)
            std::fill(row, row + w, kNothingDrawn);
        else if (c.shownDisposal == 3)
            std::copy_n(c.beforeShown.data() + size_t(y - a.y0) * size_t(w), w, row);
    }
}

}  // namespace

bool StartComposition(Composition& c, int32_t width, int32_t height) {
    if (width < 0 || height < 0 || size_t(width) * size_t(height) > MaxImagePixels) return false;
    try {
        c.screen.assign(size_t(width) * size_t(height), kNothingDrawn);
    } catch (const std::bad_alloc&) {
        return false;
    }
    c.width = width;
    c.height = height;
    c.shownWidth = c.shownHeight = 0;
    c.shownDisposal = 0;
    c.beforeShown.clear();
    return true;
}

bool ComposeFrame(Composition& c, const Frame& frame) {
    DisposeShown(c);
    const Area a = ClipToScreen(c, frame.left, frame.top, frame.width, frame.height);
    const int64_t w = a.x1 - a.x0;
    try {
        if (frame.disposal == 3 && w > 0 && a.y1 > a.y0) {
            c.beforeShown.resize(size_t(w) * size_t(a.y1 - a.y0));
            for (int64_t y = a.y0; y < a.y1; ++y)
                std::copy_n(c.screen.data() + size_t(y) * size_t(c.width) + size_t(a.x0), w,
                            c.beforeShown.data() + size_t(y - a.y0) * size_t(w));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    c.shownLeft = frame.left;
    c.shownTop = frame.top;
    c.shownWidth = frame.width;
    c.shownHeight = frame.height;
    c.shownDisposal = frame.disposal;

    const std::optional<FramePixels> px = GetFramePixels(frame);
    if (!px || px->width == 0 || w <= 0) return true;
    const Rgb t = frame.transparentRgb;
    for (int64_t y = a.y0; y < a.y1; ++y) {
        const uint8_t* p = px->Row(int(y - frame.top)) + 3 * (a.x0 - frame.left);
        uint32_t* out = c.screen.data() + size_t(y) * size_t(c.width) + size_t(a.x0);
        for (int64_t x = a.x0; x < a.x1; ++x, p += 3, ++out) {
            if (frame.hasTransparency && p[0] == t.b && p[1] == t.g && p[2] == t.r) continue;
            *out = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
    }
    return true;
}

}  // namespace kivo
