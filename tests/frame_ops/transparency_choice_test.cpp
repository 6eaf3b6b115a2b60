// Repeated pixels become transparent only in frames that code smaller for it:
// a sprite over a flat background keeps its transparent runs, a panned dither
// keeps its own colours, and whichever way each frame goes the animation shows
// the same pictures for the same time.
#include <gtest/gtest.h>

#include "options/write_options.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "support/animation_builder.h"
#include "frame_ops/optimize_frames.h"

namespace kivo {
namespace {

using test::FrameSpec;
using test::Detailed;
using test::Flat;
using test::kHole;
using test::PannedDither;
using test::ScreenPattern;
using test::WithSprite;

// Two sprites move at opposite corners of a flat background, with or without
// a still, detailed sprite between them. Each later frame is cropped to the
// span of the moving two. The detailed sprite, repeated pixel for pixel, codes
// to almost nothing once transparent; the flat background codes as well in
// its own colour, and a tie keeps the frame as it is.
ScreenPattern SpritesOverFlat(int i, bool detailedSprite) {
    const ScreenPattern still = [=](int x, int y) {
        return detailedSprite && x >= 20 && x < 44 && y >= 14 && y < 34 ? Detailed(x, y) : Flat()(x, y);
    };
    return WithSprite(WithSprite(still, 2 + i, 4 + i, 4, false), 56 - i, 36 - i, 4, false);
}

TEST(TransparencyChoice, RepeatsTurnTransparentWhereThatCodesSmaller) {
    ScopedRecordingBackend rec;
    WriteOptions options;
    for (bool detailedSprite : {true, false}) {
        SCOPED_TRACE(detailedSprite ? "a detailed still sprite" : "flat between the sprites");
        std::vector<FrameSpec> frames;
        for (int i = 0; i < 5; ++i) frames.push_back({0, 0, 64, 48, SpritesOverFlat(i, detailedSprite)});
        auto doc = test::MakeAnimation(64, 48, frames);
        auto original = test::MakeAnimation(64, 48, frames);
        ASSERT_TRUE(OptimizeFrameSizes(nullptr, *doc, options));
        for (const Frame* f = doc->firstFrame->next.get(); f; f = f->next.get()) {
            ASSERT_LT(f->width, 64);
            EXPECT_EQ(f->hasTransparency, detailedSprite ? 1 : 0);
            // The screen's middle lies inside every crop and repeats there.
            const Rgb middle = test::PixelOf(f->dib, 32 - f->left, 24 - f->top);
            EXPECT_EQ(middle, detailedSprite ? f->transparentRgb : Flat()(32, 24));
        }
        EXPECT_EQ(test::Playback(*doc), test::Playback(*original));
    }
}

TEST(TransparencyChoice, APannedDitherKeepsItsOwnColours) {
    ScopedRecordingBackend rec;
    WriteOptions options;
    std::vector<FrameSpec> frames;
    for (int i = 0; i < 5; ++i) frames.push_back({0, 0, 96, 64, PannedDither(i)});
    auto doc = test::MakeAnimation(96, 64, frames);
    auto original = test::MakeAnimation(96, 64, frames);
    OptimizeFrameSizes(nullptr, *doc, options);
    for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get()) EXPECT_EQ(f->hasTransparency, 0);
    EXPECT_EQ(test::Playback(*doc), test::Playback(*original));
}

TEST(TransparencyChoice, EveryChoiceShowsTheSamePicturesForTheSameTime) {
    ScopedRecordingBackend rec;
    WriteOptions options;
    int transparentFrames = 0, plainFrames = 0;
    for (uint32_t seed = 0; seed < 150; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        auto original = test::SpritesOverTextures(seed);
        auto doc = test::SpritesOverTextures(seed);
        OptimizeFrameSizes(nullptr, *doc, options);
        ASSERT_EQ(test::Playback(*doc), test::Playback(*original));
        for (const Frame* f = doc->firstFrame->next.get(); f; f = f->next.get())
            ++(f->hasTransparency && f->transparentRgb != kHole ? transparentFrames : plainFrames);
    }
    EXPECT_TRUE(rec->errors.empty());
    // Both choices must be taken often, or the property says little.
    EXPECT_GT(transparentFrames, 30);
    EXPECT_GT(plainFrames, 50);
}

}  // namespace
}  // namespace kivo
