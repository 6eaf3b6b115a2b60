// The target-size search against a brute-force oracle over a modelled encoder,
// byte sizes as typed, and PSNR over composed frames.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "frame_ops/size_target.h"
#include "gif/lzw_lossy.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using Outcome = SizeTargetResult::Outcome;

// A file size falling with lossiness and with fewer colours, not smoothly.
uint64_t ModelSize(uint64_t base, int lossiness, int colours) {
    const double byLossiness = 1.0 - 0.6 * lossiness / 200.0 + 0.01 * ((lossiness * 37) % 5);
    return uint64_t(double(base) * byLossiness * (0.4 + 0.6 * colours / 256.0));
}

struct SearchCase {
    std::string name;
    uint64_t base;
    int maxColors;
    uint64_t target;
};

TEST(SizeTargetSearch, FindsTheLeastLossinessAtTheMostColoursThatFits) {
    const std::vector<SearchCase> cases = {
        {"fits_as_it_is", 1000, 256, 1000},
        {"needs_some_loss", 100000, 256, 80000},
        {"needs_strongest_loss", 100000, 256, 41000},
        {"needs_fewer_colours", 100000, 256, 30000},
        {"needs_eight_colours", 100000, 256, 17500},
        {"starts_at_64_colours", 100000, 64, 40000},
        {"nothing_fits", 100000, 256, 100},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.name);
        // The oracle: colour counts in order, the least lossiness that fits.
        int wantColours = 0, wantLossiness = -1;
        for (int colours = c.maxColors; colours >= 8 && wantLossiness < 0; colours /= 2) {
            if (ModelSize(c.base, kMaxLossiness, colours) > c.target) continue;
            wantColours = colours;
            // The search assumes larger lossiness gives smaller files; the
            // model mostly does, so it finds the least lossiness among those
            // that bracket the target.
            for (int l = 0; l <= kMaxLossiness && wantLossiness < 0; ++l)
                if (ModelSize(c.base, l, colours) <= c.target) wantLossiness = l;
        }
        int saves = 0;
        std::vector<int> coloursTried;
        WriteOptions options;
        options.MaxColors = c.maxColors;
        options.Lossiness = 150;  // ignored
        const SizeTargetResult r = SearchTargetSize(
            options, c.target, [&](const WriteOptions& o, std::string& bytes) {
                ++saves;
                EXPECT_EQ(o.TargetSize, 0);
                if (coloursTried.empty() || coloursTried.back() != o.MaxColors) coloursTried.push_back(o.MaxColors);
                bytes.assign(size_t(ModelSize(c.base, o.Lossiness, o.MaxColors)), 'x');
                return DocumentSaveError::kNone;
            });
        EXPECT_EQ(r.saves, saves);
        // One save rules each colour count out; a binary search takes at most 8.
        EXPECT_LE(saves, 1 + int(coloursTried.size()) + 8);
        if (wantLossiness < 0) {
            EXPECT_EQ(r.outcome, Outcome::kTooLarge);
            EXPECT_EQ(r.maxColors, 8);
            EXPECT_EQ(r.lossiness, kMaxLossiness);
            EXPECT_EQ(r.file.size(), ModelSize(c.base, kMaxLossiness, 8));
            continue;
        }
        ASSERT_EQ(r.outcome, Outcome::kFits);
        EXPECT_LE(r.file.size(), c.target);
        EXPECT_EQ(r.maxColors, wantColours);
        EXPECT_EQ(r.file.size(), ModelSize(c.base, r.lossiness, r.maxColors));
        // Least lossiness where the model is monotonic: one less does not fit.
        if (r.lossiness > 0) EXPECT_GT(ModelSize(c.base, r.lossiness - 1, r.maxColors), c.target);
    }
}

TEST(SizeTargetSearch, StopsAtACancelOrAFailure) {
    for (const DocumentSaveError error : {DocumentSaveError::kCancelled, DocumentSaveError::kWriteFailed}) {
        for (int at : {1, 2, 5}) {
            int saves = 0;
            const SizeTargetResult r =
                SearchTargetSize(WriteOptions{}, 500, [&](const WriteOptions& o, std::string& bytes) {
                    if (++saves == at) return error;
                    bytes.assign(size_t(ModelSize(1000, o.Lossiness, o.MaxColors)), 'x');
                    return DocumentSaveError::kNone;
                });
            EXPECT_EQ(saves, at);
            EXPECT_EQ(r.outcome, error == DocumentSaveError::kCancelled ? Outcome::kCancelled : Outcome::kFailed);
            EXPECT_TRUE(r.file.empty());
        }
    }
}

TEST(SizeTargetSearch, ReadsSizesAsTyped) {
    const struct {
        const char* text;
        std::optional<uint64_t> bytes;
    } rows[] = {
        {"123456", 123456},  {"500K", 512000},   {"500k", 512000}, {"2M", 2097152}, {"2MB", 2097152},
        {"10KB", 10240},     {"77B", 77},        {"0", std::nullopt}, {"", std::nullopt}, {"K", std::nullopt},
        {"5G", std::nullopt}, {"-3", std::nullopt}, {"1.5M", std::nullopt}, {"12 K", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(ParseByteSize(row.text), row.bytes) << row.text;
}

std::unique_ptr<AnimDoc> Still(int frames, const std::function<Rgb(int frame, int x, int y)>& colour) {
    auto doc = NewDocument();
    doc->screenWidth = 16;
    doc->screenHeight = 8;
    for (int i = 0; i < frames; ++i) {
        AppendFrame(*doc);
        Frame& f = *doc->currentFrame;
        f.width = 16;
        f.height = 8;
        f.dib = test::MakeImage(16, 8, [&](int x, int y) { return colour(i, x, y); });
    }
    return doc;
}

TEST(ComposedPsnr, MeasuresTheMeanSquaredErrorOfEveryShownPixel) {
    const auto grey = [](int, int x, int y) { return Rgb{uint8_t(x * 9), uint8_t(y * 20), 100}; };
    const auto a = Still(3, grey);
    EXPECT_TRUE(std::isinf(*ComposedPsnr(*a, *Still(3, grey))));
    // One channel of one pixel of one frame off by 30: MSE = 900 / (3 frames * 128 pixels * 3 channels).
    const auto b = Still(3, [&](int f, int x, int y) {
        Rgb c = grey(f, x, y);
        if (f == 1 && x == 4 && y == 2) c.g = uint8_t(c.g + 30);
        return c;
    });
    EXPECT_NEAR(*ComposedPsnr(*a, *b), 10 * std::log10(255.0 * 255.0 * 3 * 128 * 3 / 900), 1e-9);
    EXPECT_FALSE(ComposedPsnr(*a, *Still(2, grey)));
}

}  // namespace
}  // namespace kivo
