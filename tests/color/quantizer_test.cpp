// The quantizer is checked against values worked out by hand and against a
// small independent model of the same rules (the gradient references below),
// since the writers depend on bit-identical palettes and indices.
#include "color/quantizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "doc/types.h"

namespace kivo {
namespace {

using Image = std::vector<std::vector<Rgb>>;  // rows, top first

// Bottom-up 24-bit rows as QuantizeImage reads them.
std::vector<uint8_t> ToBits(const Image& img) {
    const size_t h = img.size(), w = img.empty() ? 0 : img[0].size();
    const size_t stride = (w * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> bits(stride * h + 1, 0xEE);  // padding bytes must not matter
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            uint8_t* p = &bits[(h - 1 - y) * stride + x * 3];
            p[0] = img[y][x].b;
            p[1] = img[y][x].g;
            p[2] = img[y][x].r;
        }
    return bits;
}

std::vector<uint8_t> Row(const std::vector<Rgb>& pixels) {
    std::vector<uint8_t> row;
    for (Rgb c : pixels) row.insert(row.end(), {c.b, c.g, c.r});
    return row;
}

Rgb MapEntry(const ColorMap& m, int i) { return {m.red[size_t(i)], m.green[size_t(i)], m.blue[size_t(i)]}; }

struct Result {
    std::unique_ptr<ColorMap> map;
    std::vector<uint8_t> indices;
};

Result Quantize(const Image& img, int n) {
    const int h = int(img.size()), w = img.empty() ? 0 : int(img[0].size());
    std::vector<uint8_t> bits = ToBits(img);
    Result r;
    r.indices.assign(size_t(w) * size_t(h), 0xFF);
    r.map = QuantizeImage(w, h, n, bits.data(), r.indices.data());
    return r;
}

TEST(Quantizer, OneColourBecomesItsCellCentre) {
    for (auto [in, expected] : {std::pair{Rgb{0, 0, 0}, Rgb{4, 2, 4}},
                                std::pair{Rgb{255, 255, 255}, Rgb{252, 254, 252}}}) {
        Result r = Quantize(Image(3, std::vector<Rgb>(5, in)), 16);
        ASSERT_TRUE(r.map);
        EXPECT_EQ(MapEntry(*r.map, 0), expected);
        for (int i = 1; i < 16; ++i) EXPECT_EQ(MapEntry(*r.map, i), (Rgb{0, 0, 0}));
        EXPECT_EQ(r.indices, std::vector<uint8_t>(15, 0));
    }
}

TEST(Quantizer, TwoColoursSplitOnGreenAndDither) {
    // Black then white: the first box splits on green (the longest scaled side);
    // the white pixel receives -20/16 of red error and still maps to white.
    Result r = Quantize(Image{{{0, 0, 0}, {255, 255, 255}}}, 2);
    ASSERT_TRUE(r.map);
    EXPECT_EQ(MapEntry(*r.map, 0), (Rgb{4, 2, 4}));
    EXPECT_EQ(MapEntry(*r.map, 1), (Rgb{252, 254, 252}));
    EXPECT_EQ(r.indices, (std::vector<uint8_t>{0, 1}));
}

TEST(Quantizer, GradientMatchesReference) {
    Image img(5, std::vector<Rgb>(12));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 12; ++x)
            img[size_t(y)][size_t(x)] = {uint8_t(x * 255 / 11), uint8_t(y * 60), uint8_t(255 - x * 20)};
    Result r = Quantize(img, 8);
    ASSERT_TRUE(r.map);
    const Rgb colours[8] = {{23, 32, 233}, {23, 212, 233}, {197, 32, 84}, {197, 212, 84},
                            {57, 122, 204}, {197, 122, 84}, {92, 32, 175}, {92, 212, 175}};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(MapEntry(*r.map, i), colours[i]) << i;
    const std::vector<uint8_t> indices = {
        0, 0, 0, 6, 6, 6, 2, 2, 2, 2, 2, 2, 0, 0, 0, 6, 6, 6, 6, 6, 2, 2, 2, 2,
        4, 4, 4, 4, 4, 5, 5, 5, 5, 5, 5, 5, 1, 1, 1, 7, 7, 7, 7, 3, 3, 3, 3, 3,
        1, 1, 1, 7, 7, 7, 3, 7, 3, 3, 3, 3};
    EXPECT_EQ(r.indices, indices);
}

TEST(Quantizer, OnePixelWideColumn) {
    Image img = {{{100, 150, 200}}, {{10, 20, 30}}, {{250, 5, 128}}, {{100, 150, 200}}, {{60, 60, 60}}};
    Result r = Quantize(img, 3);
    ASSERT_TRUE(r.map);
    EXPECT_EQ(MapEntry(*r.map, 0), (Rgb{36, 42, 44}));
    EXPECT_EQ(MapEntry(*r.map, 1), (Rgb{252, 6, 132}));
    EXPECT_EQ(MapEntry(*r.map, 2), (Rgb{100, 150, 204}));
    EXPECT_EQ(r.indices, (std::vector<uint8_t>{2, 0, 1, 2, 0}));
}

// Green cells 0, 1, 62 and 63: the first cut leaves two boxes with equal colour
// counts and equal volumes, so the order of the palette shows which was cut.
Image FourGreens() { return {{{0, 0, 0}, {0, 4, 0}, {0, 248, 0}, {0, 252, 0}}}; }

TEST(Quantizer, EqualBoxesSplitTheEarlierOne) {
    Result three = Quantize(FourGreens(), 3);  // second cut by volume
    ASSERT_TRUE(three.map);
    EXPECT_EQ(MapEntry(*three.map, 0), (Rgb{4, 2, 4}));
    EXPECT_EQ(MapEntry(*three.map, 1), (Rgb{4, 252, 4}));
    EXPECT_EQ(MapEntry(*three.map, 2), (Rgb{4, 6, 4}));

    Result four = Quantize(FourGreens(), 4);  // second cut by colour count
    ASSERT_TRUE(four.map);
    EXPECT_EQ(MapEntry(*four.map, 0), (Rgb{4, 2, 4}));
    EXPECT_EQ(MapEntry(*four.map, 1), (Rgb{4, 250, 4}));
    EXPECT_EQ(MapEntry(*four.map, 2), (Rgb{4, 6, 4}));
    EXPECT_EQ(MapEntry(*four.map, 3), (Rgb{4, 254, 4}));
}

TEST(Quantizer, FewerCellsThanWantedLeavesBlackEntries) {
    Quantizer q;
    ASSERT_TRUE(q.Begin(2, 16));
    std::vector<uint8_t> row = Row({{0, 0, 0}, {255, 255, 255}});
    q.AddRow(row.data());
    q.SelectColors();
    EXPECT_EQ(q.ColorCount(), 2);
    const ColorMap* map = q.Colors();
    ASSERT_NE(map, nullptr);
    for (int i = 2; i < 16; ++i) EXPECT_EQ(MapEntry(*map, i), (Rgb{0, 0, 0}));
    q.End();
    EXPECT_EQ(q.Colors(), nullptr);
}

TEST(Quantizer, CounterSaturatesAt65535) {
    Quantizer q;
    // 131070 pixels of red cell 0 and 65535 of red cell 31: with saturation both
    // weigh the same and the mean red is 128 (wrapping would give about 236,
    // unbounded counting about 124).
    const int w = 65535;
    ASSERT_TRUE(q.Begin(w, 1));
    std::vector<uint8_t> dark = Row(std::vector<Rgb>(w, Rgb{0, 0, 0}));
    std::vector<uint8_t> bright = Row(std::vector<Rgb>(w, Rgb{255, 0, 0}));
    q.AddRow(dark.data());
    q.AddRow(dark.data());
    q.AddRow(bright.data());
    q.SelectColors();
    EXPECT_EQ(MapEntry(*q.Colors(), 0), (Rgb{128, 2, 4}));
    q.End();
}

// Counts black and white, then maps other rows onto that two-colour palette.
std::vector<uint8_t> MapOntoBlackAndWhite(const std::vector<std::vector<Rgb>>& rows, bool restart) {
    Quantizer q;
    const int w = int(rows[0].size());
    EXPECT_TRUE(q.Begin(w, 2));
    std::vector<Rgb> counted(size_t(w), Rgb{0, 0, 0});
    for (int x = w / 2; x < w; ++x) counted[size_t(x)] = {255, 255, 255};
    std::vector<uint8_t> c = Row(counted);
    q.AddRow(c.data());
    q.SelectColors();
    std::vector<uint8_t> out;
    for (const auto& r : rows) {
        if (restart) q.RestartMapping();
        std::vector<uint8_t> in = Row(r), idx(size_t(w), 0xFF);
        q.MapRow(in.data(), idx.data());
        out.insert(out.end(), idx.begin(), idx.end());
    }
    q.End();
    return out;
}

TEST(Quantizer, CarriedErrorIsLimited) {
    // Grey 80 against black/white: unlimited error would put white dots at
    // columns 2 and 6; limited to 24..32 per step it stays black.
    EXPECT_EQ(MapOntoBlackAndWhite({std::vector<Rgb>(8, Rgb{80, 80, 80})}, false),
              std::vector<uint8_t>(8, 0));
    EXPECT_EQ(MapOntoBlackAndWhite({std::vector<Rgb>(8, Rgb{100, 100, 100})}, false),
              (std::vector<uint8_t>{0, 1, 0, 0, 1, 0, 0, 1}));
}

TEST(Quantizer, RestartScansLeftToRightWithFreshErrors) {
    std::vector<Rgb> grey(8, Rgb{100, 100, 100});
    std::vector<uint8_t> once = MapOntoBlackAndWhite({grey}, true);
    std::vector<uint8_t> restarted = MapOntoBlackAndWhite({grey, grey, grey}, true);
    std::vector<uint8_t> serpentine = MapOntoBlackAndWhite({grey, grey, grey}, false);
    for (int r = 0; r < 3; ++r)
        EXPECT_TRUE(std::equal(once.begin(), once.end(), restarted.begin() + r * 8)) << r;
    // Without restarts the second row runs right to left with the errors of the first.
    EXPECT_FALSE(std::equal(once.begin(), once.end(), serpentine.begin() + 8));
}

TEST(Quantizer, OneShotAndSharedFormsAgreeAndRepeat) {
    Image img(7, std::vector<Rgb>(9));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            img[size_t(y)][size_t(x)] = {uint8_t(x * 29 + y), uint8_t(y * 37), uint8_t((x * y * 13) & 255)};
    Result a = Quantize(img, 5), b = Quantize(img, 5);
    ASSERT_TRUE(a.map && b.map);
    EXPECT_EQ(a.indices, b.indices);
    EXPECT_EQ(a.map->red, b.map->red);

    Quantizer q;
    ASSERT_TRUE(q.Begin(9, 5));
    for (const auto& r : img) q.AddRow(Row(r).data());
    q.SelectColors();
    std::vector<uint8_t> shared;
    for (const auto& r : img) {
        std::vector<uint8_t> idx(9);
        q.MapRow(Row(r).data(), idx.data());
        shared.insert(shared.end(), idx.begin(), idx.end());
    }
    EXPECT_EQ(shared, a.indices);
    EXPECT_EQ(q.Colors()->green, a.map->green);
    q.End();
}

// Black rows above a frame low on a large screen are counted and mapped as
// copies of one row; doing that at the cost of one row must change nothing.
TEST(Quantizer, RepeatedRowsActLikeRowByRow) {
    const int w = 11;
    std::vector<Rgb> pad(w), grey(w, Rgb{100, 90, 70}), last(w);
    for (int x = 0; x < w; ++x) {
        pad[size_t(x)] = x < 4 ? Rgb{0, 0, 0} : Rgb{uint8_t(37 * x), 80, 200};
        last[size_t(x)] = {uint8_t(23 * x), uint8_t(255 - 9 * x), 60};
    }
    for (const std::vector<Rgb>& repeated : {pad, grey, std::vector<Rgb>(w)}) {
        // Neighbours of the repeated colours share boxes with them, so the
        // box means depend on how often the repeated row was counted.
        for (int x = 0; x < w / 2; ++x) {
            const Rgb c = repeated[size_t(x)];
            last[size_t(x)] = {uint8_t(std::min(c.r + 8, 255)), c.g, c.b};
        }
        for (int count : {0, 1, 2, 5, 6000, 6001}) {
            SCOPED_TRACE(count);
            std::vector<uint8_t> single[2];
            ColorMap maps[2];
            for (int form = 0; form < 2; ++form) {
                Quantizer q;
                ASSERT_TRUE(q.Begin(w, 6));
                if (form == 0) {
                    for (int i = 0; i < count; ++i) q.AddRow(Row(repeated).data());
                } else {
                    q.AddRows(Row(repeated).data(), count);
                }
                q.AddRow(Row(last).data());
                q.SelectColors();
                maps[form] = *q.Colors();
                std::vector<uint8_t> out(w, 0xEE);
                if (form == 0) {
                    for (int i = 0; i < count; ++i) q.MapRow(Row(repeated).data(), out.data());
                } else {
                    q.MapRows(Row(repeated).data(), out.data(), count);
                }
                single[form] = out;  // the last copy's indices
                q.MapRow(Row(last).data(), out.data());
                single[form].insert(single[form].end(), out.begin(), out.end());
                q.End();
            }
            EXPECT_EQ(maps[0].red, maps[1].red);
            EXPECT_EQ(maps[0].green, maps[1].green);
            EXPECT_EQ(maps[0].blue, maps[1].blue);
            EXPECT_EQ(single[0], single[1]);
        }
    }
}

// Two reductions side by side keep their own histograms: interleaving their
// calls gives each the palette and indices it gets alone.
TEST(Quantizer, ObjectsDoNotShareAHistogram) {
    const Image warm(3, std::vector<Rgb>{{250, 10, 10}, {200, 60, 0}, {255, 128, 40}, {180, 0, 90}});
    const Image cold(3, std::vector<Rgb>{{0, 20, 250}, {10, 200, 220}, {60, 60, 160}, {0, 90, 120}});
    const Result warmAlone = Quantize(warm, 3), coldAlone = Quantize(cold, 3);
    Quantizer a, b;
    ASSERT_TRUE(a.Begin(4, 3));
    ASSERT_TRUE(b.Begin(4, 3));
    for (size_t y = 0; y < 3; ++y) {
        a.AddRow(Row(warm[y]).data());
        b.AddRow(Row(cold[y]).data());
    }
    a.SelectColors();
    b.SelectColors();
    std::vector<uint8_t> warmIndices, coldIndices, idx(4);
    for (size_t y = 0; y < 3; ++y) {
        a.MapRow(Row(warm[y]).data(), idx.data());
        warmIndices.insert(warmIndices.end(), idx.begin(), idx.end());
        b.MapRow(Row(cold[y]).data(), idx.data());
        coldIndices.insert(coldIndices.end(), idx.begin(), idx.end());
    }
    EXPECT_EQ(warmIndices, warmAlone.indices);
    EXPECT_EQ(coldIndices, coldAlone.indices);
    EXPECT_EQ(a.Colors()->red, warmAlone.map->red);
    EXPECT_EQ(b.Colors()->blue, coldAlone.map->blue);
}

TEST(Quantizer, BadCallsAreHarmless) {
    Quantizer q;
    std::vector<uint8_t> out(4);
    EXPECT_FALSE(QuantizeImage(2, 2, 0, out.data(), out.data()));
    EXPECT_FALSE(QuantizeImage(2, 2, 257, out.data(), out.data()));
    EXPECT_FALSE(q.Begin(4, 0));
    // No reduction held: nothing happens.
    q.AddRow(out.data());
    q.SelectColors();
    q.MapRow(out.data(), out.data());
    q.End();
    // An image without pixels gives one black colour.
    auto map = QuantizeImage(0, 0, 4, nullptr, nullptr);
    ASSERT_TRUE(map);
    EXPECT_EQ(MapEntry(*map, 0), (Rgb{0, 0, 0}));
    FreeColorMap(map);
    EXPECT_FALSE(map);
    // Mapping before the colours are chosen would read counters as indices.
    ASSERT_TRUE(q.Begin(1, 2));
    std::vector<uint8_t> px = {0, 0, 0};
    q.AddRow(px.data());
    uint8_t idx = 0xAB;
    q.MapRow(px.data(), &idx);
    EXPECT_EQ(idx, 0xAB);
    q.End();
}

}  // namespace
}  // namespace kivo
