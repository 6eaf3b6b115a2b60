// Blank frames and saving selected frames: where the new frame lands and what the
// selection becomes; how the per-frame files are named and when they are written.
#include <gtest/gtest.h>
#include <png.h>

#include <functional>

#include "options/write_options.h"
#include "doc/dib.h"
#include "doc/selection.h"
#include "png/png_reader.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "frame_ops/blank_frame.h"
#include "frame_ops/save_selected.h"

namespace kivo {
namespace {

TEST(BlankFrame, InsertBeforeTheFirstSelectedFrameLeavesOnlyItSelected) {
    auto doc = NewDocument();
    Selection selection;
    for (int i = 0; i < 7; ++i) ASSERT_TRUE(AddBlankFrame(*doc, selection, 0, 4, 3));
    EXPECT_EQ(doc->screenWidth, 4);
    SetSelection(*doc, selection, {5, 3});
    ASSERT_TRUE(AddBlankFrame(*doc, selection, 1, 10, 2));  // wider than the screen
    EXPECT_EQ(doc->frameCount, 8);
    EXPECT_EQ(doc->currentIndex, 3);
    EXPECT_EQ(selection, (std::vector<int32_t>{3}));
    const Frame& f = *NthFrame(*doc, 3);
    EXPECT_EQ(f.width, 10);
    EXPECT_EQ(f.tempPalette, 1);
    EXPECT_EQ(test::PixelOf(f.dib, 9, 1), (Rgb{255, 255, 255}));
    EXPECT_EQ(doc->screenWidth, 10);
    EXPECT_EQ(doc->screenHeight, 3);

    for (auto [w, h] : {std::pair{0, 5}, {5, -1}, {70000, 1}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        EXPECT_FALSE(AddBlankFrame(*doc, selection, 1, w, h));
        EXPECT_EQ(doc->frameCount, 8);
        EXPECT_EQ(doc->currentIndex, 3);
    }
}

TEST(SaveSelected, NamesFollowTheFrameCount) {
    SaveSelectedRequest r{"/out/", "anim", FrameFileFormat::kGif};
    EXPECT_EQ(SelectedFrameFileName(r, 12, 3), "/out/anim_03.gif");
    EXPECT_EQ(SelectedFrameFileName(r, 9, 3), "/out/anim_3.gif");
    r.format = FrameFileFormat::kBmp;
    EXPECT_EQ(SelectedFrameFileName(r, 150, 3), "/out/anim_003.bmp");
    r = {"/", "", FrameFileFormat::kPng};
    EXPECT_EQ(SelectedFrameFileName(r, 3, 3), "/_3.png");
    r.baseName.assign(300, 'n');
    EXPECT_EQ(SelectedFrameFileName(r, 3, 3), "");
}

TEST(SaveSelected, WritesEachSelectedFrameAndRespectsTheOverwriteFlag) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    auto doc = NewDocument();
    Selection selection;
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(AddBlankFrame(*doc, selection, 0, 3, 2));
        test::SetPixel(doc->currentFrame->dib, 0, 0, Rgb{uint8_t(i), 0, 0});
    }
    SetSelection(*doc, selection, {2, 10});
    const std::string existing = dir.file("anim_11.png");
    ASSERT_TRUE(test::WriteFile(existing, {'o', 'l', 'd'}));
    WriteOptions options;
    ASSERT_TRUE(SaveSelectedFrames(nullptr, *doc, selection, {dir.path() + "/", "anim", FrameFileFormat::kPng, false},
                                   options));
    EXPECT_EQ(test::ReadFile(existing), (std::vector<uint8_t>{'o', 'l', 'd'}));
    Frame back;
    ASSERT_TRUE(ReadPng(nullptr, dir.file("anim_03.png"), back));
    EXPECT_EQ(test::PixelOf(back.dib, 0, 0), (Rgb{2, 0, 0}));

    // One selected frame means the current one.
    SetSelection(*doc, selection, {0});
    doc->currentFrame = NthFrame(*doc, 6);
    doc->currentIndex = 6;
    ASSERT_TRUE(SaveSelectedFrames(nullptr, *doc, selection, {dir.path(), "one", FrameFileFormat::kBmp}, options));
    EXPECT_FALSE(test::ReadFile(dir.file("one_07.bmp")).empty());

