// Global palette building: frames moved onto one shared palette must still show
// exactly the colours they showed through their own palettes.
#include "color/global_palette.h"

#include "color/color_fixture.h"

namespace kivo::test {
namespace {

using GlobalPalette = ColorTest;

PixelFn Cycle(std::vector<Rgb> colours, int width) {
    return [=](int x, int y) { return colours[size_t(y * width + x) % colours.size()]; };
}

// Every pixel's colour through its palette, frame by frame.
std::vector<std::vector<Rgb>> Shown(const AnimDoc& doc) {
    std::vector<std::vector<Rgb>> all;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        std::vector<Rgb> px;
        for (int y = 0; y < f->height; ++y)
            for (int x = 0; x < f->width; ++x) px.push_back(Decoded(doc, *f, x, y));
        all.push_back(px);
    }
    return all;
}

const Rgb s1{10, 10, 10}, s2{20, 20, 20};

TEST_F(GlobalPalette, UnifiedColoursArePaddedToAPowerOfTwo) {
    auto doc = MakeDoc(8, 8);
    AddFrame(*doc, 3, 1, Cycle({s1, s2, {1, 1, 1}}, 3));
    AddFrame(*doc, 5, 1, Cycle({s1, s2, {2, 0, 0}, {2, 1, 0}, {2, 2, 0}}, 5));
    AddFrame(*doc, 7, 1, Cycle({s1, s2, {3, 0, 0}, {3, 1, 0}, {3, 2, 0}, {3, 3, 0}, {3, 4, 0}}, 7));
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
    ASSERT_TRUE(doc->globalPalette.empty());
    const auto before = Shown(*doc);
    ASSERT_TRUE(BuildGlobalPalette(*doc, options, false));
    EXPECT_EQ(doc->globalPalette.size(), 16u);
    EXPECT_EQ(doc->globalPalette[0], s1);  // the 7-colour frame went first
    EXPECT_EQ(doc->globalPalette[11], Rgb{});
    for (Frame* f = doc->firstFrame.get(); f; f = f->next.get()) EXPECT_TRUE(f->localPalette.empty());
    EXPECT_EQ(Shown(*doc), before);
    ExpectWritable(*doc, true, {});

    // In MNG the palette holds exactly the colours.
    ReleaseSaveState(*doc);
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, true));
    ASSERT_TRUE(BuildGlobalPalette(*doc, options, true));
    EXPECT_EQ(doc->globalPalette.size(), 11u);
}

TEST_F(GlobalPalette, MergeStopsAtTheColourLimit) {
    options.MaxColors = 8;
    auto doc = MakeDoc(8, 8);
    AddFrame(*doc, 6, 1, Cycle({{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}, {6, 0, 0}}, 6));
    AddFrame(*doc, 4, 1, Cycle({{7, 0, 0}, {8, 0, 0}, {9, 0, 0}, {1, 0, 0}}, 4));
    AddFrame(*doc, 2, 1, Cycle({{1, 0, 0}, {2, 0, 0}}, 2));
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
    const auto before = Shown(*doc);
    ASSERT_TRUE(BuildGlobalPalette(*doc, options, false));
    EXPECT_EQ(doc->globalPalette.size(), 8u);
    EXPECT_TRUE(NthFrame(*doc, 0)->localPalette.empty());
    EXPECT_FALSE(NthFrame(*doc, 1)->localPalette.empty());  // 9 colours would not fit
    EXPECT_FALSE(NthFrame(*doc, 2)->localPalette.empty());  // after a failed merge
    // The colours the failed frame had appended before it ran out are gone.
    EXPECT_EQ(doc->globalPalette[6], Rgb{});
    EXPECT_EQ(doc->globalPalette[7], Rgb{});
    EXPECT_EQ(Shown(*doc), before);
}

