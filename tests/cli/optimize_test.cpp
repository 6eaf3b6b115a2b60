// kivo-cli convert --optimize, the rule that it never writes a larger file than
// a plain save, and the option defaults kivo-cli takes from the settings file.
#include <gtest/gtest.h>

#include <cstdlib>

#include "options/write_options.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "platform/recording_backend.h"
#include "support/animation_builder.h"
#include "support/test_support.h"
#include "render/compositor.h"
#include "frame_ops/optimize_frames.h"

namespace kivo {
namespace {

// What the screen shows and for how long, equal pictures in a row joined.
std::vector<std::pair<std::vector<uint32_t>, int>> Shown(const AnimDoc& doc) {
    std::vector<std::pair<std::vector<uint32_t>, int>> shown;
    Composition c;
    EXPECT_TRUE(StartComposition(c, doc.screenWidth, doc.screenHeight));
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        ComposeFrame(c, *f);
        if (!shown.empty() && shown.back().first == c.screen) shown.back().second += f->delay;
        else shown.emplace_back(c.screen, f->delay);
    }
    return shown;
}

class ConvertOptimize : public testing::Test {
protected:
    void SetUp() override {
        // A still sprite over a background of 60 colours, its detailed inside
        // unchanged and its left and right edges changing colour, shown twice
        // with the same colours. Each later frame is cropped to the sprite, whose
        // inside repeats and codes smaller transparent.
        auto doc = NewDocument();
        doc->screenWidth = 40;
        doc->screenHeight = 30;
        for (int i : {0, 1, 2, 2, 3}) {
            AppendFrame(*doc);
            Frame& f = *doc->currentFrame;
            f.width = 40;
            f.height = 30;
            f.disposal = 1;
            f.delay = 10 + i;
            f.dib = test::MakeImage(40, 30, [&](int x, int y) {
                const bool sprite = x >= 5 && x < 14 && y >= 10 && y < 15;
                if (sprite && (x == 5 || x == 13)) return Rgb{250, uint8_t(30 + 50 * i), 30};
                if (sprite) return Rgb{uint8_t(x * 23 + y * 41), uint8_t(x * y * 7), 200};
                return Rgb{uint8_t(x / 4 * 20), uint8_t(y / 5 * 30), 90};
            });
        }
        WriteOptions options;
        ASSERT_TRUE(WriteGif(nullptr, in, *doc, options));
        unsetenv("KIVO_INI");
    }
    void TearDown() override { unsetenv("KIVO_INI"); }

    std::unique_ptr<AnimDoc> Convert(const std::string& options) {
        const test::CliRun r = test::RunCli("convert '" + in + "' -o '" + out + "' -q " + options);
        EXPECT_EQ(r.status, 0) << r.out;
        return ReadGif(nullptr, out);
    }
    static int TransparentFrames(const AnimDoc& doc) {
        int n = 0;
        for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) n += f->hasTransparency;
        return n;
    }

    ScopedRecordingBackend rec;
    test::TempFolder dir;
    std::string in = dir.file("in.gif"), out = dir.file("out.gif"), ini = dir.file("kivo.ini");
};

TEST_F(ConvertOptimize, ShrinksFramesAndKeepsWhatTheAnimationShows) {
    auto original = ReadGif(nullptr, in);
    ASSERT_TRUE(original);
    auto doc = Convert("--no-config --optimize");
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->frameCount, 4);  // the repeat is gone, its time kept
    EXPECT_EQ(Shown(*doc), Shown(*original));
    for (const Frame* f = doc->firstFrame->next.get(); f; f = f->next.get()) EXPECT_LE(f->width, 9);
    EXPECT_EQ(TransparentFrames(*doc), 3);

    doc = Convert("--no-config --optimize --set OptimizeWithTransparency=0");
    EXPECT_EQ(TransparentFrames(*doc), 0);
    EXPECT_EQ(Shown(*doc), Shown(*original));
}

TEST_F(ConvertOptimize, TheSettingsFileGivesTheDefaults) {
    const std::string text = "[VezIreze by Pendrake]\nGifWROpt=16\nOPT1=1,0\n";
    ASSERT_TRUE(test::WriteFile(ini, std::vector<uint8_t>(text.begin(), text.end())));
    setenv("KIVO_INI", ini.c_str(), 1);
    auto doc = Convert("--optimize");
    EXPECT_EQ(TransparentFrames(*doc), 0);
    EXPECT_LE(doc->globalPalette.size(), 16u);  // MaxColors from the file
    doc = Convert("--optimize --set OptimizeWithTransparency=1");
    EXPECT_EQ(TransparentFrames(*doc), 3);
    doc = Convert("--optimize --no-config");
    EXPECT_GT(doc->globalPalette.size(), 16u);
    EXPECT_EQ(TransparentFrames(*doc), 3);
    // kivo-cli never writes the file.
    const auto after = test::ReadFile(ini);
    EXPECT_EQ(std::string(after.begin(), after.end()), text);
}

// Sprites over flat, grainy, panned and detailed backgrounds: the optimised
// file shows the same and is never larger than the plain save, whether the
// optimisation's choices paid off or the plain file was written instead.
TEST(ConvertOptimizeSizes, NeverLargerThanThePlainSave) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    const std::string in = dir.file("in.gif"), plain = dir.file("plain.gif"), optimised = dir.file("optimised.gif");
    int smaller = 0;
    for (uint32_t seed = 0; seed < 24; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        auto doc = test::SpritesOverTextures(seed);
        WriteOptions options;
        ASSERT_TRUE(WriteGif(nullptr, in, *doc, options));
        ASSERT_EQ(test::RunCli("convert '" + in + "' -o '" + plain + "' -q --no-config").status, 0);
        ASSERT_EQ(test::RunCli("convert '" + in + "' -o '" + optimised + "' -q --no-config --optimize").status, 0);
        const auto plainBytes = test::ReadFile(plain), optimisedBytes = test::ReadFile(optimised);
        ASSERT_LE(optimisedBytes.size(), plainBytes.size());
        smaller += optimisedBytes.size() < plainBytes.size();
        auto a = ReadGif(nullptr, plain), b = ReadGif(nullptr, optimised);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(test::Playback(*b), test::Playback(*a));
    }
    EXPECT_GT(smaller, 6);  // and the optimisation must often pay off, or the rule says little
}

// An animation whose optimised file would come out larger than its plain save,
// found among the generated ones; kivo-cli writes the plain file instead.
TEST(ConvertOptimizeSizes, WritesThePlainFileWhenOptimisingComesOutLarger) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    const std::string in = dir.file("in.gif"), plain = dir.file("plain.gif"), optimised = dir.file("optimised.gif"),
                      direct = dir.file("direct.gif");
    auto doc = test::SpritesOverTextures(3578);
    WriteOptions options;
    ASSERT_TRUE(WriteGif(nullptr, in, *doc, options));
    // Optimised and saved without the rule, the file is larger.
    auto read = ReadGif(nullptr, in);
    ASSERT_TRUE(read);
    ASSERT_TRUE(OptimizeFrameSizes(nullptr, *read, options));
    ASSERT_TRUE(WriteGif(nullptr, direct, *read, options));
    ASSERT_EQ(test::RunCli("convert '" + in + "' -o '" + plain + "' -q --no-config").status, 0);
    ASSERT_GT(test::ReadFile(direct).size(), test::ReadFile(plain).size());

    ASSERT_EQ(test::RunCli("convert '" + in + "' -o '" + optimised + "' -q --no-config --optimize").status, 0);
    EXPECT_EQ(test::ReadFile(optimised), test::ReadFile(plain));
}

}  // namespace
}  // namespace kivo
