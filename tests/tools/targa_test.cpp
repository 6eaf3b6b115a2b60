// Targa files built byte by byte: every image type and depth we read, run-length
// packets across row ends, both origins, colour maps, and the refusals with the
// message each one shows.
#include <gtest/gtest.h>

#include "doc/dib.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "tools/targa_reader.h"

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
    std::vector<uint8_t> id, map, pixels;

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

Tga Plain24(uint16_t w, uint16_t h, uint8_t descriptor, std::vector<uint8_t> pixels) {
    Tga t;
    t.width = w;
    t.height = h;
    t.descriptor = descriptor;
    t.pixels = std::move(pixels);
    return t;
}

Tga Of(uint8_t type, uint8_t bits, uint16_t w, uint16_t h, std::vector<uint8_t> pixels) {
    Tga t;
    t.type = type;
    t.bits = bits;
    t.width = w;
    t.height = h;
    t.pixels = std::move(pixels);
    return t;
}

Tga Mapped(uint8_t type, int entries, uint16_t w, uint16_t h, std::vector<uint8_t> pixels) {
    Tga t = Of(type, 8, w, h, std::move(pixels));
    t.mapType = 1;
    t.mapLength = uint16_t(entries);
    t.mapBits = 24;
    t.map = RampMap(entries);
    return t;
}

struct DecodeCase {
    const char* name;
    Tga file;
    std::vector<Rgb> topDown;  // expected pixels, top row first
};

