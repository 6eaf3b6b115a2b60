#include "doc/bmp.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "doc/dib.h"
#include "doc/import_bmp.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::Bytes;
using test::PixelOf;

// A BMP file with a 40-byte header. pixelOffset 0 = right after the table.
std::vector<uint8_t> BmpFile(int w, int h, int bits, uint32_t compression,
                             const std::vector<uint8_t>& table, const std::vector<uint8_t>& pixels,
                             uint32_t colorsUsed = 0, uint32_t pixelOffset = 0,
                             const std::vector<uint8_t>& gap = {}) {
    uint32_t offset = pixelOffset ? pixelOffset : uint32_t(54 + table.size() + gap.size());
    Bytes b;
    b.str("BM").u32(uint32_t(offset + pixels.size())).u32(0).u32(offset);
    b.u32(40).u32(uint32_t(w)).u32(uint32_t(h)).u16(1).u16(uint16_t(bits)).u32(compression)
        .u32(uint32_t(pixels.size())).u32(39).u32(39).u32(colorsUsed).u32(0);
    b.raw(table).raw(gap).raw(pixels);
    return b.data;
}

std::vector<uint8_t> Grey8Table() {
    std::vector<uint8_t> t;
    for (int i = 0; i < 256; ++i) t.insert(t.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 0});
    return t;
}

Dib Parse(const std::vector<uint8_t>& file) { return ParseBmp(file); }

