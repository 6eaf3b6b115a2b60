#include "color/frame_pixels.h"

#include <algorithm>

#include "doc/dib.h"

namespace kivo {

std::optional<FramePixels> GetFramePixels(const Frame& frame) {
    FramePixels px;
    if (frame.width <= 0 || frame.height <= 0) return px;
    const DibSpan dib(frame.dib);
    if (frame.dib.empty() || !DibIsValid(dib) || DibBitCount(dib) != 24 ||
        DibWidth(dib) != frame.width || DibHeight(dib) != frame.height)
        return std::nullopt;
    px.bits = DibPixels(dib);
    px.width = frame.width;
    px.height = frame.height;
    px.stride = DibRowBytes(uint32_t(frame.width), 24);
    return px;
}

int FindColor(const Palette& palette, int n, Rgb c) {
    const int limit = std::min(n, int(palette.size()));
    for (int i = 0; i < limit; ++i)
        if (palette[size_t(i)] == c) return i;
    return -1;
}

}  // namespace kivo
