// Palette preparation: census, exact and reduced palettes of single frames,
// joint reduction into one global palette, and the state left for the writers.
#include "color/palette_prep.h"

#include <algorithm>

#include "color/color_fixture.h"
#include "color/palette_prep_internal.h"
#include "color/quantizer.h"

namespace kivo::test {
namespace {

using PaletteFrame = ColorTest;

TEST_F(PaletteFrame, CensusCountsRunsAndStopsBeyond256) {
    auto doc = MakeDoc(20, 20);
    Frame& f = AddFrame(*doc, 4, 2, [](int x, int) { return x < 3 ? Rgb{1, 2, 3} : Rgb{9, 9, 9}; });
    f.hasTransparency = 1;
    f.transparentRgb = {200, 0, 0};  // no pixel has it, yet it is pair 0
    ASSERT_TRUE(CountFrameColors(f));
    ASSERT_EQ(f.colorCount, 3);
    EXPECT_EQ(f.census[0].color, 200u);
    EXPECT_EQ(f.census[0].count, 1u);
    EXPECT_EQ(f.census[1].color, 1u | 2u << 8 | 3u << 16);
    EXPECT_EQ(f.census[1].count, 6u);
    EXPECT_EQ(f.census[2].count, 2u);

    Frame& many = AddFrame(*doc, 300, 2, Distinct(600, 300));
    ASSERT_TRUE(CountFrameColors(many));
    EXPECT_EQ(many.colorCount, 257);
    EXPECT_EQ(many.census.size(), 257u);
}

TEST_F(PaletteFrame, FittingFrameKeepsExactColours) {
    auto doc = MakeDoc(20, 10);
    Frame& f = AddFrame(*doc, 20, 10, Distinct(200, 20, 3));
    ASSERT_TRUE(PrepareFramePalette(f, doc.get(), options, false));
    ASSERT_EQ(f.localPalette.size(), 256u);  // 200 colours, then black
    EXPECT_EQ(f.tempPalette, 0);
    for (size_t i = 200; i < 256; ++i) EXPECT_EQ(f.localPalette[i], Rgb{});
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(Decoded(*doc, f, x, y), PixelOf(f.dib, x, y));

    f.census.clear();
    ASSERT_TRUE(PrepareFramePalette(f, doc.get(), options, true));
    EXPECT_EQ(f.localPalette.size(), 200u);  // MNG palettes are exact
}

TEST_F(PaletteFrame, CensusPositionsAreTheExactIndexPlane) {
    // The exact path takes its plane from the census; it must equal what the
    // palette lookup gives, with and without a transparent colour (present or
    // not) and with black both in the image and as padding.
    uint32_t seed = 7;
    for (int round = 0; round < 12; ++round) {
        auto doc = MakeDoc(13, 9);
        Frame& f = AddFrame(*doc, 13, 9, [&](int, int) {
            seed = seed * 1103515245 + 12345;
            int v = int(seed >> 16) % (round + 2);
            return v == 0 ? Rgb{} : Rgb{uint8_t(v * 37), uint8_t(v), uint8_t(round)};
        });
        f.hasTransparency = round % 3 != 0;
        f.transparentRgb = round % 3 == 1 ? Rgb{37, 1, uint8_t(round)} : Rgb{1, 2, 3};
        ASSERT_TRUE(PrepareFramePalette(f, doc.get(), options, round % 2 == 0));
        const std::vector<uint8_t> fromCensus = f.indexPixels;
        ASSERT_TRUE(BuildExactIndexPlane(f, doc.get()));
        EXPECT_EQ(fromCensus, f.indexPixels) << round;
    }
}

TEST_F(PaletteFrame, ExactLookupTriesThePreviousEntryFirst) {
    // On the global palette, where black occurs twice: after an unknown colour
    // fell to the last entry, black pixels keep that entry until a pixel of
    // another colour moves the lookup on; then black finds its first entry.
    auto doc = MakeDoc(6, 2);
    const Rgb a{9, 9, 9}, b{7, 7, 7}, k{0, 0, 0}, unknown{50, 60, 70};
    const Rgb pixels[2][6] = {{unknown, k, k, k, a, k}, {k, b, k, k, unknown, unknown}};
    Frame& f = AddFrame(*doc, 6, 2, [&](int x, int y) { return pixels[y][x]; });
    doc->globalPalette = {a, k, b, k};
    ASSERT_TRUE(BuildExactIndexPlane(f, doc.get()));
    EXPECT_EQ(f.indexPixels, (std::vector<uint8_t>{3, 3, 3, 3, 0, 1, 1, 2, 1, 1, 3, 3}));
}

TEST_F(PaletteFrame, ReducedTransparentFrameReservesEntryZero) {
    auto doc = MakeDoc(40, 40);
    const Rgb t{10, 200, 30};
    auto pic = [&](int x, int y) { return (x + y) % 7 == 0 ? t : Rgb{uint8_t(x * 6), uint8_t(y * 6), uint8_t(x ^ y)}; };
    Frame& f = AddFrame(*doc, 40, 40, pic);
    f.hasTransparency = 1;
    f.transparentRgb = t;
    TransparencyMasks masks = MaskTransparency(*doc);
    ASSERT_TRUE(PrepareFramePalette(f, doc.get(), options, false));
    ASSERT_EQ(f.localPalette.size(), 256u);
    EXPECT_EQ(f.tempPalette, 1);
    EXPECT_EQ(f.localPalette[0], f.transparentRgb);
    ExpectWritable(*doc, true, masks);

    // However small the palette, the transparent colour keeps its entry and the
    // quantizer gets the rest.
    for (int m : {8, 16, 2}) {
        SCOPED_TRACE(m);
        options.MaxColors = m;
        f.census.clear();
        ASSERT_TRUE(PrepareFramePalette(f, doc.get(), options, false));
        EXPECT_EQ(f.localPalette.size(), size_t(m));
        EXPECT_EQ(f.hasTransparency, 1);
        EXPECT_EQ(f.localPalette[0], f.transparentRgb);
        ExpectWritable(*doc, true, masks);
    }
}

TEST_F(PaletteFrame, TransparentColourFromTheQuantizerIsSubstituted) {
    // Black pixels and transparent (4, 2, 4) pixels share one cell, whose centre
    // (4, 2, 4) the quantizer returns: the transparent entry becomes (3, 2, 4)
    // and opaque black keeps its own entry.
    auto doc = MakeDoc(8, 8);
    Frame& f = AddFrame(*doc, 8, 8, [](int x, int) { return x < 4 ? Rgb{4, 2, 4} : Rgb{0, 0, 0}; });
    f.hasTransparency = 1;
    f.transparentRgb = {4, 2, 4};
    TransparencyMasks masks = MaskTransparency(*doc);
    options.AlwaysDither = 1;
    options.MaxColors = 16;
    ASSERT_TRUE(PrepareFramePalette(f, doc.get(), options, false));
    EXPECT_EQ(f.transparentRgb, (Rgb{3, 2, 4}));
    EXPECT_EQ(f.localPalette[0], (Rgb{3, 2, 4}));
    EXPECT_EQ(f.localPalette[1], (Rgb{4, 2, 4}));
    ExpectWritable(*doc, true, masks);
}

TEST_F(PaletteFrame, SubstituteWalkEnds) {
    Palette pal = {{0, 0, 0}, {1, 0, 0}, {5, 5, 5}};
    EXPECT_FALSE(PickSubstituteColor({9, 9, 9}, pal, 3));
    EXPECT_FALSE(PickSubstituteColor({5, 5, 5}, pal, 2));  // only the first n count
    EXPECT_EQ(PickSubstituteColor({0, 0, 0}, pal, 3), (Rgb{1, 1, 0}));
    EXPECT_EQ(PickSubstituteColor({5, 5, 5}, pal, 3), (Rgb{4, 5, 5}));
    // Every colour of the walk from black is taken: it cycles, yet an answer comes.
    Palette cycle = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}, {0, 0, 1}};
    std::optional<Rgb> s = PickSubstituteColor({0, 0, 0}, cycle, 6);
    ASSERT_TRUE(s);
    for (Rgb c : cycle) EXPECT_NE(*s, c);
}

