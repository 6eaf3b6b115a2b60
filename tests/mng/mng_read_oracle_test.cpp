// The MNG reader against independent parties: libmng plays the same file and
// every frame we read must appear on its canvas, where and for as long as we
// say; and MNG files that ImageMagick writes from a GIF read back as the frames
// that GIF holds.
#include <gtest/gtest.h>

#include <cstdlib>

#include "gif/gif_reader.h"
#include "jpeg/jpeg_writer.h"
#include "mng/mng_reader.h"
#include "mng/mng_read_builder.h"
#include "mng/mng_write_oracle.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using namespace test;

TEST(MngReadOracle, LibmngShowsTheFramesWhereAndAsLongAsWeRead) {
    KIVO_SKIP_WITHOUT_LIBMNG();
    Frame picture;
    picture.dib = MakeImage(8, 6, [](int x, int y) { return Rgb{uint8_t(100 + 5 * x), uint8_t(120 + 5 * y), 128}; });
    ByteVec jpeg;
    ASSERT_TRUE(EncodeJpeg(nullptr, picture, 95, jpeg));
    const Palette global{{200, 10, 10}, {10, 200, 10}, {10, 10, 200}};
    const ByteVec file = MngFile(1000, {
        TermChunk(3, 0, 0x7FFFFFFF), Chunk("PLTE", PlteData(global)), FramChunk(1, 2, 250),
        PngStream(8, 6, 2, 3, [](int x, int y) { return uint32_t(x + 2 * y) % 3; }, Chunk("PLTE")),
        DefiChunk(2, 1), PngStream(4, 3, 8, 2, [](int x, int y) { return uint32_t(0x10 * x) << 16 | uint32_t(0x30 * y); }),
        DefiChunk(0, 0), FramChunk(1, 1, 45), Jhdr(8, 6), Chunk("JDAT", jpeg), Chunk("IEND")}, 8, 6, 1 | 2 | 16);
    ScopedRecordingBackend rec;
    auto doc = ReadMngBytes(nullptr, file);
    ASSERT_TRUE(doc);
    const OracleMng played = DecodeWithLibmng(file, size_t(doc->frameCount));
    ASSERT_TRUE(played.ok) << played.error;
    ASSERT_EQ(played.frames.size(), size_t(doc->frameCount));
    int i = 0;
    for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++i) {
        SCOPED_TRACE(testing::Message() << "frame " << i);
        EXPECT_NEAR(double(played.frames[size_t(i)].delayMs), f->delay * 10.0, 5.0);
        const int tolerance = f->next ? 0 : 12;  // JPEG decoders may round differently
        for (int y = 0; y < f->height; ++y)
            for (int x = 0; x < f->width; ++x) {
                const Rgb ours = PixelOf(f->dib, x, y);
                const uint8_t* theirs = &played.frames[size_t(i)].rgba[(size_t(f->top + y) * 8 + size_t(f->left + x)) * 4];
                ASSERT_NEAR(ours.r, theirs[0], tolerance) << x << "," << y;
                ASSERT_NEAR(ours.g, theirs[1], tolerance) << x << "," << y;
                ASSERT_NEAR(ours.b, theirs[2], tolerance) << x << "," << y;
            }
    }
}

TEST(MngReadOracle, ImageMagicksMngHoldsTheGifsFrames) {
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempFolder dir;
    const std::string gif = dir.file("a.gif"), mng = dir.file("b.mng");
    const std::string make = "convert -delay 20 -size 6x4 xc:red -delay 35 -page +2+1 -size 3x2 xc:blue "
                             "-delay 7 -page +0+0 -size 6x4 gradient:yellow-green -loop 3 '" + gif + "' && convert '" +
                             gif + "' '" + mng + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    ScopedRecordingBackend rec;
    auto want = ReadGif(nullptr, gif);
    auto got = ReadMng(nullptr, mng);
    ASSERT_TRUE(want && got);
    ASSERT_EQ(got->frameCount, want->frameCount);
    EXPECT_EQ(got->screenWidth, want->screenWidth);
    EXPECT_EQ(got->loopEnabled, 1);
    EXPECT_EQ(got->loopCount, want->loopCount);
    for (const Frame *f = got->firstFrame.get(), *g = want->firstFrame.get(); f && g; f = f->next.get(), g = g->next.get()) {
        EXPECT_EQ(f->delay, g->delay);
        EXPECT_EQ(f->left, g->left);
        EXPECT_EQ(f->top, g->top);
        EXPECT_TRUE(f->dib == g->dib);
    }
}

}  // namespace
}  // namespace kivo
