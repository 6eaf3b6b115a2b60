// The MNG reader on files built here chunk by chunk. Pictures are checked against
// the same data read another way: a PNG datastream against a stand-alone PNG
// holding the palette chunks the MNG supplies, a JNG frame against its JPEG data
// read directly.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>

#include "options/write_options.h"
#include "jpeg/jpeg_reader.h"
#include "jpeg/jpeg_writer.h"
#include "mng/mng_read_builder.h"
#include "mng/mng_reader.h"
#include "png/png_reader.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using namespace test;

const ByteVec kImg = PngStream(4, 3, 8, 2, [](int x, int) { return 0x102030u * uint32_t(x + 1); });

ByteVec Fram(ByteVec data) { return Chunk("FRAM", data); }

std::vector<const Frame*> Frames(const AnimDoc& doc) {
    std::vector<const Frame*> out;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) out.push_back(f);
    return out;
}

ByteVec SmallJpeg() {
    Frame f;
    f.dib = MakeImage(16, 8, [](int x, int y) { return Rgb{uint8_t(40 + 9 * x), uint8_t(200 - 7 * y), 90}; });
    ByteVec out;
    EXPECT_TRUE(EncodeJpeg(nullptr, f, 90, out));
    return out;
}

void ExpectSamePicture(const Frame& got, const Frame& want) {
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
    EXPECT_TRUE(got.dib == want.dib) << "pixels differ";
    EXPECT_EQ(got.hasTransparency, want.hasTransparency);
    EXPECT_EQ(got.transparentRgb, want.transparentRgb);
}

