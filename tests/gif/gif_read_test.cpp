// The GIF animation reader on hand-built files: document fields, frames, the
// messages and progress texts, and hostile input.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "options/write_options.h"
#include "doc/dib.h"
#include "gif/gif_reader.h"
#include "gif_read_builder.h"
#include "platform/recording_backend.h"

namespace kivo::test {
namespace {

std::vector<uint8_t> Pixels(int n, int modulo) {
    std::vector<uint8_t> p;
    for (int i = 0; i < n; ++i) p.push_back(uint8_t((i * 5 + i / 3) % modulo));
    return p;
}

// The frame's picture against indices into a palette, top row first.
void ExpectPicture(const Frame& f, const Palette& pal, const std::vector<uint8_t>& idx) {
    ASSERT_EQ(DibWidth(f.dib), f.width);
    ASSERT_EQ(DibHeight(f.dib), f.height);
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
            ASSERT_EQ(PixelOf(f.dib, x, y), pal[idx[size_t(y * f.width + x)]]) << x << "," << y;
}

std::unique_ptr<AnimDoc> Read(const std::vector<uint8_t>& bytes) { return ReadGifBytes(nullptr, bytes); }

TEST(GifReader, PlainImagesBecomeFramesWithDefaults) {
    ScopedRecordingBackend rec;
    const Palette pal = TestPalette(16);
    GifBuilder g;
    g.Header(10, 6, pal);
    for (int i = 0; i < 3; ++i) g.Image(i, 0, 4, 3, LiteralImageData(4, Pixels(12, 16 - i)));
    auto doc = Read(g.Trailer().Done());
    ASSERT_TRUE(doc);
    EXPECT_TRUE(rec->errors.empty());
    EXPECT_EQ(doc->frameCount, 3);
    EXPECT_EQ(doc->currentFrame, doc->firstFrame.get());
    EXPECT_EQ(doc->currentIndex, 0);
    EXPECT_EQ(doc->loopEnabled, 0);
    EXPECT_EQ(doc->ticksPerSecond, 100);
    EXPECT_EQ(doc->globalPalette, pal);
    EXPECT_EQ(doc->screenWidth, 10);
    int i = 0;
    for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get(), ++i) {
        EXPECT_EQ(f->hasDelay, 1);
        EXPECT_EQ(f->delay, 10);
        EXPECT_EQ(f->disposal, 0);
        EXPECT_EQ(f->hasTransparency, 0);
        EXPECT_EQ(f->left, i);
        EXPECT_EQ(FrameStride(*f), 12);
        ExpectPicture(*f, pal, Pixels(12, 16 - i));
    }
    // The dialog: title, texts and one counted line per image, then closed.
    EXPECT_EQ(rec->titles, std::vector<std::string>{"Kivo 読み込み中..."});
    ASSERT_EQ(rec->texts.size(), 4u);
    EXPECT_EQ(rec->texts[0], "GIF 読み取り中...");
    EXPECT_EQ(rec->texts[3], "GIF 読み取り中...\r    3 コマ");
    EXPECT_EQ(rec->cancelLabel, "中止");
    EXPECT_EQ(rec->closes, 1);
}

TEST(GifReader, ControlBlocksSetTimingDisposalAndTransparency) {
    ScopedRecordingBackend rec;
    const Palette global = TestPalette(4), local = TestPalette(8);
    auto data = LiteralImageData(2, {0, 1, 2, 3});
    GifBuilder g;
    g.Header(2, 2, global);
    g.Control(0x08 | 0x02 | 0x01, 0x8000, 2).Image(0, 0, 2, 2, data);  // background, user input
    g.Control(0x0C, 7, 9).Control(0x01, 5, 3).Image(0, 0, 2, 2, LiteralImageData(3, {0, 1, 2, 3}), local);
    g.Control(0x01, 1, 200).Image(0, 0, 2, 2, data);  // index beyond the palette
    auto doc = Read(g.Trailer().Done());
    ASSERT_TRUE(doc);
    const Frame* f = doc->firstFrame.get();
    EXPECT_EQ(f->delay, -32768);
    EXPECT_EQ(f->disposal, 2);
    EXPECT_EQ(f->hasDelay, 0);
    EXPECT_EQ(f->hasTransparency, 1);
    EXPECT_EQ(f->transparentRgb, global[2]);
    f = f->next.get();  // the second control block before the image wins
    EXPECT_EQ(f->delay, 5);
    EXPECT_EQ(f->disposal, 0);
    EXPECT_EQ(f->transparentRgb, local[3]);
    EXPECT_EQ(f->localPalette.size(), 8u);
    f = f->next.get();
    EXPECT_EQ(f->hasTransparency, 1);
    EXPECT_EQ(f->transparentRgb, Rgb{});
}

TEST(GifReader, CommentsAreJoinedAndATrailingOneMovesToTheDocument) {
    ScopedRecordingBackend rec;
    const Palette pal = TestPalette(4);
    GifBuilder g;
    g.Header(1, 1, pal).Loop(0);
    g.Comment({"ab", "cd"}).Comment({std::string("ef\0gh", 5)}).Image(0, 0, 1, 1, LiteralImageData(2, {1}));
    g.Image(0, 0, 1, 1, LiteralImageData(2, {2})).Comment({"the end"});
    auto doc = Read(g.Trailer().Done());
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->frameCount, 2);
    EXPECT_EQ(doc->loopEnabled, 1);
    EXPECT_EQ(doc->loopCount, 0);
    EXPECT_EQ(doc->firstFrame->comment, "abcdef");  // a sub-block is text up to a zero byte
    ASSERT_EQ(doc->firstFrame->textKeys.size(), 1u);
    EXPECT_EQ(doc->firstFrame->textKeys[0].key, "Comment");
    EXPECT_EQ(doc->trailingComment, "the end");
    ASSERT_EQ(doc->textKeys.size(), 1u);
    EXPECT_EQ(doc->textKeys[0].text, "the end");
    EXPECT_FALSE(doc->firstFrame->next->next);
}

