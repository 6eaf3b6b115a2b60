// The GIF writer: what giflib decodes from our files, the exact bytes of the
// small blocks, the progress dialog, clean-up, and saving that never destroys the
// file already there.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <filesystem>
#include <vector>

#include "options/write_options.h"
#include "doc/dib.h"
#include "gif/gif_read_builder.h"
#include "gif/gif_reader.h"
#include "gif/gif_write_oracle.h"
#include "gif/gif_writer.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::MakeImage;
using test::OracleGif;
using test::OracleImage;

// A colour for index i that is unlike its neighbours.
Rgb Shade(int i) { return Rgb{uint8_t(i * 37), uint8_t(255 - i), uint8_t(i * 11 + 5)}; }

// Pixel colour i = f(x, y) drawn from `colors` shades.
template <typename F>
Frame& AddFrame(AnimDoc& doc, int width, int height, F f) {
    EXPECT_TRUE(AppendFrame(doc));
    Frame& fr = *doc.currentFrame;
    fr.width = width;
    fr.height = height;
    fr.dib = MakeImage(width, height, [&](int x, int y) { return Shade(f(x, y)); });
    fr.tempPalette = 1;
    return fr;
}

std::unique_ptr<AnimDoc> Doc(int width, int height) {
    auto doc = NewDocument();
    doc->screenWidth = width;
    doc->screenHeight = height;
    return doc;
}

class GifWriterTest : public testing::Test {
protected:
    WriteOptions options;

    std::vector<uint8_t> Save(AnimDoc& doc) {
        EXPECT_TRUE(WriteGif(nullptr, path, doc, options));
        EXPECT_TRUE(rec->errors.empty());
        return test::ReadFile(path);
    }

    ScopedRecordingBackend rec;
    test::TempFolder dir;
    std::string path = dir.file("out.gif");
};

Rgb DecodedColor(const OracleGif& gif, const OracleImage& img, int x, int y) {
    const Palette& pal = img.localPalette.empty() ? gif.globalPalette : img.localPalette;
    const size_t i = img.pixels[size_t(y) * size_t(img.width) + size_t(x)];
    return i < pal.size() ? pal[i] : Rgb{1, 2, 3};
}

// Every pixel giflib decodes has the colour of the frame's picture.
void ExpectSamePicture(const OracleGif& gif, const OracleImage& img, const Frame& frame) {
    ASSERT_EQ(img.width, frame.width);
    ASSERT_EQ(img.height, frame.height);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            ASSERT_EQ(DecodedColor(gif, img, x, y), test::PixelOf(frame.dib, x, y))
                << "at " << x << "," << y;
}

const test::OracleExtension* FindExtension(const std::vector<test::OracleExtension>& list, int fn) {
    for (const auto& e : list)
        if (e.function == fn) return &e;
    return nullptr;
}

TEST_F(GifWriterTest, GiflibDecodesEveryColourCount) {
    KIVO_SKIP_WITHOUT_GIFLIB();
    // Without a shared palette a frame of exactly 256 colours is kept exact too.
    options.UnifyPalette = 0;
    for (int colors : {2, 3, 4, 7, 16, 33, 100, 255, 256}) {
        SCOPED_TRACE(colors);
        auto doc = Doc(40, 30);
        Frame& f = AddFrame(*doc, 40, 30, [&](int x, int y) { return (x * 7 + y * 3) % colors; });
        Dib picture = f.dib;
        OracleGif gif = test::DecodeWithGiflib(Save(*doc));
        ASSERT_TRUE(gif.ok) << gif.error;
        ASSERT_EQ(gif.images.size(), 1u);
        EXPECT_EQ(doc->firstFrame->dib, picture);  // the picture itself is never touched
        ExpectSamePicture(gif, gif.images[0], *doc->firstFrame);
    }
}

