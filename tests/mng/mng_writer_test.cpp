// The MNG writer: what libmng shows when it plays our files, what pngcheck says
// of them, the exact bytes of the small chunks where the write options decide
// them, and saving that cleans up and never destroys the file already there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <tuple>

#include "options/write_options.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "doc/dib.h"
#include "mng/mng_reader.h"
#include "mng/mng_write_oracle.h"
#include "mng/mng_writer.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "render/compositor.h"

namespace kivo {
namespace {

using test::ChunkView;
using test::U32At;
using PixelFn = std::function<Rgb(int x, int y)>;

Frame& AddFrame(AnimDoc& doc, int width, int height, const PixelFn& f, int left = 0, int top = 0,
                int delay = 10) {
    EXPECT_TRUE(AppendFrame(doc));
    Frame& fr = *doc.currentFrame;
    fr.width = width;
    fr.height = height;
    fr.left = left;
    fr.top = top;
    fr.delay = delay;
    if (width > 0 && height > 0) fr.dib = test::MakeImage(width, height, f);
    fr.tempPalette = 1;  // a full-colour picture, as imports leave it
    return fr;
}

std::unique_ptr<AnimDoc> Doc(int width, int height) {
    auto doc = NewDocument();
    doc->screenWidth = width;
    doc->screenHeight = height;
    return doc;
}

// n distinct colours in stripes, different for every salt.
PixelFn Stripes(int n, int salt = 0) {
    return [=](int x, int y) {
        const int i = (x + 20 * y) % n;
        return Rgb{uint8_t(i * 7 + salt * 50), uint8_t(255 - i), uint8_t(salt * 30 + (i >> 8) * 90)};
    };
}

// The pictures a document shows during its first pass, composed by the rules
// given (by default a document's own: disposal 2 clears the frame's area,
// 3 gives it back what was under it), as RGBA canvases like libmng's.
std::vector<std::vector<uint8_t>> ExpectedCanvases(const AnimDoc& doc, const CompositionRules& rules = {}) {
    Composition c;
    EXPECT_TRUE(StartComposition(c, doc.screenWidth, doc.screenHeight, rules));
    std::vector<std::vector<uint8_t>> shown;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get()) {
        EXPECT_TRUE(ComposeFrame(c, *f, f == doc.firstFrame.get()));
        std::vector<uint8_t>& canvas = shown.emplace_back();
        for (uint32_t v : c.screen) {
            const uint8_t alpha = v == kNothingDrawn ? 0 : 255;
            canvas.insert(canvas.end(),
                          {uint8_t((v >> 16) & alpha), uint8_t((v >> 8) & alpha), uint8_t(v & alpha), alpha});
        }
    }
    return shown;
}

// libmng's frames and times against the model; JPEG frames within a tolerance.
void ExpectPlayedAsMeant(const std::vector<uint8_t>& bytes, const AnimDoc& doc, int tolerance = 0) {
    const auto expected = ExpectedCanvases(doc);
    const test::OracleMng played = test::DecodeWithLibmng(bytes, expected.size());
    ASSERT_TRUE(played.ok) << played.error;
    ASSERT_EQ(played.width, uint32_t(doc.screenWidth));
    ASSERT_GE(played.frames.size(), expected.size());
    const Frame* f = doc.firstFrame.get();
    for (size_t i = 0; i < expected.size(); ++i, f = f->next.get()) {
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(played.frames[i].delayMs, uint32_t(f->delay) * 10);
        const std::vector<uint8_t>& got = played.frames[i].rgba;
        for (size_t k = 0; k < got.size(); ++k)
            ASSERT_LE(std::abs(int(got[k]) - int(expected[i][k])), tolerance)
                << "pixel " << k / 4 % size_t(doc.screenWidth) << "," << k / 4 / size_t(doc.screenWidth);
    }
}

const ChunkView* Find(const std::vector<ChunkView>& chunks, const std::string& type, size_t nth = 0) {
    for (const ChunkView& c : chunks)
        if (c.type == type && nth-- == 0) return &c;
    return nullptr;
}

class MngWriterTest : public testing::Test {
protected:
    WriteOptions options;

    // Saves, expects success without messages and a file pngcheck accepts.
    std::vector<uint8_t> Save(AnimDoc& doc) {
        EXPECT_TRUE(WriteMng(nullptr, path, doc, options));
        EXPECT_TRUE(rec->errors.empty()) << rec->errors.front();
        const test::PngcheckResult check = test::RunPngcheck(path);
        if (check.ran) {
            EXPECT_TRUE(test::PngcheckAccepts(check)) << check.output;
        }
        return test::ReadFile(path);
    }

