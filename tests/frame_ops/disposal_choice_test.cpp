// Frames that clear to the background leave their picture where the next
// frame paints the whole screen, and frames lose transparent borders where
// nothing in any run depends on them: stickers (a sprite on a transparent
// screen, every frame clearing) shrink to their sprites, and every animation,
// looped, shows exactly what it showed before.
#include <gtest/gtest.h>

#include <random>

#include "frame_ops/optimize_frames.h"
#include "options/write_options.h"
#include "platform/recording_backend.h"
#include "support/animation_builder.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::FrameSpec;

constexpr Rgb kClear{255, 0, 255};

// Full-screen frames of a sprite on the transparent colour; now and then a
// frame painted all over, a frame that leaves or restores instead of clearing,
// or a frame a little off the screen's corner.
std::unique_ptr<AnimDoc> Sticker(uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    const int w = pick(12, 40), h = pick(10, 30), count = pick(2, 6);
    std::vector<FrameSpec> frames;
    for (int i = 0; i < count; ++i) {
        const int sx = pick(0, w - 4), sy = pick(0, h - 4), size = pick(2, 8);
        const bool painted = pick(0, 4) == 0;
        const Rgb fill{uint8_t(pick(0, 200)), 90, 40};
        test::ScreenPattern p = [=](int x, int y) {
            if (x >= sx && x < sx + size && y >= sy && y < sy + size) return Rgb{20, uint8_t(x * 7), uint8_t(y * 5)};
            return painted ? fill : kClear;
        };
        const int roll = pick(0, 9);
        const int disposal = roll == 0 ? 1 : roll == 1 ? 3 : 2;
        const int shift = pick(0, 6) == 0 ? -2 : 0;
        frames.push_back({shift, shift, w - shift, h - shift, p, disposal, pick(1, 20), kClear});
    }
    return test::MakeAnimation(w, h, frames);
}

TEST(DisposalChoice, EveryAnimationShowsTheSameInEveryRun) {
    ScopedRecordingBackend rec;
    WriteOptions options;
    int leaving = 0, trimmedStickers = 0;
    for (uint32_t seed = 0; seed < 200; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        const bool sticker = seed % 2 == 0;
        auto make = [&] { return sticker ? Sticker(seed) : test::SpritesOverTextures(seed); };
        auto original = make(), doc = make();
        OptimizeFrameSizes(nullptr, *doc, options);
        ASSERT_EQ(test::Playback(*doc, 3), test::Playback(*original, 3));
        for (const Frame *f = doc->firstFrame.get(), *g = original->firstFrame.get(); f && g;
             f = f->next.get(), g = g->next.get())
            leaving += g->disposal == 2 && f->disposal == 1;
        trimmedStickers += sticker && test::TotalArea(*doc) < test::TotalArea(*original);
    }
    EXPECT_TRUE(rec->errors.empty());
    // Both changes must happen often, or the property says little.
    EXPECT_GT(leaving, 20);
    EXPECT_GT(trimmedStickers, 60);
}

TEST(DisposalChoice, AClearingFrameLeavesItsPictureBeforeAFullFrameThatIsThenCropped) {
    ScopedRecordingBackend rec;
    WriteOptions options;
    const auto flat = [](int, int) { return Rgb{40, 80, 120}; };
    const auto dot = [&](int x, int y) { return x == 5 && y == 3 ? Rgb{250, 0, 0} : flat(x, y); };
    for (bool covers : {true, false}) {
        SCOPED_TRACE(covers ? "the next frame paints the whole screen" : "the next frame has a hole");
        std::optional<Rgb> hole;
        if (!covers) hole = Rgb{250, 0, 0};
        auto doc = test::MakeAnimation(16, 8, {{0, 0, 16, 8, flat, 2}, {0, 0, 16, 8, dot, 1, 10, hole}});
        OptimizeFrameSizes(nullptr, *doc, options);
        EXPECT_EQ(doc->firstFrame->disposal, covers ? 1 : 2);
        EXPECT_EQ(doc->firstFrame->next->width, covers ? 1 : 16);
    }
}

}  // namespace
}  // namespace kivo
