// The APNG reader on hand-built files: what each chunk maps to in the
// document, and each kind of damage refused with its own message. Also the
// content tests that pick a file's format whatever its name.
#include <gtest/gtest.h>

#include <zlib.h>

#include <functional>
#include <string>

#include "apng/apng_reader.h"
#include "apng/apng_writer.h"
#include "doc/dib.h"
#include "io/file_formats.h"
#include "png/chunk_writer.h"
#include "render/compositor.h"
#include "support/animation_builder.h"
#include "support/test_support.h"

namespace kivo::test {
namespace {

std::vector<uint8_t> Be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

// The zlib stream of an 8-bit palette picture of width x height, every pixel index.
std::vector<uint8_t> PaletteData(uint32_t width, uint32_t height, uint8_t index) {
    std::vector<uint8_t> raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), width, index);
    }
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<uint8_t> out(size);
    compress(out.data(), &size, raw.data(), uLong(raw.size()));
    out.resize(size);
    return out;
}

struct FrameSpecBytes {
    uint32_t width = 2, height = 2, x = 0, y = 0;
    uint16_t num = 1, den = 10;
    uint8_t dispose = 0, blend = 0;
    uint8_t index = 1;
};

std::vector<uint8_t> FrameControl(uint32_t sequence, const FrameSpecBytes& f) {
    std::vector<uint8_t> d;
    for (uint32_t v : {sequence, f.width, f.height, f.x, f.y}) {
        auto b = Be32(v);
        d.insert(d.end(), b.begin(), b.end());
    }
    d.insert(d.end(), {uint8_t(f.num >> 8), uint8_t(f.num), uint8_t(f.den >> 8), uint8_t(f.den), f.dispose, f.blend});
    return d;
}

// A 4x4 APNG with an 8-bit palette (0 transparent, 1 red, 2 blue) and the given
// frames; the first frame's data is IDAT, unless withDefault puts a default
// picture in front of all frames.
std::vector<uint8_t> Apng(const std::vector<FrameSpecBytes>& frames, uint32_t plays = 0, bool withDefault = false) {
    std::vector<uint8_t> png = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<uint8_t> ihdr = Be32(4);
    auto h = Be32(4);
    ihdr.insert(ihdr.end(), h.begin(), h.end());
    ihdr.insert(ihdr.end(), {8, 3, 0, 0, 0});
    PutChunk(png, "IHDR", ihdr);
    std::vector<uint8_t> actl = Be32(uint32_t(frames.size()));
    auto p = Be32(plays);
    actl.insert(actl.end(), p.begin(), p.end());
    PutChunk(png, "acTL", actl);
    PutChunk(png, "PLTE", std::vector<uint8_t>{0, 0, 0, 255, 0, 0, 0, 0, 255});
    PutChunk(png, "tRNS", std::vector<uint8_t>{0});
    uint32_t sequence = 0;
    if (withDefault) PutChunk(png, "IDAT", PaletteData(4, 4, 2));
    for (size_t i = 0; i < frames.size(); ++i) {
        PutChunk(png, "fcTL", FrameControl(sequence++, frames[i]));
        const std::vector<uint8_t> data = PaletteData(frames[i].width, frames[i].height, frames[i].index);
        if (i == 0 && !withDefault) {
            PutChunk(png, "IDAT", data);
        } else {
            std::vector<uint8_t> d = Be32(sequence++);
            d.insert(d.end(), data.begin(), data.end());
            PutChunk(png, "fdAT", d);
        }
    }
    PutChunk(png, "IEND", {});
    return png;
}

