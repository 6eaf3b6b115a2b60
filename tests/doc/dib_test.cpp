#include "doc/dib.h"

#include <gtest/gtest.h>

#include "doc/color_count.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::Bytes;
using test::PixelOf;

// A packed DIB with an information header and the given table and pixel bytes.
Dib InfoDib(int w, int h, int bits, uint32_t compression, const std::vector<uint8_t>& table,
            const std::vector<uint8_t>& pixels, uint32_t colorsUsed = 0) {
    Bytes b;
    b.u32(40).u32(uint32_t(w)).u32(uint32_t(h)).u16(1).u16(uint16_t(bits)).u32(compression)
        .u32(uint32_t(pixels.size())).u32(39).u32(39).u32(colorsUsed).u32(0);
    b.raw(table).raw(pixels);
    return b.data;
}

TEST(Dib, RowLengthForEveryDepthAndWidthsOneToNine) {
    for (uint32_t w = 1; w <= 9; ++w) {
        EXPECT_EQ(DibRowBytes(w, 1), ((w + 7) / 8 + 3) / 4 * 4) << w;
        EXPECT_EQ(DibRowBytes(w, 4), ((w + 1) / 2 + 3) / 4 * 4) << w;
        EXPECT_EQ(DibRowBytes(w, 8), (w + 3) / 4 * 4) << w;
        EXPECT_EQ(DibRowBytes(w, 16), (2 * w + 3) / 4 * 4) << w;
        EXPECT_EQ(DibRowBytes(w, 24), (3 * w + 3) / 4 * 4) << w;
        EXPECT_EQ(DibRowBytes(w, 32), 4 * w) << w;
    }
}

TEST(Dib, SizesAndOffsetsFollowTheHeader) {
    // 8-bit with colours-used 16: a 64-byte table, pixels right after it.
    Dib d = InfoDib(5, 3, 8, 0, std::vector<uint8_t>(64, 0), std::vector<uint8_t>(24, 0), 16);
    ASSERT_TRUE(DibIsValid(d));
    EXPECT_EQ(DibColorCount(d), 16u);
    EXPECT_EQ(DibPixelOffset(d), 40u + 64u);
    EXPECT_EQ(DibFileOffset(d), 14u + 40u + 64u);
    EXPECT_EQ(DibImageSize(d), 3u * 8u);
    EXPECT_EQ(DibSize(d), 40u + 64u + 24u);

    // Core header: 3-byte entries, 2^bits of them.
    Bytes core;
    core.u32(12).u16(3).u16(2).u16(1).u16(4).fill(16 * 3, 0).fill(8, 0);
    ASSERT_TRUE(DibIsValid(core.data));
    EXPECT_TRUE(DibIsCore(core.data));
    EXPECT_EQ(DibWidth(core.data), 3);
    EXPECT_EQ(DibHeight(core.data), 2);
    EXPECT_EQ(DibPixelOffset(core.data), 12u + 48u);

    // 16-bit bit fields: 12 bytes of masks instead of a table.
    Dib bf = InfoDib(1, 1, 16, kBiBitFields, std::vector<uint8_t>(12, 0), {0, 0, 0, 0});
    EXPECT_EQ(DibColorTableBytes(bf), 12u);

    Dib made = MakeDib24(7, 2);
    EXPECT_EQ(made.size(), 40u + 2u * 24u);
    EXPECT_EQ(DibBitCount(made), 24);
}

TEST(Dib, ValidityRejectsShortOrOddHeaders) {
    Dib d = InfoDib(4, 4, 24, 0, {}, std::vector<uint8_t>(48, 0));
    EXPECT_TRUE(DibIsValid(d));
    Dib shortPixels(d.begin(), d.end() - 1);
    EXPECT_FALSE(DibIsValid(shortPixels));
    Dib odd = d;
    odd[0] = 14;  // header sizes 13..15 are not a header kind
    EXPECT_FALSE(DibIsValid(odd));
    EXPECT_FALSE(DibIsValid(Dib{1, 2}));
    EXPECT_FALSE(DibIsValid(Dib{}));
}