TEST(GifReader, BlocksAfterAnImageBeginTheNextFrame) {
    // Control blocks and comments go to the frame of the image that follows
    // them. After the last image a comment is the document's, and a control
    // block goes with the imageless frame it began.
    struct Case {
        const char* name;
        std::string blocks;  // I image, C control block (delays 20, 21, ...), M comment (m0, m1, ...)
        std::vector<std::pair<int, std::string>> frames;  // delay, comment
        std::string trailing;
    };
    const Case cases[] = {
        {"control block between images", "ICI", {{10, ""}, {20, ""}}, ""},
        {"comment between images", "IMI", {{10, ""}, {10, "m0"}}, ""},
        {"both before each image", "CIMCI", {{20, ""}, {21, "m0"}}, ""},
        {"three frames, comments between", "IMIMI", {{10, ""}, {10, "m0"}, {10, "m1"}}, ""},
        {"comment after the last image", "IMIM", {{10, ""}, {10, "m0"}}, "m1"},
        {"control block after the last image", "IIC", {{10, ""}, {10, ""}}, ""},
        {"control block and comment after the last image", "ICM", {{10, ""}}, "m0"},
    };
    const Palette pal = TestPalette(4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRecordingBackend rec;
        GifBuilder g;
        g.Header(1, 1, pal);
        int controls = 0, comments = 0;
        for (char block : c.blocks) {
            if (block == 'I') g.Image(0, 0, 1, 1, LiteralImageData(2, {1}));
            if (block == 'C') g.Control(0, 20 + controls++, 0);
            if (block == 'M') g.Comment({"m" + std::to_string(comments++)});
        }
        auto doc = Read(g.Trailer().Done());
        ASSERT_TRUE(doc);
        EXPECT_TRUE(rec->errors.empty());
        std::vector<std::pair<int, std::string>> frames;
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get()) frames.emplace_back(f->delay, f->comment);
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(doc->frameCount, int32_t(c.frames.size()));
        EXPECT_EQ(doc->trailingComment, c.trailing);
    }
}