TEST_F(GifWriterTest, AnimationWithPlacementTimingCommentsAndLoop) {
    KIVO_SKIP_WITHOUT_GIFLIB();
    auto doc = Doc(64, 48);
    doc->loopEnabled = 1;
    doc->loopCount = 3;
    doc->trailingComment = "the end";
    Frame& a = AddFrame(*doc, 64, 48, [](int x, int y) { return (x / 8 + y / 8) % 6; });
    a.delay = 25;
    a.comment = std::string(300, 'c');
    Frame& b = AddFrame(*doc, 20, 10, [](int x, int) { return 10 + x % 3; });
    b.left = 5;
    b.top = 7;
    b.disposal = 2;
    b.hasDelay = 0;
    b.delay = 0x1234;
    b.hasTransparency = 1;
    b.transparentRgb = Shade(11);
    options.MaxColors = 256;
    options.UnifyPalette = 0;  // the two frames keep palettes of their own

    OracleGif gif = test::DecodeWithGiflib(Save(*doc));
    ASSERT_TRUE(gif.ok) << gif.error;
    ASSERT_EQ(gif.images.size(), 2u);
    EXPECT_EQ(gif.width, 64);
    EXPECT_EQ(gif.height, 48);
    ExpectSamePicture(gif, gif.images[0], a);
    ExpectSamePicture(gif, gif.images[1], b);
    EXPECT_EQ(gif.images[1].left, 5);
    EXPECT_EQ(gif.images[1].top, 7);

    // Loop block, then the first frame's comment in 255 + 45 and its control block.
    const auto* loop = FindExtension(gif.images[0].extensions, 0xFF);
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop->data, (std::vector<uint8_t>{'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.',
                                                '0', 1, 3, 0}));
    const auto* comment = FindExtension(gif.images[0].extensions, 0xFE);
    ASSERT_TRUE(comment);
    EXPECT_EQ(comment->blockSizes, (std::vector<size_t>{255, 45}));
    EXPECT_EQ(std::string(comment->data.begin(), comment->data.end()), a.comment);
    const auto* gce = FindExtension(gif.images[0].extensions, 0xF9);
    ASSERT_TRUE(gce);
    EXPECT_EQ(gce->data, (std::vector<uint8_t>{0x00, 25, 0, 0}));

    // Disposal 2 (0x08), user input (0x02) and transparency (0x01) on the second.
    gce = FindExtension(gif.images[1].extensions, 0xF9);
    ASSERT_TRUE(gce);
    ASSERT_EQ(gce->data.size(), 4u);
    EXPECT_EQ(gce->data[0], 0x08 | 0x02 | 0x01);
    EXPECT_EQ(gce->data[1], 0x34);
    EXPECT_EQ(gce->data[2], 0x12);
    const Palette& pal = gif.images[1].localPalette.empty() ? gif.globalPalette
                                                            : gif.images[1].localPalette;
    ASSERT_LT(gce->data[3], pal.size());
    EXPECT_EQ(pal[gce->data[3]], Shade(11));
    EXPECT_EQ(b.gcePacked, 0x0B);

    const auto* trailing = FindExtension(gif.trailing, 0xFE);
    ASSERT_TRUE(trailing);
    EXPECT_EQ(std::string(trailing->data.begin(), trailing->data.end()), "the end");
}

TEST_F(GifWriterTest, LargeNoisyFrameOverflowsTheStringTable) {
    KIVO_SKIP_WITHOUT_GIFLIB();
    options.UnifyPalette = 0;
    auto doc = Doc(320, 200);
    uint32_t seed = 99;
    AddFrame(*doc, 320, 200, [&](int, int) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % 256);
    });
    OracleGif gif = test::DecodeWithGiflib(Save(*doc));
    ASSERT_TRUE(gif.ok) << gif.error;
    ExpectSamePicture(gif, gif.images[0], *doc->firstFrame);
}

TEST_F(GifWriterTest, OnlyTheFirstFrameIsInterlacedAndTheMarkIsClearedAfterwards) {
    KIVO_SKIP_WITHOUT_GIFLIB();
    auto doc = Doc(13, 21);
    for (int k = 0; k < 2; ++k) AddFrame(*doc, 13, 21, [&](int x, int y) { return (x + y * k) % 5; });
    options.Interlace = 1;
    OracleGif gif = test::DecodeWithGiflib(Save(*doc));
    ASSERT_TRUE(gif.ok) << gif.error;
    EXPECT_TRUE(gif.images[0].interlaced);
    EXPECT_FALSE(gif.images[1].interlaced);
    ExpectSamePicture(gif, gif.images[0], *doc->firstFrame);
    ExpectSamePicture(gif, gif.images[1], *doc->firstFrame->next);
    EXPECT_EQ(doc->firstFrame->imageFlags & 0x40, 0);
}

// Offsets into a file with a global table of n entries and no loop block.
size_t AfterGlobalTable(size_t n) { return 13 + 3 * n; }