TEST_F(PaletteFrame, BrokenPictureFailsCleanly) {
    auto doc = MakeDoc(8, 8);
    Frame& f = AddFrame(*doc, 8, 8, Solid({1, 1, 1}));
    f.width = 9;  // the DIB no longer describes the frame
    EXPECT_FALSE(CountFrameColors(f));
    EXPECT_FALSE(PrepareFramePalette(f, doc.get(), options, false));
    EXPECT_FALSE(BuildExactIndexPlane(f, doc.get()));
}

TEST_F(PaletteFrame, FullColourFramesUnderNoColorReduction) {
    auto doc = MakeDoc(30, 30);
    Frame& f = AddFrame(*doc, 30, 30, Distinct(900, 30));
    f.localPalette = Palette(16);  // as read: must not make it look palette-based
    options.NoColorReduction = 1;
    ASSERT_TRUE(PrepareFramePalette(f, doc.get(), options, true));
    EXPECT_EQ(f.saveKind, 1);
    EXPECT_TRUE(f.indexPixels.empty());
    EXPECT_TRUE(f.localPalette.empty());
    options.JngOver256Only = 1;
    ASSERT_TRUE(PrepareFramePalette(f, doc.get(), options, true));
    EXPECT_EQ(f.saveKind, 2);
}