    ScopedRecordingBackend rec;
    test::TempFolder dir;
    std::string path = dir.file("out.mng");
};

TEST_F(MngWriterTest, LibmngPlaysFramesPlacesAndTimesAsMeant) {
    KIVO_SKIP_WITHOUT_LIBMNG();
    struct Case {
        const char* name;
        std::function<void()> options;
        std::function<void(AnimDoc&)> frames;
        int tolerance = 0;
    };
    const Rgb red{255, 0, 0};
    const Case cases[] = {
        {"shared global palette, placed, disposal 2", [] {},
         [](AnimDoc& d) {
             AddFrame(d, 30, 20, Stripes(6));
             AddFrame(d, 10, 8, Stripes(5, 1), 17, 9, 25).disposal = 2;
             AddFrame(d, 12, 4, Stripes(3, 2), 2, 15, 7);
         }},
        {"own palettes and own transparency", [&] { options.UnifyPalette = 0; },
         [&](AnimDoc& d) {
             AddFrame(d, 30, 20, Stripes(17));
             Frame& b = AddFrame(d, 9, 9, [&](int x, int) { return x < 3 ? red : Rgb{0, 9, uint8_t(x)}; }, 4, 4);
             b.hasTransparency = 1, b.transparentRgb = red;
             Frame& c = AddFrame(d, 5, 5, [&](int x, int) { return x < 3 ? Rgb{1, 2, 3} : red; }, 20, 10);
             c.hasTransparency = 1, c.transparentRgb = Rgb{1, 2, 3};
         }},
        {"full colour PNG with a transparent colour", [&] { options.NoColorReduction = 1; },
         [&](AnimDoc& d) {
             AddFrame(d, 30, 20, Stripes(300));
             Frame& b = AddFrame(d, 20, 20, [&](int x, int y) { return x < 2 ? red : Stripes(400, 3)(x, y); }, 8);
             b.hasTransparency = 1, b.transparentRgb = red;
         }},
        {"interlaced, 1-, 2- and 4-bit palettes", [&] { options.Interlace = 1, options.UnifyPalette = 0; },
         [](AnimDoc& d) {
             AddFrame(d, 30, 20, Stripes(2));
             AddFrame(d, 13, 7, Stripes(3, 1), 1, 1);
             AddFrame(d, 11, 5, Stripes(1, 2), 3, 3);
             AddFrame(d, 11, 5, Stripes(9, 2), 3, 3);
         }},
        {"no global palette", [&] { options.NoGlobalPalette = 1; },
         [&](AnimDoc& d) {
             for (int k = 0; k < 2; ++k) {
                 Frame& f = AddFrame(d, 30, 20, [&](int x, int y) { return x == y ? red : Stripes(4, k)(x, y); });
                 f.hasTransparency = 1, f.transparentRgb = red;
             }
         }},
        // A frame without pixels is one clear pixel: nothing shows, time passes.
        {"empty frame", [] {},
         [](AnimDoc& d) {
             AddFrame(d, 30, 20, Stripes(4));
             AddFrame(d, 0, 0, Stripes(1), 5, 5, 30);
             AddFrame(d, 3, 3, Stripes(2, 1));
         }},
        {"JNG for frames over the limit, progressive", [&] { options.NoColorReduction = options.JngOver256Only = options.Interlace = 1; },
         [](AnimDoc& d) {
             AddFrame(d, 30, 20, [](int, int) { return Rgb{200, 40, 90}; });
             AddFrame(d, 17, 16, [](int x, int y) { return Rgb{uint8_t(x * 15), uint8_t(y * 16), 100}; }, 8, 2);
         },
         40},
        {"every frame JNG", [&] { options.JngAllFrames = 1, options.JngQuality = 95; },
         [](AnimDoc& d) {
             AddFrame(d, 30, 20, [](int x, int) { return Rgb{uint8_t(x * 8), 60, 60}; });
             AddFrame(d, 16, 8, [](int, int) { return Rgb{10, 200, 10}; }, 14, 12, 33);
         },
         16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        options = WriteOptions();
        c.options();
        auto doc = Doc(30, 20);
        doc->loopEnabled = 1;
        c.frames(*doc);
        ExpectPlayedAsMeant(Save(*doc), *doc, c.tolerance);
    }
}

// MHDR's profile, TERM's values: both from the document and the options.
TEST_F(MngWriterTest, ProfileAndTermFollowTheOptions) {
    struct Case {
        const char* name;
        std::function<void(AnimDoc&)> setUp;
        const char* kinds;  // one frame each: plain '.', transparent 't' or JNG 'j'
        uint32_t profile;
        size_t termLength;  // 0: no TERM
        uint32_t delay = 0, maximum = 0;
    };
    const uint32_t forever = 0x7FFFFFFF;
    const Case cases[] = {
        {"loops forever", [](AnimDoc& d) { d.loopEnabled = 1; }, "..", 3, 10, 30, forever},
        {"loops twice more", [](AnimDoc& d) { d.loopEnabled = 1, d.loopCount = 2; }, ".", 3, 10, 30, 3},
        // A TERM that does not repeat has nothing but its action.
        {"plays once", [](AnimDoc& d) { d.loopEnabled = 0; }, ".", 3, 1},
        {"plays once without TERM", [&](AnimDoc& d) { d.loopEnabled = 0, options.TermAlways = 0; }, ".", 3, 0},
        {"loops, TERM without delay", [&](AnimDoc& d) { d.loopEnabled = 1, options.TermAlways = 0; }, ".", 3, 10, 0, forever},
        {"last frame without delay", [](AnimDoc& d) { d.loopEnabled = 1, d.currentFrame->hasDelay = 0; }, ".", 3, 10, 0, forever},
        {"profile off", [&](AnimDoc&) { options.MhdrStrictProfile = 0; }, "tj", 0, 10, 30, forever},
        {"JNG before transparency", [](AnimDoc&) {}, ".jt", 3 + 16 + 8, 10, 30, forever},
        {"transparent first", [](AnimDoc&) {}, "t..", 11, 10, 30, forever},
        // The profile must not deny JNG that the file holds.
        {"JNG after the transparent frame", [](AnimDoc&) {}, "tj", 27, 10, 30, forever},
        {"every frame JNG", [&](AnimDoc&) { options.JngAllFrames = 1; }, "..", 19, 10, 30, forever},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        options = WriteOptions();
        options.NoColorReduction = options.JngOver256Only = 1;
        auto doc = Doc(20, 20);
        for (const char* k = c.kinds; *k; ++k) {
            Frame& f = AddFrame(*doc, 20, 20, *k == 'j' ? Stripes(300) : Stripes(3), 0, 0, 30);
            if (*k == 't') f.hasTransparency = 1, f.transparentRgb = Stripes(3)(0, 0);
        }
        c.setUp(*doc);
        const auto chunks = test::ListChunks(Save(*doc));
        ASSERT_GE(chunks.size(), 2u);
        EXPECT_EQ(U32At(chunks[0].data, 24), c.profile);
        EXPECT_EQ(U32At(chunks[0].data, 8), 100u);  // ticks per second
        if (c.termLength == 0) {
            EXPECT_NE(chunks[1].type, "TERM");
            continue;
        }
        ASSERT_EQ(chunks[1].type, "TERM");
        ASSERT_EQ(chunks[1].data.size(), c.termLength);
        EXPECT_EQ(chunks[1].data[0], c.termLength == 10 ? 3 : 0);
        if (c.termLength < 10) continue;
        EXPECT_EQ(chunks[1].data[1], 0);
        EXPECT_EQ(U32At(chunks[1].data, 2), c.delay);
        EXPECT_EQ(U32At(chunks[1].data, 6), c.maximum);
    }
}

// Which FRAM and DEFI chunks stand before each image, as "F10:d" (FRAM, its
// length, the delay it sets) or "F1:m" (mode only) and "D" (DEFI x,y).
std::string FramingOf(const std::vector<ChunkView>& chunks) {
    std::string s;
    for (const ChunkView& c : chunks) {
        if (c.type == "FRAM" && c.data.size() == 10)
            s += "F" + std::to_string(c.data[0]) + "/" + std::to_string(U32At(c.data, 6)) + " ";
        else if (c.type == "FRAM")
            s += "F" + std::to_string(c.data[0]) + " ";
        else if (c.type == "DEFI")
            s += "D" + std::to_string(U32At(c.data, 4)) + "," + std::to_string(U32At(c.data, 8)) + " ";
        else if (c.type == "IHDR" || c.type == "JHDR")
            s += "| ";
    }
    return s;
}

TEST_F(MngWriterTest, FramAndDefiOnlyWhereAllowedToBeLeftOut) {
    struct Case {
        int framOmit, defiOmit, termAlways, loop;
        const char* expected;
    };
    // Delays 10, 10, 10, 30; the second and the last frame clear to the
    // background, so the first and third frames change the framing mode; the
    // third and fourth stand at 4,2.
    const Case cases[] = {
        {1, 1, 1, 1, "F3/10 | F1 | F3 D4,2 | F1/0 | "},  // the last delay is TERM's
        {1, 1, 0, 1, "F3/10 | F1 | F3 D4,2 | F1/30 | "},
        {1, 1, 1, 0, "F3/10 | F1 | F3 D4,2 | F1/30 | "},  // TERM without a delay
        {0, 1, 1, 1, "F3/10 | F1/10 | F3/10 D4,2 | F1/30 | "},
        {1, 0, 1, 1, "F3/10 D0,0 | F1 D0,0 | F3 D4,2 | F1/0 D4,2 | "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        options = WriteOptions();
        options.FramMayOmit = c.framOmit, options.DefiMayOmit = c.defiOmit, options.TermAlways = c.termAlways;
        auto doc = Doc(8, 8);
        doc->loopEnabled = c.loop;
        AddFrame(*doc, 4, 4, Stripes(2));
        AddFrame(*doc, 4, 4, Stripes(2)).disposal = 2;
        AddFrame(*doc, 4, 4, Stripes(2), 4, 2);
        AddFrame(*doc, 4, 4, Stripes(2), 4, 2, 30).disposal = 2;
        EXPECT_EQ(FramingOf(test::ListChunks(Save(*doc))), c.expected);
    }
}

TEST_F(MngWriterTest, GlobalTransparencyOnlyWhenEveryGlobalFrameSharesIt) {
    const Rgb clear = Stripes(8)(5, 0);  // the sixth colour of the stripes
    for (bool same : {true, false}) {
        SCOPED_TRACE(same);
        auto doc = Doc(8, 1);
        doc->loopEnabled = 1;
        for (int k = 0; k < 2; ++k) {
            Frame& f = AddFrame(*doc, 8, 1, Stripes(8));
            f.hasTransparency = 1;
            f.transparentRgb = same || k == 0 ? clear : Stripes(8)(2, 0);
        }
        const std::vector<uint8_t> bytes = Save(*doc);
        const auto chunks = test::ListChunks(bytes);
        const ChunkView* trns = Find(chunks, "tRNS");
        ASSERT_TRUE(trns);
        const ChunkView* plte = Find(chunks, "PLTE", 1);  // the first frame's
        ASSERT_TRUE(plte);
        EXPECT_TRUE(plte->data.empty());
        if (same) {
            // 255 up to the first entry of the transparent colour, 0 there.
            const ChunkView* global = Find(chunks, "PLTE");
            ASSERT_FALSE(trns->data.empty());
            const size_t at = trns->data.size() - 1;
            EXPECT_EQ(trns->data, [&] { std::vector<uint8_t> v(at + 1, 255); v[at] = 0; return v; }());
            ASSERT_LT(at * 3 + 2, global->data.size());
            EXPECT_EQ((Rgb{global->data[at * 3], global->data[at * 3 + 1], global->data[at * 3 + 2]}), clear);
            EXPECT_EQ(test::ChunkTypes(chunks)[3], "tRNS");  // right after the global PLTE
            EXPECT_FALSE(Find(chunks, "tRNS", 1));
        } else {
            EXPECT_EQ(test::ChunkTypes(chunks)[3], "FRAM");  // no global tRNS
            ASSERT_TRUE(Find(chunks, "tRNS", 1));             // each frame its own
        }
        if (test::kHaveLibmng) ExpectPlayedAsMeant(bytes, *doc);
    }
}

TEST_F(MngWriterTest, TextsAreCompressedOnlyWhenThatIsShorter) {
    auto doc = Doc(20, 20);
    AddKey(doc->textKeys, "Comment", std::string(200, 'a'));
    AddKey(doc->textKeys, "Title", "Walk");
    AddKey(doc->textKeys, "", "no key, not storable");
    AddFrame(*doc, 20, 20, Stripes(2)).textKeys.push_back({"Author", "me"});
    options.NoColorReduction = options.JngOver256Only = 1;
    AddFrame(*doc, 20, 20, Stripes(300)).textKeys.push_back({"Comment", std::string(90, 'z')});
    const auto chunks = test::ListChunks(Save(*doc));
    EXPECT_EQ(test::ChunkTypes(chunks),
              (std::vector<std::string>{"MHDR", "TERM", "PLTE", "FRAM", "IHDR", "PLTE", "tEXt", "IDAT",
                                        "IEND", "JHDR", "zTXt", "JDAT", "IEND", "zTXt", "tEXt", "MEND"}));
    const std::string title("Title\0Walk", 10);
    EXPECT_EQ(Find(chunks, "tEXt", 1)->data, std::vector<uint8_t>(title.begin(), title.end()));
    if (!test::kHaveLibmng) return;
    const test::OracleMng played = test::DecodeWithLibmng(test::ReadFile(path), 1);
    ASSERT_TRUE(played.ok) << played.error;
    EXPECT_NE(std::find(played.texts.begin(), played.texts.end(),
                        std::pair<std::string, std::string>{"Comment", std::string(200, 'a')}),
              played.texts.end());
}

// Presses cancel once the third frame is reported written, however many pumps
// the palette work and the waits for frames being compressed took before.
struct CancelAtThirdFrame : RecordingBackend {
    bool armed = false;
    bool ProgressDialogPump() override {
        const bool pressed = RecordingBackend::ProgressDialogPump();
        return pressed || (armed && !texts.empty() && texts.back().rfind("GIF 書き込み中...\r    3 /", 0) == 0);
    }
};

// Whatever the outcome, nothing of the save stays on the frames and their
// pictures and transparency are as before. A save spends AlwaysDither; a cancel
// or a failure keeps the file that was there, a cancel silently.
TEST_F(MngWriterTest, SaveCancelAndFailureLeaveNothingBehind) {
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    enum Kind { kSaved, kCancel, kUnfitFrame, kNoFolder };
    for (Kind kind : {kSaved, kCancel, kUnfitFrame, kNoFolder}) {
        SCOPED_TRACE(int(kind));
        options = WriteOptions();
        ScopedRecordingBackend scoped;
        CancelAtThirdFrame fresh;
        InstallPlatformBackend(&fresh);
        ASSERT_TRUE(test::WriteFile(path, old));
        auto doc = Doc(20, 20);
        for (int k = 0; k < 11; ++k) AddFrame(*doc, 20, 20, Stripes(3 + k));
        Frame& last = AddFrame(*doc, 20, 20, Stripes(300));
        last.hasTransparency = 1, last.transparentRgb = Rgb{1, 1, 1};  // not in the picture
        const Dib picture = last.dib;
        options.AlwaysDither = 1;
        std::string target = path;
        fresh.armed = kind == kCancel;
        if (kind == kUnfitFrame) {
            options.JngAllFrames = 1;
            NthFrame(*doc, 5)->dib = test::MakeImage(3, 3, Stripes(2));  // not the frame's size
        }
        if (kind == kNoFolder) target = dir.file("missing/out.mng");
        EXPECT_EQ(WriteMng(nullptr, target, *doc, options), kind == kSaved);
        EXPECT_EQ(test::ReadFile(path) == old, kind != kSaved);
        EXPECT_EQ(options.AlwaysDither, kind == kSaved ? 0 : 1);
        const std::vector<std::string> said =
            kind == kSaved || kind == kCancel ? std::vector<std::string>{}
            : kind == kNoFolder ? std::vector<std::string>{"ファイルオープンに失敗しました。"}
                                : std::vector<std::string>{"書き込みに失敗しました。"};
        EXPECT_EQ(fresh.errors, said);
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get())
            EXPECT_TRUE(f->indexPixels.empty() && f->census.empty() && f->saveKind == 0);
        EXPECT_EQ(last.dib, picture);
        EXPECT_EQ(std::tie(last.hasTransparency, last.transparentRgb), std::make_tuple(1, Rgb{1, 1, 1}));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no leftovers
        EXPECT_EQ(fresh.closes, kind == kNoFolder ? 0 : 1);
        if (kind == kSaved) {
            EXPECT_EQ(fresh.texts.front(), "チェック中...");
            EXPECT_EQ(fresh.texts.back(), "GIF 書き込み中...\r   12 /   12 コマ");
        }
    }
}

TEST_F(MngWriterTest, AFrameThatCannotBeEncodedIsTheErrorAndItsMessagesComeFirst) {
    options.JngAllFrames = 1;
    auto doc = Doc(8, 8);
    AddFrame(*doc, 8, 8, Stripes(2));
    AddFrame(*doc, 8, 8, Stripes(3)).dib = test::MakeImage(3, 3, Stripes(2));  // not the frame's size
    const MngWriteError error = SaveMng(nullptr, path, *doc, options);
    EXPECT_EQ(error.save, DocumentSaveError::kWriteFailed);
    EXPECT_EQ(error.frame.kind, MngFrameError::Kind::kUnfit);
    EXPECT_TRUE(rec->errors.empty());
    EXPECT_FALSE(std::filesystem::exists(path));

    // What each kind of frame failure adds in front of the save's own message.
    MngFrameError png(MngFrameError::Kind::kPng);
    png.png = PngWriteError::kBadPalette;
    MngFrameError jpeg(MngFrameError::Kind::kJpeg);
    jpeg.jpeg = JpegWriteFault::kNoPicture;
    jpeg.jpeg.warning = "first warning";
    struct Case { MngFrameError frame; std::vector<std::string> messages; };
    const Case cases[] = {
        {error.frame, {"書き込みに失敗しました。"}},
        {png, {"PNG error: invalid number of colors in palette", "書き込みに失敗しました。"}},
        {jpeg, {"first warning", "The frame has no 24-bit picture to write", "書き込みに失敗しました。"}},
    };
    for (const Case& k : cases)
        EXPECT_EQ(MngWriteMessages({DocumentSaveError::kWriteFailed, k.frame}), k.messages);
    EXPECT_FALSE(WriteMng(nullptr, path, *doc, options));
    EXPECT_EQ(rec->errors, std::vector<std::string>{"書き込みに失敗しました。"});
}

// Frames as a GIF reader sees them, against what came back through MNG.
void ExpectSameAnimation(const AnimDoc& a, const AnimDoc& b) {
    ASSERT_EQ(a.frameCount, b.frameCount);
    EXPECT_EQ(a.loopEnabled, b.loopEnabled);
    EXPECT_EQ(a.loopCount, b.loopCount);
    const Frame* g = b.firstFrame.get();
    for (const Frame* f = a.firstFrame.get(); f; f = f->next.get(), g = g->next.get()) {
        SCOPED_TRACE("frame at " + std::to_string(f->left) + "," + std::to_string(f->top));
        EXPECT_EQ(std::tie(f->left, f->top, f->width, f->height, f->delay, f->hasTransparency),
                  std::tie(g->left, g->top, g->width, g->height, g->delay, g->hasTransparency));
        // MNG frames either stay or clear the screen: disposal 0 comes back as 1.
        EXPECT_EQ(f->disposal == 2, g->disposal == 2);
        if (f->hasTransparency) {
            EXPECT_EQ(f->transparentRgb, g->transparentRgb);
        }
        for (int y = 0; y < f->height; ++y)
            for (int x = 0; x < f->width; ++x)
                ASSERT_EQ(test::PixelOf(f->dib, x, y), test::PixelOf(g->dib, x, y)) << x << "," << y;
    }
}

TEST_F(MngWriterTest, GifToMngToGifKeepsPicturesPlacesAndTimes) {
    const std::function<void(AnimDoc&)> variants[] = {
        [](AnimDoc&) {},
        [](AnimDoc& d) { d.loopEnabled = 0; },
        [&](AnimDoc& d) { d.loopEnabled = 0, options.TermAlways = 0; },
        [&](AnimDoc& d) { d.loopCount = 4, options.FramMayOmit = options.DefiMayOmit = 0; },
        [&](AnimDoc&) { options.UnifyPalette = 0, options.NoGlobalPalette = 1, options.Interlace = 1; },
    };
    int n = 0;
    for (const auto& variant : variants) {
        SCOPED_TRACE("variant " + std::to_string(n++));
        options = WriteOptions();
        auto doc = Doc(40, 30);
        doc->loopEnabled = 1;
        AddFrame(*doc, 40, 30, Stripes(20), 0, 0, 12).comment = "first";
        Frame& b = AddFrame(*doc, 10, 6, [](int x, int y) { return x == y ? Rgb{9, 9, 9} : Stripes(7, 1)(x, y); }, 30, 24, 5);
        b.hasTransparency = 1, b.transparentRgb = Rgb{9, 9, 9};
        AddFrame(*doc, 13, 13, Stripes(100, 2), 2, 3, 250);
        // Disposal 2 on the last frame is the first frame's framing, so the frames
        // come back as they were; in the middle it may make the next frame be
        // written in another form (DisposalShowsTheDocumentsPictures).
        AddFrame(*doc, 7, 5, Stripes(3), 33, 1, 12).disposal = 2;
        variant(*doc);
        ASSERT_TRUE(WriteGif(nullptr, dir.file("a.gif"), *doc, options));
        auto fromGif = ReadGifBytes(nullptr, test::ReadFile(dir.file("a.gif")));
        ASSERT_TRUE(fromGif);
        Save(*fromGif);
        auto fromMng = ReadMngBytes(nullptr, test::ReadFile(path));
        ASSERT_TRUE(fromMng);
        ExpectSameAnimation(*fromGif, *fromMng);
        const TextKeyList& keys = fromMng->firstFrame->textKeys;
        ASSERT_EQ(keys.size(), 1u);
        EXPECT_EQ(std::tie(keys[0].key, keys[0].text), std::make_tuple("Comment", "first"));
        ASSERT_TRUE(WriteGif(nullptr, dir.file("b.gif"), *fromMng, options));
        auto back = ReadGifBytes(nullptr, test::ReadFile(dir.file("b.gif")));
        ASSERT_TRUE(back);
        ExpectSameAnimation(*fromGif, *back);
    }
}

// A document disposes of a frame by clearing its area (2) or giving the area
// back what was under it (3); an MNG player only leaves the picture or clears
// everything. libmng, and our reader with an MNG player's rules, must show the
// document's pictures all the same; frames that need no other form are written
// as they are; the document keeps its frames.
TEST_F(MngWriterTest, DisposalShowsTheDocumentsPictures) {
    KIVO_SKIP_WITHOUT_LIBMNG();
    const Rgb key{255, 0, 255};
    auto sprite = [&](int salt) { return [=](int x, int y) { return (x + y) % 3 ? Stripes(4, salt)(x, y) : key; }; };
    const PixelFn backdrop = [&](int x, int y) { return x % 5 ? Stripes(6)(x, y) : key; };  // paints with the key
    auto add = [&](AnimDoc& d, int w, int h, PixelFn f, int left, int top, int disposal, bool clear = false) {
        Frame& fr = AddFrame(d, w, h, f, left, top);
        fr.disposal = int16_t(disposal);
        fr.hasTransparency = clear, fr.transparentRgb = key;
    };
    struct Case {
        const char* name;
        std::function<void(AnimDoc&)> frames;
        // Per frame: '=' written as it is and drawn over what is shown, or on
        // a cleared screen after disposal 2; 'x' otherwise.
        const char* asIs;
    };
    auto sameFrame = [](const Frame& f, const Frame& g) {
        if (f.width == 0) return g.width == 1;  // one transparent pixel stands in
        if (std::tie(f.left, f.top, f.width, f.height) != std::tie(g.left, g.top, g.width, g.height)) return false;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x)
                if (test::PixelOf(f.dib, x, y) != test::PixelOf(g.dib, x, y)) return false;
        return true;
    };
    const Case cases[] = {
        {"previous over a backdrop", [&](AnimDoc& d) {
             add(d, 24, 16, backdrop, 0, 0, 1);
             add(d, 8, 6, sprite(1), 3, 2, 3, true);
             add(d, 6, 6, sprite(2), 14, 8, 1, true);
         }, "==x"},
        {"background leaves a hole", [&](AnimDoc& d) {
             add(d, 24, 16, backdrop, 0, 0, 1);
             add(d, 8, 6, sprite(1), 3, 2, 2);
             add(d, 6, 6, sprite(2), 14, 8, 2, true);
         }, "==x"},
        {"background where nothing else shows", [&](AnimDoc& d) {
             add(d, 8, 6, Stripes(3), 3, 2, 1);
             add(d, 8, 6, sprite(1), 3, 2, 2, true);
             add(d, 5, 5, sprite(2), 10, 10, 1);
         }, "==="},
        {"background beside another frame", [&](AnimDoc& d) {
             add(d, 8, 6, Stripes(3), 0, 0, 1);
             add(d, 8, 6, sprite(1), 12, 8, 2);
             add(d, 4, 4, sprite(2), 2, 2, 1);
         }, "==x"},
        {"background of an empty frame", [&](AnimDoc& d) {
             add(d, 24, 16, backdrop, 0, 0, 1);
             add(d, 0, 0, backdrop, 5, 5, 2);
             add(d, 6, 6, sprite(2), 4, 4, 1, true);
         }, "==x"},
        {"first frame gives back nothing", [&](AnimDoc& d) {
             add(d, 10, 10, sprite(1), 2, 2, 3);
             add(d, 4, 4, Stripes(2), 20, 2, 1);
         }, "=x"},
        {"the next frame covers what comes back", [&](AnimDoc& d) {
             add(d, 24, 16, backdrop, 0, 0, 1);
             add(d, 8, 6, sprite(1), 3, 2, 3, true);
             add(d, 10, 8, Stripes(5, 2), 2, 1, 1);
         }, "==="},
        {"previous in a row, partly off the screen", [&](AnimDoc& d) {
             add(d, 24, 16, backdrop, 0, 0, 1);
             add(d, 8, 6, sprite(1), 3, 2, 3, true);
             add(d, 8, 8, sprite(2), 20, 12, 3);
             add(d, 9, 5, sprite(3), -2, 9, 3, true);
             add(d, 4, 4, Stripes(2), 10, 0, 1);
         }, "==xxx"},
        {"full-screen frames clear to the background", [&](AnimDoc& d) {
             add(d, 24, 16, backdrop, 0, 0, 2);
             add(d, 24, 16, sprite(1), 0, 0, 2, true);
             add(d, 24, 16, Stripes(5, 3), 0, 0, 1);
         }, "==="},
        {"the last frame gives its area back", [&](AnimDoc& d) {
             add(d, 24, 16, backdrop, 0, 0, 1);
             add(d, 6, 6, sprite(2), 4, 4, 1, true);
             add(d, 8, 6, sprite(1), 3, 2, 3);
         }, "x=="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Doc(24, 16);
        doc->loopEnabled = 1;
        c.frames(*doc);
        auto own = [](const Frame& f) {
            return std::make_tuple(f.left, f.top, f.width, f.height, f.hasTransparency, f.transparentRgb, f.dib);
        };
        std::vector<decltype(own(*doc->firstFrame))> before;
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get()) before.emplace_back(own(*f));
        const std::vector<uint8_t> bytes = Save(*doc);
        ExpectPlayedAsMeant(bytes, *doc);
        auto read = ReadMngBytes(nullptr, bytes);
        ASSERT_TRUE(read);
        CompositionRules mngRules;
        mngRules.backgroundClearsScreen = true;
        EXPECT_EQ(ExpectedCanvases(*read, mngRules), ExpectedCanvases(*doc));
        ASSERT_EQ(read->frameCount, doc->frameCount);
        std::string asIs;
        for (int i = 0; i < doc->frameCount; ++i) {
            const Frame& f = *NthFrame(*doc, i);
            EXPECT_TRUE(own(f) == before[size_t(i)]) << "frame " << i << " changed";
            const int previous = (i + doc->frameCount - 1) % doc->frameCount;
            const bool clears = NthFrame(*doc, previous)->disposal == 2;
            const bool readClears = NthFrame(*read, previous)->disposal == 2;
            asIs += sameFrame(f, *NthFrame(*read, i)) && clears == readClears ? '=' : 'x';
        }
        EXPECT_EQ(asIs, c.asIs);
        // After a last frame that asks for its area back, a pass starts as the first did.
        if (doc->frameCount > 0 && NthFrame(*doc, doc->frameCount - 1)->disposal >= 2) {
            const test::OracleMng played = test::DecodeWithLibmng(bytes, size_t(doc->frameCount) + 1);
            ASSERT_EQ(played.frames.size(), size_t(doc->frameCount) + 1);
            EXPECT_TRUE(played.frames.back().rgba == played.frames.front().rgba);
        }
    }
}

// JNG frames cannot be transparent, so a frame written in another form paints
// the pixels that stay with their own colours.
TEST_F(MngWriterTest, DisposalWithEveryFrameJng) {
    KIVO_SKIP_WITHOUT_LIBMNG();
    options.JngAllFrames = 1, options.JngQuality = 100;
    auto doc = Doc(32, 16);
    // Greys, so that JPEG's halved colour resolution costs nothing.
    AddFrame(*doc, 32, 16, [](int x, int y) { const uint8_t v = uint8_t(60 + x * 5 + y); return Rgb{v, v, v}; });
    AddFrame(*doc, 8, 8, [](int, int) { return Rgb{20, 20, 20}; }, 4, 4).disposal = 3;
    AddFrame(*doc, 8, 8, [](int, int) { return Rgb{240, 240, 240}; }, 8, 8);
    ExpectPlayedAsMeant(Save(*doc), *doc, 12);
}

}  // namespace
}  // namespace kivo
