// kivo-cli with pictures: every readable format goes in, one-frame formats come
// out, frames are extracted and blank animations made, all as a user runs them.
#include <gtest/gtest.h>

#include "doc/dib.h"
#include "gif/gif_reader.h"
#include "io/open_save.h"
#include "jpeg/jpeg_writer.h"
#include "png/png_writer.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::RunCli;

std::string Q(const std::string& s) { return "'" + s + "'"; }

class CliPictures : public testing::Test {
protected:
    // A picture of f in every format the engine writes, and a Targa built by hand.
    void SetUp() override {
        Frame f;
        f.dib = test::MakeImage(6, 4, [](int x, int y) { return Rgb{uint8_t(x * 40), uint8_t(y * 60), 90}; });
        ASSERT_TRUE(WritePngFile(nullptr, dir.file("p.png"), f, true, WriteOptions{}));
        ASSERT_TRUE(WriteJpeg(nullptr, dir.file("j.jpg"), f, 95));
        test::Bytes tga;  // 3x2 grey, top-left origin
        tga.u8(0).u8(0).u8(3).u16(0).u16(0).u8(0).u16(0).u16(0).u16(3).u16(2).u8(8).u8(0x20);
        tga.raw({10, 20, 30, 40, 50, 60});
        ASSERT_TRUE(test::WriteFile(dir.file("t.tga"), tga.data));
        ASSERT_TRUE(test::WriteFile(dir.file("x.tiff"), {'I', 'I', 42, 0}));
    }
    ScopedRecordingBackend rec;
    test::TempFolder dir;
};

TEST_F(CliPictures, InfoConvertAndTheOneFrameRule) {
    struct Case { std::string args; int status; std::string says; };
    const Case cases[] = {
        {"info " + Q(dir.file("p.png")), 0, "6"},
        {"info --json " + Q(dir.file("t.tga")), 0, "\"width\": 3"},
        {"info " + Q(dir.file("x.tiff")), 1, "kivo-cli reads GIF, MNG, PNG, JPEG, BMP, Targa, AVI, MP4, WebM, MOV/MKV, APNG, JNG, WebP files"},
        {"convert " + Q(dir.file("p.png")) + " " + Q(dir.file("j.jpg")) + " " + Q(dir.file("t.tga")) +
             " -o " + Q(dir.file("all.gif")), 0, ""},
        {"convert " + Q(dir.file("t.tga")) + " -o " + Q(dir.file("t.png")), 0, ""},
        {"convert " + Q(dir.file("p.png")) + " -o " + Q(dir.file("p.bmp")), 0, ""},
        {"convert " + Q(dir.file("all.gif")) + " -o " + Q(dir.file("all.bmp")), 1, "holds one picture"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        auto r = RunCli(c.args + " -q");
        EXPECT_EQ(r.status, c.status) << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    }
    auto all = ReadGif(nullptr, dir.file("all.gif"));
    ASSERT_TRUE(all);
    EXPECT_EQ(all->frameCount, 3);
    EXPECT_EQ(all->screenWidth, 6);
    auto png = ReadAsDocument(nullptr, dir.file("t.png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(test::PixelOf(png->firstFrame->dib, 2, 1), (Rgb{60, 60, 60}));
    auto bmp = ReadAsDocument(nullptr, dir.file("p.bmp"));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(test::PixelOf(bmp->firstFrame->dib, 5, 3), (Rgb{200, 180, 90}));
}

TEST_F(CliPictures, MngGoesInAndOutAndInfoShowsItsFields) {
    const std::string gif = dir.file("two.gif"), mng = dir.file("two.mng"), back = dir.file("back.gif");
    ASSERT_EQ(RunCli("convert " + Q(dir.file("p.png")) + " " + Q(dir.file("t.tga")) + " --delay 25 -o " + Q(gif)).status, 0);
    auto r = RunCli("convert -q " + Q(gif) + " --set JngAllFrames=1 --set JngQuality=90 -o " + Q(mng));
    ASSERT_EQ(r.status, 0) << r.out;
    r = RunCli("info " + Q(mng));
    EXPECT_NE(r.out.find("mng: profile 0x"), std::string::npos) << r.out;
    r = RunCli("info --json " + Q(mng));
    EXPECT_NE(r.out.find("\"ticksPerSecond\": 100"), std::string::npos) << r.out;
    ASSERT_EQ(RunCli("convert -q " + Q(mng) + " -o " + Q(back)).status, 0);
    auto doc = ReadGif(nullptr, back);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->frameCount, 2);
    EXPECT_EQ(NthFrame(*doc, 1)->delay, 25);
    EXPECT_EQ(NthFrame(*doc, 1)->width, 3);

    int mode = 0;  // opening or saving an MNG switches the working mode
    auto opened = OpenDocument(nullptr, mng, nullptr, &mode);
    ASSERT_TRUE(opened);
    EXPECT_EQ(mode, 1);
    WriteOptions options;
    ASSERT_TRUE(SaveDocument(nullptr, back, *opened, options, &mode));
    EXPECT_EQ(mode, 0);
}

TEST_F(CliPictures, ExtractAndBlank) {
    const std::string anim = dir.file("white.gif");
    ASSERT_EQ(RunCli("blank --size 5x3 --count 12 --delay 7 -o " + Q(anim)).status, 0);
    auto doc = ReadGif(nullptr, anim);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->frameCount, 12);
    EXPECT_EQ(doc->firstFrame->delay, 7);
    EXPECT_EQ(test::PixelOf(doc->firstFrame->dib, 4, 2), (Rgb{255, 255, 255}));

    auto r = RunCli("extract " + Q(anim) + " --frames 2,10-11 --format png --dir " + Q(dir.path()) + " --name f");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, dir.file("f_02.png") + "\n" + dir.file("f_10.png") + "\n" + dir.file("f_11.png") + "\n");
    auto one = ReadAsDocument(nullptr, dir.file("f_10.png"));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->firstFrame->width, 5);

    struct Case { std::string args; int status; std::string says; };
    const Case mistakes[] = {
        {"extract " + Q(anim) + " --frames 13", 2, "frame 13 does not exist"},
        {"extract " + Q(anim) + " --frames 3-1", 2, "--frames wants"},
        {"extract " + Q(anim) + " --format tiff", 2, "--format wants"},
        {"extract " + Q(anim) + " --dir " + Q(dir.file("none")), 1, "書き込み失敗しました。"},
        {"blank --size 0x3 -o " + Q(anim), 2, "--size wants"},
        {"blank --size 4x4 --count 2 -o " + Q(dir.file("b.bmp")), 2, "holds one picture"},
    };
    for (const Case& c : mistakes) {
        SCOPED_TRACE(c.args);
        auto m = RunCli(c.args + " -q");
        EXPECT_EQ(m.status, c.status) << m.out;
        EXPECT_NE(m.out.find(c.says), std::string::npos) << m.out;
    }
}

}  // namespace
}  // namespace kivo
