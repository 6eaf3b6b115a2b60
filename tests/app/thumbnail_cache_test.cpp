// The frame list's thumbnail cache: its pictures against each screen composed
// afresh, one forward pass for a whole document, edits that remake only what
// they changed (and compose only from the last frame that hides the ones
// before), old pictures standing in meanwhile, the memory share, and a
// document that goes away while the worker composes.
#include "app/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "app/fake_shell_ui.h"
#include "app/shell.h"
#include "doc/dib.h"
#include "frame_ops/move_frames.h"
#include "platform/recording_backend.h"
#include "support/animation_builder.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::FrameSpec;

// Small screens make thumbnails larger than a tenth of their frames; with every
// row on screen they are all made all the same.
void ShowEveryRow(ThumbnailCache& cache) { cache.SetVisible(0, 1000); }

bool PumpUntilDone(ThumbnailCache& cache, const AnimDoc& doc, int formatMode = 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (cache.Pump(doc, ThumbnailRules(formatMode))) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// The oracle: frame n's screen composed from scratch, shrunk.
std::vector<uint32_t> Expected(const AnimDoc& doc, int n, ThumbnailSize size, int formatMode = 0) {
    Composition c;
    c.rules = ThumbnailRules(formatMode);
    EXPECT_TRUE(ComposeUpTo(c, doc, n));
    std::vector<uint32_t> out(size_t(size.width) * size_t(size.height));
    ShrinkScreen(c, size, out.data());
    return out;
}

void ExpectPicturesOf(const ThumbnailCache& cache, const AnimDoc& doc, int formatMode = 0) {
    for (int i = 0; i < doc.frameCount; ++i) {
        bool current = false;
        const Thumbnail* t = cache.Get(i, &current);
        ASSERT_TRUE(t && current) << "frame " << i;
        ASSERT_EQ(t->size, cache.Size());
        EXPECT_EQ(t->pixels, Expected(doc, i, t->size, formatMode)) << "frame " << i;
    }
}

// 64 × 48: an opaque first frame, then a transparent sprite walking over it;
// frame 6 is opaque again and covers the screen, so nothing after it depends
// on what came before.
std::unique_ptr<AnimDoc> Walk(int frames = 12) {
    const auto sky = [](int x, int y) { return Rgb{uint8_t(x * 3), uint8_t(y * 5), 90}; };
    const Rgb clear{255, 0, 255};
    std::vector<FrameSpec> specs = {FrameSpec(0, 0, 64, 48, sky)};
    for (int i = 1; i < frames; ++i) {
        if (i == 6) {
            specs.emplace_back(0, 0, 64, 48, [](int x, int y) { return Rgb{uint8_t(x), 200, uint8_t(y)}; });
            continue;
        }
        const int at = 4 * i;
        specs.emplace_back(at, at / 2, 10, 8,
                           [clear, at](int x, int y) { return (x - at + y) % 3 ? Rgb{250, 250, 0} : clear; },
                           i % 2 ? 1 : 2, 10, clear);
    }
    return test::MakeAnimation(64, 48, specs);
}

TEST(ThumbnailCache, PicturesAreTheScreensTheAnimationShowsMadeInOnePass) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::unique_ptr<AnimDoc> doc = test::RandomAnimation(seed);
        const int mode = int(seed % 2);
        ThumbnailCache cache({}, 8);
        ShowEveryRow(cache);
        ASSERT_TRUE(PumpUntilDone(cache, *doc, mode));
        ASSERT_TRUE(cache.Complete());
        ExpectPicturesOf(cache, *doc, mode);
        EXPECT_EQ(cache.MadeCount(), uint64_t(doc->frameCount));
        EXPECT_EQ(cache.ComposedCount(), uint64_t(doc->frameCount));  // every frame once
        EXPECT_EQ(cache.Get(doc->frameCount), nullptr);
    }
}

