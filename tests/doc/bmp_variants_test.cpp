// The BMP kinds other programs write beyond the plain ones: RLE4, OS/2's RLE24,
// 2-bit palettes, and alpha (alpha bit fields, or a plain 32-bit file whose
// fourth bytes are used). Each file is built here byte by byte and judged by
// Pillow: the file itself where Pillow reads it, else a plain file holding the
// same picture.
#include <array>
#include <optional>

#include <gtest/gtest.h>

#include "doc/bmp.h"
#include "doc/dib.h"
#include "doc/import_bmp.h"
#include "platform/recording_backend.h"
#include "support/pillow_oracle.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::Bytes;

struct Bmp {
    uint32_t headerSize = 40;
    int32_t width = 1, height = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    std::vector<uint32_t> masks = {};  // in the header when it is long enough, else after it
    std::vector<uint8_t> table = {}, pixels = {};

    std::vector<uint8_t> Build() const {
        const bool masksInside = headerSize >= 40 + 4 * masks.size();
        const uint32_t offset = uint32_t(14 + headerSize + (masksInside ? 0 : 4 * masks.size()) + table.size());
        Bytes b;
        b.str("BM").u32(uint32_t(offset + pixels.size())).u32(0).u32(offset);
        if (headerSize == 12) {
            b.u32(12).u16(uint16_t(width)).u16(uint16_t(height)).u16(1).u16(bits);
        } else {
            b.u32(headerSize).u32(uint32_t(width)).u32(uint32_t(height)).u16(1).u16(bits).u32(compression)
                .u32(uint32_t(pixels.size())).u32(39).u32(39).u32(0).u32(0);
            size_t written = 40;
            if (masksInside)
                for (uint32_t m : masks) b.u32(m), written += 4;
            b.fill(headerSize - written, 0);
            if (!masksInside)
                for (uint32_t m : masks) b.u32(m);
        }
        b.raw(table).raw(pixels);
        return b.data;
    }
};

// Blue, green, red, 0 quads for the listed colours.
std::vector<uint8_t> Quads(std::initializer_list<Rgb> colours) {
    std::vector<uint8_t> t;
    for (Rgb c : colours) t.insert(t.end(), {c.b, c.g, c.r, 0});
    return t;
}
std::vector<uint8_t> SixteenColours() {
    std::vector<uint8_t> t;
    for (int i = 0; i < 16; ++i) t.insert(t.end(), {uint8_t(16 * i), uint8_t(255 - 16 * i), uint8_t(7 * i), 0});
    return t;
}

constexpr uint32_t kBgra[] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
constexpr uint32_t kRgba[] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};

// 3 x 2 pixels of blue, green, red, alpha bytes (bottom row first): opaque,
// half and fully transparent pixels, one transparent pixel sharing an opaque
// pixel's colour (the key must then be another).
const std::vector<uint8_t> kBgraPixels = {
    10, 20, 30, 255,  40, 50, 60, 128,  10, 20, 30, 0,
    70, 80, 90, 0,    1, 2, 3, 255,     200, 100, 50, 64,
};
std::vector<uint8_t> Reordered(const std::vector<uint8_t>& bgra, std::array<int, 4> order) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < bgra.size(); i += 4)
        for (int k : order) out.push_back(bgra[i + size_t(k)]);
    return out;
}
std::vector<uint8_t> AlphaSetTo(std::vector<uint8_t> bgra, uint8_t a) {
    for (size_t i = 3; i < bgra.size(); i += 4) bgra[i] = a;
    return bgra;
}
// The colours of 32-bit rows as padded 24-bit rows.
std::vector<uint8_t> Rows24(const std::vector<uint8_t>& bgra, size_t width) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < bgra.size(); i += 4) {
        out.insert(out.end(), bgra.begin() + long(i), bgra.begin() + long(i + 3));
        if ((i / 4 + 1) % width == 0)
            while (out.size() % 4) out.push_back(0);
    }
    return out;
}
std::vector<uint8_t> Without(const std::vector<uint8_t>& bgra, bool keepAlpha) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < bgra.size(); i += 4) {
        out.insert(out.end(), bgra.begin() + long(i), bgra.begin() + long(i + 3));
        if (keepAlpha) out.push_back(bgra[i + 3]);
    }
    return out;
}

struct VariantCase {
    const char* name;
    Bmp file;
    std::optional<Bmp> plain;  // the same picture in a form Pillow reads; none: the file itself
};