TEST_F(GifWriterTest, BytesOfScreenTableAndCodeSize) {
    // Four colours: packed 0x81, a 12-byte table, image data with code size 2.
    auto doc = Doc(8, 4);
    doc->loopEnabled = 0;  // and no NETSCAPE block at all
    AddFrame(*doc, 8, 4, [](int x, int) { return x % 4; });
    auto bytes = Save(*doc);
    ASSERT_GT(bytes.size(), 40u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_EQ(bytes[6], 8);
    EXPECT_EQ(bytes[8], 4);
    EXPECT_EQ(bytes[10], 0x81);
    EXPECT_EQ(doc->screenFlags, 0x81);
    size_t p = AfterGlobalTable(4);
    EXPECT_EQ(bytes[p], 0x21);  // the control block follows the table directly
    EXPECT_EQ(bytes[p + 1], 0xF9);
    p += 8;
    ASSERT_EQ(bytes[p], 0x2C);
    EXPECT_EQ(bytes[p + 9], 0x01);  // no local table; size bits repeat the global ones
    EXPECT_EQ(bytes[p + 10], 2);    // LZW minimum code size
    EXPECT_EQ(bytes.back(), 0x3B);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find("NETSCAPE"), std::string::npos);

    // Two colours: still code size 2, never 1.
    auto two = Doc(5, 5);
    AddFrame(*two, 5, 5, [](int x, int y) { return (x + y) % 2; });
    bytes = Save(*two);
    EXPECT_EQ(bytes[10], 0x80);
    p = AfterGlobalTable(2) + 19;  // NETSCAPE block of a looping document
    ASSERT_EQ(bytes[AfterGlobalTable(2)], 0x21);
    EXPECT_EQ(bytes[AfterGlobalTable(2) + 1], 0xFF);
    p += 8;
    ASSERT_EQ(bytes[p], 0x2C);
    EXPECT_EQ(bytes[p + 9], 0x00);  // a one-bit global table, repeated
    EXPECT_EQ(bytes[p + 10], 2);
}

// Each image's descriptor packed byte and the LZW code-size byte after its
// descriptor (and local table), in file order.
struct WrittenImage {
    uint8_t packed = 0, codeSize = 0;
};
std::vector<WrittenImage> WrittenImages(const std::vector<uint8_t>& bytes) {
    std::vector<WrittenImage> images;
    size_t p = 13 + (bytes[10] & 0x80 ? 3 * (size_t(2) << (bytes[10] & 7)) : 0);
    while (p < bytes.size()) {
        if (bytes[p] == 0x21) {
            p += 2;
            while (bytes[p] != 0) p += bytes[p] + 1;
            ++p;
        } else if (bytes[p] == 0x2C) {
            const uint8_t packed = bytes[p + 9];
            p += 10 + (packed & 0x80 ? 3 * (size_t(2) << (packed & 7)) : 0);
            images.push_back({packed, bytes[p]});
            ++p;
            while (bytes[p] != 0) p += bytes[p] + 1;
            ++p;
        } else {
            break;
        }
    }
    return images;
}

uint8_t CodeSizeOfImage(const std::vector<uint8_t>& bytes, int n) {
    const std::vector<WrittenImage> images = WrittenImages(bytes);
    return size_t(n) < images.size() ? images[size_t(n)].codeSize : 0;
}

TEST_F(GifWriterTest, ImagesRepeatTheGlobalTableSizeAndSendCodesForTheirOwnPixels) {
    KIVO_SKIP_WITHOUT_GIFLIB();
    // The first frame sets the shared table's size; the others draw two
    // colours from its start or its end. Each descriptor must repeat the
    // header's size bits, and each code size must be the smallest (never
    // below 2) that sends the highest index giflib decodes from that image.
    for (int colors : {2, 3, 5, 9, 17, 40, 100, 200}) {
        SCOPED_TRACE(colors);
        auto doc = Doc(16, 16);
        AddFrame(*doc, 16, 16, [&](int x, int y) { return (y * 16 + x) % colors; });
        AddFrame(*doc, 8, 8, [](int x, int y) { return (x + y) % 2; });
        AddFrame(*doc, 8, 8, [&](int x, int) { return colors - 1 - x % 2; });
        const auto bytes = Save(*doc);
        const OracleGif gif = test::DecodeWithGiflib(bytes);
        ASSERT_TRUE(gif.ok) << gif.error;
        ASSERT_EQ(gif.images.size(), 3u);
        int tableBits = 1;
        while ((1 << tableBits) < colors) ++tableBits;
        EXPECT_EQ(bytes[10], 0x80 | (tableBits - 1));
        const std::vector<WrittenImage> written = WrittenImages(bytes);
        ASSERT_EQ(written.size(), 3u);
        for (size_t n = 0; n < 3; ++n) {
            SCOPED_TRACE(n);
            const OracleImage& img = gif.images[n];
            EXPECT_TRUE(img.localPalette.empty());
            EXPECT_EQ(written[n].packed, bytes[10] & 7);
            const int highest = *std::max_element(img.pixels.begin(), img.pixels.end());
            int codeBits = 2;
            while ((1 << codeBits) <= highest) ++codeBits;
            EXPECT_EQ(written[n].codeSize, codeBits);
            ExpectSamePicture(gif, img, *NthFrame(*doc, int(n)));
        }
    }
}