TEST_F(GlobalPalette, SeparatePalettesShareOnlyEqualColourSets) {
    options.UnifyPalette = 0;
    auto doc = MakeDoc(8, 8);
    const Rgb a{50, 0, 0}, b{0, 50, 0}, c{0, 0, 50}, d{9, 9, 9};
    AddFrame(*doc, 4, 1, Cycle({a, b, c, d}, 4));
    AddFrame(*doc, 4, 1, Cycle({d, c, b, a}, 4));  // same colours, other order
    AddFrame(*doc, 2, 1, Cycle({a, b}, 2));         // all in the global, fewer
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
    const auto before = Shown(*doc);
    ASSERT_TRUE(BuildGlobalPalette(*doc, options, false));
    EXPECT_EQ(doc->globalPalette.size(), 4u);
    EXPECT_TRUE(NthFrame(*doc, 0)->localPalette.empty());
    EXPECT_TRUE(NthFrame(*doc, 1)->localPalette.empty());
    EXPECT_EQ(NthFrame(*doc, 1)->indexPixels, (std::vector<uint8_t>{3, 2, 1, 0}));
    EXPECT_EQ(NthFrame(*doc, 2)->localPalette.size(), 2u);
    EXPECT_EQ(Shown(*doc), before);
}

TEST_F(GlobalPalette, OneFrameHandsItsPaletteOver) {
    auto doc = MakeDoc(8, 8);
    Frame& f = AddFrame(*doc, 3, 1, Cycle({s1, s2, {1, 2, 3}}, 3));
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
    const Palette own = f.localPalette;
    ASSERT_TRUE(BuildGlobalPalette(*doc, options, false));
    EXPECT_EQ(doc->globalPalette, own);
    EXPECT_TRUE(f.localPalette.empty());
}

TEST_F(GlobalPalette, MngSharesOneTransparentColour) {
    auto doc = MakeDoc(8, 8);
    const Rgb t{99, 0, 99};
    for (int i = 0; i < 2; ++i) {
        Frame& f = AddFrame(*doc, 3, 1, Cycle({t, s1, {uint8_t(i), 5, 5}}, 3));
        f.hasTransparency = 1;
        f.transparentRgb = t;
    }
    Frame& c = AddFrame(*doc, 2, 1, Cycle({s1, s2}, 2));
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, true));
    const auto before = Shown(*doc);
    ASSERT_TRUE(BuildGlobalPalette(*doc, options, true));
    EXPECT_EQ(doc->globalPalette[0], t);
    EXPECT_EQ(c.hasTransparency, 1);
    EXPECT_EQ(c.transparentRgb, t);
    EXPECT_EQ(Shown(*doc), before);
}

TEST_F(GlobalPalette, QuantizedEntriesWithoutExactPixelsStillMerge) {
    // A quantized palette: pixel colour (0, 0, 0) is shown as (4, 2, 4), a colour
    // no pixel has; the census alone would leave those pixels without a target.
    auto doc = MakeDoc(4, 1);
    Frame& f = AddFrame(*doc, 4, 1, Solid({0, 0, 0}));
    f.localPalette = {{4, 2, 4}, {200, 0, 0}};
    f.indexPixels = {0, 0, 0, 0};
    Palette global(256);
    int n = 0;
    ASSERT_TRUE(MergeFramePalette(global, n, f, options));
    EXPECT_EQ(n, 1);
    EXPECT_EQ(global[0], (Rgb{4, 2, 4}));
    EXPECT_EQ(f.indexPixels, (std::vector<uint8_t>{0, 0, 0, 0}));

    Frame& bad = AddFrame(*doc, 4, 1, Solid({0, 0, 0}));
    bad.localPalette = {{4, 2, 4}};
    bad.indexPixels = {0, 3, 0, 0};  // refers past its palette: left alone
    EXPECT_FALSE(MergeFramePalette(global, n, bad, options));
    EXPECT_EQ(bad.localPalette.size(), 1u);
    EXPECT_EQ(n, 1);
}

TEST_F(GlobalPalette, FullColourFramesStayOut) {
    options.NoColorReduction = 1;
    auto doc = MakeDoc(30, 30);
    Frame& big = AddFrame(*doc, 30, 30, Distinct(900, 30));
    AddFrame(*doc, 2, 1, Cycle({s1, s2}, 2));
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, true));
    ASSERT_TRUE(BuildGlobalPalette(*doc, options, true));
    EXPECT_EQ(big.saveKind, 1);
    EXPECT_TRUE(big.indexPixels.empty());
    EXPECT_EQ(doc->globalPalette.size(), 2u);
    ExpectWritable(*doc, false, {});
}

}  // namespace
}  // namespace kivo::test
