// The canvas's composer: whatever order frames are visited in, each screen is
// the one the compositor composes afresh for that frame; stepping on draws one
// frame, going back draws no more than the checkpoints' spacing, an edit
// recomposes only what it affects; playback goes round as a looping animation
// does; a frame drawn where a drag holds it; and stepping through large
// screens fast.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "app/canvas_composer.h"
#include "support/animation_builder.h"
#include "support/test_support.h"

namespace kivo {
namespace {

// count frames on a 24 × 16 screen at random places and sizes, with every
// disposal and transparency now and then, long enough for checkpoints.
std::unique_ptr<AnimDoc> LongAnimation(uint32_t seed, int count) {
    std::mt19937 rng(seed);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    const std::vector<Rgb> colours = {{0, 0, 0}, {255, 0, 255}, {10, 200, 30}, {255, 255, 255}};
    std::vector<test::FrameSpec> frames;
    for (int i = 0; i < count; ++i) {
        const bool full = i == 0 || pick(0, 9) == 0;
        test::FrameSpec s(full ? 0 : pick(-2, 20), full ? 0 : pick(-2, 12), full ? 24 : pick(1, 10),
                          full ? 16 : pick(1, 8), [i, &colours](int x, int y) {
                              return colours[size_t(((x / 2 + y + i) % 4 + 4) % 4)];  // x < 0 left of the screen
                          });
        s.disposal = pick(0, 3);
        if (pick(0, 2) == 0) s.transparent = colours[size_t(pick(0, 3))];
        frames.push_back(s);
    }
    return test::MakeAnimation(24, 16, frames);
}

std::vector<uint32_t> Afresh(const AnimDoc& doc, int n, const CompositionRules& rules) {
    Composition c;
    c.rules = rules;
    EXPECT_TRUE(ComposeUpTo(c, doc, n));
    return c.screen;
}

void ExpectShows(CanvasComposer& composer, const AnimDoc& doc, int n, const CompositionRules& rules) {
    ASSERT_TRUE(composer.Show(doc, n, rules));
    EXPECT_EQ(composer.Index(), n);
    EXPECT_EQ(composer.Screen().screen, Afresh(doc, n, rules)) << "frame " << n;
    if (n == 0) {
        EXPECT_EQ(composer.Previous(), nullptr);
    } else {
        ASSERT_NE(composer.Previous(), nullptr);
        EXPECT_EQ(composer.Previous()->screen, Afresh(doc, n - 1, rules)) << "before frame " << n;
    }
}

TEST(CanvasComposer, AnyOrderOfVisitsShowsWhatTheAnimationShows) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        auto doc = LongAnimation(seed, 70);
        std::mt19937 rng(seed);
        for (int mode = 0; mode < 4; ++mode) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " mode " + std::to_string(mode));
            const CompositionRules rules = CanvasRules(mode & 1, mode >> 1);
            CanvasComposer composer;
            std::vector<int> visits;
            for (int n = 0; n < 70; ++n) visits.push_back(n);        // stepping on
            for (int n = 68; n >= 30; n -= 3) visits.push_back(n);  // going back
            for (int i = 0; i < 25; ++i) visits.push_back(std::uniform_int_distribution<int>(0, 69)(rng));
            for (int n : visits) ExpectShows(composer, *doc, n, rules);
        }
    }
}