TEST(GifReader, InterlacedImagesAreStoredInFinalRowOrder) {
    ScopedRecordingBackend rec;
    const Palette pal = TestPalette(16);
    for (int height : {1, 2, 5, 8, 13}) {
        // Row r of the picture has colour r; the data carries the rows in pass order.
        std::vector<uint8_t> sent;
        for (int r = 0; r < height; ++r) sent.push_back(uint8_t(GifImageRow(r, height, true)));
        GifBuilder g;
        g.Header(1, height, pal).Image(0, 0, 1, height, LiteralImageData(4, sent), {}, true);
        auto doc = Read(g.Trailer().Done());
        ASSERT_TRUE(doc) << height;
        EXPECT_EQ(doc->firstFrame->imageFlags & 0x40, 0);
        std::vector<uint8_t> expected;
        for (int r = 0; r < height; ++r) expected.push_back(uint8_t(r));
        ExpectPicture(*doc->firstFrame, pal, expected);
    }
}

TEST(GifReader, ShortImageDataIsCompletedWithEntryZero) {
    ScopedRecordingBackend rec;
    const Palette pal = TestPalette(4);
    // End code after two pixels, then data after the end code that must not show;
    // and an image whose sub-blocks simply stop.
    auto early = ImageData(2, PackCodes(2, {4, 3, 2, 5, 1, 1, 1}));
    auto cut = ImageData(2, PackCodes(2, {4, 1, 1}));
    GifBuilder g;
    g.Header(3, 2, pal).Image(0, 0, 3, 2, early).Image(0, 0, 3, 2, cut).Image(0, 0, 1, 1, LiteralImageData(2, {3}));
    auto doc = Read(g.Trailer().Done());
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->frameCount, 3);
    ExpectPicture(*doc->firstFrame, pal, {3, 2, 0, 0, 0, 0});
    ExpectPicture(*doc->firstFrame->next, pal, {1, 1, 0, 0, 0, 0});
    ExpectPicture(*doc->firstFrame->next->next, pal, {3});
}

TEST(GifReader, IndicesBeyondThePaletteAreBlack) {
    ScopedRecordingBackend rec;
    const Palette pal = TestPalette(4);
    // 3-bit codes over a 4-entry palette (after an image with 8 colours of its
    // own, which must not linger); code size 9 gives roots above 255.
    GifBuilder g;
    g.Header(2, 1, pal).Image(0, 0, 1, 1, LiteralImageData(3, {6}), TestPalette(8));
    g.Image(0, 0, 2, 1, LiteralImageData(3, {1, 6}));
    g.Image(0, 0, 2, 1, ImageData(9, PackCodes(9, {512, 300, 2, 513})));
    auto doc = Read(g.Trailer().Done());
    ASSERT_TRUE(doc);
    const Frame* f = doc->firstFrame->next.get();
    EXPECT_EQ(PixelOf(f->dib, 0, 0), pal[1]);
    EXPECT_EQ(PixelOf(f->dib, 1, 0), Rgb{});
    EXPECT_EQ(PixelOf(f->next->dib, 0, 0), Rgb{});
    EXPECT_EQ(PixelOf(f->next->dib, 1, 0), pal[2]);
}

TEST(GifReader, FileEndsAndTrailerProblems) {
    const Palette pal = TestPalette(4);
    {
        ScopedRecordingBackend rec;  // no trailer: a warning, and the file still opens
        GifBuilder g;
        g.Header(1, 1, pal).Image(0, 0, 1, 1, LiteralImageData(2, {1}));
        GifReadError error;
        EXPECT_TRUE(LoadGifBytes(nullptr, g.Done(), "", error));
        EXPECT_EQ(error.fault, GifReadFault::kNone);
        EXPECT_TRUE(error.trailerMissing);
        EXPECT_TRUE(rec->errors.empty());
        EXPECT_TRUE(Read(g.Done()));
        EXPECT_EQ(rec->errors, std::vector<std::string>{"警告! 終了コードが有りません。"});
    }
    for (bool comment : {false, true}) {
        ScopedRecordingBackend rec;  // nothing but (at most) a comment
        GifBuilder g;
        g.Header(1, 1, pal);
        if (comment) g.Comment({"x"});
        const std::vector<uint8_t> bytes = g.Trailer().Done();
        GifReadError error;
        EXPECT_FALSE(LoadGifBytes(nullptr, bytes, "", error));
        EXPECT_EQ(error.fault, GifReadFault::kTrailer);
        rec->closes = 0;
        EXPECT_FALSE(Read(bytes));
        EXPECT_EQ(rec->errors, std::vector<std::string>{"Trailer Error!"});
        EXPECT_EQ(rec->closes, 1);
    }
}

