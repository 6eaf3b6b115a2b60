// Lossy LZW against giflib: what giflib decodes is the picture the encoder says
// it wrote, every pixel stays within the colour bound of its own colour,
// transparency is untouched, and the same input gives the same bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "gif/gif_write_oracle.h"
#include "gif/lzw_encoder.h"
#include "gif/lzw_lossy.h"

namespace kivo {
namespace {

uint32_t Next(uint32_t& seed) {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
}

// 256 entries along a colour ramp with small steps, so that many entries lie
// within any bound of each other, plus a pure-noise choice of palette.
Palette RampPalette(int entries) {
    Palette p{size_t(entries), Rgb{}};
    for (int i = 0; i < entries; ++i)
        p[size_t(i)] = Rgb{uint8_t(i * 255 / (entries - 1)), uint8_t(255 - i * 255 / (entries - 1)),
                           uint8_t((i * 3) % 256)};
    return p;
}

Palette RandomPalette(int entries, uint32_t seed) {
    Palette p{size_t(entries), Rgb{}};
    for (Rgb& c : p) c = Rgb{uint8_t(Next(seed)), uint8_t(Next(seed)), uint8_t(Next(seed))};
    return p;
}

// A horizontal gradient with grain over the palette's entries.
std::vector<uint8_t> GrainyGradient(int width, int height, int entries, int grain, uint32_t seed) {
    std::vector<uint8_t> v(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int base = x * (entries - 1) / std::max(width - 1, 1);
            const int noise = grain ? int(Next(seed) % uint32_t(2 * grain + 1)) - grain : 0;
            v[size_t(y) * size_t(width) + size_t(x)] = uint8_t(std::clamp(base + noise, 0, entries - 1));
        }
    return v;
}

double Distance(Rgb a, Rgb b) {
    const double dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return std::sqrt(dr * dr + dg * dg + db * db);
}

struct LossyCase {
    std::string name;
    int width, height, bits;
    Palette palette;
    int grain;
    int transparent;  // -1 none; otherwise every 5th pixel of each row is made transparent
    int lossiness;
    bool interlaced;
};

std::vector<LossyCase> Cases() {
    return {
        {"ramp_light", 97, 61, 8, RampPalette(256), 3, -1, 20, false},
        {"ramp_strong", 97, 61, 8, RampPalette(256), 3, -1, 200, false},
        {"ramp_transparent", 120, 40, 8, RampPalette(256), 6, 17, 120, false},
        {"ramp_interlaced", 64, 45, 8, RampPalette(256), 2, 3, 80, true},
        {"random_palette", 80, 80, 8, RandomPalette(256, 7), 40, -1, 150, false},
        {"small_table", 150, 30, 4, RampPalette(16), 1, 0, 200, false},
        {"one_row", 700, 1, 8, RampPalette(256), 5, -1, 90, false},
        {"one_column", 1, 300, 8, RampPalette(256), 5, -1, 90, true},
        // Large enough for the string table to fill and clear several times.
        {"table_fills", 400, 300, 8, RandomPalette(256, 99), 60, 200, 60, false},
    };
}

class LossyLzw : public ::testing::TestWithParam<LossyCase> {};

TEST_P(LossyLzw, GiflibShowsTheBoundedPictureTheEncoderReports) {
    KIVO_SKIP_WITHOUT_GIFLIB();
    const LossyCase& c = GetParam();
    const int entries = 1 << c.bits;
    std::vector<uint8_t> original = GrainyGradient(c.width, c.height, entries, c.grain, 1234);
    if (c.transparent >= 0) {
        for (size_t i = 0; i < original.size(); ++i) {
            if (i % 5 == 0) original[i] = uint8_t(c.transparent);
            else if (original[i] == c.transparent) original[i] = uint8_t((c.transparent + 1) % entries);
        }
    }
    std::vector<uint8_t> shown = original;
    std::vector<uint8_t> data;
    LzwEncodeImageLossy(shown.data(), c.width, c.height, c.bits, c.interlaced, c.palette, c.transparent,
                        c.lossiness, data);

    const test::OracleGif gif = test::DecodeWithGiflib(test::WrapImageData(c.width, c.height, c.bits, data, c.interlaced));
    ASSERT_TRUE(gif.ok) << gif.error;
    ASSERT_EQ(gif.images.size(), 1u);
    EXPECT_EQ(gif.images[0].pixels, shown) << "the reported picture is not what decoders show";

    const double bound = LossyColourBound(c.lossiness);
    size_t changed = 0;
    for (size_t i = 0; i < original.size(); ++i) {
        const int was = original[i], is = shown[i];
        ASSERT_LE(Distance(c.palette[size_t(was)], c.palette[size_t(is)]), bound + 1e-9) << "pixel " << i;
        if (was == c.transparent) ASSERT_EQ(is, was) << "transparent pixel " << i << " changed";
        if (was != c.transparent) ASSERT_NE(is, c.transparent) << "pixel " << i << " became transparent";
        changed += was != is;
    }
    EXPECT_GT(changed, 0u) << "nothing was traded for size";

    std::vector<uint8_t> exact;
    LzwEncodeImage(original.data(), c.width, c.height, c.bits, c.interlaced, exact);
    EXPECT_LT(data.size(), exact.size());

    std::vector<uint8_t> again = original, dataAgain;
    LzwEncodeImageLossy(again.data(), c.width, c.height, c.bits, c.interlaced, c.palette, c.transparent,
                        c.lossiness, dataAgain);
    EXPECT_EQ(dataAgain, data) << "not deterministic";
}

INSTANTIATE_TEST_SUITE_P(Cases, LossyLzw, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

// Lossiness 0, and a lossiness whose bound lets no entry stand in for another,
// give the exact coder's bytes.
TEST(LossyLzw, NoLossIsTheExactCoder) {
    const Palette palette = RandomPalette(256, 3);
    const std::vector<uint8_t> picture = GrainyGradient(131, 77, 256, 4, 5);
    for (int lossiness : {0, 1})
        for (bool interlaced : {false, true}) {
            std::vector<uint8_t> exact, lossless, copy = picture;
            LzwEncodeImage(picture.data(), 131, 77, 8, interlaced, exact);
            LzwEncodeImageLossy(copy.data(), 131, 77, 8, interlaced, palette, 9, lossiness, lossless);
            EXPECT_EQ(lossless, exact);
            EXPECT_EQ(copy, picture);
        }
}

// Diffusion keeps what a gradient averages to: the mean colour of every 8x8
// block stays near the original's, far nearer than the bound each pixel may move.
TEST(LossyLzw, BlocksKeepTheirAverageColour) {
    const Palette palette = RampPalette(256);
    const int width = 256, height = 64;
    const std::vector<uint8_t> picture = GrainyGradient(width, height, 256, 2, 77);
    for (int lossiness : {60, 200}) {
        std::vector<uint8_t> shown = picture, data;
        LzwEncodeImageLossy(shown.data(), width, height, 8, false, palette, -1, lossiness, data);
        for (int by = 0; by < height; by += 8) {
            for (int bx = 0; bx < width; bx += 8) {
                double was = 0, is = 0;
                for (int y = by; y < by + 8; ++y)
                    for (int x = bx; x < bx + 8; ++x) {
                        const size_t i = size_t(y) * size_t(width) + size_t(x);
                        was += palette[picture[i]].r;
                        is += palette[shown[i]].r;
                    }
                EXPECT_LE(std::abs(was - is) / 64, LossyColourBound(lossiness) / 4)
                    << "lossiness " << lossiness << " block " << bx << "," << by;
            }
        }
    }
}

}  // namespace
}  // namespace kivo