TEST(CanvasComposer, WorkDoneFollowsWhatChanged) {
    auto doc = LongAnimation(7, 100);
    const CompositionRules rules = CanvasRules(0, 0);
    CanvasComposer composer;
    auto drawnBy = [&](auto step) {
        const int64_t before = composer.FramesDrawn();
        step();
        return composer.FramesDrawn() - before;
    };
    for (int n = 0; n < 100; ++n)
        EXPECT_EQ(drawnBy([&] { composer.Show(*doc, n, rules); }), 1) << "stepping on to " << n;
    EXPECT_EQ(drawnBy([&] { composer.Show(*doc, 99, rules); }), 0);
    // Going back: from the nearest checkpoint, never from the start.
    for (int n : {98, 50, 49, 17, 3}) {
        EXPECT_LE(drawnBy([&] { ExpectShows(composer, *doc, n, rules); }), 17) << "back to " << n;
    }

    ExpectShows(composer, *doc, 60, rules);
    // A drag moved the frame on show: only it is drawn again.
    NthFrame(*doc, 60)->left += 3;
    EXPECT_EQ(drawnBy([&] { ExpectShows(composer, *doc, 60, rules); }), 1);
    // Later frames and times do not touch this screen.
    NthFrame(*doc, 61)->top += 2;
    NthFrame(*doc, 60)->delay += 5;
    EXPECT_EQ(drawnBy([&] { ExpectShows(composer, *doc, 60, rules); }), 0);
    // An earlier frame changed: composed again, and right.
    NthFrame(*doc, 20)->disposal = 2;
    ExpectShows(composer, *doc, 60, rules);
    // A replaced picture is a change too.
    NthFrame(*doc, 60)->dib = test::MakeImage(NthFrame(*doc, 60)->width, NthFrame(*doc, 60)->height,
                                              [](int, int) { return Rgb{1, 2, 3}; });
    EXPECT_EQ(drawnBy([&] { ExpectShows(composer, *doc, 60, rules); }), 1);
    // Other rules, another document: everything again.
    ExpectShows(composer, *doc, 60, CanvasRules(1, 1));
    auto other = LongAnimation(8, 100);
    ExpectShows(composer, *other, 60, rules);
    ExpectShows(composer, *other, 61, rules);
    EXPECT_FALSE(composer.Show(*other, 100, rules));
    EXPECT_FALSE(composer.HasScreen());
    EXPECT_EQ(composer.Index(), -1);
}

TEST(CanvasComposer, FramesRemovedOrReorderedAreNoticed) {
    auto doc = LongAnimation(3, 40);
    const CompositionRules rules = CanvasRules(0, 0);
    CanvasComposer composer;
    for (int n = 0; n < 40; ++n) ASSERT_TRUE(composer.Show(*doc, n, rules));
    // Frame 10 goes to the end.
    Frame* ninth = NthFrame(*doc, 9);
    std::unique_ptr<Frame> moved = std::move(ninth->next);
    ninth->next = std::move(moved->next);
    NthFrame(*doc, 38)->next = std::move(moved);
    for (int n : {39, 38, 12, 9, 10}) ExpectShows(composer, *doc, n, rules);
    // The last frame removed.
    NthFrame(*doc, 38)->next.reset();
    doc->frameCount = 39;
    ExpectShows(composer, *doc, 38, rules);
    EXPECT_FALSE(composer.Show(*doc, 39, rules));
}

TEST(CanvasComposer, PlaybackGoesRoundAsALoopingAnimation) {
    // Frame 0 covers only the left half: coming round, it is drawn over the
    // last picture in view mode 0 and on a cleared screen in view mode 1.
    const auto colour = [](Rgb c) { return [c](int, int) { return c; }; };
    auto doc = test::MakeAnimation(4, 1, {{0, 0, 2, 1, colour({255, 0, 0})}, {2, 0, 2, 1, colour({0, 255, 0})},
                                          {1, 0, 1, 1, colour({0, 0, 255})}});
    for (int viewMode : {0, 1}) {
        SCOPED_TRACE(viewMode);
        const CompositionRules rules = CanvasRules(viewMode, 0);
        CanvasComposer composer;
        Composition expected;
        ASSERT_TRUE(StartComposition(expected, 4, 1, rules));
        for (int n : {0, 1, 2, 0, 1}) {
            ASSERT_TRUE(composer.Play(*doc, n, rules));
            ComposeFrame(expected, *NthFrame(*doc, n), n == 0);
            EXPECT_EQ(composer.Screen().screen, expected.screen) << "played " << n;
        }
        ASSERT_NE(composer.Previous(), nullptr);
        // Stopped and shown, a frame is its first run's picture again.
        ExpectShows(composer, *doc, 1, rules);
        ExpectShows(composer, *doc, 0, rules);
        // A change during a later run: that run's picture is gone.
        for (int n : {1, 2, 0}) composer.Play(*doc, n, rules);
        NthFrame(*doc, 2)->delay = 7;
        ASSERT_TRUE(composer.Play(*doc, 1, rules));
        NthFrame(*doc, 2)->left = 3;
        ASSERT_TRUE(composer.Play(*doc, 2, rules));
        EXPECT_EQ(composer.Screen().screen, Afresh(*doc, 2, rules));
        NthFrame(*doc, 2)->left = 1;
    }
}