struct BadCase {
    const char* name;
    std::vector<uint8_t> bytes;
    GifReadFault fault;
    std::string message;
};

TEST(GifReader, MalformedFilesFailWithTheirMessage) {
    const Palette pal = TestPalette(4);
    auto one = LiteralImageData(2, {1});
    auto header = [&] { GifBuilder g; g.Header(1, 1, pal); return g; };
    auto truncatedData = one;
    truncatedData.resize(truncatedData.size() - 2);
    std::vector<BadCase> cases = {
        {"short header", {'G', 'I', 'F', '8', '9'}, GifReadFault::kHeader, "Gif ヘッダリードエラー"},
        {"not gif", GifBuilder().Header(1, 1, pal, "PNG89a").Trailer().Done(), GifReadFault::kHeader,
         "Gif ヘッダリードエラー"},
        {"short global table", [&] { auto b = header().Done(); b.resize(b.size() - 1); return b; }(),
         GifReadFault::kCut, "「」は最初のコマより前で切れています。"},
        {"unknown extension", [&] { auto g = header(); g.b.u8(0x21).u8(0x02).u8(0); return g.Trailer().Done(); }(),
         GifReadFault::kExtension, "Extention Read Error"},
        {"control block size", [&] { auto g = header(); g.b.u8(0x21).u8(0xF9).u8(5).fill(6, 0); return g.Trailer().Done(); }(),
         GifReadFault::kExtension, "Extention Read Error"},
        {"undefined introducer", [&] { auto g = header(); g.b.u8(0x00); return g.Trailer().Done(); }(),
         GifReadFault::kUndefinedCode, "OX00 は、未定義コードです。"},
        {"no palette", GifBuilder().Header(1, 1, {}).Image(0, 0, 1, 1, one).Trailer().Done(), GifReadFault::kImageData,
         "Image Data Read Error"},
        {"cut image data", header().Image(0, 0, 1, 1, truncatedData).Done(), GifReadFault::kCut,
         "「」は 1 コマ目の途中で切れています。"},
        {"code size 12", header().Image(0, 0, 1, 1, ImageData(12, {0, 0, 0})).Trailer().Done(),
         GifReadFault::kImageData, "Image Data Read Error"},
        // Huge pictures with no data behind them.
        {"largest picture", header().Image(0, 0, 65535, 65535, one).Trailer().Done(), GifReadFault::kImageData,
         "Image Data Read Error"},
        {"made-up picture", header().Image(0, 0, 32767, 32767, one).Trailer().Done(), GifReadFault::kImageData,
         "Image Data Read Error"},
    };
    for (const BadCase& c : cases) {
        ScopedRecordingBackend rec;
        GifReadError error;
        EXPECT_FALSE(LoadGifBytes(nullptr, c.bytes, "", error)) << c.name;
        EXPECT_EQ(error.fault, c.fault) << c.name;
        EXPECT_FALSE(error.trailerMissing) << c.name;
        EXPECT_TRUE(rec->errors.empty()) << c.name;
        EXPECT_EQ(rec->closes, 1) << c.name;
        rec->closes = 0;
        EXPECT_FALSE(Read(c.bytes)) << c.name;
        EXPECT_EQ(rec->errors, std::vector<std::string>{c.message}) << c.name;
        EXPECT_EQ(rec->closes, 1) << c.name;
    }
}

