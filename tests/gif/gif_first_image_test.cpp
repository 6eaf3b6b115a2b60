// The first-image decoder used for previews.
#include <gtest/gtest.h>

#include "doc/dib.h"
#include "gif/gif_first_image.h"
#include "gif/gif_reader.h"
#include "gif_read_builder.h"
#include "platform/recording_backend.h"

namespace kivo::test {
namespace {

bool Decode(const std::vector<uint8_t>& bytes, Frame& f) { return DecodeFirstGifImageBytes(nullptr, bytes, f); }

TEST(GifFirstImage, TakesOnlyTheFirstImageWithItsOwnColoursAndRows) {
    ScopedRecordingBackend rec;
    const Palette global = TestPalette(4), local = TestPalette(16);
    std::vector<uint8_t> sent;  // interlaced: picture row r has colour r
    for (int r = 0; r < 6; ++r) sent.push_back(uint8_t(GifImageRow(r, 6, true)));
    GifBuilder g;
    g.Header(9, 9, global).Loop(0).Comment({"c"});
    g.Image(3, 4, 1, 6, LiteralImageData(4, sent), local, true);
    g.Image(0, 0, 2, 2, LiteralImageData(2, {1, 1, 1, 1}));
    Frame f;
    ASSERT_TRUE(Decode(g.Trailer().Done(), f));
    EXPECT_TRUE(rec->errors.empty());
    EXPECT_EQ(f.width, 1);
    EXPECT_EQ(f.height, 6);
    EXPECT_EQ(f.hasTransparency, 0);  // loop and comment blocks are not transparency
    for (int y = 0; y < 6; ++y) EXPECT_EQ(PixelOf(f.dib, 0, y), local[size_t(y)]) << y;
}

TEST(GifFirstImage, TransparencyComesFromTheLastControlBlockWithTheBit) {
    ScopedRecordingBackend rec;
    const Palette pal = TestPalette(4);
    auto data = LiteralImageData(2, {0});
    // A second block with the bit moves the index; one without it changes nothing.
    for (int second : {-1, 0, 1}) {
        GifBuilder g;
        g.Header(1, 1, pal).Control(1, 0, 2);
        if (second >= 0) g.Control(second, 0, 3);
        Frame f;
        ASSERT_TRUE(Decode(g.Image(0, 0, 1, 1, data).Trailer().Done(), f));
        EXPECT_EQ(f.hasTransparency, 1) << second;
        EXPECT_EQ(f.transparentRgb, pal[second == 1 ? 3 : 2]) << second;
    }
    GifBuilder g;
    g.Header(1, 1, pal).Control(0, 0, 2);
    Frame f;
    ASSERT_TRUE(Decode(g.Image(0, 0, 1, 1, data).Trailer().Done(), f));
    EXPECT_EQ(f.hasTransparency, 0);
}

TEST(GifFirstImage, DamagedDataKeepsTheRowsBeforeIt) {
    ScopedRecordingBackend rec;
    const Palette pal = TestPalette(4);
    // 3-bit codes in 3-byte sub-blocks; the file ends inside the second one, so
    // only the first (8 codes, 5 pixels) arrives: row 0 whole, row 1 not.
    const auto literal = LiteralImageData(2, {1, 2, 3, 1, 2, 3, 1, 2, 3});
    const std::vector<uint8_t> raw(literal.begin() + 2, literal.end() - 1);
    auto blocks = ImageData(2, raw, 3, false);
    blocks.pop_back();
    const auto damaged = GifBuilder().Header(3, 3, pal).Image(0, 0, 3, 3, blocks).Done();
    Frame f;
    const GifFirstImageError error = DecodeFirstGifImageBytes(damaged, f);
    EXPECT_EQ(error.fault, GifFirstImageFault::kDamagedData);
    EXPECT_TRUE(error.framed());
    EXPECT_EQ(PixelOf(f.dib, 0, 0), pal[1]);
    EXPECT_TRUE(rec->errors.empty());
    f = Frame{};
    ASSERT_TRUE(Decode(damaged, f));
    EXPECT_EQ(rec->errors, std::vector<std::string>{"gif read error"});
    EXPECT_EQ(PixelOf(f.dib, 0, 0), pal[1]);
    EXPECT_EQ(PixelOf(f.dib, 2, 0), pal[3]);
    EXPECT_EQ(PixelOf(f.dib, 0, 1), Rgb{});  // never stored: black
}

TEST(GifFirstImage, FilesWithoutAnImageFailQuickly) {
    const Palette pal = TestPalette(4);
    auto one = LiteralImageData(2, {1});
    struct Case { const char* name; std::vector<uint8_t> bytes; GifFirstImageFault fault; };
    const Case bad[] = {
        {"ends before an image", GifBuilder().Header(1, 1, pal).Done(), GifFirstImageFault::kNoImage},
        {"trailer first", GifBuilder().Header(1, 1, pal).Comment({"x"}).Trailer().Done(), GifFirstImageFault::kNoImage},
        {"case matters", GifBuilder().Header(1, 1, pal, "gif89a").Image(0, 0, 1, 1, one).Done(),
         GifFirstImageFault::kNoImage},
        {"code size 1", GifBuilder().Header(1, 1, pal).Image(0, 0, 1, 1, ImageData(1, {0})).Done(),
         GifFirstImageFault::kNoImage},
        {"code size 12", GifBuilder().Header(1, 1, pal).Image(0, 0, 1, 1, ImageData(12, {0})).Done(),
         GifFirstImageFault::kNoImage},
        {"nothing behind 30000 x 30000", GifBuilder().Header(1, 1, pal).Image(0, 0, 30000, 30000, one).Done(),
         GifFirstImageFault::kTooLittleData},
    };
    for (const Case& k : bad) {
        SCOPED_TRACE(k.name);
        Frame f;
        const GifFirstImageError error = DecodeFirstGifImageBytes(k.bytes, f);
        EXPECT_EQ(error.fault, k.fault);
        EXPECT_FALSE(error.framed());
        EXPECT_TRUE(f.dib.empty());
        ScopedRecordingBackend rec;
        EXPECT_FALSE(Decode(k.bytes, f));
        EXPECT_EQ(rec->errors, std::vector<std::string>{"gif read error"});
    }
    Frame f;
    const GifFirstImageError missing = DecodeFirstGifImage("/nonexistent/a.gif", f);
    EXPECT_EQ(missing.fault, GifFirstImageFault::kCannotOpen);
    EXPECT_EQ(missing.path, "/nonexistent/a.gif");
    ScopedRecordingBackend rec;
    EXPECT_FALSE(DecodeFirstGifImage(nullptr, "/nonexistent/a.gif", f));
    EXPECT_EQ(rec->errors, std::vector<std::string>{"can't open /nonexistent/a.gif\n"});
}

}  // namespace
}  // namespace kivo::test
