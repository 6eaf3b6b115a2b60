// The pictures an AVI export writes: what the screen shows while each frame is
// on, composed one frame after another as a player draws them, and for 8-bit
// video the one palette all of them share, found from each screen's colours
// alone so that no screen has to be kept.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "color/color_index.h"
#include "doc/anim_doc.h"
#include "doc/dib.h"
#include "render/compositor.h"

namespace kivo {

// Screens one frame after another: disposal and transparency applied, frames
// clipped to the screen. Where nothing was drawn the first frame's transparent
// colour shows, else black.
class AviScreens {
public:
    // False when the screen size is out of range or memory runs out.
    bool Start(const AnimDoc& doc);
    // Draws frame, the one after the frame drawn last. Throws std::bad_alloc.
    void Draw(const Frame& frame);
    // The screen as it is now into out: width * height pixels 0xFFRRGGBB, top
    // row first. False when out has another size.
    bool Copy(std::span<uint32_t> out) const;

    int32_t width() const { return c_.width; }
    int32_t height() const { return c_.height; }
    size_t pixels() const { return size_t(c_.width) * size_t(c_.height); }

private:
    Composition c_;
};

// The colours of a screen (0xRRGGBB) in the order they first appear, rows from
// the top; false, with the list incomplete, once there are more than 256. When
// places has the screen's size it receives each pixel's position in colours,
// so that the screen can be written later without being composed again.
bool CountScreenColours(std::span<const uint32_t> screen, std::vector<uint32_t>& colours,
                        std::span<uint8_t> places = {});

// The palette every screen can be written with exactly, as palette preparation
// and global palette building make it for whole-screen frames of these colours:
// screens of larger palettes (their colour count rounded up to a power of two)
// first, equal ones in frame order, each adding its colours not yet present in
// the order they appear; black fills it up to a power of two. Nothing when the
// screens have more than 256 colours together.
std::optional<Palette> SharedScreenPalette(const std::vector<std::vector<uint32_t>>& colours);

// Screens into 8-bit DIBs of one palette that holds all their colours.
class AviScreenIndexer {
public:
    // False when memory runs out.
    bool Start(int32_t width, int32_t height, const Palette& palette);
    // The DIB of the screen (width * height pixels, top row first), valid until
    // the next call. A colour missing from the palette gets entry 0.
    DibSpan Index(std::span<const uint32_t> screen);
    // The same for a screen kept as CountScreenColours counted it: each pixel's
    // position in colours.
    DibSpan Index(std::span<const uint8_t> places, const std::vector<uint32_t>& colours);

private:
    uint8_t Entry(uint32_t colour) const;

    ColorIndex where_;
    Dib dib_;
    int32_t width_ = 0, height_ = 0;
};

}  // namespace kivo