using PrepareDoc = ColorTest;

TEST_F(PrepareDoc, OnlyTheLargeFrameIsReducedJointly) {
    auto doc = MakeDoc(30, 20);
    AddFrame(*doc, 10, 10, Distinct(10, 10, 1));
    Frame& big = AddFrame(*doc, 30, 20, Distinct(300, 30, 2));
    AddFrame(*doc, 10, 10, Distinct(10, 10, 3));
    TransparencyMasks masks = MaskTransparency(*doc);
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
    EXPECT_EQ(doc->globalPalette.size(), 256u);
    EXPECT_TRUE(big.localPalette.empty());
    EXPECT_EQ(big.tempPalette, 1);
    for (Frame* f = doc->firstFrame.get(); f; f = f->next.get())
        if (f != &big) {
            EXPECT_EQ(f->localPalette.size(), 16u);
        }
    ExpectWritable(*doc, true, masks);
    EXPECT_GT(rec->pumps, 3);  // after each frame of each loop
}

TEST_F(PrepareDoc, FramesOfExactlyMaxColorsAreNotRedithered) {
    // Re-saving a 256-colour animation must not lose colours: such frames fit an
    // exact palette, with or without a second frame that needs reduction.
    for (bool withLarge : {false, true}) {
        auto doc = MakeDoc(16, 16);
        Frame& full = AddFrame(*doc, 16, 16, Distinct(256, 16, 4));
        if (withLarge) AddFrame(*doc, 16, 20, Distinct(320, 16, 5));
        ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
        EXPECT_EQ(full.tempPalette, 0) << withLarge;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(Decoded(*doc, full, x, y), PixelOf(full.dib, x, y)) << withLarge;
    }
}

TEST_F(PrepareDoc, ReservedEntriesForTransparentColours) {
    auto doc = MakeDoc(20, 20);
    const Rgb a{250, 1, 1}, b{1, 250, 1};
    for (Rgb t : {a, b, a}) {
        Frame& f = AddFrame(*doc, 20, 20, [=](int x, int y) {
            return x == y ? t : Rgb{uint8_t(x * 12), uint8_t(y * 12), uint8_t(x * y)};
        });
        f.hasTransparency = 1;
        f.transparentRgb = t;
    }
    TransparencyMasks masks = MaskTransparency(*doc);
    options.AlwaysDither = 1;
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
    ASSERT_EQ(doc->globalPalette.size(), 256u);
    EXPECT_EQ(doc->globalPalette[0], a);
    EXPECT_EQ(doc->globalPalette[1], b);
    const Frame& third = *NthFrame(*doc, 2);
    EXPECT_EQ(third.indexPixels[0], 0);        // (0, 0) is transparent
    EXPECT_EQ(NthFrame(*doc, 1)->indexPixels[21], 1);  // (1, 1)
    ExpectWritable(*doc, true, masks);
}