TEST(ThumbnailCache, AnEditRemakesOnlyFromTheFirstFrameItChanged) {
    struct Case {
        const char* name;
        std::function<void(AnimDoc&)> edit;
        int firstChanged;  // 12: nothing to remake
        int composed;      // frames composed again: from the first frame, or from 6
    };
    const Case cases[] = {
        {"a delay", [](AnimDoc& d) { NthFrame(d, 4)->delay = 99; }, 12, 0},
        {"a comment", [](AnimDoc& d) { NthFrame(d, 2)->comment = "x"; }, 12, 0},
        {"a frame's place", [](AnimDoc& d) { NthFrame(d, 3)->left += 1; }, 3, 12},
        {"a new picture", [](AnimDoc& d) { NthFrame(d, 2)->dib = Dib(NthFrame(d, 2)->dib); }, 2, 12},
        {"transparency", [](AnimDoc& d) { NthFrame(d, 9)->hasTransparency = 0; }, 9, 6},  // from frame 6
        {"a disposal", [](AnimDoc& d) { NthFrame(d, 7)->disposal = 3; }, 7, 6},
        {"frames reordered", [](AnimDoc& d) { MoveFrames(d, {8}, 4); }, 4, 12},
        {"the last frame removed",
         [](AnimDoc& d) {
             d.currentFrame = NthFrame(d, 11);
             d.currentIndex = 11;
             RemoveFrame(d);
         },
         12, 0},
        {"a frame appended",  // the pass goes on where it ended
         [](AnimDoc& d) {
             AppendFrame(d);
             d.currentFrame->width = 5;
             d.currentFrame->height = 5;
             d.currentFrame->dib = test::MakeImage(5, 5, [](int, int) { return Rgb{1, 2, 3}; });
         },
         12, 1},
        {"the screen's size", [](AnimDoc& d) { d.screenWidth = 70; }, 0, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<AnimDoc> doc = Walk();
        ThumbnailCache cache;
        ShowEveryRow(cache);
        ASSERT_TRUE(PumpUntilDone(cache, *doc));
        std::vector<const Thumbnail*> before;
        for (int i = 0; i < 12; ++i) before.push_back(cache.Get(i));
        const uint64_t made = cache.MadeCount(), composed = cache.ComposedCount();

        c.edit(*doc);
        ASSERT_TRUE(PumpUntilDone(cache, *doc));
        ExpectPicturesOf(cache, *doc);
        for (int i = 0; i < std::min(c.firstChanged, doc->frameCount); ++i)
            EXPECT_EQ(cache.Get(i), before[size_t(i)]) << "kept " << i;
        const int remade = std::max(doc->frameCount - c.firstChanged, 0);
        EXPECT_EQ(cache.MadeCount() - made, uint64_t(remade));
        EXPECT_EQ(cache.ComposedCount() - composed, uint64_t(c.composed));
    }
}

TEST(ThumbnailCache, OldPicturesStandInUntilTheNewOnesComeIn) {
    std::unique_ptr<AnimDoc> doc = Walk();
    ThumbnailCache cache;
    ShowEveryRow(cache);
    ASSERT_TRUE(PumpUntilDone(cache, *doc));
    const Frame* moved = NthFrame(*doc, 9);
    const Thumbnail* old = cache.Get(9);
    ASSERT_TRUE(MoveFrames(*doc, {9}, 2));
    EXPECT_TRUE(cache.Pump(*doc, ThumbnailRules(0)));
    bool current = true;
    // The frame now at 2 shows its own earlier picture, not the one of the
    // frame that stood at 2 before.
    EXPECT_EQ(cache.Get(2, &current), old);
    EXPECT_FALSE(current);
    EXPECT_EQ(NthFrame(*doc, 2), moved);
    EXPECT_TRUE(cache.Get(1, &current) && current);
    ASSERT_TRUE(PumpUntilDone(cache, *doc));
    ExpectPicturesOf(cache, *doc);
}

// 64 × 64 frames against 64 × 64 thumbnails: a tenth of the frames' bytes
// holds about one thumbnail in thirteen.
TEST(ThumbnailCache, KeepsToItsShareOfTheFramesBytesAroundTheRowsOnScreen) {
    std::vector<FrameSpec> specs;
    for (int i = 0; i < 200; ++i)
        specs.emplace_back(0, 0, 64, 64, [i](int x, int y) { return Rgb{uint8_t(i), uint8_t(x), uint8_t(y)}; }, 1, 10,
                           i % 2 ? std::optional<Rgb>(Rgb{uint8_t(i), 0, 0}) : std::nullopt);
    std::unique_ptr<AnimDoc> doc = test::MakeAnimation(64, 64, specs);
    ThumbnailCache cache;
    cache.SetVisible(100, 105);
    ASSERT_TRUE(PumpUntilDone(cache, *doc));
    const size_t budget = cache.BudgetBytes();
    EXPECT_LE(cache.PeakBytes(), budget);
    EXPECT_GT(cache.Bytes(), budget / 2);
    auto shown = [&](int i) { return cache.Get(i) != nullptr; };
    for (int i = 100; i < 105; ++i) EXPECT_TRUE(shown(i)) << i;
    EXPECT_FALSE(shown(0));
    EXPECT_FALSE(shown(199));

    cache.SetVisible(0, 5);  // scrolled to the top: made again there, dropped at 100
    ASSERT_TRUE(PumpUntilDone(cache, *doc));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(shown(i)) << i;
        EXPECT_EQ(cache.Get(i)->pixels, Expected(*doc, i, cache.Size()));
    }
    EXPECT_FALSE(shown(100));
    EXPECT_LE(cache.PeakBytes(), budget);

    cache.SetVisible(150, 155);  // further down: the pass goes on from where it stopped
    ASSERT_TRUE(PumpUntilDone(cache, *doc));
    for (int i = 150; i < 155; ++i) EXPECT_EQ(cache.Get(i)->pixels, Expected(*doc, i, cache.Size())) << i;
    EXPECT_LE(cache.PeakBytes(), budget);
}