TEST(TargaRead, DecodesEveryTypeDepthAndOrigin) {
    const auto quad = Cat({Bgr(A), Bgr(B), Bgr(C), Bgr(D)});
    Tga withId = Plain24(1, 1, kTopLeft, Bgr(A));
    withId.id = {'h', 'e', 'l', 'l', 'o'};
    Tga mapOnTrueColour = Plain24(1, 1, kTopLeft, Bgr(B));
    mapOnTrueColour.mapType = 1;
    mapOnTrueColour.mapLength = 2;
    mapOnTrueColour.mapBits = 24;
    mapOnTrueColour.map = RampMap(2);
    Tga alpha32 = Of(2, 32, 2, 1, {1, 2, 3, 200, 4, 5, 6, 0});
    alpha32.descriptor = kTopLeft | 8;
    Tga rleBottomUp = Of(10, 24, 2, 2, Cat({{0x82}, Bgr(A), {0x00}, Bgr(B)}));
    rleBottomUp.descriptor = 0;

    const DecodeCase cases[] = {
        {"top-left origin", Plain24(2, 2, kTopLeft, quad), {A, B, C, D}},
        {"bottom-left origin", Plain24(2, 2, 0x00, quad), {C, D, A, B}},
        {"top-right origin", Plain24(2, 2, 0x30, quad), {B, A, D, C}},
        {"bottom-right origin", Plain24(2, 2, 0x10, quad), {D, C, B, A}},
        {"identification field skipped", withId, {A}},
        {"colour map of a true-colour image skipped", mapOnTrueColour, {B}},
        {"32-bit loses its alpha byte", alpha32, {{3, 2, 1}, {6, 5, 4}}},
        {"16-bit: 0x7FFF white, 0x0001 blue 8, top bit ignored, 5-bit steps",
         Of(2, 16, 4, 1, {0xFF, 0x7F, 0x01, 0x00, 0x00, 0xFC, 0x03, 0x09}),
         {{255, 255, 255}, {0, 0, 8}, {255, 0, 0}, {16, 66, 25}}},
        {"15 bits read as 16", Of(2, 15, 1, 1, {0xE0, 0x03}), {{0, 255, 0}}},
        {"grey", Of(3, 8, 3, 1, {0, 128, 255}), {{0, 0, 0}, {128, 128, 128}, {255, 255, 255}}},
        {"16-entry colour map", Mapped(1, 16, 3, 1, {0, 15, 7}),
         {{0, 0, 0}, {15, 30, 45}, {7, 14, 21}}},
        {"index past the map is black", Mapped(1, 2, 3, 1, {1, 2, 255}),
         {{1, 2, 3}, {0, 0, 0}, {0, 0, 0}}},
        {"run packet 0x85 gives six pixels", Of(10, 24, 6, 1, Cat({{0x85}, Bgr(A)})),
         {A, A, A, A, A, A}},
        {"literal packet 0x05 gives six pixels",
         Of(10, 24, 6, 1, Cat({{0x05}, Bgr(A), Bgr(B), Bgr(C), Bgr(D), Bgr(A), Bgr(B)})),
         {A, B, C, D, A, B}},
        {"run crosses two row ends", Of(10, 24, 3, 3, Cat({{0x87}, Bgr(C), {0x00}, Bgr(D)})),
         {C, C, C, C, C, C, C, C, D}},
        {"literal crosses a row end, then a run",
         Of(10, 24, 2, 2, Cat({{0x02}, Bgr(A), Bgr(B), Bgr(C), {0x80}, Bgr(D)})), {A, B, C, D}},
        {"run-length from the bottom row up", rleBottomUp, {A, B, A, A}},
        {"run-length grey", Of(11, 8, 4, 1, {0x81, 9, 0x01, 7, 8}),
         {{9, 9, 9}, {9, 9, 9}, {7, 7, 7}, {8, 8, 8}}},
        {"run-length 16-bit", Of(10, 16, 2, 1, {0x81, 0x1F, 0x00}), {{0, 0, 255}, {0, 0, 255}}},
        {"run-length colour-mapped", Mapped(9, 4, 3, 1, {0x82, 3}), {{3, 6, 9}, {3, 6, 9}, {3, 6, 9}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRecordingBackend rec;
        Frame frame;
        ASSERT_TRUE(ReadTargaBytes(nullptr, c.file.Build(), frame));
        EXPECT_TRUE(rec->errors.empty());
        ASSERT_TRUE(DibIsValid(frame.dib));
        EXPECT_EQ(DibBitCount(frame.dib), 24);
        ASSERT_EQ(frame.width, c.file.width);
        ASSERT_EQ(frame.height, c.file.height);
        ASSERT_EQ(DibWidth(frame.dib), c.file.width);
        ASSERT_EQ(DibHeight(frame.dib), c.file.height);
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                EXPECT_EQ(PixelOf(frame.dib, x, y), c.topDown[size_t(y * frame.width + x)])
                    << "at " << x << "," << y;
    }
}

struct RefusalCase {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* message;
};

std::vector<uint8_t> Built(Tga t) { return t.Build(); }
template <typename F>
std::vector<uint8_t> Changed(Tga t, F change) {
    change(t);
    return t.Build();
}

TEST(TargaRead, RefusesWhatItCannotReadWithItsMessage) {
    const Tga good = Plain24(2, 2, kTopLeft, std::vector<uint8_t>(12, 1));
    const Tga rle = Of(10, 24, 4, 1, Cat({{0x83}, Bgr(A)}));
    std::vector<uint8_t> shortHeader = good.Build();
    shortHeader.resize(17);
    std::vector<uint8_t> shortPixels = good.Build();
    shortPixels.pop_back();
    std::vector<uint8_t> idPastTheEnd = Changed(good, [](Tga& t) { t.pixels.clear(); });
    idPastTheEnd[0] = 50;
    idPastTheEnd.resize(idPastTheEnd.size() + 20, 1);

    const RefusalCase cases[] = {
        {"short header", shortHeader, "read fault!"},
        {"colour map type 2", Changed(good, [](Tga& t) { t.mapType = 2; }), "read fault!"},
        {"12 bits", Changed(good, [](Tga& t) { t.bits = 12; }), "read fault!"},
        {"40 bits", Changed(good, [](Tga& t) { t.bits = 40; }), "read fault!"},
        {"0 bits", Changed(good, [](Tga& t) { t.bits = 0; }), "read fault!"},
        {"descriptor bit 6", Changed(good, [](Tga& t) { t.descriptor |= 0x40; }), "read fault!"},
        {"descriptor bit 7", Changed(good, [](Tga& t) { t.descriptor |= 0x80; }), "read fault!"},
        {"type 0 (no image)", Changed(good, [](Tga& t) { t.type = 0; }), "read fault!"},
        {"type 4", Changed(good, [](Tga& t) { t.type = 4; }), "read fault!"},
        {"type 8", Changed(good, [](Tga& t) { t.type = 8; }), "read fault!"},
        {"type 32 (Huffman)", Changed(good, [](Tga& t) { t.type = 32; }), "read fault!"},
        {"mapped with 16-bit pixels", Changed(Mapped(1, 4, 1, 1, {0, 0}), [](Tga& t) {
             t.bits = 16;
         }), "read fault!"},
        {"mapped without a map", Changed(Mapped(1, 4, 1, 1, {0}), [](Tga& t) {
             t.mapType = 0;
         }), "read fault!"},
        {"map type 1 with no entries", Changed(Mapped(1, 4, 1, 1, {0}), [](Tga& t) {
             t.mapLength = 0;
             t.map.clear();
         }), "read fault!"},
        {"257 map entries", Changed(Mapped(1, 256, 1, 1, {0}), [](Tga& t) {
             t.mapLength = 257;
             t.map = RampMap(257);
         }), "read fault!"},
        {"map starting at entry 1", Changed(Mapped(1, 4, 1, 1, {0}), [](Tga& t) { t.mapFirst = 1; }),
         "read fault!"},
        {"16-bit map entries", Changed(Mapped(1, 4, 1, 1, {0}), [](Tga& t) { t.mapBits = 16; }),
         "read fault!"},
        {"true colour with 8-bit pixels", Built(Of(2, 8, 1, 1, {0})), "read fault!"},
        {"grey with 16-bit pixels", Built(Of(3, 16, 1, 1, {0, 0})), "read fault!"},
        {"run-length grey with 24-bit pixels", Built(Of(11, 24, 1, 1, {0, 0, 0, 0})), "read fault!"},
        {"zero width", Changed(good, [](Tga& t) { t.width = 0; }), "read fault!"},
        {"zero height", Changed(good, [](Tga& t) { t.height = 0; }), "read fault!"},
        {"identification field past the end", idPastTheEnd, "read error!"},
        {"colour map cut short", Changed(Mapped(1, 16, 1, 1, {}), [](Tga& t) { t.map.resize(40); }),
         "read error!"},
        {"plain pixels one byte short", shortPixels, "read error!"},
        {"run-length without its last packet", Changed(rle, [](Tga& t) {
             t.width = 5;
         }), "read error!"},
        {"run-length literal cut short", Built(Of(10, 24, 3, 1, Cat({{0x02}, Bgr(A), Bgr(B), {1}}))),
         "read error!"},
        {"run-length packet header without its pixel", Built(Of(10, 24, 4, 2, Cat({{0x83}, Bgr(A), {0x83}}))),
         "read error!"},
        {"a huge picture from a few bytes", Changed(rle, [](Tga& t) {
             t.width = 65535;
             t.height = 65535;
         }), "read error!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRecordingBackend rec;
        Frame frame;
        EXPECT_FALSE(ReadTargaBytes(nullptr, c.bytes, frame));
        EXPECT_TRUE(frame.dib.empty());
        EXPECT_EQ(frame.width, 0);
        ASSERT_EQ(rec->errors.size(), 1u);
        EXPECT_EQ(rec->errors[0], c.message);
    }
}

TEST(TargaRead, PictureBeyondThePixelCapIsAMemoryError) {
    const size_t saved = MaxImagePixels;
    MaxImagePixels = 99;
    ScopedRecordingBackend rec;
    Frame frame;
    const bool ok = ReadTargaBytes(nullptr, Of(3, 8, 10, 10, std::vector<uint8_t>(100, 5)).Build(), frame);
    MaxImagePixels = saved;
    EXPECT_FALSE(ok);
    EXPECT_TRUE(frame.dib.empty());
    EXPECT_EQ(rec->errors, std::vector<std::string>{"memory error!"});
}

TEST(TargaRead, FilesAreReadWholeAndMissingOnesRefused) {
    test::TempFolder dir;
    const std::string path = dir.file("picture.tga");
    ASSERT_TRUE(test::WriteFile(path, Plain24(1, 2, 0x00, Cat({Bgr(A), Bgr(B)})).Build()));
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
        EXPECT_FALSE(ReadTarga(nullptr, bad, frame));
        EXPECT_TRUE(frame.dib.empty());
        EXPECT_EQ(rec->errors, std::vector<std::string>{"File Open Error"});
    }
}

}  // namespace
}  // namespace kivo
