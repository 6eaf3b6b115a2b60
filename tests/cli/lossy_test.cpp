// kivo-cli convert --lossy and --max-size: every shown pixel stays within the
// lossiness' colour bound of the input, the same run gives the same file, and
// the target size is kept or refused with a clear message. (giflib judges the
// lossy coder itself in the gif tests.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>

#include "frame_ops/size_target.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "gif/lzw_lossy.h"
#include "platform/recording_backend.h"
#include "render/compositor.h"
#include "support/test_support.h"

namespace kivo {
namespace {

class ConvertLossy : public testing::Test {
protected:
    void SetUp() override {
        ScopedRecordingBackend rec;
        // Grainy gradients drifting from frame to frame, 200-odd colours in all.
        auto doc = NewDocument();
        doc->screenWidth = 96;
        doc->screenHeight = 64;
        uint32_t seed = 42;
        for (int i = 0; i < 4; ++i) {
            AppendFrame(*doc);
            Frame& f = *doc->currentFrame;
            f.width = 96;
            f.height = 64;
            f.dib = test::MakeImage(96, 64, [&](int x, int y) {
                seed = seed * 1103515245u + 12345u;
                const int grain = int((seed >> 16) % 3) * 4;
                return Rgb{uint8_t((x + i * 5) * 2 + grain), uint8_t(y * 3 + grain), uint8_t(120 + grain)};
            });
        }
        WriteOptions options;
        ASSERT_TRUE(WriteGif(nullptr, in, *doc, options));
    }

    test::TempFolder dir;
    const std::string in = dir.file("in.gif"), out = dir.file("out.gif");
};

// The largest colour distance between what the two files show on any frame.
double LargestShift(const AnimDoc& a, const AnimDoc& b) {
    double largest = 0;
    Composition x, y;
    EXPECT_TRUE(StartComposition(x, a.screenWidth, a.screenHeight) && StartComposition(y, b.screenWidth, b.screenHeight));
    EXPECT_EQ(a.frameCount, b.frameCount);
    const Frame* f = a.firstFrame.get();
    const Frame* g = b.firstFrame.get();
    for (bool first = true; f && g; f = f->next.get(), g = g->next.get(), first = false) {
        ComposeFrame(x, *f, first);
        ComposeFrame(y, *g, first);
        for (size_t p = 0; p < x.screen.size(); ++p) {
            double sum = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const double d = double((x.screen[p] >> shift) & 0xFF) - double((y.screen[p] >> shift) & 0xFF);
                sum += d * d;
            }
            largest = std::max(largest, std::sqrt(sum));
        }
    }
    return largest;
}

TEST_F(ConvertLossy, EveryPixelStaysWithinTheBoundAndTheFileShrinks) {
    ScopedRecordingBackend rec;
    const auto original = ReadGif(nullptr, in);
    ASSERT_TRUE(original);
    size_t previous = test::ReadFile(in).size();
    for (int lossiness : {40, 80, 200}) {
        SCOPED_TRACE(lossiness);
        const std::string args = "convert " + in + " -o " + out + " -q --no-config --lossy " + std::to_string(lossiness);
        ASSERT_EQ(test::RunCli(args).status, 0);
        const std::vector<uint8_t> bytes = test::ReadFile(out);
        const auto lossy = ReadGif(nullptr, out);
        ASSERT_TRUE(lossy);
        const double shift = LargestShift(*original, *lossy);
        EXPECT_LE(shift, LossyColourBound(lossiness));
        EXPECT_GT(shift, 0);
        EXPECT_LT(bytes.size(), previous);
        previous = bytes.size();
        // The same input and options give the same file.
        ASSERT_EQ(test::RunCli(args).status, 0);
        EXPECT_EQ(test::ReadFile(out), bytes);
    }
    EXPECT_EQ(test::RunCli("convert " + in + " -o " + out + " --lossy 201").status, 2);
}

TEST_F(ConvertLossy, MaxSizeFitsOrSaysItCannot) {
    const size_t exact = test::ReadFile(in).size();
    const uint64_t target = exact * 3 / 4;
    const test::CliRun fit = test::RunCli(
        "convert " + in + " -o " + out + " -q --no-config --max-size " + std::to_string(target), "/dev/null");
    ASSERT_EQ(fit.status, 0);
    const size_t written = test::ReadFile(out).size();
    EXPECT_LE(written, target);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(fit.out, m, std::regex(R"(lossiness (\d+), 256 colours: ([\d,]+) bytes \(PSNR ([\d.]+) dB\))")))
        << fit.out;
    EXPECT_GT(std::stoi(m[1]), 0);
    std::string digits = m[2];
    std::erase(digits, ',');
    EXPECT_EQ(std::stoull(digits), written);
    EXPECT_GT(std::stod(m[3]), 20);

    std::remove(out.c_str());
    const test::CliRun none = test::RunCli("convert " + in + " -o " + out + " -q --no-config --max-size 300");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.out.find("no setting fits, up to lossiness 200 with 8 colours; the smallest file (lossiness "),
              std::string::npos)
        << none.out;
    EXPECT_TRUE(test::ReadFile(out).empty());

    for (const char* bad : {"--max-size 12Q", "--max-size 0", "--max-size"})
        EXPECT_EQ(test::RunCli("convert " + in + " -o " + out + " " + bad).status, 2) << bad;
    EXPECT_EQ(test::RunCli("convert " + in + " -o " + dir.file("out.mng") + " --max-size 5K").status, 2);
}

}  // namespace
}  // namespace kivo
