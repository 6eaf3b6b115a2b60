// What the panel shows and what its edits do, without widgets.
#include <gtest/gtest.h>

#include "app/panel_edits.h"
#include "app/panel_layout.h"
#include "app/panel_state.h"
#include "support/test_support.h"
#include "frame_ops/blank_frame.h"

namespace kivo {
namespace {

// A document on a w × h screen with frames of the given sizes at 0,0.
std::unique_ptr<AnimDoc> Doc(int w, int h, std::vector<std::pair<int, int>> sizes) {
    auto doc = NewDocument();
    Selection selection;
    for (auto [fw, fh] : sizes) EXPECT_TRUE(AddBlankFrame(*doc, selection, 0, fw, fh));
    doc->screenWidth = w;
    doc->screenHeight = h;
    doc->currentFrame = doc->firstFrame.get();
    doc->currentIndex = 0;
    return doc;
}

TEST(PanelLayout, RowsFollowTheTablesInBothModes) {
    struct Row {
        int cw, lh, mode;
        const char* key;
        int x, y, width, height;
    };
    // 840 × 540 client, as 120 × 7 by 27 × 20.
    const Row rows[] = {
        {7, 20, 0, "121", 20, 270, 200, 230},
        {7, 20, 0, "124", 152, 500, 66, 28},
        {7, 20, 0, "103", 409, 52, 21, 20},
        {7, 20, 0, "105", 262, 102, 19 * 7, 20},       // 14 bytes in code page 932 + 5
        {7, 20, 0, "ｳｪｲﾄ[1/100s]", 262, 368, 112, 20},
        {7, 20, 0, "116", 442, 224, 378, 96},
        {8, 24, 1, "129", 462 + 179, 41, 179, 27},      // x0 = 20·8 + 302, W = 840 − 462 − 20
        {8, 24, 1, "126", 462, 276, 358, 112},
        {8, 24, 1, "115", 390, 442, 192, 144},
    };
    for (const Row& r : rows) {
        auto places = PanelLayout(r.cw, r.lh, 840, 540, r.mode);
        const ControlPlace* p = FindPlace(places, r.key);
        ASSERT_NE(p, nullptr) << r.key;
        EXPECT_EQ(std::tie(p->x, p->y, p->width, p->height), std::tie(r.x, r.y, r.width, r.height)) << r.key;
    }
    EXPECT_EQ(FindPlace(PanelLayout(7, 20, 840, 540, 0), "127"), nullptr);  // keys only in MNG mode
    EXPECT_EQ(Cp932Length("ｳｪｲﾄ透過"), 8);
}

TEST(PanelState, ShowsTheDocumentAndTheSelection) {
    auto empty = NewDocument();
    empty->loopCount = 65000;
    SettleForPanel(*empty, 0, PanelRefresh::kFull);
    PanelState s = ComputePanelState(*empty, {}, 0);
    EXPECT_FALSE(s.framesEnabled);
    EXPECT_EQ(s.counter, "");
    EXPECT_EQ(empty->loopCount, 30000);  // brought down and stored back

    auto doc = Doc(30, 30, {{10, 5}, {30, 5}, {20, 5}});
    s = ComputePanelState(*doc, {0}, 0);
    EXPECT_TRUE(s.leftEnabled);
    EXPECT_EQ(s.counter, "1 / 3 コマ");
    EXPECT_EQ(s.listItems[1], "  2コマ  30 x   5\t");
    doc->currentFrame = NthFrame(*doc, 1);
    doc->currentIndex = 1;
    EXPECT_FALSE(ComputePanelState(*doc, {1}, 0).leftEnabled);  // as wide as the screen

    NthFrame(*doc, 2)->top = 3;
    s = ComputePanelState(*doc, {0, 1, 2}, 0);
    EXPECT_EQ(s.frameWidth, 30);
    EXPECT_FALSE(s.leftEnabled);
    EXPECT_EQ(s.left, 0);
    EXPECT_FALSE(s.top.has_value());  // the frames' tops differ

    for (auto [disposal, shown] : {std::pair{0, 0}, {1, 0}, {2, 1}, {3, 0}})
        EXPECT_EQ(DisposalIndex(disposal, 1), shown);
}

TEST(PanelState, ListItemsCutCommentsAtACharacterBoundary) {
    Frame f;
    f.width = 4;
    f.height = 4;
    f.comment = std::string(27, 'a') + "あい";  // the second byte of あ is byte 29
    EXPECT_EQ(FrameListItem(f, 0), "  1コマ   4 x   4\t" + std::string(27, 'a'));
    f.comment = "\x82\xa0\x82\xa2line\r\nnext";  // code page 932, with a line break
    EXPECT_EQ(FrameListItem(f, 0), "  1コマ   4 x   4\tあいline  next");
}

// The timeline's row: the list's text by part, and the delay in seconds.
TEST(PanelState, TimelineRowsShowTheDelayInSeconds) {
    struct Case {
        int32_t hasDelay, delay;
        const char* text;
    };
    for (const Case& c : {Case{1, 10, "0.10 s"}, Case{1, 0, "0.00 s"}, Case{1, 7, "0.07 s"}, Case{1, 150, "1.50 s"},
                          Case{1, 30000, "300.00 s"}, Case{1, -4, "0.00 s"}, Case{0, 10, "-"}}) {
        Frame f;
        f.hasDelay = c.hasDelay;
        f.delay = c.delay;
        EXPECT_EQ(DelayText(f), c.text) << c.delay;
    }
    auto doc = Doc(30, 30, {{10, 5}, {30, 5}});
    NthFrame(*doc, 1)->comment = "two\r\nlines";
    NthFrame(*doc, 1)->delay = 25;
    NthFrame(*doc, 1)->hasDelay = 1;
    const PanelState s = ComputePanelState(*doc, {0}, 0);
    ASSERT_EQ(s.listRows.size(), 2u);
    EXPECT_EQ(s.listRows[1], (FrameListRow{"  2コマ  30 x   5", "2コマ", "30 x 5", "two  lines", "0.25 s"}));
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(s.listItems[i], s.listRows[i].head + "\t" + s.listRows[i].comment);
}

TEST(PanelEdits, TypedValuesAreCorrected) {
    auto doc = Doc(100, 100, {{40, 40}, {60, 20}});
    EXPECT_TRUE(SetScreenWidth(*doc, 5000));
    EXPECT_EQ(doc->screenWidth, 3000);
    EXPECT_TRUE(SetScreenWidth(*doc, 10));
    EXPECT_EQ(doc->screenWidth, 60);  // the frames' right edge
    NthFrame(*doc, 1)->left = 3500;   // a frame beyond 3000 keeps the screen wide enough
    EXPECT_EQ(CorrectScreenSide(100, 3560), 3560);
    NthFrame(*doc, 1)->left = 0;
    EXPECT_TRUE(SetLoopCount(*doc, 65536));
    EXPECT_EQ(doc->loopCount, 30000);
    EXPECT_TRUE(SetLeft(*doc, {0}, 500));
    EXPECT_EQ(doc->firstFrame->left, 20);
    EXPECT_TRUE(SetLeft(*doc, {0, 1}, -5));
    EXPECT_EQ(NthFrame(*doc, 1)->left, 0);
    EXPECT_TRUE(SetDelay(*doc, {0, 1}, 50));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(NthFrame(*doc, i)->delay, 50);
        EXPECT_EQ(NthFrame(*doc, i)->hasDelay, 1);
    }
    EXPECT_FALSE(SetDelay(*doc, {0, 1}, 50));  // nothing changed, nothing to mark
}

TEST(PanelEdits, TransparencyCommentsAndFrameOrder) {
    auto doc = Doc(8, 8, {{8, 8}, {8, 8}, {8, 8}});
    Frame& f = *doc->firstFrame;
    test::SetPixel(f.dib, 0, 7, Rgb{1, 2, 3});  // the bottom-left pixel
    EXPECT_TRUE(SetTransparency(*doc, {0}, true));
    EXPECT_EQ(f.transparentRgb, (Rgb{1, 2, 3}));
    EXPECT_TRUE(SetTransparentColour(*doc, {0}, Rgb{9, 9, 9}));
    SetTransparency(*doc, {0}, false);
    SetTransparency(*doc, {0}, true);
    EXPECT_EQ(f.transparentRgb, (Rgb{9, 9, 9}));  // a chosen colour survives off and on

    EXPECT_FALSE(SetDocumentComment(*doc, "x"));  // one character is no comment
    EXPECT_TRUE(SetFrameComment(*doc, StoredFromTyped("a\nb")));
    EXPECT_EQ(f.comment, "a\r\nb");
    EXPECT_EQ(StoredFromTyped("a\r\nb"), "a\r\nb");
    EXPECT_EQ(f.textKeys.at(0).text, "a\r\nb");
    EXPECT_EQ(CommentFromKeys({{"Title", "T"}, {"", ""}}), "Title : T\r\n : \r\n");

    for (int i = 0; i < 3; ++i) NthFrame(*doc, i)->delay = i;
    Selection sel{0};
    EXPECT_FALSE(MoveSelectedFrames(*doc, sel, true));
    sel = {1, 2};
    EXPECT_TRUE(MoveSelectedFrames(*doc, sel, true));
    EXPECT_EQ(sel, (Selection{0, 1}));
    for (auto [i, delay] : {std::pair{0, 1}, {1, 2}, {2, 0}}) EXPECT_EQ(NthFrame(*doc, i)->delay, delay);
    EXPECT_EQ(doc->currentIndex, 1);
    SetListSelection(*doc, sel, {});
    EXPECT_EQ(sel, (Selection{1}));  // nothing selected: back to the current frame
}

TEST(PanelEdits, SpinStepsStartFromTheTypedValueBroughtIntoRange) {
    auto doc = Doc(100, 50, {{40, 10}, {60, 10}});  // extent 60 × 10
    struct Case {
        TypedField field;
        const char* typed;
        int delta, expected;
    };
    const Case cases[] = {
        {TypedField::kScreenWidth, "99999999999", 1, 3000},  // no wrap past INT_MAX
        {TypedField::kScreenWidth, "99999999999", -1, 2999},
        {TypedField::kScreenWidth, "", 1, 61},               // nothing typed counts 0, below the extent
        {TypedField::kScreenHeight, "12", -1, 11},
        {TypedField::kScreenHeight, "5", -1, 10},
        {TypedField::kLeft, "2147483647", 1, 60},             // the current 40-wide frame on 100
        {TypedField::kLeft, "0", -1, 0},
        {TypedField::kTop, "7", 1, 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepTypedField(*doc, {0}, c.field, c.typed, c.delta), c.expected) << c.typed << " " << c.delta;
    EXPECT_EQ(StepTypedField(*doc, {0, 1}, TypedField::kLeft, "99", 1), 40);  // kept on screen by the widest
    EXPECT_EQ(TypedNumber("123abc"), 123);
    EXPECT_EQ(TypedNumber("x1"), 0);
}

TEST(PanelState, KeyListsShowTheKeyThatTypingWrites) {
    auto doc = Doc(10, 10, {{10, 10}, {10, 10}});
    const TextKeyList keys = {{"Title", "t1"}, {"Author", ""}};
    doc->textKeys = keys;
    doc->firstFrame->textKeys = keys;
    doc->selectedTextKey = 1;
    doc->firstFrame->selectedTextKey = 1;

    // A selection-only refresh leaves the document's list at the key picked;
    // the frame's list is refilled at its first key, and so is what it writes.
    SettleForPanel(*doc, 1, PanelRefresh::kSelection);
    PanelState s = ComputePanelState(*doc, {0}, 1);
    EXPECT_EQ(s.documentKeys.selected, 1);
    EXPECT_TRUE(s.documentKeys.enabled);  // "Author" has no text yet, but exists
    EXPECT_EQ(s.frameKeys.selected, 0);
    EXPECT_EQ(s.frameKeys.text, "t1");
    EXPECT_TRUE(SetFrameKeyText(*doc, "t1X"));
    EXPECT_EQ(doc->firstFrame->textKeys[0].text, "t1X");
    EXPECT_TRUE(SetDocumentKeyText(*doc, "a1"));
    EXPECT_EQ(doc->textKeys[1].text, "a1");

    SettleForPanel(*doc, 1, PanelRefresh::kFull);
    s = ComputePanelState(*doc, {0}, 1);
    EXPECT_EQ(s.documentKeys.selected, 0);
    EXPECT_EQ(doc->selectedTextKey, 0);
    EXPECT_EQ(s.documentKeys.text, "t1");
    doc->textKeys.clear();
    EXPECT_FALSE(ComputePanelState(*doc, {0}, 1).documentKeys.enabled);
}

}  // namespace
}  // namespace kivo
