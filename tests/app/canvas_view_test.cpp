// The canvas's rules without a widget: the zoom ladder and the fitting scale,
// where the screen lies in the view at a zoom and scroll place, zooming about
// the pointer, which pixel the pointer is on, where a drag puts the frames
// (as one undoable step), and where the stepping keys go.
#include <gtest/gtest.h>

#include <cmath>

#include "app/canvas_moves.h"
#include "app/canvas_view_state.h"
#include "app/session_settings.h"
#include "app/shell.h"
#include "doc/dib.h"
#include "fake_shell_ui.h"
#include "support/test_support.h"

namespace kivo {
namespace {

TEST(CanvasZoom, StepsGoToTheNextRungOfTheLadder) {
    struct Case {
        double scale, in, out;
    };
    const Case cases[] = {
        {1, 2, 2.0 / 3},         {2.0 / 3, 1, 0.5},  {0.73, 1, 2.0 / 3}, {5, 6, 4},
        {32, 32, 24},            {1.0 / 16, 1.0 / 12, 1.0 / 16},          {100, 32, 32},
        {0.01, 1.0 / 16, 1.0 / 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        EXPECT_DOUBLE_EQ(ZoomedIn(c.scale), c.in);
        EXPECT_DOUBLE_EQ(ZoomedOut(c.scale), c.out);
    }
    for (size_t i = 0; i < ZoomSteps().size(); ++i) EXPECT_EQ(ZoomStepIndex(ZoomSteps()[i]), int(i));
    EXPECT_EQ(ZoomStepIndex(0.7), -1);
}

TEST(CanvasZoom, TheViewChoicesAreKeptInTheSettings) {
    struct Case {
        const char* stored;
        CanvasChoices expected;
    };
    const Case cases[] = {
        {"", {}},
        {"4 0 1", {4, false, true}},
        {"-1 1 0", {}},
        {"99 1 1", {-1, true, true}},  // a step no longer on the ladder: fit
        {"3 0", {}},                   // too short to trust
        {"x y z", {}},
    };
    for (const Case& c : cases) {
        SetSettingText(SessionSettings(), "CanvasView", c.stored);
        EXPECT_EQ(StoredCanvasChoices(), c.expected) << c.stored;
    }
    SetStoredCanvasChoices({8, false, true});
    EXPECT_EQ(StoredCanvasChoices(), (CanvasChoices{8, false, true}));
}

TEST(CanvasZoom, FitShowsTheWholeScreenWithSquarePixelsWhenEnlarged) {
    struct Case {
        const char* name;
        int screenW, screenH, viewW, viewH;
        double scale;
    };
    const Case cases[] = {
        {"the sample in the old image box: 1:1", 160, 120, 202, 162, 1},
        {"a small screen is enlarged by a whole number", 20, 10, 400, 300, 18},
        {"the height decides", 20, 10, 1000, 132, 10},
        {"a large screen is reduced exactly", 640, 480, 202, 162, 170.0 / 640},
        {"an empty screen", 0, 0, 300, 300, 1},
        {"a tiny screen stops at the top of the ladder", 1, 1, 2000, 2000, 32},
        {"a huge screen stops at the bottom", 100000, 10, 100, 100, 1.0 / 16},
        {"a view smaller than its margins", 10, 10, 20, 20, 0.1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(FitScale(c.screenW, c.screenH, c.viewW, c.viewH), c.scale);
    }
}

TEST(CanvasView, TheScreenIsCentredWhileItFitsAndScrolledOnceItDoesNot) {
    struct Case {
        const char* name;
        double zoom;  // 0: fit
        int scrollX, scrollY;
        double originX, originY;
        int maxX, maxY;
        ScreenPoint at10x10;  // the screen pixel under view pixel (10, 10)
    };
    // A 100 × 50 screen in a 200 × 100 view.
    const Case cases[] = {
        {"fit: 1:1, centred", 0, 0, 0, 50, 25, 0, 0, {-40, -15}},
        {"1:1 as chosen", 1, 0, 0, 50, 25, 0, 0, {-40, -15}},
        {"x 4, at the top left with its margin", 4, 0, 0, 16, 16, 232, 132, {-2, -2}},
        {"x 4, scrolled", 4, 100, 40, -84, -24, 232, 132, {23, 8}},
        {"x 4, scrolled past the end: held at it", 4, 999, 999, -216, -116, 232, 132, {56, 31}},
        {"x 2: scrolled down, with the margins", 2, 0, 10, 16, 6, 32, 32, {-3, 2}},
        {"1/2: centred both ways", 0.5, 0, 0, 75, 37, 0, 0, {-130, -54}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CanvasViewState v;
        v.SetViewSize(200, 100);
        v.SetScreen(100, 50);
        if (c.zoom > 0) v.ZoomTo(c.zoom, 0, 0);
        v.ScrollTo(c.scrollX, c.scrollY);
        EXPECT_DOUBLE_EQ(v.OriginX(), c.originX);
        EXPECT_DOUBLE_EQ(v.OriginY(), c.originY);
        EXPECT_EQ(v.MaxScrollX(), c.maxX);
        EXPECT_EQ(v.MaxScrollY(), c.maxY);
        EXPECT_EQ(v.ToScreen(10, 10), c.at10x10);
        // A frame's rectangle and the pixel at its corner agree.
        const ViewRect r = v.ToView(7, 3, 5, 2);
        EXPECT_DOUBLE_EQ(r.width, 5 * v.Scale());
        EXPECT_EQ(v.ToScreen(r.x, r.y), (ScreenPoint{7, 3}));
        EXPECT_EQ(v.ToScreen(r.x + r.width - 0.01, r.y + r.height - 0.01), (ScreenPoint{11, 4}));
    }
}

TEST(CanvasView, ZoomingKeepsThePointUnderThePointer) {
    for (auto [ax, ay] : {std::pair{100.0, 50.0}, {20.0, 80.0}, {150.0, 10.0}}) {
        CanvasViewState v;
        v.SetViewSize(200, 100);
        v.SetScreen(100, 50);
        v.ZoomTo(2, 100, 50);
        v.ScrollTo(40, 20);
        for (int i = 0; i < 4; ++i) {
            const double x = (ax - v.OriginX()) / v.Scale(), y = (ay - v.OriginY()) / v.Scale();
            v.ZoomIn(ax, ay);
            // Within one view pixel: scroll places are whole pixels.
            EXPECT_NEAR((ax - v.OriginX()) / v.Scale(), x, 1 / v.Scale()) << "zoomed to " << v.Scale();
            EXPECT_NEAR((ay - v.OriginY()) / v.Scale(), y, 1 / v.Scale());
        }
        EXPECT_DOUBLE_EQ(v.Scale(), 8);
        EXPECT_FALSE(v.Fitting());
    }
}

TEST(CanvasView, FittingFollowsTheViewUntilAZoomIsChosen) {
    CanvasViewState v;
    v.SetScreen(640, 480);
    v.SetViewSize(352, 272);
    EXPECT_TRUE(v.Fitting());
    EXPECT_DOUBLE_EQ(v.Scale(), 0.5);
    EXPECT_EQ(v.MaxScrollX(), 0);
    v.SetViewSize(1400, 1000);
    EXPECT_DOUBLE_EQ(v.Scale(), 2);
    v.ZoomOut(0, 0);
    EXPECT_DOUBLE_EQ(v.Scale(), 1);
    v.SetViewSize(352, 272);
    EXPECT_DOUBLE_EQ(v.Scale(), 1);
    EXPECT_EQ(v.MaxScrollX(), 640 + 32 - 352);
    v.ScrollTo(100, 100);
    // A larger view holds more: the scroll place is kept within the range.
    v.SetViewSize(700, 500);
    EXPECT_EQ(v.ScrollX(), 0);
    EXPECT_EQ(v.ScrollY(), 12);
    v.Fit();
    EXPECT_DOUBLE_EQ(v.Scale(), 468.0 / 480);
    EXPECT_EQ(v.ScrollY(), 0);
}

TEST(CanvasMoves, ThePointerHitsTheFrameInsideItsRectangle) {
    Frame f;
    f.left = 10, f.top = 5, f.width = 4, f.height = 3;
    struct Case {
        ScreenPoint p;
        bool hit;
    };
    const Case cases[] = {{{10, 5}, true}, {{13, 7}, true}, {{14, 7}, false}, {{13, 8}, false},
                          {{9, 6}, false},  {{11, 4}, false}};
    for (const Case& c : cases) EXPECT_EQ(FrameHit(AreaOf(f), c.p), c.hit) << c.p.x << "," << c.p.y;
    f.width = 0;
    EXPECT_FALSE(FrameHit(AreaOf(f), {10, 5}));
}

TEST(CanvasMoves, APointerDistanceIsScreenPixelsAtTheZoom) {
    struct Case {
        double view, scale;
        int screen;
    };
    const Case cases[] = {{10, 1, 10}, {10, 4, 3}, {-10, 4, -3}, {9, 4, 2}, {7, 0.5, 14}, {1, 0.25, 4}, {5, 0, 0}};
    for (const Case& c : cases) EXPECT_EQ(DragDistance(c.view, c.scale), c.screen) << c.view << " at " << c.scale;
}

// A 100 × 80 screen with frames of 20 × 10, 60 × 10 and 100 × 80.
std::unique_ptr<AnimDoc> ThreeFrames() {
    auto doc = NewDocument();
    doc->screenWidth = 100;
    doc->screenHeight = 80;
    for (auto [w, h] : {std::pair{20, 10}, {60, 10}, {100, 80}}) {
        AppendFrame(*doc);
        Frame& f = *doc->currentFrame;
        f.width = w, f.height = h, f.left = 5, f.top = 5;
        if (w == 100) f.left = f.top = 0;
        f.dib = MakeDib24(uint32_t(w), uint32_t(h));
    }
    doc->currentFrame = doc->firstFrame.get();
    doc->currentIndex = 0;
    return doc;
}

TEST(CanvasMoves, ADragIsClampedAsThePanelClampsTypedPositions) {
    struct Case {
        const char* name;
        int current;
        Selection selection;
        FramePosition start;
        int dx, dy;
        FramePosition expected;
    };
    const Case cases[] = {
        {"inside the screen", 0, {}, {5, 5}, 10, 10, {15, 15}},
        {"held at the left and top edges", 0, {}, {5, 5}, -50, -9, {0, 0}},
        {"held at the right and bottom edges", 0, {}, {5, 5}, 200, 200, {80, 70}},
        {"a frame as large as the screen stays", 2, {}, {0, 0}, 30, -30, {0, 0}},
        {"several frames: kept on the screen by the widest", 0, {0, 1}, {5, 5}, 90, 0, {40, 5}},
        {"a huge drag does not wrap", 0, {}, {5, 5}, INT32_MAX, INT32_MIN, {80, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = ThreeFrames();
        doc->currentFrame = NthFrame(*doc, c.current);
        doc->currentIndex = c.current;
        EXPECT_EQ(DraggedPosition(*doc, c.selection, c.start, c.dx, c.dy), c.expected);
    }
}

TEST(CanvasMoves, ADropIsOneUndoableStepForTheFramesThePanelWouldMove) {
    test::FakeShellUi ui;
    Shell shell(ui);
    AnimDoc& doc = shell.Doc();
    doc.screenWidth = 100;
    doc.screenHeight = 80;
    for (int i = 0; i < 3; ++i) {
        AppendFrame(doc);
        doc.currentFrame->width = 20;
        doc.currentFrame->height = 10;
        doc.currentFrame->left = 5 * i;
        doc.currentFrame->dib = MakeDib24(20, 10);
    }
    auto drop = [&](FramePosition p) {
        return shell.Edit(kFrameMoveLabel, [&](AnimDoc& d) { return MoveFramesTo(d, shell.Selected(), p); });
    };
    // One frame: only the current one moves.
    shell.Selected() = {2};
    EXPECT_TRUE(drop({30, 40}));
    EXPECT_EQ(NthFrame(doc, 2)->left, 30);
    EXPECT_EQ(NthFrame(doc, 2)->top, 40);
    EXPECT_EQ(NthFrame(doc, 1)->left, 5);
    EXPECT_EQ(shell.EditHistory().UndoLabel(), kFrameMoveLabel);
    // Back where it was: no step.
    EXPECT_FALSE(drop({30, 40}));
    // Several selected: all take the position, as typed into the panel.
    shell.Selected() = {0, 1};
    EXPECT_TRUE(drop({50, 7}));
    EXPECT_EQ(NthFrame(doc, 0)->left, 50);
    EXPECT_EQ(NthFrame(doc, 1)->left, 50);
    EXPECT_EQ(NthFrame(doc, 1)->top, 7);
    EXPECT_EQ(NthFrame(doc, 2)->left, 30);
    // Each drop is its own step.
    shell.Undo();
    EXPECT_EQ(NthFrame(doc, 0)->left, 0);
    EXPECT_EQ(NthFrame(doc, 1)->left, 5);
    EXPECT_EQ(NthFrame(doc, 2)->left, 30);
    shell.Undo();
    EXPECT_EQ(NthFrame(doc, 2)->left, 10);
    EXPECT_EQ(NthFrame(doc, 2)->top, 0);
    EXPECT_FALSE(shell.EditHistory().CanUndo());
}

TEST(CanvasMoves, SteppingStopsAtTheEnds) {
    struct Case {
        int current, count;
        FrameStep step;
        int expected;
    };
    const Case cases[] = {
        {3, 5, FrameStep::kNext, 4},     {4, 5, FrameStep::kNext, 4},  {3, 5, FrameStep::kPrevious, 2},
        {0, 5, FrameStep::kPrevious, 0}, {3, 5, FrameStep::kFirst, 0}, {1, 5, FrameStep::kLast, 4},
        {0, 1, FrameStep::kNext, 0},     {0, 0, FrameStep::kNext, -1}, {0, 0, FrameStep::kLast, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(SteppedFrame(c.current, c.count, c.step), c.expected);
}

}  // namespace
}  // namespace kivo