TEST(CanvasComposer, AFrameHeldByADragIsDrawnWhereItIsHeld) {
    auto doc = LongAnimation(5, 30);
    const CompositionRules rules = CanvasRules(0, 1);
    CanvasComposer composer;
    Composition held;
    EXPECT_FALSE(composer.ShowMoved(held, *doc, rules, 0, 0));  // nothing on show
    for (int n : {0, 1, 17, 29}) {
        ASSERT_TRUE(composer.Show(*doc, n, rules));
        Frame& f = *NthFrame(*doc, n);
        const int left = f.left, top = f.top;
        for (auto [x, y] : {std::pair{3, 2}, {-4, 0}, {30, 30}}) {
            ASSERT_TRUE(composer.ShowMoved(held, *doc, rules, x, y));
            f.left = x, f.top = y;
            EXPECT_EQ(held.screen, Afresh(*doc, n, rules)) << "frame " << n << " at " << x << "," << y;
            f.left = left, f.top = top;
        }
        EXPECT_EQ(composer.Screen().screen, Afresh(*doc, n, rules));

        // Alone: only the frame, with nothing drawn under its transparent pixels.
        Composition alone;
        ASSERT_TRUE(ComposeFrameAlone(alone, *doc, f, 2, 1));
        Composition expected;
        ASSERT_TRUE(StartComposition(expected, doc->screenWidth, doc->screenHeight));
        ASSERT_TRUE(ComposeFrameAt(expected, f, 2, 1));
        EXPECT_EQ(alone.screen, expected.screen);
        if (f.hasTransparency) {
            const uint32_t key = ScreenPixel(f.transparentRgb);
            for (uint32_t px : alone.screen) EXPECT_NE(px, key);
        }
    }
}

// 640 × 480 frames, every one covering the whole screen with transparent
// pixels (the slowest to compose), stepped through one after another: each
// step draws only the new frame over the kept screen, which is what keeps
// stepping within a frame's delay (bench/compare_compose.sh times it).
TEST(CanvasComposer, SteppingForwardDrawsOneFrameEach) {
    constexpr int kW = 640, kH = 480, kFrames = 24;
    std::vector<test::FrameSpec> frames;
    for (int i = 0; i < kFrames; ++i) {
        test::FrameSpec s(0, 0, kW, kH, [i](int x, int y) {
            return (x + y + i) % 7 == 0 ? Rgb{255, 0, 255} : Rgb{uint8_t(x + i), uint8_t(y), 90};
        });
        if (i > 0) s.transparent = Rgb{255, 0, 255};
        frames.push_back(s);
    }
    auto doc = test::MakeAnimation(kW, kH, frames);
    const CompositionRules rules = CanvasRules(0, 0);
    CanvasComposer composer;
    ASSERT_TRUE(composer.Show(*doc, 0, rules));
    for (int n = 1; n < kFrames; ++n) {
        ASSERT_TRUE(composer.Show(*doc, n, rules));
        EXPECT_EQ(composer.FramesDrawn(), n + 1) << "step to " << n;
    }
}

}  // namespace
}  // namespace kivo