TEST(BmpVariants, DecodeAsPillowDoesTheSamePicture) {
    if (!test::HavePillow()) GTEST_SKIP() << "Pillow not installed";
    const std::vector<uint32_t> bgra(std::begin(kBgra), std::end(kBgra));
    const std::vector<uint32_t> rgba(std::begin(kRgba), std::end(kRgba));
    // RLE4 over 5 x 2: a run that alternates two indices, end of line, a literal,
    // a run of one, end of bitmap.
    const std::vector<uint8_t> rle4 = {5, 0x12, 0, 0, 0, 4, 0x34, 0x56, 1, 0x70, 0, 1};
    // Over 5 x 3 with an odd literal (padded) and a delta over unwritten pixels,
    // which Pillow 9 mis-reads: judged by the plain 4-bit rows instead.
    const std::vector<uint8_t> rle4Delta = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 1, 0, 3, 0xEF, 0, 1};
    const std::vector<uint8_t> rle4DeltaPlain = {0x12, 0x12, 0x10, 0, 0x34, 0x50, 0, 0, 0x0E, 0xFE, 0, 0};
    // RLE24 over 3 x 2: a run of one colour, a literal of three pixels (padded).
    const std::vector<uint8_t> rle24 = {3, 1, 2, 3, 0, 0, 0, 3, 10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 0, 0, 1};
    const std::vector<uint8_t> rle24Plain = {1, 2, 3, 1, 2, 3, 1, 2, 3, 0, 0, 0,
                                             10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 0, 0};
    const auto fourColours = Quads({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}});
    // 2-bit indices 0..3 and back, 7 pixels a row over 2 rows.
    const std::vector<uint8_t> twoBit = {0b00011011, 0b10010000, 0, 0, 0b11100100, 0b01111100, 0, 0};
    const std::vector<uint8_t> twoBitAs8 = {0, 1, 2, 3, 2, 1, 0, 0, 3, 2, 1, 0, 1, 3, 3, 0};
    const VariantCase cases[] = {
        {"RLE4 runs and literal", {.width = 5, .height = 2, .bits = 4, .compression = 2,
                                   .table = SixteenColours(), .pixels = rle4}, {}},
        {"RLE4 odd literal and delta", {.width = 5, .height = 3, .bits = 4, .compression = 2,
                                        .table = SixteenColours(), .pixels = rle4Delta},
         Bmp{.width = 5, .height = 3, .bits = 4, .table = SixteenColours(), .pixels = rle4DeltaPlain}},
        {"RLE24 in an OS/2 header", {.headerSize = 64, .width = 3, .height = 2, .compression = 4, .pixels = rle24},
         Bmp{.width = 3, .height = 2, .pixels = rle24Plain}},
        {"2-bit palette", {.width = 7, .height = 2, .bits = 2, .table = fourColours, .pixels = twoBit},
         Bmp{.width = 7, .height = 2, .bits = 8, .table = fourColours, .pixels = twoBitAs8}},
        {"2-bit palette, core header", {.headerSize = 12, .width = 7, .height = 2, .bits = 2,
                                         .table = Without(fourColours, false), .pixels = twoBit},
         Bmp{.width = 7, .height = 2, .bits = 8, .table = fourColours, .pixels = twoBitAs8}},
        {"alpha bit fields, version 4 header", {.headerSize = 108, .width = 3, .height = 2, .bits = 32,
                                                .compression = 3, .masks = bgra, .pixels = kBgraPixels}, {}},
        {"alpha bit fields in RGBA order, version 5 header",
         {.headerSize = 124, .width = 3, .height = 2, .bits = 32, .compression = 3, .masks = rgba,
          .pixels = Reordered(kBgraPixels, {2, 1, 0, 3})}, {}},
        {"alpha bit-field compression after a 40-byte header",
         {.width = 3, .height = 2, .bits = 32, .compression = 6, .masks = bgra, .pixels = kBgraPixels},
         Bmp{.headerSize = 108, .width = 3, .height = 2, .bits = 32, .compression = 3, .masks = bgra,
             .pixels = kBgraPixels}},
        {"plain 32-bit with its fourth bytes used as alpha", {.width = 3, .height = 2, .bits = 32, .pixels = kBgraPixels},
         Bmp{.headerSize = 108, .width = 3, .height = 2, .bits = 32, .compression = 3, .masks = bgra,
             .pixels = kBgraPixels}},
        {"plain 32-bit with fourth bytes 0 is opaque",
         {.width = 3, .height = 2, .bits = 32, .pixels = AlphaSetTo(kBgraPixels, 0)},
         Bmp{.width = 3, .height = 2, .pixels = Rows24(kBgraPixels, 3)}},
    };
    test::TempFolder dir;
    for (const VariantCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.file("variant.bmp"), plain = dir.file("plain.bmp");
        const auto bytes = c.file.Build();
        ASSERT_TRUE(test::WriteFile(file, bytes));
        ASSERT_TRUE(test::WriteFile(plain, c.plain ? c.plain->Build() : bytes));
        const auto expected = test::PillowDecode(plain);
        ASSERT_EQ(expected.size(), 1u) << "Pillow could not read the reference";
        RecordingBackend backend;
        Frame frame;
        ASSERT_TRUE(ReadBmpFrame(nullptr, file, frame));
        EXPECT_EQ(test::CompareWithAlpha(frame, expected[0]), "");
        const bool anyClear = [&] {
            for (size_t i = 3; i < expected[0].rgba.size(); i += 4)
                if (expected[0].rgba[i] == 0) return true;
            return false;
        }();
        EXPECT_EQ(frame.hasTransparency != 0, anyClear);
    }
}

}  // namespace
}  // namespace kivo