TEST(Dib, PalettedDepthsConvertThroughTheTable) {
    std::vector<uint8_t> table2 = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue
    // 1-bit, width 9: MSB first; row 0 (bottom) = 1,0,0,0,0,0,0,0,1
    Dib one = InfoDib(9, 1, 1, 0, table2, {0x80, 0x80, 0, 0});
    Dib out = DibTo24(DibSpan(one));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(PixelOf(out, 0, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(PixelOf(out, 1, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelOf(out, 8, 0), (Rgb{0, 0, 255}));

    std::vector<uint8_t> table16(64, 0);
    table16[4 * 3 + 1] = 200;  // entry 3: green 200
    Dib four = InfoDib(3, 1, 4, 0, table16, {0x30, 0x30, 0, 0});
    out = DibTo24(DibSpan(four));
    EXPECT_EQ(PixelOf(out, 0, 0), (Rgb{0, 200, 0}));
    EXPECT_EQ(PixelOf(out, 1, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(PixelOf(out, 2, 0), (Rgb{0, 200, 0}));

    // An index past a short table (colours used = 2) is black, never read past it.
    Dib eight = InfoDib(2, 1, 8, 0, table2, {1, 200, 0, 0}, 2);
    out = DibTo24(DibSpan(eight));
    EXPECT_EQ(PixelOf(out, 0, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(PixelOf(out, 1, 0), (Rgb{0, 0, 0}));
}

TEST(Dib, DirectDepthsConvert) {
    // 16-bit default 5-5-5 and 5-6-5 bit fields.
    Dib d555 = InfoDib(2, 1, 16, 0, {}, {0xFF, 0x7F, 0x00, 0x7C});
    Dib out = DibTo24(DibSpan(d555));
    EXPECT_EQ(PixelOf(out, 0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(PixelOf(out, 1, 0), (Rgb{255, 0, 0}));

    Bytes masks;
    masks.u32(0xF800).u32(0x07E0).u32(0x001F);
    Dib d565 = InfoDib(2, 1, 16, kBiBitFields, masks.data, {0xFF, 0xFF, 0xE0, 0x07});
    out = DibTo24(DibSpan(d565));
    EXPECT_EQ(PixelOf(out, 0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(PixelOf(out, 1, 0), (Rgb{0, 255, 0}));

    Dib d32 = InfoDib(1, 1, 32, 0, {}, {10, 20, 30, 99});
    out = DibTo24(DibSpan(d32));
    EXPECT_EQ(PixelOf(out, 0, 0), (Rgb{30, 20, 10}));

    // Unsupported depth: the picture stays black.
    Dib d2 = InfoDib(4, 1, 2, 0, std::vector<uint8_t>(16, 255), {0xFF, 0, 0, 0});
    out = DibTo24(DibSpan(d2));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(PixelOf(out, 0, 0), (Rgb{0, 0, 0}));
}

TEST(Dib, ConsumingConversionHandsBack24BitUnchanged) {
    Dib src = test::MakeImage(3, 3, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), 7}; });
    const uint8_t* data = src.data();
    Dib same = DibTo24(std::move(src));
    EXPECT_EQ(same.data(), data);

    Dib eight = InfoDib(1, 1, 8, 0, std::vector<uint8_t>(1024, 0), {0, 0, 0, 0});
    Dib copy = eight;
    Dib converted = DibTo24(DibSpan(copy));
    EXPECT_EQ(copy, eight);  // the copying form leaves the source untouched
    EXPECT_EQ(DibBitCount(converted), 24);
    EXPECT_TRUE(DibTo24(Dib{1, 2, 3}).empty());
}

TEST(ColorCount, LimitedStopsAtTheLimit) {
    auto image = [](int colors) {
        return test::MakeImage(colors, 1, [](int x, int) {
            return Rgb{uint8_t(x % 7), uint8_t(x / 7 % 256), uint8_t(x / 1792)};
        });
    };
    for (int n : {2, 3, 16, 17, 256, 257}) {
        Dib d = image(n);
        EXPECT_EQ(CountColorsLimited(DibPixels(d), n, 1, 0), n);
        EXPECT_EQ(CountColorsLimited(DibPixels(d), n, 1, 10), std::min(n, 10));
    }
}

TEST(ColorCount, PaletteKindsByNumberOfColours) {
    struct Case {
        int colors, kind;
    } cases[] = {{1, 2}, {2, 2}, {3, 16}, {16, 16}, {17, 256}, {256, 256}, {257, 257}};
    for (const Case& c : cases) {
        // Two rows of repeated colours, so repetition does not count twice.
        Dib d = test::MakeImage(c.colors, 2, [](int x, int) {
            return Rgb{uint8_t(x), uint8_t(x >> 8), 0};
        });
        PaletteCount pc = CountColorsPalette(DibPixels(d), c.colors, 2);
        EXPECT_EQ(pc.kind, c.kind) << c.colors;
        if (c.kind == 257) {
            EXPECT_EQ(pc.count, 0);
            EXPECT_TRUE(pc.colors.empty());
        } else {
            EXPECT_EQ(pc.count, c.colors);
            EXPECT_EQ(pc.colors[0], 0u);
        }
    }
}

}  // namespace
}  // namespace kivo
