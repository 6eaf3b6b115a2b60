// Cropping one frame to the rectangle where it differs from the frame before it.
#include <algorithm>
#include <cstring>

#include "doc/dib.h"
#include "frame_ops/optimize_frames.h"
#include "frame_ops/optimize_internal.h"

namespace kivo {
namespace {

// Frame C's pixels against P's at the same screen position. Equal colours are
// the same picture, except where P's pixel is transparent and C's is not: P
// let whatever lay below show through there, while C paints that colour.
struct Comparison {
    FramePixels c, p;
    int64_t dx = 0, dy = 0;  // C's (x, y) lies on P's (x + dx, y + dy)
    bool guard = false;      // P's transparent colour is opaque in C
    uint8_t tb = 0, tg = 0, tr = 0;

    bool Same(const uint8_t* a, const uint8_t* b) const {
        if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2]) return false;
        return !(guard && b[0] == tb && b[1] == tg && b[2] == tr);
    }
    const uint8_t* CAt(int64_t y, int64_t x) const { return c.Row(int(y)) + 3 * x; }
    const uint8_t* PAt(int64_t y, int64_t x) const { return p.Row(int(y + dy)) + 3 * (x + dx); }

    // The first column in [x0, x1) of row y that differs, or x1.
    int64_t FirstDifference(int64_t y, int64_t x0, int64_t x1) const {
        const uint8_t* a = CAt(y, x0);
        const uint8_t* b = PAt(y, x0);
        int64_t x = x0;
        // Most rows of a recording are equal for long stretches; a block compare
        // skips them quickly.
        constexpr int64_t kBlock = 32;
        if (!guard)
            for (; x + kBlock <= x1 && std::memcmp(a, b, 3 * kBlock) == 0; x += kBlock) a += 3 * kBlock, b += 3 * kBlock;
        for (; x < x1; ++x, a += 3, b += 3)
            if (!Same(a, b)) return x;
        return x1;
    }

    // The last column in [x0, x1) of row y that differs, or x0 - 1.
    int64_t LastDifference(int64_t y, int64_t x0, int64_t x1) const {
        if (x1 <= x0) return x0 - 1;
        const uint8_t* a = CAt(y, x1 - 1);
        const uint8_t* b = PAt(y, x1 - 1);
        int64_t x = x1 - 1;
        constexpr int64_t kBlock = 32;
        if (!guard)
            for (; x - kBlock + 1 >= x0 && std::memcmp(a - 3 * (kBlock - 1), b - 3 * (kBlock - 1), 3 * kBlock) == 0;
                 x -= kBlock)
                a -= 3 * kBlock, b -= 3 * kBlock;
        for (; x >= x0; --x, a -= 3, b -= 3)
            if (!Same(a, b)) return x;
        return x0 - 1;
    }

    bool RowSame(int64_t y) const { return FirstDifference(y, 0, c.width) == c.width; }
};

}  // namespace

