#include "render/compositor.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "color/frame_pixels.h"
#include "doc/dib.h"

namespace kivo {
namespace {

struct Area {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // screen coordinates, clipped

    int64_t Width() const { return x1 - x0; }
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

Area ClipToScreen(const Composition& c, int64_t left, int64_t top, int64_t width, int64_t height) {
    Area a;
    a.x0 = std::clamp<int64_t>(left, 0, c.width);
    a.y0 = std::clamp<int64_t>(top, 0, c.height);
    a.x1 = std::clamp<int64_t>(left + std::max<int64_t>(width, 0), 0, c.width);
    a.y1 = std::clamp<int64_t>(top + std::max<int64_t>(height, 0), 0, c.height);
    return a;
}

uint32_t* ScreenRow(Composition& c, int64_t y, int64_t x) {
    return c.screen.data() + size_t(y) * size_t(c.width) + size_t(x);
}

void Fill(Composition& c, const Area& a) {
    if (a.Empty()) return;
    for (int64_t y = a.y0; y < a.y1; ++y) std::fill_n(ScreenRow(c, y, a.x0), a.Width(), c.rules.background);
}

Area WholeScreen(const Composition& c) { return {0, 0, c.width, c.height}; }

void DisposeShown(Composition& c) {
    const Area a = ClipToScreen(c, c.shownLeft, c.shownTop, c.shownWidth, c.shownHeight);
    if (c.shownDisposal == 2) {
        Fill(c, c.rules.backgroundClearsScreen ? WholeScreen(c) : a);
    } else if (c.shownDisposal == 3 && !c.rules.clearForFirstFrame && !a.Empty()) {
        const int64_t w = a.Width();
        for (int64_t y = a.y0; y < a.y1; ++y)
            std::copy_n(c.beforeShown.data() + size_t(y - a.y0) * size_t(w), w, ScreenRow(c, y, a.x0));
    }
}

// Keeps the screen under a frame that is to be restored afterwards, in the room
// StartComposition reserved.
void KeepBefore(Composition& c, const Area& a) {
    const int64_t w = a.Width();
    c.beforeShown.resize(size_t(w) * size_t(a.y1 - a.y0));
    for (int64_t y = a.y0; y < a.y1; ++y)
        std::copy_n(ScreenRow(c, y, a.x0), w, c.beforeShown.data() + size_t(y - a.y0) * size_t(w));
}

// Draws frame with its top-left corner at left, top.
void Draw(Composition& c, const Frame& frame, int64_t left, int64_t top, const FramePixels& px, const Area& a) {
    const int64_t w = a.Width();
    const uint32_t transparent = ScreenPixel(frame.transparentRgb);
    for (int64_t y = a.y0; y < a.y1; ++y) {
        const uint8_t* p = px.Row(int(y - top)) + 3 * (a.x0 - left);
        uint32_t* out = ScreenRow(c, y, a.x0);
        if (!frame.hasTransparency) {
            for (int64_t x = 0; x < w; ++x, p += 3)
                out[x] = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
            continue;
        }
        // A select rather than a branch: transparent pixels come scattered
        // among the others, where a branch keeps guessing wrong. Blue, green,
        // red in memory are the screen's pixel read little-endian; the last
        // pixel of a row is read byte by byte, so no read leaves the row.
        int64_t x = 0;
        if constexpr (std::endian::native == std::endian::little) {
            for (; x + 1 < w; ++x, p += 3) {
                uint32_t v;
                std::memcpy(&v, p, 4);
                v |= 0xFF000000u;
                out[x] = v == transparent ? out[x] : v;
            }
        }
        for (; x < w; ++x, p += 3) {
            const uint32_t v = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
            out[x] = v == transparent ? out[x] : v;
        }
    }
}

}  // namespace

CompositionRules PreviewRules(int viewMode, int formatMode, Rgb background) {
    CompositionRules r;
    r.background = ScreenPixel(background);
    r.clearForFirstFrame = viewMode == 1;
    r.backgroundClearsScreen = formatMode == 1;
    return r;
}

bool HidesEverythingBefore(const CompositionRules& rules, int32_t width, int32_t height, const Frame& f) {
    if (f.hasTransparency || (f.disposal == 3 && !rules.clearForFirstFrame)) return false;
    if (f.left > 0 || f.top > 0 || int64_t(f.left) + f.width < width || int64_t(f.top) + f.height < height)
        return false;
    const std::optional<FramePixels> px = GetFramePixels(f);
    return px && px->width > 0;
}

bool StartComposition(Composition& c, int32_t width, int32_t height, const CompositionRules& rules) {
    c.rules = rules;
    c.shownLeft = c.shownTop = c.shownWidth = c.shownHeight = 0;
    c.shownDisposal = 0;
    c.width = c.height = 0;
    if (width < 0 || height < 0 || size_t(width) * size_t(height) > MaxImagePixels) {
        c.screen = {};
        c.beforeShown = {};
        return false;
    }
    const size_t pixels = size_t(width) * size_t(height);
    try {
        c.screen.assign(pixels, rules.background);
        c.beforeShown.clear();
        c.beforeShown.reserve(pixels);
    } catch (const std::bad_alloc&) {
        c.screen = {};
        c.beforeShown = {};
        return false;
    }
    c.width = width;
    c.height = height;
    return true;
}

bool ComposeFrame(Composition& c, const Frame& frame, bool firstFrame) {
    return ComposeFrameAt(c, frame, frame.left, frame.top, firstFrame);
}

bool ComposeFrameAt(Composition& c, const Frame& frame, int32_t left, int32_t top, bool firstFrame) {
    if (c.screen.size() != size_t(c.width) * size_t(c.height)) return false;
    if (firstFrame && c.rules.clearForFirstFrame)
        Fill(c, WholeScreen(c));
    else
        DisposeShown(c);

    const Area a = ClipToScreen(c, left, top, frame.width, frame.height);
    if (frame.disposal == 3 && !c.rules.clearForFirstFrame) {
        try {
            KeepBefore(c, a);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    c.shownLeft = left;
    c.shownTop = top;
    c.shownWidth = frame.width;
    c.shownHeight = frame.height;
    c.shownDisposal = frame.disposal;

    const std::optional<FramePixels> px = GetFramePixels(frame);
    if (px && px->width > 0 && !a.Empty()) Draw(c, frame, left, top, *px, a);
    return true;
}

int FirstFrameNeeded(const AnimDoc& doc, int n, const CompositionRules& rules) {
    n = std::clamp(n, 0, std::max(doc.frameCount - 1, 0));
    int from = 0, i = 0;
    for (const Frame* f = doc.firstFrame.get(); f && i <= n; f = f->next.get(), ++i)
        if (HidesEverythingBefore(rules, doc.screenWidth, doc.screenHeight, *f)) from = i;
    return from;
}

bool ComposeUpTo(Composition& c, const AnimDoc& doc, int n) {
    if (n < 0 || n >= doc.frameCount) return false;
    if (!StartComposition(c, doc.screenWidth, doc.screenHeight, c.rules)) return false;
    const int from = FirstFrameNeeded(doc, n, c.rules);
    const Frame* f = NthFrame(doc, from);
    for (int i = from; i <= n; ++i, f = f->next.get()) {
        if (!f) return false;
        if (!ComposeFrame(c, *f, i == 0)) return false;
    }
    return true;
}

}  // namespace kivo