TEST(ThumbnailCache, RowsOnScreenHaveTheirsEvenBeyondTheShare) {
    // 16 × 16 screens: a thumbnail is larger than a tenth of its frame.
    std::vector<FrameSpec> specs(20, FrameSpec(0, 0, 16, 16, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), 0}; }));
    std::unique_ptr<AnimDoc> doc = test::MakeAnimation(16, 16, specs);
    ThumbnailCache cache;
    cache.SetVisible(3, 9);
    ASSERT_TRUE(PumpUntilDone(cache, *doc));
    for (int i = 0; i < 20; ++i) EXPECT_EQ(cache.Get(i) != nullptr, i >= 3 && i < 9) << i;
    EXPECT_LE(cache.Bytes(), 6 * (sizeof(Thumbnail) + 16 * 16 * 4));
}

TEST(ThumbnailCache, TheDocumentMayGoWhileTheWorkerComposes) {
    ThumbnailCache cache;
    ShowEveryRow(cache);
    for (int round = 0; round < 20; ++round) {
        std::unique_ptr<AnimDoc> doc = Walk(30);
        cache.Pump(*doc, ThumbnailRules(0));  // frames handed over, the worker busy with them
        doc.reset();
    }
    std::unique_ptr<AnimDoc> last = test::RandomAnimation(5);
    ASSERT_TRUE(PumpUntilDone(cache, *last));
    ExpectPicturesOf(cache, *last);
}

// Through the shell: a drop and its undo, each followed by the pictures of
// the order the document then has.
TEST(ThumbnailCache, FollowsAMoveAndItsUndo) {
    ScopedRecordingBackend errors;
    test::FakeShellUi ui;
    Shell shell(ui);
    std::unique_ptr<AnimDoc> walk = Walk();
    SpliceFrames(shell.Doc(), *walk, false);
    shell.Doc().screenWidth = walk->screenWidth;
    shell.Doc().screenHeight = walk->screenHeight;
    ThumbnailCache cache;
    ShowEveryRow(cache);
    ASSERT_TRUE(PumpUntilDone(cache, shell.Doc()));
    std::vector<std::vector<uint32_t>> original;
    for (int i = 0; i < 12; ++i) original.push_back(cache.Get(i)->pixels);

    ASSERT_TRUE(shell.MoveFramesTo({1, 2}, 10));
    ASSERT_TRUE(PumpUntilDone(cache, shell.Doc()));
    ExpectPicturesOf(cache, shell.Doc());
    EXPECT_NE(cache.Get(1)->pixels, original[1]);
    shell.Undo();
    ASSERT_TRUE(PumpUntilDone(cache, shell.Doc()));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(cache.Get(i)->pixels, original[size_t(i)]) << i;
}

}  // namespace
}  // namespace kivo