CropPlan PlanCrop(const Frame& frame, const Frame& previous) {
    CropPlan plan;
    const std::optional<FramePixels> cp = GetFramePixels(frame);
    const std::optional<FramePixels> pp = GetFramePixels(previous);
    if (!cp || !pp || cp->width == 0 || pp->width == 0) return plan;

    const int64_t L1 = frame.left, T1 = frame.top, W1 = cp->width, H1 = cp->height;
    const int64_t L0 = previous.left, T0 = previous.top;
    const int64_t R1 = L1 + W1, B1 = T1 + H1, R0 = L0 + pp->width, B0 = T0 + pp->height;
    const bool inWidth = L1 >= L0 && R1 <= R0;
    const bool inHeight = T1 >= T0 && B1 <= B0;
    const bool canTop = T1 >= T0 && inWidth, canBottom = B1 <= B0 && inWidth;
    const bool canLeft = L1 >= L0 && inHeight, canRight = R1 <= R0 && inHeight;
    if (!canTop && !canBottom && !canLeft && !canRight) return plan;

    Comparison q;
    q.c = *cp;
    q.p = *pp;
    q.dx = L1 - L0;
    q.dy = T1 - T0;
    q.guard = previous.hasTransparency &&
              !(frame.hasTransparency && frame.transparentRgb == previous.transparentRgb);
    q.tb = previous.transparentRgb.b;
    q.tg = previous.transparentRgb.g;
    q.tr = previous.transparentRgb.r;

    int64_t top = 0;
    if (canTop) {
        const int64_t limit = std::min(H1, B0 - T1);
        while (top < limit && q.RowSame(top)) ++top;
    }
    // Rows and columns outside the previous frame cannot be compared and stay.
    // Bounding the scans' start by the frame's own size keeps a frame lying
    // wholly above or left of the previous one from growing past its picture.
    int64_t height = H1 - top;
    if (canBottom) {
        const int64_t start = std::min(std::max(top, T0 - T1), H1);
        int64_t y = H1 - 1;
        while (y >= start && q.RowSame(y)) --y;
        height = y >= start ? y - top + 1 : start - top;
    }

    int64_t left = 0, width = W1;
    if (height > 0) {
        // Columns are compared over the rows that stay: the rows trimmed above
        // equal the previous frame across the whole width, so the columns'
        // verdict is the same as over every row.
        const int64_t y0 = top, y1 = top + height;
        if (canLeft) {
            int64_t limit = std::max<int64_t>(0, std::min(W1, R0 - L1));
            for (int64_t y = y0; y < y1 && limit > 0; ++y) limit = q.FirstDifference(y, 0, limit);
            left = limit;
        }
        width = W1 - left;
        if (canRight) {
            const int64_t start = std::min(std::max(left, L0 - L1), W1);
            int64_t last = start - 1;
            for (int64_t y = y0; y < y1 && last < W1 - 1; ++y) {
                const int64_t from = std::max(start, last + 1);
                const int64_t d = q.LastDifference(y, from, W1);
                if (d >= from) last = d;
            }
            width = last >= start ? last - left + 1 : start - left;
        }
    }

    if (top == 0 && left == 0 && width == W1 && height == H1) return plan;
    if (width <= 0 || height <= 0) {
        plan.result = kCropAddsNothing;
        return plan;
    }
    plan = {kCropCropped, int32_t(left), int32_t(top), int32_t(width), int32_t(height)};
    return plan;
}

Dib CopyArea(const FramePixels& px, int32_t left, int32_t top, int32_t width, int32_t height) {
    Dib dib = MakeDib24(uint32_t(width), uint32_t(height));
    if (dib.empty()) return dib;
    const size_t stride = DibRowBytes(uint32_t(width), 24);
    uint8_t* out = DibPixels(dib);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(out + size_t(height - 1 - y) * stride, px.Row(top + y) + 3 * size_t(left), 3 * size_t(width));
    return dib;
}

void ForgetPalettesOfOldPicture(Frame& frame) {
    frame.pngPalette = {};
    frame.pngIndexPixels = {};
    frame.localPalette = {};
    frame.indexPixels = {};
    frame.census = {};
    frame.censusIndices = {};
    frame.colorCount = 0;
    frame.tempPalette = 1;
}

int CropToChanges(Frame& frame, const Frame& previous) {
    const CropPlan plan = PlanCrop(frame, previous);
    if (plan.result != kCropCropped) return plan.result;
    Dib dib = CopyArea(*GetFramePixels(frame), plan.left, plan.top, plan.width, plan.height);
    if (dib.empty()) return kCropOutOfMemory;
    frame.dib = std::move(dib);
    frame.left += plan.left;
    frame.top += plan.top;
    frame.width = plan.width;
    frame.height = plan.height;
    ForgetPalettesOfOldPicture(frame);
    return kCropCropped;
}

}  // namespace kivo
