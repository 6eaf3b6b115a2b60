// kivo-cli render as a user runs it: the pictures of chosen frames, decoded by
// libpng and compared pixel for pixel with the screens the animation shows,
// for GIF and MNG input, both view modes, with and without a background
// colour; and the arguments it refuses.
#include <gtest/gtest.h>

#include <png.h>

#include "io/open_save.h"
#include "mng/mng_read_builder.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "render/compositor.h"

namespace kivo {
namespace {

using test::RunCli;

std::string Q(const std::string& s) { return "'" + s + "'"; }

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

// 4 × 2: a red screen, a green pair cleared to the background after it, then
// a blue pixel at the bottom right.
std::unique_ptr<AnimDoc> Sample() {
    auto doc = NewDocument();
    doc->screenWidth = 4;
    doc->screenHeight = 2;
    struct Placed {
        int left, top, width, height, disposal;
        Rgb colour;
    };
    for (const Placed& s : {Placed{0, 0, 4, 2, 1, kRed}, Placed{1, 0, 2, 1, 2, kGreen}, Placed{3, 1, 1, 1, 3, kBlue}}) {
        AppendFrame(*doc);
        Frame& f = *doc->currentFrame;
        f.left = s.left, f.top = s.top, f.width = s.width, f.height = s.height;
        f.disposal = int16_t(s.disposal);
        f.dib = test::MakeImage(s.width, s.height, [&](int, int) { return s.colour; });
    }
    return doc;
}

// The sample's frames as an MNG player has them: the FRAM mode 3 before the
// blue pixel, the green pair's disposal, clears the whole screen. (Our MNG
// writer would write the blue frame so that the screen shows what the GIF does.)
std::vector<uint8_t> SampleMng() {
    using namespace test;
    auto plain = [](uint32_t w, uint32_t h, Rgb c) {
        return PngStream(w, h, 8, 2, [=](int, int) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; });
    };
    return MngFile(100, {FramChunk(1, 2, 10), plain(4, 2, kRed), DefiChunk(1, 0), plain(2, 1, kGreen),
                         FramChunk(3, 0, 0), DefiChunk(3, 1), plain(1, 1, kBlue)},
                   4, 2);
}

// The picture as screen pixels (0 where it is fully transparent).
std::vector<uint32_t> ReadPng(const std::string& path, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> pixels(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    width = int(image.width), height = int(image.height);
    for (uint32_t& p : pixels)
        if ((p >> 24) == 0) p = kNothingDrawn;
    return pixels;
}

class CliRender : public testing::Test {
protected:
    void SetUp() override {
        auto doc = Sample();
        WriteOptions options;
        ASSERT_TRUE(SaveDocument(nullptr, dir.file("anim.gif"), *doc, options));
        ASSERT_TRUE(test::WriteFile(dir.file("anim.mng"), SampleMng()));
    }
    ScopedRecordingBackend rec;
    test::TempFolder dir;
};

TEST_F(CliRender, PicturesShowTheScreenOfEachChosenFrame) {
    struct Case {
        std::string input, options;
        int format, viewMode;
        std::optional<Rgb> background;
        std::vector<int> frames;  // from 1
    };
    const Case cases[] = {
        {"anim.gif", "", 0, 0, {}, {1, 2, 3}},
        {"anim.gif", "--frames 3,2 --view-mode 1", 0, 1, {}, {2, 3}},
        {"anim.gif", "--frames 3 --background 000080", 0, 0, Rgb{0, 0, 128}, {3}},
        {"anim.mng", "--frames 2-3 --background FfEe00", 1, 0, Rgb{255, 238, 0}, {2, 3}},
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input + " " + c.options);
        const std::string out = dir.file("out" + std::to_string(++run));
        const auto r = RunCli("render " + Q(dir.file(c.input)) + " " + c.options + " -o " + Q(out) + " -q");
        ASSERT_EQ(r.status, 0) << r.out;
        auto doc = ReadAsDocument(nullptr, dir.file(c.input));
        ASSERT_TRUE(doc);
        std::string listed;
        for (int n : c.frames) {
            const std::string name = out + "/anim_" + std::to_string(n) + ".png";
            listed += name + "\n";
            Composition expected;
            expected.rules = PreviewRules(c.viewMode, c.format, c.background.value_or(Rgb{}));
            if (!c.background) expected.rules.background = kNothingDrawn;
            ASSERT_TRUE(ComposeUpTo(expected, *doc, n - 1));
            int w = 0, h = 0;
            EXPECT_EQ(ReadPng(name, w, h), expected.screen) << name;
            EXPECT_EQ(w, 4);
            EXPECT_EQ(h, 2);
        }
        EXPECT_EQ(r.out, listed);
    }
}

TEST_F(CliRender, DisposalToTheBackgroundFollowsTheFormat) {
    const uint32_t r = ScreenPixel(kRed), b = ScreenPixel(kBlue), o = kNothingDrawn;
    struct Case {
        const char* input;
        std::vector<uint32_t> third;
    };
    for (const Case& c : {Case{"anim.gif", {r, o, o, r, r, r, r, b}}, Case{"anim.mng", {o, o, o, o, o, o, o, b}}}) {
        const std::string png = dir.file(std::string(c.input) + ".png");
        ASSERT_EQ(RunCli("render " + Q(dir.file(c.input)) + " --frames 3 -o " + Q(png) + " -q").status, 0);
        int w = 0, h = 0;
        EXPECT_EQ(ReadPng(png, w, h), c.third) << c.input;
    }
}

TEST_F(CliRender, WrongArgumentsAreRefused) {
    struct Case {
        std::string args, says;
    };
    const std::string in = Q(dir.file("anim.gif"));
    const Case cases[] = {
        {"render " + in + " -o " + Q(dir.file("one.png")), "3 frames need a folder"},
        {"render " + in + " --frames 1-2 -o " + Q(dir.file("one.png")), "2 frames need a folder"},
        {"render " + in + " --frames 4 -o " + Q(dir.path()), "frame 4 does not exist"},
        {"render " + in + " --view-mode 2 -o " + Q(dir.path()), "--view-mode wants 0 or 1"},
        {"render " + in + " --background 12345 -o " + Q(dir.path()), "--background wants RRGGBB"},
        {"render " + in + " --background red -o " + Q(dir.path()), "--background wants RRGGBB"},
        {"render " + in, "no output"},
        {"render -o " + Q(dir.path()), "no input file"},
        {"render " + in + " --frames", "missing value after --frames"},
        {"render " + in + " --loud -o " + Q(dir.path()), "unknown option '--loud'"},
    };
    for (const Case& c : cases) {
        const auto r = RunCli(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_FALSE(test::ReadFile(dir.file("one.png")).size());
}

}  // namespace
}  // namespace kivo
