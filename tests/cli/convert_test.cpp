// kivo-cli convert, run as a user would run it, with the files it writes read
// back through the engine.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "options/write_options.h"
#include "doc/dib.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::CliRun;
using test::RunCli;

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// A 24-bit BMP file of f(x, y).
template <typename F>
std::vector<uint8_t> Bmp(int w, int h, F f) {
    Dib dib = test::MakeImage(w, h, f);
    test::Bytes b;
    b.str("BM").u32(uint32_t(14 + dib.size())).u32(0).u32(54).raw(dib);
    return b.data;
}

class ConvertTest : public testing::Test {
protected:
    std::unique_ptr<AnimDoc> Read(const std::string& path) { return ReadGif(nullptr, path); }

    ScopedRecordingBackend rec;
    test::TempFolder dir;
    std::string out = dir.file("out.gif");
};

TEST_F(ConvertTest, PicturesBecomeAnAnimationWithTheGivenTiming) {
    auto red = [](int, int) { return Rgb{200, 0, 0}; };
    auto stripes = [](int x, int) { return x % 2 ? Rgb{0, 0, 255} : Rgb{9, 9, 9}; };
    ASSERT_TRUE(test::WriteFile(dir.file("a.bmp"), Bmp(6, 4, red)));
    ASSERT_TRUE(test::WriteFile(dir.file("b.BMP"), Bmp(8, 3, stripes)));
    CliRun r = RunCli("convert " + Quote(dir.file("a.bmp")) + " " + Quote(dir.file("b.BMP")) + " -o " +
                      Quote(out) + " --delay 7 --loop 2 --quiet");
    ASSERT_EQ(r.status, 0) << r.out;
    auto doc = Read(out);
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->frameCount, 2);
    EXPECT_EQ(doc->screenWidth, 8);
    EXPECT_EQ(doc->screenHeight, 4);
    EXPECT_EQ(doc->loopEnabled, 1);
    EXPECT_EQ(doc->loopCount, 2);
    const Frame* b = doc->firstFrame->next.get();
    EXPECT_EQ(doc->firstFrame->delay, 7);
    EXPECT_EQ(b->delay, 7);
    EXPECT_EQ(test::PixelOf(doc->firstFrame->dib, 5, 3), (Rgb{200, 0, 0}));
    EXPECT_EQ(test::PixelOf(b->dib, 3, 1), (Rgb{0, 0, 255}));
    EXPECT_EQ(test::PixelOf(b->dib, 4, 2), (Rgb{9, 9, 9}));
}

TEST_F(ConvertTest, OneGifOpensAsItIsAndTheWriteOptionsApply) {
    auto src = NewDocument();
    src->screenWidth = 40;
    src->screenHeight = 40;
    src->trailingComment = "kept";
    for (int k = 0; k < 2; ++k) {
        ASSERT_TRUE(AppendFrame(*src));
        Frame& f = *src->currentFrame;
        f.width = f.height = 40;
        f.dib = test::MakeImage(40, 40, [&](int x, int y) {
            return Rgb{uint8_t(x * 6), uint8_t(y * 6), uint8_t(k * 100)};
        });
        f.tempPalette = 1;
    }
    const std::string in = dir.file("in.gif");
    WriteOptions options;
    ASSERT_TRUE(WriteGif(nullptr, in, *src, options));

    CliRun r = RunCli("convert " + Quote(in) + " -o " + Quote(out) +
                      " --max-colors 16 --loop off --interlace --separate-palettes -q");
    ASSERT_EQ(r.status, 0) << r.out;
    auto doc = Read(out);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->frameCount, 2);
    EXPECT_EQ(doc->loopEnabled, 0);
    EXPECT_EQ(doc->trailingComment, "kept");
    for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get())
        EXPECT_LE((f->localPalette.empty() ? doc->globalPalette : f->localPalette).size(), 16u);
    // The first image descriptor carries the interlace bit.
    auto bytes = test::ReadFile(out);
    auto at = std::find(bytes.begin() + 13 + 3 * long(doc->globalPalette.size()), bytes.end(), 0x2C);
    ASSERT_LT(at + 9, bytes.end());
    EXPECT_EQ(at[9] & 0x40, 0x40);

    r = RunCli("convert " + Quote(in) + " -o " + Quote(out) + " --set MaxColors=8 --set=UnifyPalette=1 -q");
    ASSERT_EQ(r.status, 0) << r.out;
    doc = Read(out);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->loopEnabled, 1);
    EXPECT_EQ(doc->globalPalette.size(), 8u);
}

TEST_F(ConvertTest, MistakesGiveAReasonAndAStatus) {
    ASSERT_TRUE(test::WriteFile(dir.file("a.bmp"), Bmp(2, 2, [](int, int) { return Rgb{}; })));
    std::filesystem::create_directory(dir.file("folder.gif"));
    const std::string a = Quote(dir.file("a.bmp"));
    struct Case {
        std::string args;
        int status;
        std::string says;
    } cases[] = {
        {a, 2, "no output file"},
        {"-o " + Quote(out), 2, "no input files"},
        {a + " -o " + Quote(dir.file("x.txt")), 2, "extension of a format kivo-cli writes: GIF, MNG, PNG, JPEG, BMP"},
        {a + " " + a + " -o " + Quote(dir.file("two.jpg")), 1, "JPEG holds one picture, and there are 2 frames"},
        {a + " -o " + Quote(out) + " --frobnicate", 2, "unknown option '--frobnicate'"},
        {a + " -o " + Quote(out) + " --set Nonsense=1", 2, "Nonsense"},
        {a + " -o " + Quote(out) + " --max-colors 300", 2, "MaxColors"},
        {a + " -o " + Quote(out) + " --loop sometimes", 2, "--loop"},
        {a + " -o " + Quote(out) + " --delay -1", 2, "--delay"},
        {Quote(dir.file("a.tiff")) + " -o " + Quote(out), 2, "cannot read this kind of file"},
        {Quote(dir.file("gone.bmp")) + " -o " + Quote(out), 1, "cannot read"},
        // The reason, also for a lone GIF, whose reader reports nothing itself.
        {Quote(dir.file("gone.gif")) + " -o " + Quote(out), 1, "No such file"},
        {Quote(dir.file("folder.gif")) + " -o " + Quote(out), 1, "is a folder"},
        {a + " -o " + Quote(dir.file("no/such/folder.gif")), 1, "was not written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        CliRun r = RunCli("convert " + c.args + " -q");
        EXPECT_EQ(r.status, c.status) << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    }
    EXPECT_FALSE(std::ifstream(out).good());
}

}  // namespace
}  // namespace kivo
