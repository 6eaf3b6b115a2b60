// Targa files built byte by byte: every image type and depth we read, run-length
// packets across row ends, both origins, colour maps, and the refusals with the
// message each one shows.
#include <gtest/gtest.h>

#include "doc/dib.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "targa/targa_reader.h"

namespace kivo {
namespace {

using test::Bytes;
using test::PixelOf;

constexpr uint8_t kTopLeft = 0x20;

struct Tga {
    uint8_t mapType = 0, type = 2;
    uint16_t mapFirst = 0, mapLength = 0;
    uint8_t mapBits = 0;
    uint16_t width = 1, height = 1;
    uint8_t bits = 24, descriptor = kTopLeft;
    std::vector<uint8_t> id = {}, map = {}, pixels = {};

    std::vector<uint8_t> Build() const {
        Bytes b;
        b.u8(uint8_t(id.size())).u8(mapType).u8(type).u16(mapFirst).u16(mapLength).u8(mapBits);
        b.u16(7).u16(9);  // an origin, which must not matter
        b.u16(width).u16(height).u8(bits).u8(descriptor);
        b.raw(id).raw(map).raw(pixels);
        return b.data;
    }
};

// Blue, green, red bytes of one stored pixel.
std::vector<uint8_t> Bgr(Rgb c) { return {c.b, c.g, c.r}; }
std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Rgb A{10, 20, 30}, B{40, 50, 60}, C{70, 80, 90}, D{100, 110, 120};

// A map of n entries, entry i = (i, 2i, 3i) as red, green, blue.
std::vector<uint8_t> RampMap(int n) {
    std::vector<uint8_t> m;
    for (int i = 0; i < n; ++i) m.insert(m.end(), {uint8_t(3 * i), uint8_t(2 * i), uint8_t(i)});
    return m;
}

Tga Mapped(uint8_t type, int entries, uint16_t w, uint16_t h, std::vector<uint8_t> pixels) {
    return {.mapType = 1, .type = type, .mapLength = uint16_t(entries), .mapBits = 24, .width = w,
            .height = h, .bits = 8, .map = RampMap(entries), .pixels = std::move(pixels)};
}

// Four 24-bit pixels of one byte value.
std::vector<uint8_t> FourPixels(uint8_t v) { return std::vector<uint8_t>(12, v); }

struct DecodeCase {
    const char* name;
    Tga file;
    std::vector<Rgb> topDown;  // expected pixels, top row first
};

TEST(TargaRead, DecodesEveryTypeDepthAndOrigin) {
    const auto quad = Cat({Bgr(A), Bgr(B), Bgr(C), Bgr(D)});
    const auto rle = [](uint8_t bits, uint16_t w, uint16_t h, std::vector<uint8_t> px) {
        return Tga{.type = uint8_t(bits == 8 ? 11 : 10), .width = w, .height = h, .bits = bits, .pixels = px};
    };
    const DecodeCase cases[] = {
        {"top-left origin", {.width = 2, .height = 2, .pixels = quad}, {A, B, C, D}},
        {"bottom-left origin", {.width = 2, .height = 2, .descriptor = 0x00, .pixels = quad}, {C, D, A, B}},
        {"top-right origin", {.width = 2, .height = 2, .descriptor = 0x30, .pixels = quad}, {B, A, D, C}},
        {"bottom-right origin", {.width = 2, .height = 2, .descriptor = 0x10, .pixels = quad}, {D, C, B, A}},
        {"identification field skipped", {.id = {'h', 'e', 'l', 'l', 'o'}, .pixels = Bgr(A)}, {A}},
        {"colour map of a true-colour image skipped",
         {.mapType = 1, .mapLength = 2, .mapBits = 24, .map = RampMap(2), .pixels = Bgr(B)}, {B}},
        {"32-bit with opaque alpha keeps its colours",
         {.width = 2, .bits = 32, .descriptor = kTopLeft | 8, .pixels = {1, 2, 3, 255, 4, 5, 6, 255}},
         {{3, 2, 1}, {6, 5, 4}}},
        {"16-bit: 0x7FFF white, 0x0001 blue 8, top bit ignored, 5-bit steps",
         {.width = 4, .bits = 16, .pixels = {0xFF, 0x7F, 0x01, 0x00, 0x00, 0xFC, 0x03, 0x09}},
         {{255, 255, 255}, {0, 0, 8}, {255, 0, 0}, {16, 66, 25}}},
        {"15 bits read as 16", {.bits = 15, .pixels = {0xE0, 0x03}}, {{0, 255, 0}}},
        {"grey", {.type = 3, .width = 3, .bits = 8, .pixels = {0, 128, 255}},
         {{0, 0, 0}, {128, 128, 128}, {255, 255, 255}}},
        {"16-entry colour map", Mapped(1, 16, 3, 1, {0, 15, 7}), {{0, 0, 0}, {15, 30, 45}, {7, 14, 21}}},
        {"index past the map is black", Mapped(1, 2, 3, 1, {1, 2, 255}), {{1, 2, 3}, {0, 0, 0}, {0, 0, 0}}},
        {"run packet 0x85 gives six pixels", rle(24, 6, 1, Cat({{0x85}, Bgr(A)})), {A, A, A, A, A, A}},
        {"literal packet 0x05 gives six pixels",
         rle(24, 6, 1, Cat({{0x05}, Bgr(A), Bgr(B), Bgr(C), Bgr(D), Bgr(A), Bgr(B)})), {A, B, C, D, A, B}},
        {"run crosses two row ends", rle(24, 3, 3, Cat({{0x87}, Bgr(C), {0x00}, Bgr(D)})),
         {C, C, C, C, C, C, C, C, D}},
        {"literal crosses a row end, then a run",
         rle(24, 2, 2, Cat({{0x02}, Bgr(A), Bgr(B), Bgr(C), {0x80}, Bgr(D)})), {A, B, C, D}},
        {"run-length from the bottom row up",
         {.type = 10, .width = 2, .height = 2, .descriptor = 0, .pixels = Cat({{0x82}, Bgr(A), {0x00}, Bgr(B)})},
         {A, B, A, A}},
        {"run-length grey", rle(8, 4, 1, {0x81, 9, 0x01, 7, 8}), {{9, 9, 9}, {9, 9, 9}, {7, 7, 7}, {8, 8, 8}}},
        {"run-length 16-bit", rle(16, 2, 1, {0x81, 0x1F, 0x00}), {{0, 0, 255}, {0, 0, 255}}},
        {"run-length colour-mapped", Mapped(9, 4, 3, 1, {0x82, 3}), {{3, 6, 9}, {3, 6, 9}, {3, 6, 9}}},
        {"257 map entries, the last out of reach", Mapped(1, 257, 2, 1, {255, 1}), {{255, 254, 253}, {1, 2, 3}}},
        {"map starting at entry 2", {.mapType = 1, .type = 1, .mapFirst = 2, .mapLength = 2, .mapBits = 24, .width = 3,
                                     .bits = 8, .map = RampMap(2), .pixels = {1, 2, 3}},
         {{0, 0, 0}, {0, 0, 0}, {1, 2, 3}}},
        {"16-bit map entries", {.mapType = 1, .type = 1, .mapLength = 2, .mapBits = 16, .width = 2, .bits = 8,
                                .map = {0x1F, 0x00, 0x00, 0x7C}, .pixels = {1, 0}},
         {{255, 0, 0}, {0, 0, 255}}},
        {"32-bit map entries", {.mapType = 1, .type = 1, .mapLength = 1, .mapBits = 32, .bits = 8,
                                .map = {1, 2, 3, 4}, .pixels = {0}},
         {{3, 2, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRecordingBackend rec;
        Frame frame;
        ASSERT_TRUE(ReadTargaBytes(nullptr, c.file.Build(), frame));
        EXPECT_TRUE(rec->errors.empty());
        ASSERT_TRUE(DibIsValid(frame.dib));
        ASSERT_EQ(frame.width, c.file.width);
        ASSERT_EQ(frame.height, c.file.height);
        ASSERT_EQ(DibWidth(frame.dib), c.file.width);
        ASSERT_EQ(DibHeight(frame.dib), c.file.height);
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                EXPECT_EQ(PixelOf(frame.dib, x, y), c.topDown[size_t(y * frame.width + x)]) << x << "," << y;
    }
}

TEST(TargaRead, RefusesWhatItCannotReadWithItsMessage) {
    const std::vector<uint8_t> px4(4, 1);
    auto truncated = [](Tga t, size_t cut) {
        auto bytes = t.Build();
        bytes.resize(bytes.size() - cut);
        return bytes;
    };
    Tga idPastTheEnd{.pixels = Bgr(A)};
    idPastTheEnd.id.assign(50, 'x');
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {
        {"short header", truncated(Tga{}, 1), "read fault!"},
        {"colour map type 2", Tga{.mapType = 2, .pixels = px4}.Build(), "read fault!"},
        {"12 bits", Tga{.bits = 12, .pixels = px4}.Build(), "read fault!"},
        {"40 bits", Tga{.bits = 40, .pixels = px4}.Build(), "read fault!"},
        {"0 bits", Tga{.bits = 0, .pixels = px4}.Build(), "read fault!"},
        {"descriptor bit 6", Tga{.descriptor = 0x60, .pixels = px4}.Build(), "read fault!"},
        {"descriptor bit 7", Tga{.descriptor = 0xA0, .pixels = px4}.Build(), "read fault!"},
        {"type 0 (no image)", Tga{.type = 0, .pixels = px4}.Build(), "read fault!"},
        {"type 4", Tga{.type = 4, .pixels = px4}.Build(), "read fault!"},
        {"type 8", Tga{.type = 8, .pixels = px4}.Build(), "read fault!"},
        {"type 32 (Huffman)", Tga{.type = 32, .pixels = px4}.Build(), "read fault!"},
        {"true colour with 8-bit pixels", Tga{.bits = 8, .pixels = px4}.Build(), "read fault!"},
        {"grey with 32-bit pixels", Tga{.type = 3, .bits = 32, .pixels = px4}.Build(), "read fault!"},
        {"run-length grey with 24-bit pixels", Tga{.type = 11, .pixels = px4}.Build(), "read fault!"},
        {"mapped with 16-bit pixels",
         Tga{.mapType = 1, .type = 1, .mapLength = 2, .mapBits = 24, .bits = 16, .map = RampMap(2), .pixels = px4}
             .Build(),
         "read fault!"},
        {"mapped without a map", Tga{.type = 1, .bits = 8, .pixels = px4}.Build(), "read fault!"},
        {"map type 1 with no entries", Tga{.mapType = 1, .type = 1, .mapBits = 24, .bits = 8, .pixels = px4}.Build(),
         "read fault!"},
        {"map entries of 8 bits", Tga{.mapType = 1, .type = 1, .mapLength = 2, .mapBits = 8, .bits = 8,
                                      .map = {1, 2}, .pixels = px4}.Build(),
         "read fault!"},
        {"zero width", Tga{.width = 0, .pixels = px4}.Build(), "read fault!"},
        {"zero height", Tga{.height = 0, .pixels = px4}.Build(), "read fault!"},
        {"identification field past the end", truncated(idPastTheEnd, 10), "read error!"},
        {"colour map cut short", truncated(Mapped(1, 16, 1, 1, {}), 8), "read error!"},
        {"plain pixels one byte short", truncated(Tga{.width = 2, .height = 2, .pixels = FourPixels(1)}, 1),
         "read error!"},
        {"run-length without its last packet", Tga{.type = 10, .width = 5, .pixels = Cat({{0x83}, Bgr(A)})}.Build(),
         "read error!"},
        {"run-length literal cut short",
         truncated(Tga{.type = 10, .width = 3, .pixels = Cat({{0x02}, FourPixels(1)})}, 5), "read error!"},
        {"run-length packet header without its pixel",
         Tga{.type = 10, .width = 4, .height = 2, .pixels = Cat({{0x83}, Bgr(A), {0x83}})}.Build(), "read error!"},
        {"a huge picture from a few bytes",
         Tga{.type = 10, .width = 65535, .height = 65535, .pixels = Cat({{0xFF}, Bgr(A)})}.Build(), "read error!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRecordingBackend rec;
        Frame frame;
        const TargaError error = ReadTargaBytes(c.bytes, frame);
        // A header refused is a fault; data that ends early is a truncation.
        EXPECT_EQ(error, std::string_view(c.message) == "read fault!" ? TargaError::kFault : TargaError::kTruncated);
        EXPECT_TRUE(frame.dib.empty());
        EXPECT_EQ(frame.width, 0);
        EXPECT_TRUE(rec->errors.empty());
        EXPECT_FALSE(ReadTargaBytes(nullptr, c.bytes, frame));
        EXPECT_EQ(rec->errors, std::vector<std::string>{c.message});
    }
}

TEST(TargaRead, PictureBeyondThePixelCapIsAMemoryError) {
    const size_t saved = MaxImagePixels;
    MaxImagePixels = 99;
    ScopedRecordingBackend rec;
    Frame frame;
    const auto bytes = Tga{.type = 3, .width = 10, .height = 10, .bits = 8, .pixels = std::vector<uint8_t>(100, 5)}.Build();
    const TargaError error = ReadTargaBytes(bytes, frame);
    const bool ok = ReadTargaBytes(nullptr, bytes, frame);
    MaxImagePixels = saved;
    EXPECT_EQ(error, TargaError::kMemory);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(frame.dib.empty());
    EXPECT_EQ(rec->errors, std::vector<std::string>{"memory error!"});
}

TEST(TargaRead, FilesAreReadWholeAndMissingOnesRefused) {
    test::TempFolder dir;
    const std::string path = dir.file("picture.tga");
    ASSERT_TRUE(test::WriteFile(path, Tga{.height = 2, .descriptor = 0, .pixels = Cat({Bgr(A), Bgr(B)})}.Build()));
    {
        ScopedRecordingBackend rec;
        Frame frame;
        ASSERT_TRUE(ReadTarga(nullptr, path, frame));
        EXPECT_EQ(PixelOf(frame.dib, 0, 0), B);
        EXPECT_EQ(PixelOf(frame.dib, 0, 1), A);
        EXPECT_TRUE(rec->errors.empty());
    }
    for (const std::string& bad : {dir.file("missing.tga"), dir.path()}) {
        SCOPED_TRACE(bad);
        ScopedRecordingBackend rec;
        Frame frame;
        EXPECT_EQ(ReadTarga(bad, frame), TargaError::kCannotOpen);
        EXPECT_FALSE(ReadTarga(nullptr, bad, frame));
        EXPECT_TRUE(frame.dib.empty());
        EXPECT_EQ(rec->errors, std::vector<std::string>{"File Open Error"});
    }
}

}  // namespace
}  // namespace kivo