TEST_F(PrepareDoc, SmallSharedPalettesStillReserveOneTransparentColour) {
    // The first transparent colour always gets an entry; further ones only while
    // the quantizer keeps eight colours, so with eight entries the second goes.
    struct Case {
        int maxColors;
        size_t reserved;
    };
    for (const Case c : {Case{8, 1}, Case{16, 2}}) {
        SCOPED_TRACE(c.maxColors);
        options = WriteOptions();
        options.MaxColors = c.maxColors;
        auto doc = MakeDoc(20, 20);
        const Rgb a{250, 1, 1}, b{1, 250, 1};
        for (Rgb t : {a, b, a}) {
            Frame& f = AddFrame(*doc, 20, 20, [=](int x, int y) {
                return x == y ? t : Rgb{uint8_t(x * 12), uint8_t(y * 12), uint8_t(x * y)};
            });
            f.hasTransparency = 1;
            f.transparentRgb = t;
        }
        TransparencyMasks masks = MaskTransparency(*doc);
        ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
        ASSERT_EQ(doc->globalPalette.size(), size_t(c.maxColors));
        EXPECT_EQ(doc->globalPalette[0], a);
        EXPECT_EQ(NthFrame(*doc, 0)->hasTransparency, 1);
        EXPECT_EQ(NthFrame(*doc, 2)->hasTransparency, 1);
        EXPECT_EQ(NthFrame(*doc, 1)->hasTransparency, c.reserved > 1 ? 1 : 0);
        ExpectWritable(*doc, true, masks);
    }
}

TEST_F(PrepareDoc, OnlyTransparentColoursWithAnEntryAreLeftOutOfTheSharedColours) {
    // Half of each frame is its transparent colour, the rest four greys. A
    // colour with a reserved entry is counted as black, so the quantizer spends
    // nothing on it; with eight entries the second colour gets none, its frame
    // loses its transparency, and its pixels of that colour are counted like
    // any others.
    struct Case {
        int maxColors;
        bool greenKeepsTransparency;
    };
    for (const Case c : {Case{8, false}, Case{16, true}}) {
        SCOPED_TRACE(c.maxColors);
        options = WriteOptions();
        options.MaxColors = c.maxColors;
        options.AlwaysDither = 1;
        auto doc = MakeDoc(20, 20);
        const Rgb red{255, 0, 0}, green{0, 255, 0};
        for (Rgb t : {red, green}) {
            Frame& f = AddFrame(*doc, 20, 20, [=](int x, int y) {
                const uint8_t grey = uint8_t(x / 5 * 60);
                return y < 10 ? t : Rgb{grey, grey, grey};
            });
            f.hasTransparency = 1;
            f.transparentRgb = t;
        }
        TransparencyMasks masks = MaskTransparency(*doc);
        ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
        EXPECT_EQ(NthFrame(*doc, 0)->hasTransparency, 1);
        EXPECT_EQ(NthFrame(*doc, 1)->hasTransparency, c.greenKeepsTransparency ? 1 : 0);
        const Palette& pal = doc->globalPalette;
        const size_t reserved = c.greenKeepsTransparency ? 2 : 1;
        ASSERT_EQ(pal.size(), size_t(c.maxColors));
        auto reddish = [](Rgb e) { return e.r > 128 && e.g < 64 && e.b < 64; };
        auto greenish = [](Rgb e) { return e.g > 128 && e.r < 64 && e.b < 64; };
        EXPECT_TRUE(std::none_of(pal.begin() + ptrdiff_t(reserved), pal.end(), reddish));
        EXPECT_EQ(std::any_of(pal.begin() + ptrdiff_t(reserved), pal.end(), greenish), !c.greenKeepsTransparency);
        ExpectWritable(*doc, true, masks);
    }
}

TEST_F(PrepareDoc, SubstitutesNeverCollide) {
    // Reserved colour A comes out of the quantizer and walks to (3, 2, 4), which
    // is reserved colour B: two equal entries would leave B's frame with its
    // transparent pixels on the wrong entry.
    auto doc = MakeDoc(8, 8);
    const Rgb a{4, 2, 4}, b{3, 2, 4};
    for (Rgb t : {a, b}) {
        Frame& f = AddFrame(*doc, 8, 8, [=](int x, int) { return x < 2 ? t : Rgb{0, 0, 0}; });
        f.hasTransparency = 1;
        f.transparentRgb = t;
    }
    TransparencyMasks masks = MaskTransparency(*doc);
    options.AlwaysDither = 1;
    options.MaxColors = 16;
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
    EXPECT_NE(doc->globalPalette[0], doc->globalPalette[1]);
    ExpectWritable(*doc, true, masks);
}