TEST(BmpRead, OneBitWithTwoColourTable) {
    auto file = BmpFile(2, 1, 1, 0, {0, 0, 255, 0, 0, 255, 0, 0}, {0x40, 0, 0, 0});
    Dib d = DibTo24(Parse(file));
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(PixelOf(d, 0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelOf(d, 1, 0), (Rgb{0, 255, 0}));
}

TEST(BmpRead, CoreHeaderFileReads) {
    Bytes b;
    b.str("BM").u32(0).u32(0).u32(14 + 12 + 6);
    b.u32(12).u16(1).u16(1).u16(1).u16(1).raw({1, 2, 3, 4, 5, 6}).raw({0x80, 0, 0, 0});
    Dib d = Parse(b.data);
    ASSERT_FALSE(d.empty());
    EXPECT_TRUE(DibIsCore(d));
    EXPECT_EQ(PixelOf(DibTo24(DibSpan(d)), 0, 0), (Rgb{6, 5, 4}));
}

TEST(BmpRead, HonoursThePixelOffsetWhenRowsDoNotFollowTheTable) {
    // 24-bit file with 6 bytes of padding between header and pixels.
    std::vector<uint8_t> px = {1, 2, 3, 0};
    auto file = BmpFile(1, 1, 24, 0, {}, px, 0, 0, {9, 9, 9, 9, 9, 9});
    Dib d = Parse(file);
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(PixelOf(d, 0, 0), (Rgb{3, 2, 1}));
    // An offset pointing outside the file falls back to "right after the table".
    auto bogus = BmpFile(1, 1, 24, 0, {}, px, 0, 100000);
    d = Parse(bogus);
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(PixelOf(d, 0, 0), (Rgb{3, 2, 1}));
}

TEST(BmpRead, TopDownFileIsTurnedRightWayUp) {
    // Height -2: the first stored row is the top row.
    auto file = BmpFile(1, -2, 24, 0, {}, {255, 0, 0, 0, 0, 0, 255, 0});
    Dib d = Parse(file);
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(DibHeight(d), 2);
    EXPECT_EQ(PixelOf(d, 0, 0), (Rgb{0, 0, 255}));  // top: blue
    EXPECT_EQ(PixelOf(d, 0, 1), (Rgb{255, 0, 0}));  // bottom: red
}

TEST(BmpRead, EightBitWithColoursUsedSixteen) {
    std::vector<uint8_t> table(64, 0);
    table[4 * 15 + 2] = 77;
    auto file = BmpFile(1, 1, 8, 0, table, {15, 0, 0, 0}, 16);
    Dib d = Parse(file);
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(DibPixelOffset(d), 40u + 64u);
    EXPECT_EQ(PixelOf(DibTo24(DibSpan(d)), 0, 0), (Rgb{77, 0, 0}));
}

// A one-pixel bit-fields BMP whose masks sit after a 40-byte header or inside a
// longer (version 4 or 5) header.
std::vector<uint8_t> BitFieldsBmp(int bits, uint32_t headerSize, const uint32_t (&masks)[3],
                                  uint32_t pixel) {
    const uint32_t maskBytes = headerSize == 40 ? 12 : 0;
    const uint32_t offset = 14 + headerSize + maskBytes;
    Bytes b;
    b.str("BM").u32(offset + 4).u32(0).u32(offset);
    b.u32(headerSize).u32(1).u32(1).u16(1).u16(uint16_t(bits)).u32(kBiBitFields).u32(4)
        .u32(39).u32(39).u32(0).u32(0);
    b.u32(masks[0]).u32(masks[1]).u32(masks[2]);
    if (headerSize > 52) b.u32(0);  // alpha mask
    b.fill(headerSize + maskBytes - 40 - 12 - (headerSize > 52 ? 4 : 0), 0);
    return b.u32(bits == 16 ? pixel & 0xFFFF : pixel).data;
}

TEST(BmpRead, BitFieldsFollowTheirMasksInAnyOrder) {
    struct Case {
        const char* what;
        int bits;
        uint32_t headerSize;
        uint32_t masks[3];  // red, green, blue
        uint32_t pixel;
        Rgb expected;
    };
    const Case cases[] = {
        {"32-bit BGRX", 32, 40, {0x00FF0000, 0x0000FF00, 0x000000FF}, 0x00C86432, {200, 100, 50}},
        {"32-bit RGBX", 32, 40, {0x000000FF, 0x0000FF00, 0x00FF0000}, 0x003264C8, {200, 100, 50}},
        {"32-bit RGBA from the top byte", 32, 40, {0xFF000000, 0x00FF0000, 0x0000FF00}, 0xC8643200, {200, 100, 50}},
        {"32-bit RGBX in a version 4 header", 32, 108, {0x000000FF, 0x0000FF00, 0x00FF0000}, 0x003264C8, {200, 100, 50}},
        {"32-bit RGBX in a version 5 header", 32, 124, {0x000000FF, 0x0000FF00, 0x00FF0000}, 0xFF3264C8, {200, 100, 50}},
        {"32-bit 10-10-10", 32, 40, {0x3FF00000, 0x000FFC00, 0x000003FF}, 0x3FF00200, {255, 0, 127}},
        {"16-bit 5-6-5 blue high", 16, 40, {0x001F, 0x07E0, 0xF800}, 0x001F, {255, 0, 0}},
        {"16-bit 5-5-5 in a version 5 header", 16, 124, {0x7C00, 0x03E0, 0x001F}, 0x03E0, {0, 255, 0}},
        {"16-bit 4-4-4 red low", 16, 108, {0x000F, 0x00F0, 0x0F00}, 0x0F08, {136, 0, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Dib d = Parse(BitFieldsBmp(c.bits, c.headerSize, c.masks, c.pixel));
        ASSERT_FALSE(d.empty());
        ASSERT_TRUE(DibIsValid(d));
        EXPECT_EQ(DibBitCount(d), c.bits);  // the picture keeps its own depth
        EXPECT_EQ(PixelOf(DibTo24(DibSpan(d)), 0, 0), c.expected);
    }
}

TEST(BmpRead, RefusesBrokenFiles) {
    auto good = BmpFile(2, 2, 24, 0, {}, std::vector<uint8_t>(16, 0));
    ASSERT_FALSE(Parse(good).empty());
    auto truncated = good;
    truncated.resize(truncated.size() - 1);
    EXPECT_TRUE(Parse(truncated).empty());
    auto notBm = good;
    notBm[0] = 'X';
    EXPECT_TRUE(Parse(notBm).empty());
    for (uint32_t size : {0u, 11u, 13u, 15u}) {
        auto bad = good;
        bad[14] = uint8_t(size);
        EXPECT_TRUE(Parse(bad).empty()) << size;
    }
    auto huge = BmpFile(70000, 1, 24, 0, {}, {});
    EXPECT_TRUE(Parse(huge).empty());
    // Run-length compression of a depth it does not belong to.
    auto rle4 = BmpFile(2, 2, 8, 2, std::vector<uint8_t>(1024, 0), {0, 1});
    EXPECT_TRUE(Parse(rle4).empty());
    EXPECT_TRUE(Parse({'B', 'M'}).empty());
    EXPECT_TRUE(ReadBmp("/nonexistent/x.bmp").empty());
}

// A BMP as a frame: the frame's size is the picture's size, exactly; a picture
// without pixels is refused with a message rather than becoming a frame no GIF
// decoder would take.
TEST(BmpFrame, PicturesWithoutPixelsAreRefused) {
    test::TempFolder dir;
    for (auto [w, h] : {std::pair{5, 0}, std::pair{0, 5}, std::pair{0, 0}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        const auto file = BmpFile(w, h, 24, 0, {}, {0, 0, 0, 0});
        BmpFault fault = BmpFault::kNone;
        EXPECT_TRUE(ParseBmp(file, &fault).empty());
        EXPECT_EQ(fault, BmpFault::kNoPixels);
        const std::string path = dir.file("empty.bmp");
        ASSERT_TRUE(test::WriteFile(path, file));
        ScopedRecordingBackend rec;
        Frame f;
        EXPECT_FALSE(ReadBmpFrame(nullptr, path, f));
        EXPECT_TRUE(f.dib.empty());
        EXPECT_EQ(rec->errors, (std::vector<std::string>{"幅か高さが 0 の画像は読み込めません。"}));
    }
    // Other faults keep their own answer and show nothing here.
    BmpFault fault = BmpFault::kNone;
    EXPECT_TRUE(ParseBmp(std::vector<uint8_t>{'B', 'M'}, &fault).empty());
    EXPECT_EQ(fault, BmpFault::kUnreadable);
    ScopedRecordingBackend rec;
    Frame f;
    EXPECT_FALSE(ReadBmpFrame(nullptr, dir.file("missing.bmp"), f));
    EXPECT_TRUE(rec->errors.empty());
}

TEST(BmpFrame, SizeIsThePicturesAlsoAbove32767) {
    test::TempFolder dir;
    for (auto [w, h] : {std::pair{40000, 1}, std::pair{1, 65535}, std::pair{3, 2}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        std::vector<uint8_t> pixels(DibRowBytes(uint32_t(w), 24) * size_t(h), 0);
        pixels[0] = 0xFF;  // bottom-left pixel blue
        const std::string path = dir.file("p.bmp");
        ASSERT_TRUE(test::WriteFile(path, BmpFile(w, h, 24, 0, {}, pixels)));
        ScopedRecordingBackend rec;
        Frame f;
        ASSERT_TRUE(ReadBmpFrame(nullptr, path, f));
        EXPECT_EQ(f.width, w);
        EXPECT_EQ(f.height, h);
        EXPECT_EQ(PixelOf(f.dib, 0, h - 1), (Rgb{0, 0, 255}));
        EXPECT_TRUE(rec->errors.empty());
    }
}

TEST(BmpRle8, OddLiteralAndDeltaMatchTheUncompressedForm) {
    // 4x3, bottom row: literal 3 bytes (odd → one pad byte) then run; then delta
    // (2,1) skips to row 2 column 2.
    std::vector<uint8_t> rle = {
        0, 3, 10, 11, 12, 0,   // literal 10 11 12 + pad
        1, 13,                 // one 13
        0, 0,                  // end of line
        0, 2, 2, 1,            // delta: x += 2, y += 1 -> row 2, column 2
        2, 14,                 // two 14s
        0, 1,                  // end of bitmap
    };
    auto file = BmpFile(4, 3, 8, 1, Grey8Table(), rle);
    Dib d = Parse(file);
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(DibCompression(d), 0u);
    std::vector<uint8_t> expected = {10, 11, 12, 13, 0, 0, 0, 0, 0, 0, 14, 14};
    auto plain = BmpFile(4, 3, 8, 0, Grey8Table(), expected);
    EXPECT_EQ(d, Parse(plain));
}

TEST(BmpRle8, HostileRunsStayInsideTheBitmap) {
    // Runs past the row end, literals past the data end, deltas past the last row:
    // the decoder must neither write outside the bitmap nor fail to end.
    std::vector<std::vector<uint8_t>> streams = {
        {255, 7, 255, 7, 255, 7},           // runs far wider than the row
        {0, 200, 1, 2, 3},                  // literal longer than the data left
        {0, 2, 255, 255, 5, 9, 0, 0, 5, 9}, // delta beyond the bitmap
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},     // more line ends than rows
        {0, 2, 1},                          // truncated delta
        {3},                                // lone count byte
    };
    for (const auto& s : streams) {
        Dib d = Parse(BmpFile(3, 2, 8, 1, Grey8Table(), s));
        ASSERT_FALSE(d.empty());
        EXPECT_EQ(d.size(), 40u + 1024u + 2u * 4u);
    }
    // A run wider than the row is cut at the row's end, not wrapped.
    Dib d = Parse(BmpFile(3, 2, 8, 1, Grey8Table(), {5, 9, 0, 0, 1, 4}));
    const uint8_t* px = DibPixels(DibSpan(d));
    EXPECT_EQ(std::vector<uint8_t>(px, px + 8), (std::vector<uint8_t>{9, 9, 9, 0, 4, 0, 0, 0}));
}

class BmpWrite : public ::testing::Test {
protected:
    test::TempFolder dir;

    // Writes an image of n distinct colours and returns the written bit count.
    int WrittenBits(int colors) {
        Dib img = test::MakeImage(colors, 3, [](int x, int y) {
            return Rgb{uint8_t(x), uint8_t(x >> 8), uint8_t(y == 1 ? 0 : 0)};
        });
        std::string path = dir.file("c.bmp");
        EXPECT_TRUE(WriteBmp(path, img, true));
        Dib back = ReadBmp(path);
        EXPECT_FALSE(back.empty());
        EXPECT_EQ(DibTo24(DibSpan(back)), img) << colors;  // pixels survive the round trip
        return DibBitCount(back);
    }
};

TEST_F(BmpWrite, ChoosesTheSmallestDepthThatHoldsTheColours) {
    EXPECT_EQ(WrittenBits(1), 1);
    EXPECT_EQ(WrittenBits(2), 1);
    EXPECT_EQ(WrittenBits(3), 4);
    EXPECT_EQ(WrittenBits(16), 4);
    EXPECT_EQ(WrittenBits(17), 8);
    EXPECT_EQ(WrittenBits(256), 8);
    EXPECT_EQ(WrittenBits(257), 24);
}

TEST_F(BmpWrite, PalettedFileLayout) {
    Dib img = test::MakeImage(3, 1, [](int x, int) { return x == 1 ? Rgb{1, 2, 3} : Rgb{9, 9, 9}; });
    std::string bytes;
    ASSERT_TRUE(EncodeBmp(img, bytes));
    ASSERT_EQ(bytes.size(), 54u + 8u + 4u);
    auto u32 = [&](size_t at) {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    };
    EXPECT_EQ(u32(2), 66u);   // file size
    EXPECT_EQ(u32(10), 62u);  // pixel offset
    EXPECT_EQ(u32(46), 2u);   // colours used
    EXPECT_EQ(uint8_t(bytes[54]), 9);  // first colour seen is entry 0 (blue byte first)
    EXPECT_EQ(uint8_t(bytes[58]), 3);
    EXPECT_EQ(uint8_t(bytes[62]), 0x40);  // pixels 0,1,0 from the top bit
}

TEST_F(BmpWrite, ExistingFileIsLeftAloneWithoutOverwrite) {
    std::string path = dir.file("keep.bmp");
    ASSERT_TRUE(test::WriteFile(path, {'o', 'l', 'd'}));
    Dib img = test::MakeImage(2, 2, [](int, int) { return Rgb{1, 1, 1}; });
    EXPECT_TRUE(WriteBmp(path, img, false));
    EXPECT_EQ(test::ReadFile(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_TRUE(WriteBmp(path, img, true));
    EXPECT_FALSE(ReadBmp(path).empty());
}

TEST_F(BmpWrite, FailedWriteKeepsTheOldFile) {
    std::string path = dir.file("old.bmp");
    ASSERT_TRUE(test::WriteFile(path, {'o', 'l', 'd'}));
    EXPECT_FALSE(WriteBmp(path, Dib{1, 2, 3}, true));  // not a DIB
    EXPECT_EQ(test::ReadFile(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_FALSE(WriteBmp(dir.file("no/such/folder.bmp"), test::MakeImage(1, 1, [](int, int) {
                              return Rgb{};
                          }),
                          true));
}

}  // namespace
}  // namespace kivo