TEST(ApngReader, DelaysRoundToHundredths) {
    const struct {
        uint16_t num, den;
        int32_t hundredths;
    } cases[] = {
        {1, 10, 10}, {0, 0, 0}, {7, 0, 7}, {1, 1, 100}, {1, 3, 33}, {2, 3, 67},
        {55, 1000, 6}, {54, 1000, 5}, {1, 1000, 0}, {65535, 1, 6553500}, {1, 200, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApngDelayToHundredths(c.num, c.den), c.hundredths) << c.num << "/" << c.den;
}

TEST(ApngReader, FramesKeepPlacementTimingAndDisposal) {
    const std::vector<FrameSpecBytes> frames = {
        {.width = 4, .height = 4, .num = 1, .den = 10, .dispose = 2},    // previous on the first frame: clear
        {.width = 2, .height = 1, .x = 2, .y = 3, .num = 3, .den = 0, .dispose = 1, .blend = 1, .index = 2},
        {.width = 1, .height = 2, .x = 1, .y = 1, .num = 1, .den = 3, .dispose = 2, .blend = 1, .index = 0},
        {.width = 3, .height = 3, .x = 1, .y = 0, .num = 250, .den = 1000, .dispose = 0},
    };
    const struct {
        uint32_t plays;
        bool withDefault;
        int32_t loopEnabled, loopCount;
    } variants[] = {{0, false, 1, 0}, {1, true, 0, 0}, {4, false, 1, 3}};
    for (const auto& v : variants) {
        SCOPED_TRACE("plays " + std::to_string(v.plays));
        ApngReadError error;
        std::unique_ptr<AnimDoc> doc = ReadApngBytes(Apng(frames, v.plays, v.withDefault), {}, error);
        ASSERT_TRUE(doc) << ApngReadMessage(error);
        EXPECT_EQ(doc->screenWidth, 4);
        EXPECT_EQ(doc->loopEnabled, v.loopEnabled);
        EXPECT_EQ(doc->loopCount, v.loopCount);
        // The default picture is not a frame.
        ASSERT_EQ(doc->frameCount, 4);
        const struct {
            int left, top, width, height, delay, disposal;
            bool transparent;
        } want[] = {
            {0, 0, 4, 4, 10, 2, false}, {2, 3, 2, 1, 3, 2, false}, {1, 1, 1, 2, 33, 3, true}, {1, 0, 3, 3, 25, 1, false},
        };
        int i = 0;
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            EXPECT_EQ(f->left, want[i].left);
            EXPECT_EQ(f->top, want[i].top);
            EXPECT_EQ(f->width, want[i].width);
            EXPECT_EQ(f->height, want[i].height);
            EXPECT_EQ(f->delay, want[i].delay);
            EXPECT_EQ(f->disposal, want[i].disposal);
            EXPECT_EQ(f->hasTransparency != 0, want[i].transparent);
        }
    }
}

// Blend "source" with transparent pixels clears what is below them; the
// document gets an empty frame of no time that clears the area first.
TEST(ApngReader, SourceBlendClearsBelowTransparentPixels) {
    const std::vector<FrameSpecBytes> frames = {
        {.width = 4, .height = 4, .index = 1},
        {.width = 2, .height = 2, .x = 1, .y = 1, .num = 2, .den = 10, .blend = 0, .index = 0},
    };
    ApngReadError error;
    std::unique_ptr<AnimDoc> doc = ReadApngBytes(Apng(frames), {}, error);
    ASSERT_TRUE(doc) << ApngReadMessage(error);
    const std::vector<Shown> shown = Playback(*doc);
    ASSERT_FALSE(shown.empty());
    const std::vector<uint32_t>& last = shown.back().screen;
    EXPECT_EQ(last[1 * 4 + 1], 0u);
    EXPECT_EQ(last[2 * 4 + 2], 0u);
    EXPECT_EQ(last[0], ScreenPixel(Rgb{255, 0, 0}));
    EXPECT_EQ(shown.back().time, 20);
}

std::vector<uint8_t> Damaged(const std::function<void(std::vector<uint8_t>&)>& damage,
                             std::vector<FrameSpecBytes> frames = {{.width = 4, .height = 4}}) {
    std::vector<uint8_t> bytes = Apng(frames);
    damage(bytes);
    return bytes;
}

