// Documents for the colour reduction tests, and the checks every prepared
// document must pass before a writer may use it.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "color/global_palette.h"
#include "color/palette_prep.h"
#include "options/write_options.h"
#include "doc/anim_doc.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo::test {

using PixelFn = std::function<Rgb(int x, int y)>;

// Appends a frame of the given size and picture at (left, top).
inline Frame& AddFrame(AnimDoc& doc, int width, int height, const PixelFn& f, int left = 0, int top = 0) {
    EXPECT_TRUE(AppendFrame(doc));
    Frame& fr = *doc.currentFrame;
    fr.width = int16_t(width);
    fr.height = int16_t(height);
    fr.left = int16_t(left);
    fr.top = int16_t(top);
    fr.dib = MakeImage(width, height, f);
    fr.tempPalette = 1;  // a full-colour picture, as imports leave it
    return fr;
}

inline std::unique_ptr<AnimDoc> MakeDoc(int screenWidth, int screenHeight) {
    auto doc = NewDocument();
    doc->screenWidth = screenWidth;
    doc->screenHeight = screenHeight;
    return doc;
}

// Picture with exactly `colours` distinct colours (up to 65536), in runs.
inline PixelFn Distinct(int colours, int width, int salt = 0) {
    return [=](int x, int y) {
        const int i = (y * width + x) % colours;
        return Rgb{uint8_t(i & 255), uint8_t((i >> 8) * 40 + salt), uint8_t(salt * 7)};
    };
}

inline PixelFn Solid(Rgb c) { return [=](int, int) { return c; }; }

inline const Palette& PaletteOf(const AnimDoc& doc, const Frame& f) {
    return f.localPalette.empty() ? doc.globalPalette : f.localPalette;
}

// Palette colour of pixel (x, y) (from the top) through the index plane.
inline Rgb Decoded(const AnimDoc& doc, const Frame& f, int x, int y) {
    return PaletteOf(doc, f)[f.indexPixels[size_t(y) * size_t(f.width) + size_t(x)]];
}

// Which pixels of each frame are transparent before preparation.
using TransparencyMasks = std::vector<std::vector<bool>>;

inline TransparencyMasks MaskTransparency(const AnimDoc& doc) {
    TransparencyMasks masks;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        std::vector<bool> m(size_t(f->width) * size_t(f->height), false);
        if (f->hasTransparency)
            for (int y = 0; y < f->height; ++y)
                for (int x = 0; x < f->width; ++x)
                    m[size_t(y) * size_t(f->width) + size_t(x)] = PixelOf(f->dib, x, y) == f->transparentRgb;
        masks.push_back(std::move(m));
    }
    return masks;
}

// What the writers rely on: index planes inside their palettes, GIF table sizes
// and, where a frame keeps its transparency, the first palette entry of its
// transparent colour used by exactly the pixels that were transparent. Frames
// may lose transparency, never gain wrong pixels.
inline void ExpectWritable(const AnimDoc& doc, bool gif, const TransparencyMasks& masks) {
    size_t n = 0;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get(), ++n) {
        SCOPED_TRACE(testing::Message() << "frame " << n);
        if (f->saveKind != 0) continue;
        const Palette& pal = PaletteOf(doc, *f);
        ASSERT_FALSE(pal.empty());
        ASSERT_LE(pal.size(), size_t(256));
        ASSERT_EQ(f->indexPixels.size(), size_t(f->width) * size_t(f->height));
        if (gif) {
            EXPECT_TRUE(pal.size() >= 2 && (pal.size() & (pal.size() - 1)) == 0) << pal.size();
        }
        int transparent = -1;
        if (f->hasTransparency)
            for (size_t i = 0; i < pal.size() && transparent < 0; ++i)
                if (pal[i] == f->transparentRgb) transparent = int(i);
        for (size_t i = 0; i < f->indexPixels.size(); ++i) {
            ASSERT_LT(f->indexPixels[i], pal.size()) << "pixel " << i;
            if (transparent >= 0 && n < masks.size()) {
                ASSERT_EQ(f->indexPixels[i] == transparent, bool(masks[n][i])) << "pixel " << i;
            }
        }
    }
}

// Gives every test its own write options (the defaults) and installs the
// recording backend.
class ColorTest : public testing::Test {
protected:
    WriteOptions options;
    ScopedRecordingBackend rec;
};

}  // namespace kivo::test