    // A folder that does not exist fails at the first frame; a dither asked
    // for the batch is still wanted afterwards.
    SetSelection(*doc, selection, {1, 2});
    WriteOptions dithered;
    dithered.AlwaysDither = 1;
    EXPECT_FALSE(SaveSelectedFrames(nullptr, *doc, selection, {dir.file("missing"), "x", FrameFileFormat::kGif}, dithered));
    EXPECT_EQ(dithered.AlwaysDither, 1);
}

// An unconditional dither asked for once holds for every GIF of the batch
// (two equal frames give equal files) and is cleared after the batch; and an
// existing file is replaced while the overwrite box is ticked.
TEST(SaveSelected, OneDitherForTheWholeBatchAndOverwriteReplaces) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    auto doc = NewDocument();
    Selection selection;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(AddBlankFrame(*doc, selection, 0, 32, 8));
        doc->currentFrame->dib = test::MakeImage(32, 8, [](int x, int y) {
            return Rgb{uint8_t(x * 8), uint8_t(y * 32), uint8_t(x * y)};
        });
    }
    SetSelection(*doc, selection, {0, 2});
    WriteOptions options;
    ASSERT_TRUE(SaveSelectedFrames(nullptr, *doc, selection, {dir.path(), "plain", FrameFileFormat::kGif}, options));
    options.AlwaysDither = 1;
    ASSERT_TRUE(test::WriteFile(dir.file("d_3.gif"), {'o', 'l', 'd'}));
    ASSERT_TRUE(SaveSelectedFrames(nullptr, *doc, selection, {dir.path(), "d", FrameFileFormat::kGif}, options));
    EXPECT_EQ(options.AlwaysDither, 0);
    EXPECT_NE(test::ReadFile(dir.file("d_1.gif")), test::ReadFile(dir.file("plain_1.gif")));
    EXPECT_EQ(test::ReadFile(dir.file("d_1.gif")), test::ReadFile(dir.file("d_3.gif")));
}

// A saved PNG read back by libpng as red, green, blue, alpha; empty on failure.
std::vector<uint8_t> LibpngRgba(const std::string& path, uint32_t& width, uint32_t& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return {};
    width = image.width;
    height = image.height;
    return rgba;
}

// A frame's transparent colour survives as PNG: pixels of that colour are clear,
// every other pixel is opaque and keeps its colour, whichever kind of PNG the
// colours give (palette, greys, full colour).
TEST(SaveSelected, PngFilesCarryTheFramesTransparentColour) {
    const Rgb key{0, 0, 255};
    auto grey = [](int x, int y) { return Rgb{uint8_t(y * 16 + x), uint8_t(y * 16 + x), uint8_t(y * 16 + x)}; };
    const struct {
        const char* what;
        int width, height;
        std::function<Rgb(int, int)> pixel;
        Rgb key;
    } cases[] = {
        {"a few colours", 5, 3, [&](int x, int y) { return (x + y) % 3 ? Rgb{uint8_t(x * 9), 200, 0} : key; }, key},
        {"key not in the picture", 5, 3, [](int x, int y) { return Rgb{uint8_t(x), uint8_t(y), 0}; }, key},
        {"full colour", 24, 24, [](int x, int y) { return Rgb{uint8_t(x * 10), uint8_t(y * 10), uint8_t(x ^ y)}; },
         Rgb{50, 70, 5 ^ 7}},
        {"full colour, key not in it", 24, 24, [](int x, int y) { return Rgb{uint8_t(x * 10), uint8_t(y * 10), 1}; },
         key},
        {"256 greys, grey key", 16, 16, grey, Rgb{77, 77, 77}},
        // A grey picture cannot hold this key; its grey 77 stays opaque.
        {"256 greys, coloured key", 16, 16, grey, Rgb{77, 0, 0}},
    };
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = NewDocument();
        Selection selection;
        ASSERT_TRUE(AddBlankFrame(*doc, selection, 0, c.width, c.height));
        Frame& f = *doc->currentFrame;
        f.dib = test::MakeImage(c.width, c.height, c.pixel);
        f.hasTransparency = 1;
        f.transparentRgb = c.key;
        SetSelection(*doc, selection, {0});
        WriteOptions options;
        ASSERT_TRUE(SaveSelectedFrames(nullptr, *doc, selection, {dir.path(), c.what, FrameFileFormat::kPng}, options));
        uint32_t width = 0, height = 0;
        const std::vector<uint8_t> rgba = LibpngRgba(dir.file(std::string(c.what) + "_1.png"), width, height);
        ASSERT_EQ(rgba.size(), size_t(c.width) * c.height * 4);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
                const Rgb want = c.pixel(x, y);
                const bool transparent = want == c.key;
                ASSERT_EQ(p[3], transparent ? 0 : 255) << x << "," << y;
                if (!transparent) {
                    ASSERT_EQ((Rgb{p[0], p[1], p[2]}), want) << x << "," << y;
                }
            }
        }
    }
    EXPECT_TRUE(rec->errors.empty());
}

}  // namespace
}  // namespace kivo