TEST_F(GifWriterTest, FramesDrawnFromFewCommonColoursSendShortCodes) {
    KIVO_SKIP_WITHOUT_GIFLIB();
    // A 100-colour first frame builds a 128-entry table; the later frames use
    // two colours that the first frame meets last, so that the document's own
    // order would give them 7-bit codes. The last one names a transparent colour
    // that none of its pixels has: its entry lies far up the table, and only the
    // control block refers to it.
    auto doc = Doc(20, 10);
    AddFrame(*doc, 20, 10, [](int x, int y) { return (y * 20 + x) % 100; });
    for (int k = 0; k < 3; ++k) AddFrame(*doc, 6, 4, [](int x, int) { return 98 + x % 2; });
    Frame& last = *doc->firstFrame->next->next->next;
    last.hasTransparency = 1;
    last.transparentRgb = Shade(50);
    const auto bytes = Save(*doc);
    const OracleGif gif = test::DecodeWithGiflib(bytes);
    ASSERT_TRUE(gif.ok) << gif.error;
    ASSERT_EQ(gif.images.size(), 4u);
    EXPECT_EQ(CodeSizeOfImage(bytes, 0), 7);
    for (int n = 1; n < 4; ++n) EXPECT_EQ(CodeSizeOfImage(bytes, n), 2) << n;
    const auto* gce = FindExtension(gif.images[3].extensions, 0xF9);
    ASSERT_NE(gce, nullptr);
    EXPECT_EQ(gce->data[0] & 1, 1);
    EXPECT_GE(gce->data[3], 4);
    EXPECT_EQ(gif.globalPalette[gce->data[3]], Shade(50));
    const Frame* f = doc->firstFrame.get();
    for (const OracleImage& img : gif.images) {
        EXPECT_TRUE(img.localPalette.empty());
        ExpectSamePicture(gif, img, *f);
        f = f->next.get();
    }
    // Only the file's table is rearranged: the document keeps its order, in
    // which the first frame's colours come as the frame meets them.
    ASSERT_EQ(doc->globalPalette.size(), 128u);
    EXPECT_EQ(doc->globalPalette[0], Shade(0));
    EXPECT_EQ(doc->globalPalette[99], Shade(99));
    EXPECT_NE(gif.globalPalette, doc->globalPalette);
}

// Counts, at every pump while frames are being written, the frames of doc that
// hold an index plane; the pumps then come between compressed batches.
struct PlaneWatcher : RecordingBackend {
    const AnimDoc* doc = nullptr;
    int most = -1;
    bool ProgressDialogPump() override {
        if (!texts.empty() && texts.back().rfind("GIF 書き込み中", 0) == 0) {
            int holding = 0;
            for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get())
                holding += !f->indexPixels.empty();
            most = std::max(most, holding);
        }
        return RecordingBackend::ProgressDialogPump();
    }
};