TEST_F(PrepareDoc, FramesOutsideTheScreenStayInBounds) {
    auto doc = MakeDoc(16, 16);
    AddFrame(*doc, 40, 8, Distinct(320, 40, 1), 0, 0);       // wider than the screen
    AddFrame(*doc, 8, 8, Distinct(64, 8, 2), 12, 30);        // below the screen
    AddFrame(*doc, 8, 8, Distinct(64, 8, 3), -5, -7);        // above and left
    TransparencyMasks masks = MaskTransparency(*doc);
    options.AlwaysDither = 1;
    options.MaxColors = 64;
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
    EXPECT_EQ(doc->globalPalette.size(), 64u);
    ExpectWritable(*doc, true, masks);
}

TEST_F(PrepareDoc, ScreensFarWiderThanTheirFramesKeepThePaletteWithoutMappingTheScreen) {
    // Screen-wide rows make the screen's black count towards the palette. On a
    // screen past the row limits only the frames' width is mapped, yet the black
    // is counted all the same: the palette is the one full rows give. A damaged
    // MNG's screen of 2^31 - 1 pixels is then prepared at once.
    // Dark colours share boxes with black, so black's count moves their entries.
    const PixelFn dark = [](int x, int y) { return Rgb{uint8_t(x * 3 % 40), uint8_t(y * 2 % 24), uint8_t((x + y) % 17)}; };
    auto build = [&](int screenWidth) {
        auto doc = MakeDoc(screenWidth, 40);
        AddFrame(*doc, 32, 20, dark);
        AddFrame(*doc, 24, 10, Distinct(240, 24, 2), 0, 25);
        AddFrame(*doc, 20, 30, Distinct(500, 20, 3), 5, 7);
        return doc;
    };
    options.MaxColors = 16;  // fewer entries than cells, so counts decide the boxes
    const RowLimits defaults = JointRowLimits;
    for (int width : {600000, 100000}) {
        SCOPED_TRACE(width);
        auto full = build(width), narrow = build(width);
        JointRowLimits = {INT32_MAX, UINT64_MAX};
        ASSERT_TRUE(PreparePalettes(nullptr, *full, options, false));
        JointRowLimits = defaults;
        if (width < defaults.widestRow) JointRowLimits.mostPixels = uint64_t(width) * 20;
        TransparencyMasks masks = MaskTransparency(*narrow);
        ASSERT_TRUE(PreparePalettes(nullptr, *narrow, options, false));
        JointRowLimits = defaults;
        EXPECT_EQ(narrow->globalPalette, full->globalPalette);
        ExpectWritable(*narrow, true, masks);
    }
    auto huge = build(INT32_MAX);
    TransparencyMasks masks = MaskTransparency(*huge);
    ASSERT_TRUE(PreparePalettes(nullptr, *huge, options, false));
    EXPECT_EQ(huge->globalPalette.size(), 16u);
    ExpectWritable(*huge, true, masks);
}

TEST_F(PrepareDoc, PropertiesHoldAcrossOptions) {
    for (int unify : {0, 1})
        for (int dither : {0, 1})
            for (int m : {8, 16, 256}) {
                SCOPED_TRACE(testing::Message() << "unify " << unify << " dither " << dither << " M " << m);
                options = WriteOptions();
                options.UnifyPalette = unify;
                options.AlwaysDither = dither;
                options.MaxColors = m;
                auto doc = MakeDoc(24, 24);
                const int sizes[] = {3, 9, 20, 300};
                for (int i = 0; i < 4; ++i) {
                    Frame& f = AddFrame(*doc, 24 - i, 12 + i, Distinct(sizes[i], 24 - i, i), i, i);
                    if (i % 2 == 0) {
                        f.hasTransparency = 1;
                        f.transparentRgb = PixelOf(f.dib, 1, 0);
                    }
                }
                TransparencyMasks masks = MaskTransparency(*doc);
                ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
                if (doc->globalPalette.empty()) {
                    ASSERT_TRUE(BuildGlobalPalette(*doc, options, false));
                }
                EXPECT_LE(doc->globalPalette.size(), size_t(std::max(m, 2)));
                for (Frame* f = doc->firstFrame.get(); f; f = f->next.get())
                    EXPECT_LE(f->localPalette.size(), size_t(m));
                ExpectWritable(*doc, true, masks);
                ReleaseSaveState(*doc);
            }
}