// Images are decoded while the blocks after them are read: a picture that
// cannot be made still ends the reading at its image, before whatever the
// rest of the file holds, as if everything were read in order.
TEST(GifReader, AnImageThatCannotBeMadeEndsTheReadingWhereItIs) {
    const Palette pal = TestPalette(4);
    const std::vector<uint8_t> small = LiteralImageData(2, std::vector<uint8_t>(64, 1));
    const std::vector<uint8_t> large = LiteralImageData(2, std::vector<uint8_t>(400, 2));
    struct Case {
        const char* name;
        std::function<void(GifBuilder&)> rest;
    };
    const Case cases[] = {
        {"then an undefined introducer", [](GifBuilder& g) { g.b.u8(0x00); }},
        {"then a broken extension", [](GifBuilder& g) { g.b.u8(0x21).u8(0x02).u8(0); }},
        {"then no trailer", [](GifBuilder&) {}},
        {"then good images", [&](GifBuilder& g) { g.Image(0, 0, 8, 8, small).Image(0, 0, 8, 8, small).Trailer(); }},
    };
    const size_t limit = MaxImagePixels;
    MaxImagePixels = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GifBuilder g;
        g.Header(8, 8, pal);
        for (int i = 0; i < 6; ++i) g.Image(0, 0, 8, 8, small);
        g.Image(0, 0, 20, 20, large);
        c.rest(g);
        ScopedRecordingBackend rec;
        EXPECT_FALSE(Read(g.Done()));
        EXPECT_EQ(rec->errors, std::vector<std::string>{"Image Data Read Error"});
        EXPECT_EQ(rec->closes, 1);
    }
    MaxImagePixels = limit;
}

TEST(GifReader, ManyPicturesWithoutDataExhaustTheAllowance) {
    ScopedRecordingBackend rec;
    // 4000 x 4000 fits the per-image limit, but a handful of them with two data
    // bytes each cannot all be made up.
    GifBuilder g;
    g.Header(1, 1, TestPalette(4));
    for (int i = 0; i < 8; ++i) g.Image(0, 0, 4000, 4000, ImageData(2, PackCodes(2, {4, 5})));
    EXPECT_FALSE(Read(g.Trailer().Done()));
    EXPECT_EQ(rec->errors, std::vector<std::string>{"Image Data Read Error"});
}

TEST(GifReader, PlainTextIsSkippedAndCancelStopsSilently) {
    const Palette pal = TestPalette(4);
    GifBuilder g;
    g.Header(1, 1, pal);
    g.b.u8(0x21).u8(0x01).u8(12).fill(12, 0).u8(2).u8('h').u8('i').u8(0);
    g.Image(0, 0, 1, 1, LiteralImageData(2, {1})).Image(0, 0, 1, 1, LiteralImageData(2, {2}));
    const auto bytes = g.Trailer().Done();
    {
        ScopedRecordingBackend rec;
        auto doc = Read(bytes);
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->frameCount, 2);
    }
    ScopedRecordingBackend rec;
    rec->cancelAtPump = 4;  // the pump before the second image
    EXPECT_FALSE(Read(bytes));
    EXPECT_TRUE(rec->errors.empty());
    EXPECT_EQ(rec->closes, 1);
    rec->pumps = 0;
    GifReadError error;
    EXPECT_FALSE(LoadGifBytes(nullptr, bytes, "", error));
    EXPECT_EQ(error.fault, GifReadFault::kCancelled);
}

