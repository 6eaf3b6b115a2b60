// Thumbnails of composed screens: their size in the box, the shrinking against
// a plain per-pixel average, and the checkerboard where nothing was drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "render/thumbnail.h"
#include "support/test_support.h"

namespace kivo {
namespace {

TEST(Thumbnail, FitsTheBoxKeepingTheScreensProportions) {
    struct Case {
        int32_t width, height, box;
        ThumbnailSize fit;
    };
    const Case cases[] = {
        {640, 480, 64, {64, 48}},  {480, 640, 64, {48, 64}},   {100, 100, 64, {64, 64}},
        {65, 64, 64, {64, 63}},    {1000, 1, 64, {64, 1}},     {1, 1000, 64, {1, 64}},
        {3000, 7, 64, {64, 1}},    {32, 20, 64, {32, 20}},     {64, 64, 64, {64, 64}},  // never enlarged
        {0, 5, 64, {0, 0}},        {5, -1, 64, {0, 0}},        {10, 10, 0, {0, 0}},
        {65535, 65535, 64, {64, 64}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitThumbnail(c.width, c.height, c.box), c.fit) << c.width << "x" << c.height << " in " << c.box;
    }
}

// The oracle: each thumbnail pixel straight from the screen pixels in its
// rectangle that are sampled, in floating point.
std::vector<uint32_t> PlainAverage(const Composition& c, ThumbnailSize size) {
    std::vector<uint32_t> out;
    const int sx = SampleStep(c.width, size.width), sy = SampleStep(c.height, size.height);
    for (int ty = 0; ty < size.height; ++ty)
        for (int tx = 0; tx < size.width; ++tx) {
            const int x0 = tx * c.width / size.width, x1 = (tx + 1) * c.width / size.width;
            const int y0 = ty * c.height / size.height, y1 = (ty + 1) * c.height / size.height;
            const uint32_t check = ((tx / kCheckSide + ty / kCheckSide) % 2) ? kCheckDark : kCheckLight;
            double sum[3] = {0, 0, 0};
            int n = 0;
            for (int y = y0 + sy / 2; y < y1; y += sy)
                for (int x = x0 + sx / 2; x < x1; x += sx, ++n) {
                    uint32_t p = c.screen[size_t(y * c.width + x)];
                    if (p == kNothingDrawn) p = check;
                    sum[0] += (p >> 16) & 0xFF;
                    sum[1] += (p >> 8) & 0xFF;
                    sum[2] += p & 0xFF;
                }
            out.push_back(0xFF000000u | uint32_t(std::lround(sum[0] / n)) << 16 |
                          uint32_t(std::lround(sum[1] / n)) << 8 | uint32_t(std::lround(sum[2] / n)));
        }
    return out;
}

TEST(Thumbnail, EachPixelIsTheAverageOfTheScreenItCovers) {
    std::mt19937 random(7);
    struct Case {
        int32_t width, height, box;
    };
    for (const Case& c : {Case{640, 480, 64}, Case{97, 13, 64}, Case{13, 97, 20}, Case{64, 64, 64}, Case{5, 300, 64},
                          Case{200, 3, 64}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        Composition screen;
        ASSERT_TRUE(StartComposition(screen, c.width, c.height));
        // Random colours with a third of the pixels never drawn.
        for (uint32_t& p : screen.screen) p = random() % 3 == 0 ? kNothingDrawn : 0xFF000000u | (random() & 0xFFFFFF);
        const ThumbnailSize size = FitThumbnail(c.width, c.height, c.box);
        std::vector<uint32_t> shrunk(size_t(size.width * size.height), 0);
        ShrinkScreen(screen, size, shrunk.data());
        const std::vector<uint32_t> expected = PlainAverage(screen, size);
        for (size_t i = 0; i < shrunk.size(); ++i) {
            // Rounding of halves may differ by one between the two.
            for (int shift : {16, 8, 0}) {
                const int got = int((shrunk[i] >> shift) & 0xFF), want = int((expected[i] >> shift) & 0xFF);
                ASSERT_LE(std::abs(got - want), 1) << "pixel " << i;
            }
            ASSERT_EQ(shrunk[i] >> 24, 0xFFu);
        }
    }
}

// Small cells are averaged whole; large ones from a few samples each way, so
// a large screen costs no more than a small one.
TEST(Thumbnail, LargeScreensAreSampledAFewPixelsEachWay) {
    struct Case {
        int32_t screen, thumbnail, step;
    };
    for (const Case& c : {Case{64, 64, 1}, Case{500, 64, 1}, Case{640, 64, 2}, Case{3000, 64, 11},
                          Case{65535, 64, 255}, Case{7, 1, 1}, Case{8, 1, 2}})
        EXPECT_EQ(SampleStep(c.screen, c.thumbnail), c.step) << c.screen;
    // A screen of stripes one pixel wide: sampling every second column would
    // see only one colour, so cells of 7 pixels are taken whole.
    Composition screen;
    ASSERT_TRUE(StartComposition(screen, 448, 7));
    for (int x = 0; x < 448; ++x)
        for (int y = 0; y < 7; ++y) screen.screen[size_t(y * 448 + x)] = x % 2 ? 0xFF000000u : 0xFFFEFEFEu;
    std::vector<uint32_t> out(64);
    ShrinkScreen(screen, {64, 1}, out.data());
    for (size_t tx = 0; tx < out.size(); ++tx) {
        // Four light and three dark columns, or the other way round.
        const uint32_t v = tx % 2 ? 109 : 145;
        EXPECT_EQ(out[tx], 0xFF000000u | v << 16 | v << 8 | v) << tx;
    }
}

TEST(Thumbnail, NothingDrawnShowsTheCheckerboardAndAFrameShowsOverIt) {
    // A frame covering the left half of an 80 × 40 screen in red.
    Composition screen;
    ASSERT_TRUE(StartComposition(screen, 80, 40, ThumbnailRules(0)));
    Frame frame;
    frame.width = 40;
    frame.height = 40;
    frame.dib = test::MakeImage(40, 40, [](int, int) { return Rgb{255, 0, 0}; });
    ASSERT_TRUE(ComposeFrame(screen, frame, true));
    const ThumbnailSize size = FitThumbnail(80, 40, 16);
    ASSERT_EQ(size, (ThumbnailSize{16, 8}));
    std::vector<uint32_t> out(16 * 8);
    ShrinkScreen(screen, size, out.data());
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint32_t check = ((x / kCheckSide + y / kCheckSide) % 2) ? kCheckDark : kCheckLight;
            EXPECT_EQ(out[size_t(y * 16 + x)], x < 8 ? 0xFFFF0000u : check) << x << "," << y;
        }
    // A size the screen cannot give is left alone.
    std::vector<uint32_t> untouched(200 * 100, 7);
    ShrinkScreen(screen, {160, 40}, untouched.data());
    EXPECT_EQ(untouched[0], 7u);
}

}  // namespace
}  // namespace kivo