TEST(MngRead, TimingLoopsFramingAndPlacement) {
    struct Case {
        const char* name;
        uint32_t ticks;
        std::vector<ByteVec> body;
        std::vector<std::array<int32_t, 5>> frames;  // delay, hasDelay, disposal, left, top
        int32_t loopEnabled = 0, loopCount = 0;
    };
    const Case cases[] = {
        {"1000 ticks: 100 -> 10, 4 -> 1", 1000, {FramChunk(1, 2, 100), kImg, FramChunk(0, 2, 4), kImg}, {{10, 1, 1}, {1, 1, 1}}},
        {"no time base", 0, {FramChunk(1, 2, 100), kImg}, {{0, 0, 1}}},
        {"change 2 sets the default, change 1 one frame", 100,
         {FramChunk(1, 2, 50), kImg, kImg, FramChunk(1, 1, 7), kImg, kImg}, {{50, 1, 1}, {50, 1, 1}, {7, 1, 1}, {50, 1, 1}}},
        {"delay 0 clears the flag", 100, {FramChunk(1, 1, 0), kImg}, {{0, 0, 1}}},
        {"TERM delay goes to the last frame", 1000, {TermChunk(3, 300, 0), kImg, kImg}, {{1, 1, 1}, {30, 1, 1}}, 1, 0},
        {"name running to the end of the chunk", 100, {FramChunk(1, 2, 20), Fram({1, 'a', 'b'}), kImg}, {{20, 1, 1}}},
        {"79-byte name", 100, {Fram(Cat({ByteVec{1}, ByteVec(79, 'n'), ByteVec{0, 1, 0, 0, 0}, Be32Bytes(9)})), kImg}, {{9, 1, 1}}},
        {"delays beyond 31 bits", 1, {FramChunk(1, 1, 0xFFFFFFFF), kImg, FramChunk(1, 1, 0x7FFFFFFF), kImg},
         {{INT32_MAX, 1, 1}, {INT32_MAX, 1, 1}}},
        {"TERM three times", 100, {TermChunk(3, 0, 3), kImg}, {{1, 1, 1}}, 1, 2},
        {"TERM once", 100, {TermChunk(3, 0, 1), kImg}, {{1, 1, 1}}, 0, 0},
        {"TERM 65536 times is endless", 100, {TermChunk(3, 0, 65536), kImg}, {{1, 1, 1}}, 1, 0},
        {"TERM action only", 100, {Chunk("TERM", {3}), kImg}, {{1, 1, 1}}, 1, 0},
        {"mode 3 before the second image", 100, {kImg, Fram({3}), kImg}, {{1, 1, 2}, {1, 1, 2}}},
        {"mode before the first image goes to the last frame", 100, {Fram({4}), kImg, Fram({2}), kImg}, {{1, 1, 1}, {1, 1, 2}}},
        {"mode before the only image goes to it", 100, {Fram({3}), kImg}, {{1, 1, 2}}},
        {"a FRAM dropped after the last image leaves it the mode before the first", 100,
         {Fram({4}), kImg, kImg, Fram({1})}, {{1, 1, 2}, {1, 1, 2}}},
        {"a FRAM without any image leaves no frame", 100, {FramChunk(3, 2, 5)}, {}},
        {"mode 0 and an empty FRAM keep the mode", 100, {Fram({1}), kImg, Fram({0}), kImg, Fram({}), kImg},
         {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}},
        {"DEFI holds until the next; a short one resets", 100, {DefiChunk(10, 20), kImg, kImg, Chunk("DEFI", {0, 1}), kImg},
         {{1, 1, 1, 10, 20}, {1, 1, 1, 10, 20}, {1, 1, 1, 0, 0}}},
        {"negative and wide places", 100, {DefiChunk(-5, 70000), kImg}, {{1, 1, 1, -5, 70000}}},
        {"FRAM and DEFI after the last image leave no frame", 100, {kImg, FramChunk(3, 2, 5), DefiChunk(1, 1)}, {{1, 1, 2}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ScopedRecordingBackend rec;
        auto doc = ReadMngBytes(nullptr, MngFile(k.ticks, k.body));
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->ticksPerSecond, 100);
        EXPECT_EQ(doc->loopEnabled, k.loopEnabled);
        EXPECT_EQ(doc->loopCount, k.loopCount);
        EXPECT_EQ(doc->currentFrame, doc->firstFrame.get());
        const auto frames = Frames(*doc);
        ASSERT_EQ(frames.size(), k.frames.size());
        EXPECT_EQ(doc->frameCount, int32_t(frames.size()));
        for (size_t i = 0; i < frames.size(); ++i) {
            const Frame& f = *frames[i];
            EXPECT_EQ((std::array<int32_t, 5>{f.delay, f.hasDelay, f.disposal, f.left, f.top}), k.frames[i]) << "frame " << i;
        }
    }
}

TEST(MngRead, PngFramesTakeTheGlobalPaletteChunks) {
    const Palette global{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    const Palette own{{0, 0, 0}, {255, 255, 0}, {9, 9, 9}, {200, 100, 50}};
    auto stream = [](const ByteVec& beforeIdat, uint8_t depth = 2) {
        return PngStream(5, 4, depth, 3, [](int x, int y) { return uint32_t(x + y) % 3; }, beforeIdat);
    };
    const ByteVec gPlte = Chunk("PLTE", PlteData(global)), oPlte = Chunk("PLTE", PlteData(own));
    const ByteVec gTrns = Chunk("tRNS", {255, 0}), oTrns = Chunk("tRNS", {0}), emptyPlte = Chunk("PLTE");
    Palette padded = global;  // a 2-bit image keeps room for four colours
    padded.resize(4);
    struct Case {
        const char* name;
        ByteVec globals, datastream, standalone;  // standalone: the PNG without its signature
        Palette kept;                             // when keeping PNG palettes
        bool failsKeeping = false;
    };
    const Case cases[] = {
        {"empty PLTE", gPlte, stream(emptyPlte), stream(gPlte), padded},
        {"no PLTE at all", gPlte, stream({}), stream(gPlte), padded},
        {"global tRNS", Cat({gPlte, gTrns}), stream(emptyPlte), stream(Cat({gPlte, gTrns})), padded},
        {"own tRNS wins", Cat({gPlte, gTrns}), stream(Cat({emptyPlte, oTrns})), stream(Cat({gPlte, oTrns})), padded},
        {"own PLTE", Cat({gPlte, gTrns}), stream(oPlte), stream(oPlte), own},
        {"truecolour ignores them", Cat({gPlte, gTrns}), kImg, kImg, {}},
        {"global palette beyond a 1-bit image's room", gPlte, stream(emptyPlte, 1), stream(gPlte, 1), {}, true},
    };
    for (const Case& k : cases) {
        for (int keep : {0, 1}) {
            SCOPED_TRACE(testing::Message() << k.name << (keep ? ", palette kept" : ""));
            ScopedRecordingBackend rec;
            const ReadOptions reading{keep != 0};
            auto doc = ReadMngBytes(nullptr, MngFile(100, {k.globals, k.datastream}), {}, reading);
            Frame want;
            const ByteVec signature{137, 80, 78, 71, 13, 10, 26, 10};
            ASSERT_TRUE(ReadPngBytes(nullptr, Cat({signature, k.standalone}), want, reading));
            ASSERT_EQ(!doc, keep && k.failsKeeping);
            if (!doc) continue;
            const Frame& got = *doc->firstFrame;
            ExpectSamePicture(got, want);
            EXPECT_EQ(got.pngPalette, keep ? k.kept : Palette{});
            EXPECT_EQ(got.pngIndexPixels, want.pngIndexPixels);
            EXPECT_TRUE(rec->errors.empty());
        }
    }
}

TEST(MngRead, JngFramesAndTexts) {
    const ByteVec jpeg = SmallJpeg();
    Frame direct;
    ASSERT_TRUE(ReadJpegBytes(nullptr, jpeg, direct));
    const auto half = std::ptrdiff_t(jpeg.size() / 2);
    const ByteVec a(jpeg.begin(), jpeg.begin() + half), b(jpeg.begin() + half, jpeg.end());
    const ByteVec jhdr = Jhdr(16, 8), iend = Chunk("IEND");
    struct Case {
        const char* name;
        ByteVec datastream;
        bool ok;
    };
    const Case cases[] = {
        {"one JDAT", Cat({jhdr, Chunk("JDAT", jpeg), iend}), true},
        {"two JDATs are one stream", Cat({jhdr, Chunk("JDAT", a), Chunk("JDAT", b), iend}), true},
        {"12-bit data after JSEP is left", Cat({jhdr, Chunk("JDAT", jpeg), Chunk("JSEP"), Chunk("JDAT", ByteVec(40, 7)), iend}), true},
        {"alpha chunks passed over", Cat({jhdr, Chunk("JDAT", a), Chunk("JDAA", {1, 2}), Chunk("JDAT", b), iend}), true},
        {"no JDAT", Cat({jhdr, iend}), false},
        {"not JPEG data", Cat({jhdr, Chunk("JDAT", ByteVec(64, 0x55)), iend}), false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ScopedRecordingBackend rec;
        auto doc = ReadMngBytes(nullptr, MngFile(100, {k.datastream}));
        ASSERT_EQ(bool(doc), k.ok);
        if (k.ok) ExpectSamePicture(*doc->firstFrame, direct);
    }

    // Texts: the document's, a PNG frame's and a JNG frame's, each with its comment.
    const std::string longText(300, 'k');
    auto text = [](const char* chars, size_t n) { return Text(std::string_view(chars, n)); };
    const ByteVec file = MngFile(100, {
        Chunk("tEXt", text("Title\0Walk", 10)),
        Chunk("zTXt", Cat({text("Long\0\0", 6), Deflated(Text(longText))})),
        Chunk("tEXt", Text("KeyOnly")),
        Chunk("zTXt", Cat({text("Odd\0\1", 5), Deflated(Text(longText))})),  // unknown method: passed over
        PngStream(2, 2, 8, 0, [](int, int) { return 7u; }, Chunk("tEXt", text("Comment\0first", 13))),
        Cat({jhdr, Chunk("tEXt", text("Note\0jng", 8)), Chunk("JDAT", jpeg), iend}),
    });
    ScopedRecordingBackend rec;
    auto doc = ReadMngBytes(nullptr, file);
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->textKeys.size(), 3u);
    EXPECT_EQ(doc->textKeys[1].text, longText);
    EXPECT_EQ(doc->trailingComment, "Title : Walk\r\nLong : " + longText + "\r\nKeyOnly : \r\n");
    EXPECT_EQ(doc->firstFrame->comment, "Comment : first\r\n");
    EXPECT_EQ(doc->firstFrame->next->comment, "Note : jng\r\n");
}

TEST(MngRead, DamagedOrUnreadableFilesFail) {
    const ByteVec bomb = Deflated(ByteVec(20u << 20, 'z'));
    const ByteVec rgbHeader = Chunk("IHDR", Cat({Be32Bytes(2), Be32Bytes(2), ByteVec{8, 2, 0, 0, 0}}));
    const std::pair<const char*, ByteVec> cases[] = {
        {"not an MNG signature", Cat({ByteVec{137, 80, 78, 71, 13, 10, 26, 10}, kImg})},
        {"Delta-PNG profile", MngFile(100, {kImg}, 4, 3, 1 | 2 | 0x20)},
        {"short MHDR", Cat({ByteVec{0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, Chunk("MHDR", ByteVec(27, 0)), Chunk("MEND")})},
        {"DEFI of 28 bytes", MngFile(100, {Chunk("DEFI", ByteVec(28, 0)), kImg})},
        {"FRAM name of 80 bytes", MngFile(100, {Fram(Cat({ByteVec{1}, ByteVec(80, 'n'), ByteVec{0}})), kImg})},
        {"unknown critical chunk", MngFile(100, {Chunk("ZZZZ", {1}), kImg})},
        {"chunk type not letters", MngFile(100, {Chunk("z1zz", {1}), kImg})},
        {"palette image without any palette", MngFile(100, {PngStream(2, 2, 8, 3, [](int, int) { return 0u; })})},
        {"datastream without image data", MngFile(100, {Cat({rgbHeader, Chunk("IEND")})})},
        {"zTXt bomb", MngFile(100, {Chunk("zTXt", Cat({Text(std::string_view("Bomb\0\0", 6)), bomb})), kImg})},
        {"zTXt cut short", MngFile(100, {Chunk("zTXt", Cat({Text(std::string_view("Cut\0\0", 5)), ByteVec(bomb.begin(), bomb.begin() + 20)})), kImg})},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        ScopedRecordingBackend rec;
        EXPECT_FALSE(ReadMngBytes(nullptr, bytes));
        EXPECT_EQ(rec->closes, 1);
    }
    // Unknown ancillary chunks and known MNG chunks we do not act on are passed over.
    ScopedRecordingBackend rec;
    EXPECT_TRUE(ReadMngBytes(nullptr, MngFile(100, {Chunk("zzZz", {1}), Chunk("LOOP", {0, 0, 0, 0, 2}), Chunk("ENDL", {0}), kImg})));

    // A file using every chunk the reader acts on fails with any bit flipped or
    // when cut anywhere.
    const ByteVec good = MngFile(1000, {
        TermChunk(3, 50, 3), Chunk("PLTE", PlteData({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}})),
        Chunk("tRNS", {255, 0}), Chunk("zTXt", Cat({Text(std::string_view("Title\0\0", 7)), Deflated(Text("Walk"))})),
        FramChunk(1, 2, 200), DefiChunk(1, 2), PngStream(6, 5, 2, 3, [](int x, int y) { return uint32_t(x * y) % 4; }, Chunk("PLTE")),
        Chunk("BACK", {0, 0, 0, 0, 0, 0}), FramChunk(3, 1, 70), Cat({Jhdr(16, 8), Chunk("JDAT", SmallJpeg()), Chunk("IEND")}), kImg});
    ASSERT_TRUE(ReadMngBytes(nullptr, good));
    for (size_t i = 0; i < good.size(); ++i) {
        ByteVec bad = good;
        bad[i] ^= uint8_t(1 << (i % 8));
        ASSERT_FALSE(ReadMngBytes(nullptr, bad)) << "bit flipped at byte " << i;
        ASSERT_FALSE(ReadMngBytes(nullptr, ByteVec(good.begin(), good.begin() + std::ptrdiff_t(i)))) << "cut at " << i;
    }

    // A JPEG whose header claims far more pixels than its data holds decodes as
    // filler; past an allowance such pictures fail the read.
    ByteVec jpeg = SmallJpeg();
    size_t sof = 0;
    while (sof + 9 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0)) ++sof;
    auto sized = [&](uint16_t w, uint16_t h) {
        ByteVec j = jpeg;
        j[sof + 5] = uint8_t(h >> 8), j[sof + 6] = uint8_t(h), j[sof + 7] = uint8_t(w >> 8), j[sof + 8] = uint8_t(w);
        return MngFile(100, {Jhdr(w, h), Chunk("JDAT", j), Chunk("IEND")});
    };
    EXPECT_TRUE(ReadMngBytes(nullptr, sized(4096, 2048)));
    EXPECT_FALSE(ReadMngBytes(nullptr, sized(8192, 4096)));
}

// The embedded readers' failures and warnings come back in the error, and the
// showing form passes them on in reading order.
TEST(MngRead, EmbeddedReadersSayWhyAndWarnInOrder) {
    const ByteVec badDepth = Chunk("IHDR", Cat({Be32Bytes(2), Be32Bytes(2), ByteVec{3, 2, 0, 0, 0}}));
    const ByteVec jpeg = SmallJpeg();
    const ByteVec cutJpeg(jpeg.begin(), jpeg.end() - 8);  // inside the scan, the header whole
    auto jng = [](const ByteVec& data) { return Cat({Jhdr(16, 8), Chunk("JDAT", data), Chunk("IEND")}); };
    const ByteVec notJpeg = {'x', 'y', 'z', 'z', 'y'};
    using Kind = MngReadError::Kind;
    struct Case {
        const char* name;
        ByteVec file;
        Kind kind;
        size_t warnings;
        Kind firstImage;  // the preview stops after the first image
    };
    const Case cases[] = {
        {"a header libpng refuses", MngFile(100, {Cat({badDepth, Chunk("IDAT", {1, 2, 3, 4}), Chunk("IEND")})}),
         Kind::kPng, 0, Kind::kPng},
        {"JDAT that is not JPEG", MngFile(100, {jng(notJpeg)}), Kind::kJpeg, 0, Kind::kJpeg},
        {"a cut JPEG warns and reads", MngFile(100, {jng(cutJpeg), kImg}), Kind::kNone, 1, Kind::kNone},
        {"a warning, then a failure", MngFile(100, {jng(cutJpeg), jng(notJpeg)}), Kind::kJpeg, 1, Kind::kNone},
        {"unknown critical chunk", MngFile(100, {Chunk("ZZZZ", {1}), kImg}), Kind::kNotRead, 0, Kind::kNotRead},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ScopedRecordingBackend rec;
        MngReadError error;
        const bool read = LoadMngBytes(nullptr, k.file, "", error) != nullptr;
        EXPECT_EQ(read, k.kind == Kind::kNone);
        EXPECT_EQ(error.kind, k.kind);
        EXPECT_EQ(error.warnings.size(), k.warnings);
        if (k.kind == Kind::kPng) {
            EXPECT_EQ(error.png.fault, PngReadFault::kLibpng);
        }
        if (k.kind == Kind::kJpeg) {
            EXPECT_EQ(JpegReadMessage(error.jpeg).rfind("Not a JPEG file", 0), 0u);
        }
        for (const std::string& w : error.warnings) EXPECT_EQ(w.rfind("Premature end of JPEG file", 0), 0u) << w;
        EXPECT_TRUE(rec->errors.empty());

        // The showing form: the same texts, warnings first.
        EXPECT_EQ(ReadMngBytes(nullptr, k.file) != nullptr, read);
        EXPECT_EQ(rec->errors, MngReadMessages(error));
        EXPECT_EQ(rec->errors.size(), k.warnings + (k.kind == Kind::kPng || k.kind == Kind::kJpeg ? 1 : 0));

        Frame first;
        const MngReadError firstError = ReadMngFirstImageBytes(k.file, first);
        EXPECT_EQ(firstError.kind, k.firstImage);
    }
}

TEST(MngRead, ProgressCancelAndFiles) {
    const ByteVec file = MngFile(100, {kImg, PngStream(3, 3, 8, 0, [](int x, int) { return uint32_t(x * 50); }), FramChunk(1, 2, 3)});
    {
        ScopedRecordingBackend rec;
        auto doc = ReadMngBytes(nullptr, file, "x.mng");
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->path, "x.mng");
        EXPECT_EQ(rec->titles, std::vector<std::string>{"Kivo 読み込み中..."});
        std::vector<std::string> texts{"MNG 読み取り中..."};
        for (const char* n : {"1", "2", "3", "4"}) texts.push_back(std::string("MNG 読み取り中...\r    ") + n + " コマ");
        EXPECT_EQ(rec->texts, texts);
        EXPECT_EQ(rec->cancelLabel, "中止");
        EXPECT_EQ(rec->closes, 1);
    }
    {
        ScopedRecordingBackend rec;
        rec->cancelAtPump = 4;  // while the second frame is read
        EXPECT_FALSE(ReadMngBytes(nullptr, file));
        EXPECT_TRUE(rec->errors.empty());
        EXPECT_EQ(rec->closes, 1);
    }
    TempFolder dir;
    ASSERT_TRUE(WriteFile(dir.file("a.mng"), file));
    ScopedRecordingBackend rec;
    auto fromFile = ReadMng(nullptr, dir.file("a.mng"));
    ASSERT_TRUE(fromFile);
    ASSERT_EQ(fromFile->frameCount, 2);
    EXPECT_TRUE(fromFile->firstFrame->next->dib == ReadMngBytes(nullptr, file)->firstFrame->next->dib);
    EXPECT_FALSE(ReadMng(nullptr, dir.file("missing.mng")));
    EXPECT_FALSE(ReadMng(nullptr, dir.path()));
    ASSERT_EQ(mkfifo(dir.file("pipe.mng").c_str(), 0600), 0);
    EXPECT_FALSE(ReadMng(nullptr, dir.file("pipe.mng")));  // turned away, not waited on
    EXPECT_TRUE(rec->errors.empty());

    // The first image alone, for a frame that sits in a list: only the picture
    // changes. An MNG without an image leaves the frame as it was.
    const Palette global{{10, 20, 30}, {40, 50, 60}};
    const ByteVec first = MngFile(100, {FramChunk(3, 2, 9), DefiChunk(5, 5), Chunk("PLTE", PlteData(global)),
                                         PngStream(3, 3, 1, 3, [](int x, int) { return uint32_t(x & 1); }, Chunk("PLTE")), kImg});
    ASSERT_TRUE(WriteFile(dir.file("f.mng"), first));
    const std::pair<ByteVec, bool> firsts[] = {{first, true}, {MngFile(100, {DefiChunk(5, 5)}), false}};
    for (const auto& [bytes, ok] : firsts) {
        AnimDoc list;
        ASSERT_TRUE(AppendFrame(list) && AppendFrame(list));
        Frame& frame = *list.firstFrame;
        ASSERT_EQ(ReadMngFirstImageBytes(nullptr, bytes, frame), ok);
        EXPECT_EQ(frame.next.get(), NthFrame(list, 1));
        EXPECT_EQ((std::array<int32_t, 4>{frame.left, frame.top, frame.delay, frame.disposal}), (std::array<int32_t, 4>{0, 0, 10, 0}));
        if (ok) ExpectSamePicture(frame, *ReadMngBytes(nullptr, bytes)->firstFrame);
        else EXPECT_TRUE(frame.dib.empty());
    }
    Frame frame;
    EXPECT_TRUE(ReadMngFirstImage(nullptr, dir.file("f.mng"), frame));
    EXPECT_EQ(PixelOf(frame.dib, 1, 0), global[1]);
}

}  // namespace
}  // namespace kivo