// A file cut off in the middle, as an interrupted download leaves it: the
// frames before the cut are exactly the whole file's first frames, and one
// message names the file and the frame it ends in. ReadGif refuses the file
// with that message; reading up to the cut gives the frames silently.
TEST(GifReader, ACutOffFileKeepsItsCompleteFramesAndSaysWhereItEnds) {
    const Palette pal = TestPalette(4);
    GifBuilder g;
    g.Header(3, 2, pal).Loop(0);
    std::vector<size_t> frameStart, dataStart;
    for (int i = 0; i < 3; ++i) {
        frameStart.push_back(g.b.data.size());
        g.Comment({"frame " + std::to_string(i + 1)}).Control(0x05, 20 + i, 3);
        dataStart.push_back(g.b.data.size() + 10);  // after the descriptor
        g.Image(0, 0, 3, 2, LiteralImageData(2, Pixels(6, 4)));
    }
    const std::vector<uint8_t> whole = g.Trailer().Done();
    const size_t globalEnd = 13 + 3 * 4;
    const struct {
        const char* where;
        size_t length;
        int complete;
        std::string message;
    } cases[] = {
        {"in the last image's data", whole.size() - 4, 2, "「anim.gif」は 3 コマ目の途中で切れています。"},
        {"in the last descriptor", dataStart[2] - 4, 2, "「anim.gif」は 3 コマ目の途中で切れています。"},
        {"in the last control block", dataStart[2] - 12, 2, "「anim.gif」は 3 コマ目の途中で切れています。"},
        {"after an introducer", frameStart[1] + 1, 1, "「anim.gif」は 2 コマ目の途中で切れています。"},
        {"in the first image", dataStart[0] + 3, 0, "「anim.gif」は 1 コマ目の途中で切れています。"},
        {"in the loop block", globalEnd + 5, 0, "「anim.gif」は 1 コマ目の途中で切れています。"},
        {"in the global table", globalEnd - 2, 0, "「anim.gif」は最初のコマより前で切れています。"},
    };
    auto full = Read(whole);
    ASSERT_TRUE(full);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        const std::span<const uint8_t> bytes(whole.data(), c.length);
        {
            ScopedRecordingBackend rec;
            EXPECT_FALSE(ReadGifBytes(nullptr, bytes, "/downloads/anim.gif"));
            EXPECT_EQ(rec->errors, std::vector<std::string>{c.message});
            EXPECT_EQ(rec->closes, 1);
        }
        ScopedRecordingBackend rec;
        GifReadError error;
        EXPECT_EQ(LoadGifBytes(nullptr, bytes, "/downloads/anim.gif", error, true) != nullptr, c.complete > 0);
        EXPECT_EQ(error.fault, GifReadFault::kCut);
        EXPECT_EQ(error.completeFrames, c.complete);
        EXPECT_EQ(GifReadMessage(error), c.message);
        rec->closes = 0;
        GifCut cut;
        auto doc = ReadGifBytesUpToCut(nullptr, bytes, "/downloads/anim.gif", cut);
        EXPECT_TRUE(rec->errors.empty());
        EXPECT_EQ(rec->closes, 1);
        EXPECT_TRUE(cut.cut);
        EXPECT_EQ(cut.completeFrames, c.complete);
        EXPECT_EQ(cut.message, c.message);
        ASSERT_EQ(doc != nullptr, c.complete > 0);
        if (!doc) continue;
        EXPECT_EQ(doc->frameCount, c.complete);
        EXPECT_EQ(doc->currentFrame, doc->firstFrame.get());
        EXPECT_EQ(doc->loopEnabled, 1);
        EXPECT_TRUE(doc->trailingComment.empty());
        const Frame* want = full->firstFrame.get();
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get(), want = want->next.get()) {
            EXPECT_EQ(f->dib, want->dib);
            EXPECT_EQ(f->delay, want->delay);
            EXPECT_EQ(f->transparentRgb, want->transparentRgb);
            EXPECT_EQ(f->textKeys, want->textKeys);
        }
    }
}

TEST(GifReader, ReadsFilesAndRecordsThePath) {
    TempFolder dir;
    GifBuilder g;
    g.Header(1, 1, TestPalette(4)).Image(0, 0, 1, 1, LiteralImageData(2, {1}));
    ASSERT_TRUE(WriteFile(dir.file("a.gif"), g.Trailer().Done()));
    ScopedRecordingBackend rec;
    auto doc = ReadGif(nullptr, dir.file("a.gif"));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->path, dir.file("a.gif"));
    EXPECT_FALSE(ReadGif(nullptr, dir.file("missing.gif")));
    EXPECT_TRUE(rec->errors.empty());  // an unopenable file fails without a message
    EXPECT_EQ(rec->closes, 2);
}

}  // namespace
}  // namespace kivo::test
