// Small pictures of composed screens, as the frame list shows them: the whole
// screen shrunk into a square box, laid over a checkerboard where nothing was
// drawn, so that transparency reads as it does in any picture editor.
#pragma once

#include <cstdint>

#include "render/compositor.h"

namespace kivo {

struct ThumbnailSize {
    int32_t width = 0, height = 0;
    bool operator==(const ThumbnailSize&) const = default;
};

// The checkerboard under transparent screen parts, in thumbnail pixels.
constexpr int32_t kCheckSide = 4;
constexpr uint32_t kCheckLight = 0xFFFFFFFFu, kCheckDark = 0xFFCCCCCCu;

// How thumbnails compose: what the animation shows on its first run, with
// nothing drawn where no frame drew (the checkerboard shows there); MNG (format
// mode 1) clears the whole screen on disposal 2, as its players do.
CompositionRules ThumbnailRules(int formatMode);

// The size of a screen's thumbnail in a box of side `box`: the screen's
// proportions, never larger than the screen itself, at least one pixel a side;
// nothing for an empty screen or box.
ThumbnailSize FitThumbnail(int32_t screenWidth, int32_t screenHeight, int32_t box);

// How far apart the screen pixels are that make a thumbnail pixel, across or
// down: every pixel while a thumbnail pixel covers fewer than 2 ×
// kSamplesPerSide of them in that direction, else evenly spread samples, about
// kSamplesPerSide of them. A thumbnail of a large screen then costs what one
// of a small screen costs, and looks the same at its size.
constexpr int32_t kSamplesPerSide = 4;
int32_t SampleStep(int32_t screenSide, int32_t thumbnailSide);

// The composed screen shrunk to size: every thumbnail pixel is the average of
// the screen pixels it covers (those SampleStep picks, starting half a step in),
// those where nothing was drawn counting as the checkerboard's colour there.
// out receives width × height pixels, 0xFFrrggbb, top row first. Nothing is
// written for a size larger than the screen or an empty one.
void ShrinkScreen(const Composition& c, ThumbnailSize size, uint32_t* out);

}  // namespace kivo