TEST_F(GifWriterTest, FramesOfExactColoursHoldNoIndexPlaneBetweenCompressions) {
    KIVO_SKIP_WITHOUT_GIFLIB();
    // Saving must not hold every frame's index plane at once: a frame that keeps
    // its exact colours gets one only while it is compressed.
    auto doc = Doc(24, 16);
    for (int k = 0; k < 20; ++k)
        AddFrame(*doc, 24, 16, [k](int x, int y) { return (x + y * 3 + k) % (4 + k % 5) + k; });
    Frame& clear = *doc->firstFrame->next;
    clear.hasTransparency = 1;
    clear.transparentRgb = Rgb{1, 2, 3};  // no pixel has it
    PlaneWatcher watcher;
    watcher.doc = doc.get();
    InstallPlatformBackend(&watcher);
    const bool saved = WriteGif(nullptr, path, *doc, options);
    InstallPlatformBackend(&*rec);
    ASSERT_TRUE(saved);
    EXPECT_TRUE(watcher.errors.empty());
    EXPECT_EQ(watcher.most, 0);
    const OracleGif gif = test::DecodeWithGiflib(test::ReadFile(path));
    ASSERT_TRUE(gif.ok) << gif.error;
    ASSERT_EQ(gif.images.size(), 20u);
    const Frame* f = doc->firstFrame.get();
    for (const OracleImage& img : gif.images) {
        ExpectSamePicture(gif, img, *f);
        f = f->next.get();
    }
}

TEST_F(GifWriterTest, ProgressTextsAndCleanUpAfterSuccess) {
    auto doc = Doc(10, 10);
    AddFrame(*doc, 10, 10, [](int x, int) { return x % 3; });
    AddFrame(*doc, 10, 10, [](int, int y) { return 3 + y % 5; });
    options.AlwaysDither = 1;
    Save(*doc);
    EXPECT_EQ(options.AlwaysDither, 0);
    EXPECT_EQ(rec->opens, 1);
    EXPECT_EQ(rec->closes, 1);
    ASSERT_GE(rec->texts.size(), 4u);
    EXPECT_EQ(rec->texts[0], "チェック中...");
    EXPECT_NE(std::find(rec->texts.begin(), rec->texts.end(), "GIF 書き込み中...\r    2 /    2 コマ"),
              rec->texts.end());
    EXPECT_EQ(rec->cancelLabel, "中止");
    for (Frame* f = doc->firstFrame.get(); f; f = f->next.get()) {
        EXPECT_TRUE(f->indexPixels.empty());
        EXPECT_TRUE(f->census.empty());
        EXPECT_EQ(f->colorCount, 0);
        if (f->tempPalette == 1) {
            EXPECT_TRUE(f->localPalette.empty());
        }
    }
}

TEST_F(GifWriterTest, TransparencyMissingFromThePaletteIsDroppedForTheFileOnly) {
    // Sixteen shared entries reserve at most eight transparent colours; the ninth
    // frame's colour gets none, so the file has no transparency for it while the
    // frame keeps it.
    options.MaxColors = 16;
    auto doc = Doc(32, 32);
    for (int k = 0; k < 9; ++k) {
        Frame& f = AddFrame(*doc, 32, 32, [&](int x, int y) { return (x + 3 * y + k) % 40; });
        f.hasTransparency = 1;
        f.transparentRgb = Rgb{1, 2, uint8_t(k)};  // not in the picture
    }
    auto bytes = Save(*doc);
    const Frame& last = *NthFrame(*doc, 8);
    EXPECT_EQ(last.hasTransparency, 1);
    EXPECT_EQ(last.transparentRgb, (Rgb{1, 2, 8}));
    EXPECT_EQ(last.gcePacked & 1, 0);
    EXPECT_EQ(NthFrame(*doc, 7)->gcePacked & 1, 1);
    KIVO_SKIP_WITHOUT_GIFLIB();
    OracleGif gif = test::DecodeWithGiflib(bytes);
    ASSERT_TRUE(gif.ok) << gif.error;
    ASSERT_EQ(gif.images.size(), 9u);
    const auto* gce = FindExtension(gif.images[8].extensions, 0xF9);
    ASSERT_TRUE(gce);
    EXPECT_EQ(gce->data[0] & 1, 0);
    EXPECT_EQ(gce->data[3], 0);
}

