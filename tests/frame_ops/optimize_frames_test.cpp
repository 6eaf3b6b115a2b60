// Frame size optimisation: an optimised animation shows the same pictures for
// the same time as before; the crops, removals and transparent pixels that
// make it smaller; and what must stay untouched.
#include <gtest/gtest.h>

#include "options/write_options.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "support/animation_builder.h"
#include "frame_ops/optimize_frames.h"

namespace kivo {
namespace {

using test::FrameSpec;

Rgb Background(int x, int y) { return {uint8_t(x * 7), uint8_t(y * 5), 9}; }
// The background with the pixels of a box (screen coordinates) in another colour.
test::ScreenPattern BoxOver(int bx, int by, int bw, int bh, Rgb colour = {1, 2, 3}) {
    return [=](int x, int y) {
        return x >= bx && x < bx + bw && y >= by && y < by + bh ? colour : Background(x, y);
    };
}

struct Rect {
    int left, top, width, height;
    bool operator==(const Rect&) const = default;
};
Rect RectOf(const Frame& f) { return {f.left, f.top, f.width, f.height}; }
std::ostream& operator<<(std::ostream& o, const Rect& r) {
    return o << r.left << "," << r.top << " " << r.width << "x" << r.height;
}

class FrameSizes : public testing::Test {
protected:
    ScopedRecordingBackend rec;
    WriteOptions options;
};

TEST(CropToChanges, TrimsOnlyWhereEveryComparedPixelLiesInsideThePreviousFrame) {
    const Rgb magenta{255, 0, 255};
    struct Case {
        const char* name;
        FrameSpec previous, frame;
        int result;
        Rect after;
    };
    const Case cases[] = {
        {"identical and inside adds nothing", {0, 0, 10, 10, Background}, {2, 2, 5, 5, Background}, kCropAddsNothing,
         {2, 2, 5, 5}},
        {"a change in the middle", {0, 0, 10, 10, Background}, {0, 0, 10, 10, BoxOver(3, 4, 3, 2)}, kCropCropped,
         {3, 4, 3, 2}},
        {"one changed column", {0, 0, 10, 10, Background}, {0, 0, 10, 10, BoxOver(4, 0, 1, 10)}, kCropCropped,
         {4, 0, 1, 10}},
        {"larger on every side", {2, 2, 5, 5, Background}, {0, 0, 10, 10, BoxOver(0, 0, 1, 1)}, kCropUnchanged,
         {0, 0, 10, 10}},
        // Below the previous frame nothing can be compared, but its top rows can.
        {"reaching below keeps only the rows below", {0, 0, 10, 10, Background},
         {2, 4, 6, 10, BoxOver(0, 10, 10, 4)}, kCropCropped, {2, 10, 6, 4}},
        // Scanning upwards from the bottom must not start below the frame itself.
        {"wholly above", {0, 10, 10, 10, Background}, {0, 0, 10, 5, Background}, kCropUnchanged, {0, 0, 10, 5}},
        {"wholly to the left", {10, 0, 10, 10, Background}, {0, 0, 5, 10, Background}, kCropUnchanged,
         {0, 0, 5, 10}},
        // Where the previous frame let the screen show through, an opaque pixel
        // of its transparent colour is a change.
        {"opaque over the previous frame's transparent colour",
         {0, 0, 10, 10, BoxOver(6, 7, 2, 1, magenta), 1, 10, magenta},
         {0, 0, 10, 10, BoxOver(6, 7, 2, 1, magenta)}, kCropCropped, {6, 7, 2, 1}},
        {"transparent in both, by the same colour",
         {0, 0, 10, 10, BoxOver(6, 7, 2, 1, magenta), 1, 10, magenta},
         {0, 0, 10, 10, BoxOver(6, 7, 2, 1, magenta), 1, 10, magenta}, kCropAddsNothing, {0, 0, 10, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = test::MakeAnimation(20, 20, {c.previous, c.frame});
        Frame& frame = *doc->firstFrame->next;
        const Dib before = frame.dib;
        ASSERT_EQ(CropToChanges(frame, *doc->firstFrame), c.result);
        EXPECT_EQ(RectOf(frame), c.after);
        if (c.result != kCropCropped) {
            EXPECT_EQ(frame.dib, before);
            continue;
        }
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                ASSERT_EQ(test::PixelOf(frame.dib, x, y), c.frame.pixel(frame.left + x, frame.top + y));
    }
}

// The property users rely on: the same pictures for the same time, on
// animations with moving sprites, repeats, every disposal and transparency.
TEST_F(FrameSizes, ShowsTheSamePicturesForTheSameTime) {
    int changed = 0, removedSome = 0, madeTransparent = 0;
    for (int transparency : {0, 1}) {
        options.OptimizeWithTransparency = transparency;
        for (uint32_t seed = 0; seed < 400; ++seed) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", transparency " << transparency);
            auto original = test::RandomAnimation(seed);
            auto doc = test::RandomAnimation(seed);
            OptimizeOutcome outcome;
            const bool result = OptimizeFrameSizes(nullptr, *doc, options, &outcome);
            ASSERT_EQ(test::Playback(*doc), test::Playback(*original));
            EXPECT_EQ(result, test::Fingerprint(*doc) != test::Fingerprint(*original));
            EXPECT_EQ(outcome, result ? OptimizeOutcome::kChanged : OptimizeOutcome::kUnchanged);
            EXPECT_LE(test::TotalArea(*doc), test::TotalArea(*original));
            // The first frame is never cropped and gains no transparent pixels:
            // the canvas shows only the fill colour when it is drawn.
            EXPECT_EQ(RectOf(*doc->firstFrame), RectOf(*original->firstFrame));
            EXPECT_EQ(doc->firstFrame->dib, original->firstFrame->dib);
            if (result) {
                EXPECT_EQ(doc->currentIndex, 0);
            }
            changed += result;
            removedSome += doc->frameCount < original->frameCount;
            for (Frame* f = doc->firstFrame.get(); f; f = f->next.get())
                if (f->hasTransparency && f->transparentRgb.b == 100) ++madeTransparent;
        }
    }
    EXPECT_TRUE(rec->errors.empty());
    // The generator must reach the interesting paths, or the property says little.
    EXPECT_GT(changed, 400);
    EXPECT_GT(removedSome, 50);
    EXPECT_GT(madeTransparent, 50);
}

// A screen recording: one sprite moves over a still background. Every later
// frame shrinks to the area the sprite left and entered. The repeated pixels
// inside it are the sprite's one colour, which codes as well as transparent
// ones would, so they keep it.
TEST_F(FrameSizes, ShrinksARecordingToWhereTheSpriteMoves) {
    std::vector<FrameSpec> frames;
    for (int i = 0; i < 6; ++i) frames.push_back({0, 0, 40, 30, BoxOver(5 + 2 * i, 10, 4, 4)});
    auto doc = test::MakeAnimation(40, 30, frames);
    ASSERT_TRUE(OptimizeFrameSizes(nullptr, *doc, options));
    ASSERT_EQ(doc->frameCount, 6);
    EXPECT_EQ(RectOf(*doc->firstFrame), (Rect{0, 0, 40, 30}));
    for (Frame* f = doc->firstFrame->next.get(); f; f = f->next.get()) {
        EXPECT_EQ(f->width, 6);
        EXPECT_EQ(f->height, 4);
        EXPECT_EQ(f->hasTransparency, 0);
        // The sprite's overlap with its old place repeats: two columns of it.
        EXPECT_EQ(test::PixelOf(f->dib, 2, 0), (Rgb{1, 2, 3}));
    }
}

TEST_F(FrameSizes, ARemovedFrameGivesItsTimeToTheFrameShownInItsPlace) {
    struct Case {
        const char* name;
        std::vector<FrameSpec> frames;
        int count;               // frames left
        std::vector<int> delays; // their delays
    };
    const FrameSpec still{0, 0, 8, 8, Background, 1, 10};
    auto with = [&](int delay, int hasDelay = 1, const char* comment = "") {
        FrameSpec s = still;
        s.delay = delay;
        s.hasDelay = hasDelay;
        s.comment = comment;
        return s;
    };
    const Case cases[] = {
        {"repeats fold into the first", {with(10), with(20), with(30)}, 1, {60}},
        {"a repeat after a change", {with(10), {0, 0, 8, 8, BoxOver(1, 1, 2, 2), 1, 5}, with(7)}, 3, {10, 5, 7}},
        // These stay as one unchanged pixel, keeping what removal would lose.
        {"a repeat with a comment", {with(10), with(20, 1, "hello")}, 2, {10, 20}},
        {"a repeat waiting for the user", {with(10), with(20, 0)}, 2, {10, 20}},
        {"time beyond a GIF delay", {with(60000), with(6000)}, 2, {60000, 6000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = test::MakeAnimation(8, 8, c.frames);
        ASSERT_TRUE(OptimizeFrameSizes(nullptr, *doc, options));
        ASSERT_EQ(doc->frameCount, c.count);
        std::vector<int> delays;
        for (Frame* f = doc->firstFrame.get(); f; f = f->next.get()) delays.push_back(f->delay);
        EXPECT_EQ(delays, c.delays);
        if (c.count == 2 && c.frames.size() == 2) {
            const Frame& kept = *doc->firstFrame->next;
            EXPECT_EQ(RectOf(kept), (Rect{0, 0, 1, 1}));
            EXPECT_EQ(kept.comment, c.frames[1].comment);
        }
    }
}

TEST_F(FrameSizes, TheTransparencyPassLeavesAloneWhatItCannotVouchFor) {
    const Rgb magenta{255, 0, 255}, grey{9, 9, 9};
    const FrameSpec still{0, 0, 8, 8, Background};
    {
        SCOPED_TRACE("after disposal 2 the canvas is empty: no new transparent pixels");
        // The fourth frame leaves a column uncovered, so the third keeps clearing.
        auto doc = test::MakeAnimation(8, 8, {still, {0, 0, 8, 8, BoxOver(7, 7, 1, 1)}, {0, 0, 8, 8, BoxOver(1, 1, 1, 1), 2},
                                              {0, 0, 7, 8, BoxOver(2, 2, 1, 1)}});
        const Frame& fourth = *doc->firstFrame->next->next->next;
        const Dib before = fourth.dib;
        ASSERT_TRUE(OptimizeFrameSizes(nullptr, *doc, options));
        EXPECT_EQ(fourth.dib, before);
        EXPECT_EQ(fourth.hasTransparency, 0);
    }
    {
        SCOPED_TRACE("after disposal 3 the canvas goes back to the frame before");
        auto doc = test::MakeAnimation(8, 8, {still, {0, 0, 8, 8, BoxOver(7, 7, 1, 1)}, {0, 0, 8, 8, BoxOver(0, 0, 8, 8, grey), 3},
                                              {0, 0, 8, 8, BoxOver(0, 0, 8, 4, grey)}});
        ASSERT_TRUE(OptimizeFrameSizes(nullptr, *doc, options));
        const Frame& fourth = *doc->firstFrame->next->next->next;
        // Its grey half differs from what the screen shows again; its lower half repeats it.
        EXPECT_EQ(test::PixelOf(fourth.dib, 0, 0), grey);
        EXPECT_EQ(test::PixelOf(fourth.dib, 0, 7), fourth.transparentRgb);
    }
    {
        SCOPED_TRACE("a frame with transparency keeps its colour");
        auto corners = [](int x, int y) { return (x % 7 == 0 && y % 7 == 0) ? Rgb{1, 2, 3} : Background(x, y); };
        auto doc = test::MakeAnimation(8, 8, {still, {0, 0, 8, 8, corners, 0, 10, magenta}});
        ASSERT_TRUE(OptimizeFrameSizes(nullptr, *doc, options));
        EXPECT_EQ(doc->firstFrame->next->transparentRgb, magenta);
        EXPECT_EQ(test::PixelOf(doc->firstFrame->next->dib, 3, 3), magenta);
    }
    {
        SCOPED_TRACE("a frame that fits the palette is not pushed over it");
        // Eight colours in both frames; the second changes its border, which
        // still holds all eight, and repeats the inside.
        auto colour = [](int i) { return Rgb{uint8_t(10 + 20 * i), 50, 60}; };
        auto first = [&](int x, int y) { return colour((x < 4 ? 0 : 4) + y % 4); };
        auto second = [&](int x, int y) {
            const bool border = x == 0 || x == 7 || y == 0 || y == 7;
            return border ? colour((x < 4 ? 0 : 4) + (y + 1) % 4) : first(x, y);
        };
        for (int maxColors : {8, 256}) {
            options.MaxColors = maxColors;
            auto doc = test::MakeAnimation(8, 8, {{0, 0, 8, 8, first}, {0, 0, 8, 8, second}});
            OptimizeFrameSizes(nullptr, *doc, options);
            EXPECT_EQ(doc->firstFrame->next->hasTransparency, maxColors == 8 ? 0 : 1) << maxColors;
        }
    }
    {
        SCOPED_TRACE("pairs with disposal 2 or 3 are not cropped; the colours avoid (255, 255, x)");
        const FrameSpec box{0, 0, 8, 8, BoxOver(0, 0, 1, 1, {255, 255, 0})};
        FrameSpec restoring = box;
        restoring.disposal = 3;
        auto doc = test::MakeAnimation(8, 8, {still, box, restoring});
        ASSERT_TRUE(OptimizeFrameSizes(nullptr, *doc, options));
        const Frame& third = *doc->firstFrame->next->next;
        EXPECT_EQ(RectOf(third), (Rect{0, 0, 8, 8}));
        EXPECT_EQ(third.transparentRgb, (Rgb{255, 254, 100}));
        EXPECT_EQ(test::PixelOf(third.dib, 0, 0), third.transparentRgb);
    }
    {
        SCOPED_TRACE("a kept PNG palette no longer describes the pixels");
        auto doc = test::MakeAnimation(8, 8, {still, {0, 0, 8, 8, BoxOver(1, 1, 1, 1)}});
        Frame& second = *doc->firstFrame->next;
        second.pngPalette.assign(4, Rgb{});
        second.pngIndexPixels.assign(64, 0);
        ASSERT_TRUE(OptimizeFrameSizes(nullptr, *doc, options));
        EXPECT_TRUE(second.pngPalette.empty());
        EXPECT_TRUE(second.pngIndexPixels.empty());
    }
}

TEST_F(FrameSizes, NoColourIsFreeWhenEveryColourIsUsed) {
    // 4096 x 4096 pixels, each of its own colour; the second frame repeats all
    // but its corners, so it cannot be cropped and only transparency could help.
    auto all = [](int x, int y) { return Rgb{uint8_t(y >> 4), uint8_t(x >> 4), uint8_t((x & 15) | (y & 15) << 4)}; };
    auto corners = [&](int x, int y) {
        const bool corner = (x == 0 || x == 4095) && (y == 0 || y == 4095);
        return corner ? all(4095 - x, 4095 - y) : all(x, y);
    };
    auto doc = test::MakeAnimation(4096, 4096, {{0, 0, 4096, 4096, all}, {0, 0, 4096, 4096, corners}});
    EXPECT_FALSE(OptimizeFrameSizes(nullptr, *doc, options));
    EXPECT_EQ(doc->firstFrame->next->hasTransparency, 0);
}

}  // namespace
}  // namespace kivo