TEST_F(PrepareDoc, FailureLeavesNoGlobalPaletteOrCensusPositions) {
    // With dithering forced, the few-colour transparent frame, its census
    // positions taken and an entry reserved for it, joins the shared reduction
    // before the broken frame stops it; without, it keeps its own palette.
    for (int dither : {0, 1}) {
        SCOPED_TRACE(dither);
        options.AlwaysDither = dither;
        auto doc = MakeDoc(30, 30);
        AddFrame(*doc, 30, 30, Distinct(400, 30));
        Frame& clear = AddFrame(*doc, 10, 10, Distinct(5, 10));
        clear.hasTransparency = 1;
        clear.transparentRgb = PixelOf(clear.dib, 0, 0);
        Frame& broken = AddFrame(*doc, 8, 8, Solid({1, 2, 3}));
        broken.height = 9;
        EXPECT_FALSE(PreparePalettes(nullptr, *doc, options, false));
        EXPECT_TRUE(doc->globalPalette.empty());
        for (Frame* f = doc->firstFrame.get(); f; f = f->next.get()) EXPECT_TRUE(f->censusIndices.empty());
    }
}

TEST_F(PrepareDoc, KeptPngPaletteIsRestoredInMng) {
    auto doc = MakeDoc(4, 1);
    Frame& f = AddFrame(*doc, 4, 1, Distinct(4, 4));
    f.pngPalette = {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}};
    f.pngIndexPixels = {2, 1, 0, 2};
    options.KeepPngPalette = 1;
    options.TransparentIndex = 1;
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, true));
    ASSERT_TRUE(BuildGlobalPalette(*doc, options, true));
    EXPECT_TRUE(doc->globalPalette.empty());
    EXPECT_EQ(f.localPalette, f.pngPalette);
    EXPECT_EQ(f.indexPixels, f.pngIndexPixels);
    EXPECT_EQ(f.hasTransparency, 1);
    EXPECT_EQ(f.transparentRgb, (Rgb{8, 8, 8}));

    f.pngIndexPixels = {2, 1, 0, 3};  // an index outside the kept palette: not usable
    f.localPalette.clear();
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, true));
    EXPECT_NE(f.localPalette, f.pngPalette);
    ExpectWritable(*doc, false, {});
}

TEST_F(PrepareDoc, SingleFrameUsesAFullTableAndRestoresMaxColors) {
    auto doc = MakeDoc(20, 10);
    Frame& f = AddFrame(*doc, 20, 10, Distinct(100, 20));
    options.MaxColors = 16;
    ASSERT_TRUE(PrepareSingleFramePalette(doc.get(), f, options, false));
    EXPECT_EQ(options.MaxColors, 16);
    EXPECT_EQ(f.localPalette.size(), 128u);
    EXPECT_EQ(f.tempPalette, 0);
}

TEST_F(PrepareDoc, ReleaseStartsTheNextSaveAfresh) {
    auto doc = MakeDoc(30, 20);
    Frame& exact = AddFrame(*doc, 10, 10, Distinct(10, 10));
    Frame& reduced = AddFrame(*doc, 30, 20, Distinct(300, 30));
    options.UnifyPalette = 0;
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
    ReleaseSaveState(*doc);
    for (Frame* f : {&exact, &reduced}) {
        EXPECT_TRUE(f->indexPixels.empty());
        EXPECT_TRUE(f->census.empty());
        EXPECT_EQ(f->colorCount, 0);
    }
    EXPECT_EQ(exact.localPalette.size(), 16u);  // exact palettes stay
    EXPECT_TRUE(reduced.localPalette.empty());  // quantized ones go
    ASSERT_TRUE(PreparePalettes(nullptr, *doc, options, false));
    ReleaseSaveStateAfterFailure(*doc);
    EXPECT_TRUE(exact.localPalette.empty());
}

}  // namespace
}  // namespace kivo::test
