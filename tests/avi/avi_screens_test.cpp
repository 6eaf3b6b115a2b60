// The 8-bit AVI palette found from the screens' colour counts alone, judged by
// palette preparation and global palette building run on the whole screens
// as frames of their own, which is how such a palette was made before; and
// the 8-bit pictures made with it giving back every screen exactly.
#include <gtest/gtest.h>

#include <algorithm>

#include "color/global_palette.h"
#include "color/palette_prep.h"
#include "options/write_options.h"
#include "doc/dib.h"
#include "support/test_support.h"
#include "support/animation_builder.h"
#include "avi/avi_screens.h"

namespace kivo {
namespace {

using test::FrameSpec;

std::vector<std::vector<uint32_t>> ComposedScreens(const AnimDoc& doc) {
    AviScreens screens;
    EXPECT_TRUE(screens.Start(doc));
    std::vector<std::vector<uint32_t>> out;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        screens.Draw(*f);
        out.emplace_back(screens.pixels());
        EXPECT_TRUE(screens.Copy(out.back()));
    }
    return out;
}

// Palette preparation over the screens as opaque whole-screen frames, with the
// options an export forces: the shared palette, or nothing when some frame
// keeps a palette of its own.
std::optional<Palette> PreparedPalette(const std::vector<std::vector<uint32_t>>& shots, int w, int h) {
    std::vector<FrameSpec> specs;
    for (const std::vector<uint32_t>& s : shots)
        specs.emplace_back(0, 0, w, h, [&s, w](int x, int y) {
            const uint32_t p = s[size_t(y) * size_t(w) + size_t(x)];
            return Rgb{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
        });
    auto doc = test::MakeAnimation(w, h, specs);
    const WriteOptions options;  // what an export forces: the defaults
    std::optional<Palette> result;
    for (Frame* f = doc->firstFrame.get(); f; f = f->next.get()) {
        EXPECT_TRUE(CountFrameColors(*f));
        if (f->colorCount > 256) return result;
    }
    EXPECT_TRUE(PreparePalettes(nullptr, *doc, options, false));
    if (doc->globalPalette.empty()) {
        EXPECT_TRUE(BuildGlobalPalette(*doc, options, false));
    }
    bool shared = true;
    for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get()) shared &= f->localPalette.empty();
    if (shared) result = doc->globalPalette;
    return result;
}

// Whole-screen frames whose pixels run through `colours` values from `first`.
FrameSpec Colours(int first, int colours) {
    return FrameSpec(0, 0, 24, 16, [=](int x, int y) {
        const int v = first + (y * 24 + x) % colours;
        return Rgb{uint8_t(v), uint8_t(v >> 8), uint8_t(255 - v)};
    });
}

TEST(AviScreens, SharedPaletteIsWhatPalettePreparationMakes) {
    std::vector<std::unique_ptr<AnimDoc>> docs;
    // Palette sizes 4, 16, 2, 256: larger ones first, ties in frame order; colours
    // shared between frames; too many colours for one palette, in one frame or
    // only together; exactly 256 together.
    const std::vector<std::vector<FrameSpec>> cases = {
        {Colours(0, 3), Colours(2, 9), Colours(5, 1), Colours(100, 200), Colours(1, 3)},
        {Colours(0, 200), Colours(150, 200)},
        {Colours(0, 257)},
        {Colours(0, 128), Colours(128, 128), Colours(0, 5)},
        {Colours(7, 1)},
    };
    for (const auto& specs : cases) docs.push_back(test::MakeAnimation(24, 16, specs));
    // Transparency, offsets and every disposal: the composed screens differ
    // from every frame's own picture.
    for (uint32_t seed = 1; seed <= 40; ++seed) docs.push_back(test::RandomAnimation(seed));

    for (size_t d = 0; d < docs.size(); ++d) {
        SCOPED_TRACE(d);
        const AnimDoc& doc = *docs[d];
        const std::vector<std::vector<uint32_t>> shots = ComposedScreens(doc);
        std::vector<std::vector<uint32_t>> colours(shots.size());
        std::vector<std::vector<uint8_t>> places(shots.size());
        bool within = true;
        for (size_t i = 0; i < shots.size(); ++i) {
            places[i].resize(shots[i].size());
            within &= CountScreenColours(shots[i], colours[i], places[i]);
        }
        const std::optional<Palette> ours = within ? SharedScreenPalette(colours) : std::nullopt;
        const std::optional<Palette> expected = PreparedPalette(shots, doc.screenWidth, doc.screenHeight);
        ASSERT_EQ(ours.has_value(), expected.has_value());
        if (!ours) continue;
        EXPECT_EQ(*ours, *expected);

        // Each screen's 8-bit picture shows the screen exactly, made from the
        // screen or from the places counting kept of it.
        AviScreenIndexer indexer;
        ASSERT_TRUE(indexer.Start(doc.screenWidth, doc.screenHeight, *ours));
        for (size_t i = 0; i < shots.size(); ++i) {
            const std::vector<uint32_t>& shot = shots[i];
            const DibSpan fromPlaces = indexer.Index(places[i], colours[i]);
            const Dib kept(fromPlaces.begin(), fromPlaces.end());
            const DibSpan direct = indexer.Index(shot);
            ASSERT_TRUE(std::equal(direct.begin(), direct.end(), kept.begin(), kept.end()));
            const Dib back = DibTo24(direct);
            ASSERT_FALSE(back.empty());
            for (int y = 0; y < doc.screenHeight; ++y)
                for (int x = 0; x < doc.screenWidth; ++x) {
                    const uint8_t* p = DibPixels(back) + size_t(doc.screenHeight - 1 - y) * DibRowBytes(
                                           uint32_t(doc.screenWidth), 24) + 3 * size_t(x);
                    const uint32_t rgb = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
                    ASSERT_EQ(rgb, shot[size_t(y) * size_t(doc.screenWidth) + size_t(x)] & 0xFFFFFF);
                }
        }
    }
}

}  // namespace
}  // namespace kivo
