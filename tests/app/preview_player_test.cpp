// The preview's playback on a clock of the test's own: which frame shows when,
// the loop setting's repetitions, the stop on the last frame, stepping with
// the scroll bar, and the drawing area's size.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/preview_player.h"
#include "doc/dib.h"
#include "support/test_support.h"

namespace kivo {
namespace {

constexpr Rgb kBackground{9, 9, 9};

struct Delay {
    int hundredths;
    bool has = true;
};

// A frame per delay, each a 2 × 2 square of its own colour moving right.
std::unique_ptr<AnimDoc> Animation(const std::vector<Delay>& delays, int loopEnabled = 1, int loopCount = 0) {
    auto doc = NewDocument();
    doc->screenWidth = 2 * int(delays.size());
    doc->screenHeight = 2;
    doc->loopEnabled = loopEnabled;
    doc->loopCount = loopCount;
    for (size_t i = 0; i < delays.size(); ++i) {
        AppendFrame(*doc);
        Frame& f = *doc->currentFrame;
        f.left = 2 * int(i);
        f.width = f.height = 2;
        f.delay = delays[i].hundredths;
        f.hasDelay = delays[i].has;
        f.dib = test::MakeImage(2, 2, [&](int, int) { return Rgb{uint8_t(40 * i + 40), 0, 0}; });
    }
    return doc;
}

// "time:index" for every change while ticking every 10 ms up to `until`,
// then "stop@time" when playback ended.
std::string Timeline(PreviewPlayer& player, int64_t until) {
    std::string s;
    player.Start(0);
    for (int64_t t = 10; t <= until; t += 10) {
        const bool playing = player.Playing();
        if (player.Tick(t)) s += std::to_string(t) + ":" + std::to_string(player.Index()) + " ";
        if (playing && !player.Playing()) s += "stop@" + std::to_string(t);
    }
    return s;
}

TEST(PreviewPlayer, FramesChangeOnTimeAndTheLoopSettingEndsPlayback) {
    struct Case {
        const char* name;
        std::vector<Delay> delays;
        int loopEnabled, loopCount;
        int64_t until;
        std::string timeline;
        int lastIndex;
    };
    const std::vector<Delay> three = {{5}, {5}, {5}};
    const Case cases[] = {
        {"loop count 2: three runs, then the last frame stays", three, 1, 2, 600,
         "50:1 100:2 150:0 200:1 250:2 300:0 350:1 400:2 stop@450", 2},
        {"no loop: one run", three, 0, 0, 600, "50:1 100:2 stop@150", 2},
        {"loop count 0: for ever", {{5}, {5}}, 1, 0, 300, "50:1 100:0 150:1 200:0 250:1 300:0 ", 0},
        {"delay 50 stays 500 ms, no delay one tick", {{50}, {7, false}, {1}}, 0, 0, 700, "500:1 510:2 stop@520", 2},
        {"delay 0 moves on at each tick", {{0}, {0}}, 1, 1, 100, "10:1 20:0 30:1 stop@40", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Animation(c.delays, c.loopEnabled, c.loopCount);
        PreviewPlayer player;
        ASSERT_TRUE(player.Load(doc.get(), PreviewRules(0, 0, kBackground)));
        EXPECT_EQ(Timeline(player, c.until), c.timeline);
        EXPECT_EQ(player.Index(), c.lastIndex);
    }
}

TEST(PreviewPlayer, StartRules) {
    PreviewPlayer player;
    auto one = Animation({{5}});
    ASSERT_TRUE(player.Load(one.get(), PreviewRules(0, 0, kBackground)));
    EXPECT_FALSE(player.Start(0));
    EXPECT_FALSE(player.Playing());

    auto doc = Animation({{5}, {5}}, 0);
    ASSERT_TRUE(player.Load(doc.get(), PreviewRules(0, 0, kBackground)));
    EXPECT_EQ(Timeline(player, 200), "50:1 stop@100");
    // Started on the last frame: the first comes again, drawn over the last
    // picture in view mode 0.
    EXPECT_TRUE(player.Start(1000));
    EXPECT_TRUE(player.Playing());
    EXPECT_EQ(player.Index(), 0);
    Composition both;
    both.rules = PreviewRules(0, 0, kBackground);
    ASSERT_TRUE(ComposeUpTo(both, *doc, 1));
    EXPECT_EQ(player.Screen().screen, both.screen);
    EXPECT_FALSE(player.Start(1000));  // already playing
    EXPECT_TRUE(player.Stop());
    EXPECT_FALSE(player.Stop());
}

TEST(PreviewPlayer, SeekingStopsAndShowsWhatTheAnimationShowsThere) {
    auto doc = Animation({{5}, {5}, {5}, {5}});
    NthFrame(*doc, 2)->disposal = 2;
    for (int viewMode : {0, 1}) {
        const CompositionRules rules = PreviewRules(viewMode, 1, kBackground);
        PreviewPlayer player;
        ASSERT_TRUE(player.Load(doc.get(), rules));
        player.Start(0);
        for (int target : {3, 1, 9, -4, 2}) {
            SCOPED_TRACE(target);
            player.Seek(target);
            EXPECT_FALSE(player.Playing());
            const int n = std::clamp(target, 0, 3);
            EXPECT_EQ(player.Index(), n);
            Composition expected;
            expected.rules = rules;
            ASSERT_TRUE(ComposeUpTo(expected, *doc, n));
            EXPECT_EQ(player.Screen().screen, expected.screen);
        }
        EXPECT_FALSE(player.Seek(2));  // already there
    }
}

TEST(PreviewPlayer, AScreenThatCannotBeMadeShowsNothing) {
    auto doc = Animation({{5}, {5}});
    const size_t kept = MaxImagePixels;
    MaxImagePixels = 4;
    PreviewPlayer player;
    EXPECT_FALSE(player.Load(doc.get(), PreviewRules(0, 0, kBackground)));
    MaxImagePixels = kept;
    EXPECT_FALSE(player.HasPicture());
    EXPECT_FALSE(player.Start(0));
    EXPECT_FALSE(player.Tick(100));
    EXPECT_FALSE(player.Seek(1));
    EXPECT_TRUE(player.Load(nullptr, {}));
    EXPECT_FALSE(player.HasPicture());
}

TEST(PreviewPlayer, DrawingAreaSizeAndPlace) {
    const int cw = 7, buttons = 33 * cw + 30;
    struct Case {
        int screenWidth, screenHeight, frames;
        PreviewGeometry expected;
    };
    const Case cases[] = {
        {30, 30, 1, {buttons, 100, (buttons - 30) / 2, 35}},
        {640, 480, 2, {680, 520, 20, 20}},
        {500, 61, 1, {540, 101, 20, 20}},
        {500, 300, 0, {buttons, 100, buttons / 2, 50}},  // no frames: no screen
    };
    for (const Case& c : cases) {
        auto doc = NewDocument();
        doc->screenWidth = c.screenWidth;
        doc->screenHeight = c.screenHeight;
        for (int i = 0; i < c.frames; ++i) AppendFrame(*doc);
        const PreviewGeometry g = PreviewGeometryFor(doc.get(), cw);
        EXPECT_EQ(g.viewWidth, c.expected.viewWidth) << c.screenWidth;
        EXPECT_EQ(g.viewHeight, c.expected.viewHeight) << c.screenWidth;
        EXPECT_EQ(g.offsetX, c.expected.offsetX) << c.screenWidth;
        EXPECT_EQ(g.offsetY, c.expected.offsetY) << c.screenWidth;
    }
    EXPECT_EQ(PreviewGeometryFor(nullptr, cw).viewHeight, 100);

    // A stored position within reach of a 1000 × 800 display, 4 units from its edges.
    EXPECT_TRUE(PreviewPositionUsable({0, 0}, 1000, 800, 8, 20));
    EXPECT_TRUE(PreviewPositionUsable({968, 720}, 1000, 800, 8, 20));
    EXPECT_FALSE(PreviewPositionUsable({969, 10}, 1000, 800, 8, 20));
    EXPECT_FALSE(PreviewPositionUsable({10, 721}, 1000, 800, 8, 20));
    EXPECT_FALSE(PreviewPositionUsable({-1, 10}, 1000, 800, 8, 20));
}

}  // namespace
}  // namespace kivo