size_t Find(const std::vector<uint8_t>& bytes, const char* type) {
    for (size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (std::equal(type, type + 4, bytes.begin() + long(i))) return i;
    return bytes.size();
}

// Rewrites a chunk's data (found by type) and its CRC.
void Patch(std::vector<uint8_t>& bytes, const char* type, size_t offset, std::vector<uint8_t> with) {
    const size_t at = Find(bytes, type);
    const uint32_t length = uint32_t(bytes[at - 4]) << 24 | uint32_t(bytes[at - 3]) << 16 | uint32_t(bytes[at - 2]) << 8 | bytes[at - 1];
    std::copy(with.begin(), with.end(), bytes.begin() + long(at + 4 + offset));
    const uint32_t crc = uint32_t(crc32(0, bytes.data() + at, uInt(length + 4)));
    auto c = Be32(crc);
    std::copy(c.begin(), c.end(), bytes.begin() + long(at + 4 + length));
}

TEST(ApngReader, RefusesDamagedFiles) {
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        ApngFault fault;
    } cases[] = {
        {"empty", {}, ApngFault::kNotPng},
        {"gif", {'G', 'I', 'F', '8', '9', 'a', 0, 0}, ApngFault::kNotPng},
        {"cut in a chunk", Damaged([](auto& b) { b.resize(b.size() - 30); }), ApngFault::kBadChunk},
        {"bad crc", Damaged([](auto& b) { b[Find(b, "fcTL") + 10] ^= 1; }), ApngFault::kBadChunk},
        {"no acTL", Damaged([](auto& b) { b[Find(b, "acTL") + 1] = 'b'; Patch(b, "abTL", 0, {}); }),
         ApngFault::kNotAnimated},
        {"zero width", Damaged([](auto& b) { Patch(b, "fcTL", 4, Be32(0)); }), ApngFault::kBadFrameControl},
        {"unknown dispose", Damaged([](auto& b) { Patch(b, "fcTL", 24, {3}); }), ApngFault::kBadFrameControl},
        {"unknown blend", Damaged([](auto& b) { Patch(b, "fcTL", 25, {2}); }), ApngFault::kBadFrameControl},
        {"past the canvas", Damaged([](auto& b) { Patch(b, "fcTL", 12, Be32(1)); }), ApngFault::kFrameOutside},
        {"offset wraps", Damaged([](auto& b) { Patch(b, "fcTL", 16, Be32(0xFFFFFFFF)); }), ApngFault::kFrameOutside},
        {"no frame data", Damaged([](auto& b) { b[Find(b, "IDAT") + 1] = 'd'; Patch(b, "IdAT", 0, {}); }),
         ApngFault::kFrameWithoutData},
        {"bad bit depth", Damaged([](auto& b) { Patch(b, "IHDR", 8, {7}); }), ApngFault::kFrameImage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ApngReadError error;
        EXPECT_FALSE(ReadApngBytes(c.bytes, {}, error));
        EXPECT_EQ(error.fault, c.fault);
        EXPECT_FALSE(ApngReadMessage(error).empty());
    }
}

// Frames announced beyond the pixel limit are refused before their pictures
// are made: many frames of the whole canvas, each from a few bytes.
TEST(ApngReader, RefusesTooManyPixelsBeforeDecoding) {
    const size_t saved = MaxImagePixels;
    MaxImagePixels = 16;  // four 4x4 frames reach the limit of four pictures
    std::vector<FrameSpecBytes> frames(5, FrameSpecBytes{.width = 4, .height = 4});
    ApngReadError error;
    EXPECT_FALSE(ReadApngBytes(Apng(frames), {}, error));
    MaxImagePixels = saved;
    EXPECT_EQ(error.fault, ApngFault::kTooLarge);
}

// The format by content, whatever the name; a name only where no content test
// knows the bytes.
TEST(FileFormatSniffing, ContentBeforeName) {
    TempFolder dir;
    std::unique_ptr<AnimDoc> anim = RandomAnimation(3);
    std::vector<uint8_t> apng;
    ASSERT_EQ(EncodeApng(*anim, apng), ApngWriteError::kNone);
    std::vector<uint8_t> still = apng;
    still.erase(still.begin() + long(Find(still, "acTL") - 4), still.begin() + long(Find(still, "acTL") + 16));
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* format;  // nullptr: none
    } cases[] = {
        {"anim.png", apng, "APNG"},
        {"anim.gif", apng, "APNG"},
        {"anim", apng, "APNG"},
        {"still.apng", still, "PNG"},
        {"chat.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, "GIF"},
        {"chat.png", {0x8A, 'M', 'N', 'G', 13, 10, 26, 10}, "MNG"},
        {"photo.gif", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}, "JPEG"},
        {"video.gif", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' ', 'L', 'I', 'S', 'T'}, "AVI"},
        {"clip.gif", {0, 0, 0, 0x20, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm'}, "MP4"},
        {"sent.gif", {0x1A, 0x45, 0xDF, 0xA3, 0x9F, 0x42, 0x86, 0x81}, "WebM"},
        {"picture.tga", {0, 0, 2, 0, 0, 0, 0, 0}, "Targa"},
        {"unknown.xyz", {1, 2, 3}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(WriteFile(path, c.bytes));
        const FileFormat* f = DetectFileFormat(path);
        if (!c.format) {
            EXPECT_EQ(f, nullptr);
            continue;
        }
        ASSERT_NE(f, nullptr) << "expected " << c.format;
        EXPECT_EQ(f->name, c.format);
    }
}

}  // namespace
}  // namespace kivo::test
