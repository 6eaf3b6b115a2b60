// Index planes left out by preparation and built one frame at a time must be
// exactly the planes preparation would have made: the same palettes, the same
// indices, the same transparency, whatever the rules and options. The planes
// built up front are the oracle. The entries a plane will use, told before it
// exists (the GIF writer orders its table by them), must be the entries the
// built plane does use.
#include <array>
#include <tuple>

#include "color/color_fixture.h"

namespace kivo::test {
namespace {

using DeferredPlanes = ColorTest;

struct Case {
    const char* name;
    bool mng;
    int maxColors;
    int unify;
    int alwaysDither;
    bool manyColours;  // with a frame of more colours than any palette holds
    int leftOut;  // frames that keep their exact colours, so get their planes late
};

// Frames of every kind preparation meets: exact colours of several counts,
// transparent ones (the colour present and absent), one over the limit if
// asked for, a repeated palette that UnifyPalette 0 lends out, and an offset
// frame. Without the frame over the limit everything fits, and the frames'
// palettes are merged into the global one.
std::unique_ptr<AnimDoc> MixedDoc(bool manyColours) {
    auto doc = MakeDoc(40, 30);
    AddFrame(*doc, 40, 30, Distinct(200, 40));
    AddFrame(*doc, 20, 10, Distinct(7, 20, 3), 5, 4);
    Frame& t = AddFrame(*doc, 16, 16, Distinct(12, 16, 5));
    t.hasTransparency = 1, t.transparentRgb = PixelOf(t.dib, 3, 0);
    Frame& absent = AddFrame(*doc, 16, 16, Distinct(30, 16, 9));
    absent.hasTransparency = 1, absent.transparentRgb = Rgb{1, 2, 3};
    if (manyColours) AddFrame(*doc, 40, 30, Distinct(300, 40, 11));
    AddFrame(*doc, 20, 10, Distinct(7, 20, 3));
    AddFrame(*doc, 8, 8, Solid({0, 0, 0}));
    return doc;
}

using Snapshot = std::vector<std::tuple<Palette, std::vector<uint8_t>, int32_t, Rgb>>;

// Every frame's palette, plane and transparency once planes exist, then the
// document's own palette as the last entry; leftOut counts the frames that
// were without a plane before.
Snapshot Prepare(AnimDoc& doc, const Case& c, IndexPlanes planes, int& leftOut) {
    WriteOptions options;
    options.MaxColors = c.maxColors;
    options.UnifyPalette = c.unify;
    options.AlwaysDither = c.alwaysDither;
    EXPECT_TRUE(PreparePalettes(nullptr, doc, options, c.mng, planes));
    if (doc.globalPalette.empty()) {
        EXPECT_TRUE(BuildGlobalPalette(doc, options, c.mng));
    }
    Snapshot shot;
    leftOut = 0;
    for (Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        leftOut += f->indexPixels.empty() && f->saveKind == 0;
        EXPECT_TRUE(f->censusIndices.empty());
        const std::array<bool, 256> foretold = EntriesPlaneUses(*f, doc.globalPalette);
        EXPECT_TRUE(BuildFrameIndexPlane(*f, doc));
        EXPECT_TRUE(foretold == EntriesPlaneUses(*f, doc.globalPalette)) << "frame " << shot.size();
        shot.emplace_back(f->localPalette, f->indexPixels, f->hasTransparency, f->transparentRgb);
    }
    shot.emplace_back(doc.globalPalette, std::vector<uint8_t>{}, 0, Rgb{});
    return shot;
}

TEST_F(DeferredPlanes, BuiltPerFrameEqualThePlanesMadeUpFront) {
    const Case cases[] = {
        {"mng merged", true, 256, 1, 0, false, 6},
        {"mng joint reduction", true, 256, 1, 0, true, 6},
        {"mng own palettes", true, 256, 0, 0, true, 6},
        {"mng 32 colours, joint reduction", true, 32, 1, 0, true, 5},
        {"mng 32 colours, each reduced", true, 32, 0, 0, false, 5},
        {"mng always dither", true, 256, 1, 1, false, 0},
        {"gif merged", false, 256, 1, 0, false, 6},
        {"gif own palettes", false, 256, 0, 0, false, 6},
        {"gif 64 colours", false, 64, 1, 0, true, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto eager = MixedDoc(c.manyColours), deferred = MixedDoc(c.manyColours);
        const TransparencyMasks masks = MaskTransparency(*eager);
        int built = 0, leftOut = 0;
        const Snapshot expected = Prepare(*eager, c, IndexPlanes::kBuild, built);
        const Snapshot got = Prepare(*deferred, c, IndexPlanes::kDeferExact, leftOut);
        EXPECT_EQ(built, 0);
        EXPECT_EQ(leftOut, c.leftOut);
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(got[i] == expected[i]) << "frame " << i;
        ExpectWritable(*deferred, !c.mng, masks);
        ReleaseSaveState(*deferred);
        for (const Frame* f = deferred->firstFrame.get(); f; f = f->next.get())
            EXPECT_TRUE(f->indexPixels.empty() && f->census.empty());
    }
}

}  // namespace
}  // namespace kivo::test
