// Read -> write -> read keeps everything a GIF can carry: pictures (when their
// colours fit), placement, timing, disposal, transparency, comments and looping.
#include <gtest/gtest.h>

#include "options/write_options.h"
#include "gif/gif_first_image.h"
#include "gif/gif_read_builder.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

struct FrameSpec {
    int left, top, width, height, delay, hasDelay, disposal;
    bool transparent;
    std::string comment;
};

std::unique_ptr<AnimDoc> MakeAnimation(int loopEnabled, int loopCount) {
    const FrameSpec specs[] = {
        {0, 0, 50, 40, 10, 1, 0, false, ""},
        {5, 6, 20, 11, 0, 0, 1, true, "second"},
        {30, 20, 20, 20, 300, 1, 2, true, std::string(600, 'z')},
        // 0xFFFF in the file, which reads back sign-extended.
        {1, 1, 7, 3, -1, 1, 3, false, ""},
    };
    auto doc = NewDocument();
    doc->screenWidth = 50;
    doc->screenHeight = 40;
    doc->loopEnabled = loopEnabled;
    doc->loopCount = loopCount;
    doc->trailingComment = "after the last image";
    int k = 0;
    for (const FrameSpec& s : specs) {
        EXPECT_TRUE(AppendFrame(*doc));
        Frame& f = *doc->currentFrame;
        f.left = s.left;
        f.top = s.top;
        f.width = s.width;
        f.height = s.height;
        f.delay = s.delay;
        f.hasDelay = s.hasDelay;
        f.disposal = int16_t(s.disposal);
        f.comment = s.comment;
        f.tempPalette = 1;
        const int colors = 3 + 40 * k++;
        f.dib = test::MakeImage(s.width, s.height, [&](int x, int y) {
            int i = (x * 3 + y * 7) % colors;
            return Rgb{uint8_t(i * 5), uint8_t(k * 40), uint8_t(255 - i)};
        });
        if (s.transparent) {
            f.hasTransparency = 1;
            f.transparentRgb = test::PixelOf(f.dib, 1, 1);
        }
    }
    return doc;
}

void ExpectSameAnimation(const AnimDoc& a, const AnimDoc& b) {
    EXPECT_EQ(a.screenWidth, b.screenWidth);
    EXPECT_EQ(a.screenHeight, b.screenHeight);
    EXPECT_EQ(a.loopEnabled, b.loopEnabled);
    if (a.loopEnabled) {
        EXPECT_EQ(a.loopCount, b.loopCount);
    }
    EXPECT_EQ(a.trailingComment, b.trailingComment);
    ASSERT_EQ(a.frameCount, b.frameCount);
    const Frame* fb = b.firstFrame.get();
    for (const Frame* fa = a.firstFrame.get(); fa; fa = fa->next.get(), fb = fb->next.get()) {
        SCOPED_TRACE(testing::Message() << "frame at " << fa->left << "," << fa->top);
        EXPECT_EQ(fa->left, fb->left);
        EXPECT_EQ(fa->top, fb->top);
        ASSERT_EQ(fa->width, fb->width);
        ASSERT_EQ(fa->height, fb->height);
        EXPECT_EQ(fa->delay, fb->delay);
        EXPECT_EQ(fa->hasDelay, fb->hasDelay);
        EXPECT_EQ(fa->disposal, fb->disposal);
        EXPECT_EQ(fa->hasTransparency, fb->hasTransparency);
        if (fa->hasTransparency) {
            EXPECT_EQ(fa->transparentRgb, fb->transparentRgb);
        }
        EXPECT_EQ(fa->comment, fb->comment);
        for (int y = 0; y < fa->height; ++y)
            for (int x = 0; x < fa->width; ++x)
                ASSERT_EQ(test::PixelOf(fa->dib, x, y), test::PixelOf(fb->dib, x, y))
                    << x << "," << y;
    }
}