TEST_F(GifWriterTest, PlacesBeyondSixteenBitsFailInsteadOfWrapping) {
    // A descriptor holds 0..65535; anything further would land somewhere else.
    struct Case {
        int left, top;
    };
    for (const Case c : {Case{65536, 0}, Case{0, 70000}}) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top);
        rec->errors.clear();
        auto doc = Doc(4, 4);
        Frame& f = AddFrame(*doc, 2, 2, [](int x, int) { return x; });
        f.left = c.left;
        f.top = c.top;
        EXPECT_EQ(SaveGif(nullptr, path, *doc, options), DocumentSaveError::kWriteFailed);
        EXPECT_EQ(WriteSingleFrameGif(path, *doc, f, true, options), DocumentSaveError::kWriteFailed);
        EXPECT_TRUE(rec->errors.empty());
        EXPECT_FALSE(WriteGif(nullptr, path, *doc, options));
        EXPECT_EQ(rec->errors, (std::vector<std::string>{"書き込みに失敗しました。"}));
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_FALSE(WriteSingleFrameGif(nullptr, path, *doc, f, true, options));
        EXPECT_EQ(rec->errors, (std::vector<std::string>{"書き込みに失敗しました。", "書き込みに失敗しました。"}));
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    // The largest place still fits.
    auto doc = Doc(4, 4);
    Frame& f = AddFrame(*doc, 1, 1, [](int, int) { return 0; });
    f.left = 65535;
    f.top = 65535;
    ASSERT_TRUE(WriteGif(nullptr, path, *doc, options));
    auto back = ReadGif(nullptr, path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->firstFrame->left, 65535);
    EXPECT_EQ(back->firstFrame->top, 65535);
}

TEST_F(GifWriterTest, PartsLeftOfOrAboveTheScreenAreLeftOutOfTheFile) {
    // An MNG may place frames at negative places; nothing there ever shows, and
    // a descriptor cannot hold it. The rest of the frame is written where it is
    // seen; a frame with nothing on the screen becomes one transparent pixel.
    struct Case {
        const char* what;
        int left, top, width, height;
        int writtenLeft, writtenTop, writtenWidth, writtenHeight;
    };
    const Case cases[] = {
        {"left part off", -2, 1, 5, 3, 0, 1, 3, 3},
        {"top part off", 3, -4, 4, 6, 3, 0, 4, 2},
        {"corner off", -1, -1, 3, 3, 0, 0, 2, 2},
        {"wholly left of the screen", -40000, 2, 5, 5, 0, 2, 1, 1},
        {"wholly above, at the lowest 32-bit place", 1, INT32_MIN, 5, 5, 1, 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = Doc(8, 6);
        AddFrame(*doc, 8, 6, [](int, int) { return 0; });
        Frame& f = AddFrame(*doc, c.width, c.height, [](int x, int y) { return 1 + (x * 3 + y) % 7; });
        f.left = c.left;
        f.top = c.top;
        const auto bytes = Save(*doc);
        EXPECT_EQ(std::make_pair(f.left, f.width), std::make_pair(c.left, c.width));  // the document keeps it
        auto back = ReadGif(nullptr, path);
        ASSERT_TRUE(back);
        const Frame& b = *back->firstFrame->next;
        EXPECT_EQ(std::vector<int>({b.left, b.top, b.width, b.height}),
                  std::vector<int>({c.writtenLeft, c.writtenTop, c.writtenWidth, c.writtenHeight}));
        const bool standIn = c.writtenWidth == 1 && c.width != 1;
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x) {
                const Rgb want = standIn ? b.transparentRgb
                                         : test::PixelOf(f.dib, x + c.writtenLeft - c.left, y + c.writtenTop - c.top);
                ASSERT_EQ(test::PixelOf(b.dib, x, y), want) << x << "," << y;
            }
        EXPECT_EQ(b.hasTransparency, standIn ? 1 : 0);

        ASSERT_TRUE(WriteSingleFrameGif(nullptr, dir.file("one.gif"), *doc, f, true, options));
        auto single = ReadGif(nullptr, dir.file("one.gif"));
        ASSERT_TRUE(single);
        EXPECT_EQ(single->firstFrame->width, c.writtenWidth);
        if (!test::kHaveGiflib) continue;
        const OracleGif gif = test::DecodeWithGiflib(bytes);
        ASSERT_TRUE(gif.ok) << gif.error;
    }
    KIVO_SKIP_WITHOUT_GIFLIB();
}

