// Animations for the frame size tests: built from per-frame descriptions or at
// random, and what they show over time, as the oracle that an optimised
// animation must match.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "doc/anim_doc.h"

namespace kivo::test {

// Colour of the pixel at a screen position.
using ScreenPattern = std::function<Rgb(int x, int y)>;

struct FrameSpec {
    FrameSpec() = default;
    FrameSpec(int l, int t, int w, int h, ScreenPattern p, int d = 1, int cs = 10, std::optional<Rgb> tr = {})
        : left(l), top(t), width(w), height(h), pixel(std::move(p)), disposal(d), delay(cs), transparent(tr) {}

    int left = 0, top = 0, width = 0, height = 0;
    ScreenPattern pixel;
    int disposal = 1;
    int delay = 10;
    std::optional<Rgb> transparent;
    int hasDelay = 1;
    std::string comment;
};

std::unique_ptr<AnimDoc> MakeAnimation(int screenWidth, int screenHeight, const std::vector<FrameSpec>& frames);

// A small animation with moving sprites, static backgrounds, repeated frames,
// every disposal, transparency and frames reaching past the screen, all drawn
// from a handful of colours so that pixels repeat by chance as well. The same
// seed gives the same animation.
std::unique_ptr<AnimDoc> RandomAnimation(uint32_t seed);

// Backgrounds for weighing transparency against a frame's own colours: one
// colour; a gradient ordered-dithered to four greys and panned one pixel a
// frame, so that half the pixels repeat the frame before by chance, scattered;
// grain that changes every frame (a third of the pixels keep their colour);
// a still picture of many colours.
ScreenPattern Flat();
ScreenPattern PannedDither(int shift);
ScreenPattern Grain(uint32_t seed);
Rgb Detailed(int x, int y);
// A square sprite of kSprite over under, with one pixel of kHole in its middle.
constexpr Rgb kSprite{250, 30, 30}, kHole{0, 255, 0};
ScreenPattern WithSprite(ScreenPattern under, int sx, int sy, int size, bool hole);
// One or two sprites moving over one of those backgrounds, now and then a
// frame that clears to the background, frames with holes of their own
// transparency (kHole). The same seed gives the same animation.
std::unique_ptr<AnimDoc> SpritesOverTextures(uint32_t seed);

// What the screen shows and for how long, with consecutive equal pictures
// joined: two animations look the same exactly when these are equal. More
// than one run draws the first frame again over what the last one left, as a
// looping GIF does.
struct Shown {
    std::vector<uint32_t> screen;
    int64_t time = 0;
    bool operator==(const Shown&) const = default;
};
std::vector<Shown> Playback(const AnimDoc& doc, int runs = 1);

// Everything of the frames that optimisation may touch, for telling whether a
// document changed.
std::string Fingerprint(const AnimDoc& doc);

// Sum of the frames' areas.
int64_t TotalArea(const AnimDoc& doc);

}  // namespace kivo::test