class GifRoundTrip : public testing::TestWithParam<int> {
protected:
    WriteOptions options;
    ScopedRecordingBackend rec;
    test::TempFolder dir;
};

TEST_P(GifRoundTrip, ReadWriteReadKeepsTheAnimation) {
    options.UnifyPalette = GetParam();
    for (auto [loopEnabled, loopCount] : {std::pair{1, 0}, std::pair{1, 7}, std::pair{0, 0}}) {
        SCOPED_TRACE(testing::Message() << "loop " << loopEnabled << "/" << loopCount);
        auto original = MakeAnimation(loopEnabled, loopCount);
        const std::string first = dir.file("first.gif"), second = dir.file("second.gif");
        ASSERT_TRUE(WriteGif(nullptr, first, *original, options));
        auto read1 = ReadGif(nullptr, first);
        ASSERT_TRUE(read1);
        ExpectSameAnimation(*original, *read1);

        ASSERT_TRUE(WriteGif(nullptr, second, *read1, options));
        auto read2 = ReadGif(nullptr, second);
        ASSERT_TRUE(read2);
        ExpectSameAnimation(*read1, *read2);
        EXPECT_TRUE(rec->errors.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(SharedAndSeparatePalettes, GifRoundTrip, testing::Values(1, 0));

// GIF keeps sizes and positions as unsigned 16-bit values: those above 32767
// reach the document, the preview and the next file exactly.
TEST(GifSixteenBitFields, ScreenSizesAndPlacesAbove32767SurviveReadAndWrite) {
    struct Case {
        const char* what;
        int screenWidth, screenHeight, left, top, width, height;
    };
    const Case cases[] = {
        {"wide screen", 40000, 10, 0, 0, 2, 2},
        {"tall screen", 3, 65535, 1, 0, 2, 2},
        {"frame placed far right and low", 40000, 50000, 39998, 49998, 2, 2},
        {"widest frame", 65535, 1, 0, 0, 65535, 1},
        {"tallest frame", 1, 65535, 0, 0, 1, 65535},
    };
    const Palette pal = test::TestPalette(4);
    test::TempFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedRecordingBackend rec;
        WriteOptions options;
        std::vector<uint8_t> pixels(size_t(c.width) * size_t(c.height));
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i % 3);
        const auto bytes = test::GifBuilder()
                               .Header(c.screenWidth, c.screenHeight, pal)
                               .Image(c.left, c.top, c.width, c.height, test::LiteralImageData(2, pixels))
                               .Trailer()
                               .Done();
        auto doc = ReadGifBytes(nullptr, bytes);
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->screenWidth, c.screenWidth);
        EXPECT_EQ(doc->screenHeight, c.screenHeight);
        const Frame& f = *doc->firstFrame;
        EXPECT_EQ(f.left, c.left);
        EXPECT_EQ(f.top, c.top);
        EXPECT_EQ(f.width, c.width);
        EXPECT_EQ(f.height, c.height);
        EXPECT_EQ(test::PixelOf(f.dib, c.width - 1, c.height - 1), pal[pixels.back()]);

        Frame preview;
        ASSERT_TRUE(DecodeFirstGifImageBytes(nullptr, bytes, preview));
        EXPECT_EQ(preview.width, c.width);
        EXPECT_EQ(preview.height, c.height);

        const std::string path = dir.file("sizes.gif");
        ASSERT_TRUE(WriteGif(nullptr, path, *doc, options));
        const std::vector<uint8_t> written = test::ReadFile(path);
        ASSERT_GT(written.size(), 10u);
        EXPECT_EQ(written[6] | written[7] << 8, c.screenWidth);
        EXPECT_EQ(written[8] | written[9] << 8, c.screenHeight);
        auto again = ReadGif(nullptr, path);
        ASSERT_TRUE(again);
        ExpectSameAnimation(*doc, *again);
        EXPECT_TRUE(rec->errors.empty());
    }
}

}  // namespace
}  // namespace kivo