TEST_F(GifWriterTest, FramesWithoutPixelsAreWrittenAsOneTransparentPixel) {
    // Such frames read from a file keep their place, timing and zero size. giflib
    // and others refuse a side of 0, so each is written as one pixel that shows
    // nothing; clearing to the background would clear that pixel, so it leaves.
    struct Case {
        const char* what;
        int width, height, disposal, transparent, writtenDisposal;
    };
    const Case cases[] = {
        {"5x0", 5, 0, 0, -1, 0},
        {"0x3 clearing to the background", 0, 3, 2, -1, 1},
        {"0x0 with a transparent colour, restoring", 0, 0, 3, 2, 3},
    };
    const Palette pal = test::TestPalette(4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::GifBuilder g;
        g.Header(8, 8, pal).Image(0, 0, 8, 8, test::LiteralImageData(2, std::vector<uint8_t>(64, 1)));
        g.Control(c.disposal << 2 | (c.transparent >= 0), 30, std::max(c.transparent, 0));
        g.Image(3, 4, c.width, c.height, test::ImageData(2, test::PackCodes(2, {4, 5})));
        auto doc = ReadGifBytes(nullptr, g.Trailer().Done());
        ASSERT_TRUE(doc);
        Frame& empty = *doc->firstFrame->next;
        ASSERT_EQ(empty.width, c.width);
        ASSERT_EQ(empty.height, c.height);

        const auto bytes = Save(*doc);
        EXPECT_EQ(empty.width, c.width);  // the document keeps the frame as it was
        auto back = ReadGif(nullptr, path);
        ASSERT_TRUE(back);
        ASSERT_EQ(back->frameCount, 2);
        const Frame& stand = *back->firstFrame->next;
        EXPECT_EQ(stand.left, 3);
        EXPECT_EQ(stand.top, 4);
        EXPECT_EQ(stand.width, 1);
        EXPECT_EQ(stand.height, 1);
        EXPECT_EQ(stand.delay, 30);
        EXPECT_EQ(stand.disposal, c.writtenDisposal);
        EXPECT_EQ(stand.hasTransparency, 1);
        EXPECT_EQ(test::PixelOf(stand.dib, 0, 0), stand.transparentRgb);
        if (c.transparent >= 0) {
            EXPECT_EQ(stand.transparentRgb, pal[size_t(c.transparent)]);
        }

        ASSERT_TRUE(WriteSingleFrameGif(nullptr, dir.file("one.gif"), *doc, empty, true, options));
        auto single = ReadGif(nullptr, dir.file("one.gif"));
        ASSERT_TRUE(single);
        EXPECT_EQ(single->firstFrame->width, 1);
        EXPECT_EQ(single->firstFrame->hasTransparency, 1);

        if (!test::kHaveGiflib) continue;
        for (const auto& file : {bytes, test::ReadFile(dir.file("one.gif"))}) {
            OracleGif gif = test::DecodeWithGiflib(file);
            ASSERT_TRUE(gif.ok) << gif.error;
            const OracleImage& img = gif.images.back();
            EXPECT_EQ(img.width, 1);
            EXPECT_EQ(img.height, 1);
            const auto* gce = FindExtension(img.extensions, 0xF9);
            ASSERT_TRUE(gce);
            EXPECT_EQ(gce->data[0] & 1, 1);
            EXPECT_EQ(img.pixels, std::vector<uint8_t>{gce->data[3]});
        }
    }
    KIVO_SKIP_WITHOUT_GIFLIB();
}

