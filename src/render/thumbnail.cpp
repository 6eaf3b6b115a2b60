#include "render/thumbnail.h"

#include <algorithm>
#include <vector>

namespace kivo {

namespace {

uint32_t CheckAt(int32_t x, int32_t y) { return ((x / kCheckSide + y / kCheckSide) & 1) ? kCheckDark : kCheckLight; }

}  // namespace

CompositionRules ThumbnailRules(int formatMode) {
    CompositionRules rules;
    rules.background = kNothingDrawn;
    rules.backgroundClearsScreen = formatMode == 1;
    return rules;
}

ThumbnailSize FitThumbnail(int32_t screenWidth, int32_t screenHeight, int32_t box) {
    if (screenWidth <= 0 || screenHeight <= 0 || box <= 0) return {};
    if (screenWidth <= box && screenHeight <= box) return {screenWidth, screenHeight};
    // The longer side fills the box; the shorter keeps the proportion, rounded.
    if (screenWidth >= screenHeight)
        return {box, std::max<int32_t>(1, int32_t((int64_t(screenHeight) * box + screenWidth / 2) / screenWidth))};
    return {std::max<int32_t>(1, int32_t((int64_t(screenWidth) * box + screenHeight / 2) / screenHeight)), box};
}

int32_t SampleStep(int32_t screenSide, int32_t thumbnailSide) {
    return std::max<int32_t>(1, screenSide / thumbnailSide / kSamplesPerSide);
}

void ShrinkScreen(const Composition& c, ThumbnailSize size, uint32_t* out) {
    const int32_t w = size.width, h = size.height;
    if (w <= 0 || h <= 0 || w > c.width || h > c.height ||
        c.screen.size() != size_t(c.width) * size_t(c.height))
        return;
    const int32_t stepX = SampleStep(c.width, w), stepY = SampleStep(c.height, h);
    // Screen columns [edge[tx], edge[tx + 1]) make thumbnail column tx, and
    // rows alike; each samples from half a step in.
    std::vector<int32_t> edge(static_cast<size_t>(w) + 1);
    for (int32_t tx = 0; tx <= w; ++tx) edge[size_t(tx)] = int32_t(int64_t(tx) * c.width / w);
    // Per thumbnail column of one thumbnail row: red and blue summed in the two
    // halves of one 64-bit value, green, the pixels where nothing was drawn
    // (which add nothing to the sums), and the samples taken.
    std::vector<uint64_t> redBlue(static_cast<size_t>(w));
    std::vector<uint32_t> green(static_cast<size_t>(w)), none(static_cast<size_t>(w)), taken(static_cast<size_t>(w));
    for (int32_t ty = 0; ty < h; ++ty) {
        const int32_t y0 = int32_t(int64_t(ty) * c.height / h), y1 = int32_t(int64_t(ty + 1) * c.height / h);
        std::fill(redBlue.begin(), redBlue.end(), 0);
        std::fill(green.begin(), green.end(), 0u);
        std::fill(none.begin(), none.end(), 0u);
        std::fill(taken.begin(), taken.end(), 0u);
        for (int32_t y = y0 + stepY / 2; y < y1; y += stepY) {
            const uint32_t* row = c.screen.data() + size_t(y) * size_t(c.width);
            for (int32_t tx = 0; tx < w; ++tx) {
                uint64_t rb = 0;
                uint32_t g = 0, n = 0, k = 0;
                for (int32_t x = edge[size_t(tx)] + stepX / 2; x < edge[size_t(tx) + 1]; x += stepX, ++k) {
                    const uint32_t p = row[x];
                    rb += (p & 0xFFu) | uint64_t(p & 0xFF0000u) << 16;
                    g += (p >> 8) & 0xFFu;
                    n += p == kNothingDrawn;
                }
                redBlue[size_t(tx)] += rb;
                green[size_t(tx)] += g;
                none[size_t(tx)] += n;
                taken[size_t(tx)] += k;
            }
        }
        for (int32_t tx = 0; tx < w; ++tx) {
            const uint64_t total = std::max<uint64_t>(taken[size_t(tx)], 1);
            const uint32_t check = CheckAt(tx, ty);
            const uint64_t n = none[size_t(tx)];
            const uint64_t sums[3] = {(redBlue[size_t(tx)] >> 32) + n * ((check >> 16) & 0xFF),
                                      green[size_t(tx)] + n * ((check >> 8) & 0xFF),
                                      (redBlue[size_t(tx)] & 0xFFFFFFFFu) + n * (check & 0xFF)};
            uint32_t pixel = 0xFF000000u;
            for (int i = 0; i < 3; ++i) pixel |= uint32_t((sums[i] + total / 2) / total) << (16 - 8 * i);
            out[size_t(ty) * size_t(w) + size_t(tx)] = pixel;
        }
    }
}

}  // namespace kivo