TEST_F(GifWriterTest, CancelAndOpenFailureLeaveTheOldFile) {
    auto makeDoc = [] {
        auto doc = Doc(10, 10);
        for (int k = 0; k < 3; ++k) AddFrame(*doc, 10, 10, [&](int x, int) { return (x + k) % 4; });
        return doc;
    };
    options.AlwaysDither = 1;
    ASSERT_TRUE(WriteGif(nullptr, path, *makeDoc(), options));
    const int pumpsOfASave = rec->pumps;

    ASSERT_TRUE(test::WriteFile(path, {'o', 'l', 'd'}));
    auto doc = makeDoc();
    rec->pumps = 0;
    rec->cancelAtPump = pumpsOfASave;  // the last frame's pump
    options.AlwaysDither = 1;
    EXPECT_FALSE(WriteGif(nullptr, path, *doc, options));
    EXPECT_TRUE(rec->errors.empty());  // a cancel is not an error
    EXPECT_EQ(options.AlwaysDither, 1);
    EXPECT_EQ(test::ReadFile(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    for (Frame* f = doc->firstFrame.get(); f; f = f->next.get()) {
        EXPECT_TRUE(f->indexPixels.empty());
        EXPECT_TRUE(f->localPalette.empty());
    }

    EXPECT_FALSE(WriteGif(nullptr, dir.file("missing/out.gif"), *doc, options));
    EXPECT_EQ(rec->errors, (std::vector<std::string>{"ファイルオープンに失敗しました。"}));
    EXPECT_EQ(SaveGif(nullptr, dir.file("missing/out.gif"), *doc, options), DocumentSaveError::kOpenFailed);
    EXPECT_EQ(WriteSingleFrameGif(dir.file("missing/one.gif"), *doc, *doc->firstFrame, true, options),
              DocumentSaveError::kOpenFailed);
}

TEST_F(GifWriterTest, FullDiskLeavesTheOldFileIntact) {
    const std::vector<uint8_t> old(100, 'x');
    ASSERT_TRUE(test::WriteFile(path, old));
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The child may write no file beyond 4 KiB, as if the disk were full.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        auto doc = Doc(200, 200);
        uint32_t seed = 5;
        AddFrame(*doc, 200, 200, [&](int, int) {
            seed = seed * 1103515245u + 12345u;
            return int((seed >> 16) % 200);
        });
        bool ok = WriteGif(nullptr, path, *doc, options);
        bool message = rec->errors == std::vector<std::string>{"書き込みに失敗しました。"};
        _exit(!ok && message ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::ReadFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(GifWriterTest, SingleFrameFile) {
    auto doc = Doc(30, 20);
    Frame& f = AddFrame(*doc, 10, 8, [](int x, int y) { return (x * y) % 3; });
    f.left = 4;
    f.top = 2;
    f.comment = "one";
    options.Interlace = 1;
    ASSERT_TRUE(WriteSingleFrameGif(nullptr, path, *doc, f, true, options));
    EXPECT_EQ(f.imageFlags & 0x40, 0);
    EXPECT_TRUE(f.indexPixels.empty());
    auto bytes = test::ReadFile(path);
    ASSERT_GT(bytes.size(), 13u);
    EXPECT_EQ(bytes[6], 30);
    EXPECT_EQ(bytes[8], 20);
    EXPECT_EQ(bytes[10] & 0x80, 0);  // no global table
    EXPECT_EQ(bytes[13], 0x21);
    EXPECT_EQ(bytes[14], 0xFE);

    options.AlwaysDither = 1;
    ASSERT_TRUE(WriteSingleFrameGif(nullptr, path, *doc, f, true, options));
    EXPECT_EQ(options.AlwaysDither, 0);

    // An existing file without permission to overwrite stays and counts as done.
    ASSERT_TRUE(test::WriteFile(path, {'k'}));
    EXPECT_TRUE(WriteSingleFrameGif(nullptr, path, *doc, f, false, options));
    EXPECT_EQ(test::ReadFile(path), std::vector<uint8_t>{'k'});
    EXPECT_TRUE(rec->errors.empty());

    KIVO_SKIP_WITHOUT_GIFLIB();
    OracleGif gif = test::DecodeWithGiflib(bytes);
    ASSERT_TRUE(gif.ok) << gif.error;
    ASSERT_EQ(gif.images.size(), 1u);
    EXPECT_TRUE(gif.images[0].interlaced);
    EXPECT_FALSE(gif.images[0].localPalette.empty());
    EXPECT_EQ(gif.images[0].left, 4);
    ExpectSamePicture(gif, gif.images[0], f);
}

TEST_F(GifWriterTest, SingleFrameFileGivesTheFrameItsTransparencyBack) {
    // A kept PNG palette without a transparent entry writes the file without
    // transparency; the frame itself must keep both its flag and its colour.
    auto doc = Doc(4, 2);
    Frame& f = AddFrame(*doc, 4, 2, [](int x, int) { return x; });
    f.pngPalette = {Shade(0), Shade(1), Shade(2), Shade(3)};
    f.pngIndexPixels = {0, 1, 2, 3, 0, 1, 2, 3};
    f.hasTransparency = 1;
    f.transparentRgb = Shade(2);
    options.KeepPngPalette = 1;
    options.TransparentIndex = -1;
    ASSERT_TRUE(WriteSingleFrameGif(nullptr, path, *doc, f, true, options));
    EXPECT_EQ(f.hasTransparency, 1);
    EXPECT_EQ(f.transparentRgb, Shade(2));
    EXPECT_EQ(f.gcePacked & 1, 0);
    auto bytes = test::ReadFile(path);
    ASSERT_GT(bytes.size(), 13u + 6 + 4);
    // Screen, a 4-entry local table only in the descriptor, so the control block
    // follows the screen directly.
    ASSERT_EQ(bytes[13], 0x21);
    ASSERT_EQ(bytes[14], 0xF9);
    EXPECT_EQ(bytes[16] & 1, 0);
}

}  // namespace
}  // namespace kivo
