// The frame tools' decisions without a window: what the clip list gives back
// and where, which sizes a frame may have, what the save-selected dialog
// opens with and refuses, which paint program is used, when the wait for it
// ends, what an edited file does to its frame, and where the frame list puts
// its tiles.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "app/clip_list.h"
#include "app/frame_list_layout.h"
#include "app/frame_size.h"
#include "app/paint_file.h"
#include "app/paint_program.h"
#include "app/save_selected_form.h"
#include "options/write_options.h"
#include "doc/bmp.h"
#include "doc/dib.h"
#include "doc/selection.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"
#include "frame_ops/blank_frame.h"

namespace kivo {
namespace {

// A document of frames 2×1 whose first pixel tells them apart (red = number),
// each with its own delay, place, disposal, transparency and comment.
std::unique_ptr<AnimDoc> NumberedFrames(int count) {
    auto doc = NewDocument();
    Selection selection;
    for (int i = 0; i < count; ++i) {
        AddBlankFrame(*doc, selection, 0, 2, 1);
        Frame& f = *doc->currentFrame;
        test::SetPixel(f.dib, 0, 0, Rgb{uint8_t(i), 0, 0});
        f.delay = 20 + i;
        f.left = i;
        f.top = 2 * i;
        f.disposal = int16_t(i % 4);
        f.hasTransparency = i % 2;
        f.transparentRgb = Rgb{uint8_t(i), 1, 2};
        f.comment = "c" + std::to_string(i);
    }
    return doc;
}

std::vector<int> Numbers(const AnimDoc& doc) {
    std::vector<int> numbers;
    for (const Frame* f = doc.firstFrame.get(); f; f = f->next.get())
        numbers.push_back(f->comment.empty() ? -1 : std::stoi(f->comment.substr(1)));
    return numbers;
}

TEST(ClipList, PastedFramesComeBackWholeInCopiedOrder) {
    struct Row {
        bool insert;
        std::vector<int32_t> selectedAtPaste;
        std::vector<int> order;
        int32_t current;
    };
    for (const Row& row : {Row{false, {1}, {0, 1, 2, 3, 1, 3}, 5}, Row{true, {0, 2}, {1, 3, 0, 1, 2, 3}, 0},
                           Row{true, {}, {0, 1, 2, 1, 3, 3}, 3}}) {
        SCOPED_TRACE(row.insert ? "insert" : "append");
        auto doc = NumberedFrames(4);
        Selection selection;
        SetSelection(*doc, selection, {3, 1});
        ClipList clip;
        ASSERT_TRUE(CopyFrames(*doc, FramesToCopy(*doc, selection), clip));
        ASSERT_EQ(clip.size(), 2u);
        SetSelection(*doc, selection, row.selectedAtPaste);
        ASSERT_TRUE(PasteFrames(*doc, selection, clip, row.insert));
        EXPECT_EQ(Numbers(*doc), row.order);
        EXPECT_EQ(doc->frameCount, 6);
        EXPECT_EQ(doc->currentIndex, row.current);
        EXPECT_EQ(NthFrame(*doc, doc->currentIndex), doc->currentFrame);
        EXPECT_EQ(selection, (std::vector<int32_t>{row.current}));
        for (int i = 0; i < 6; ++i) {
            const Frame& f = *NthFrame(*doc, i);
            const int n = row.order[size_t(i)];
            EXPECT_EQ(test::PixelOf(f.dib, 0, 0), (Rgb{uint8_t(n), 0, 0}));
            EXPECT_EQ(f.delay, 20 + n);
            EXPECT_EQ(f.left, n);
            EXPECT_EQ(f.top, 2 * n);
            EXPECT_EQ(f.disposal, n % 4);
            EXPECT_EQ(f.hasTransparency, n % 2);
            EXPECT_EQ(f.transparentRgb, (Rgb{uint8_t(n), 1, 2}));
        }
    }
}

TEST(ClipList, WhatIsCopiedIsWhatDeleteRemoves) {
    auto doc = NumberedFrames(5);
    Selection selection;
    SetSelection(*doc, selection, {4, 0, 9});
    EXPECT_EQ(FramesToCopy(*doc, selection), (std::vector<int32_t>{0, 4}));
    selection.clear();
    EXPECT_EQ(FramesToCopy(*doc, selection), (std::vector<int32_t>{4}));
    ClipList clip;
    auto empty = NewDocument();
    EXPECT_FALSE(CopyFrames(*empty, FramesToCopy(*empty, selection), clip));
    EXPECT_TRUE(clip.empty());
}

TEST(ClipList, APictureFromElsewhereIsOneFrameAtTheOriginWithDelayTen) {
    auto doc = NumberedFrames(2);
    Selection selection;
    ASSERT_TRUE(PasteFrames(*doc, selection, {PictureEntry(MakeWhiteDib24(40, 30))}, false));
    const Frame& f = *doc->currentFrame;
    EXPECT_EQ(doc->currentIndex, 2);
    EXPECT_EQ((std::vector<int32_t>{f.left, f.top, f.width, f.height, f.delay, f.hasDelay}),
              (std::vector<int32_t>{0, 0, 40, 30, 10, 1}));
    EXPECT_EQ(f.tempPalette, 1);
    EXPECT_EQ(doc->screenWidth, 40);  // the screen grows to hold it
}

// A paste that fails after two inserts: the frame that was current must come
// back with its index as it is now, two further on.
TEST(ClipList, AFailedInsertFindsTheOldCurrentFramesIndexAfresh) {
    auto doc = NumberedFrames(4);
    Selection selection;
    SetSelection(*doc, selection, {1});
    doc->currentFrame = NthFrame(*doc, 2);
    doc->currentIndex = 2;
    ClipList clip;
    ASSERT_TRUE(CopyFrames(*doc, {0, 3, 3}, clip));
    clip.front().picture.clear();  // pasted last in insert order
    EXPECT_FALSE(PasteFrames(*doc, selection, clip, true));
    EXPECT_EQ(doc->frameCount, 6);
    EXPECT_EQ(doc->currentIndex, 4);
    EXPECT_EQ(NthFrame(*doc, doc->currentIndex), doc->currentFrame);
    EXPECT_EQ(doc->currentFrame->comment, "c2");
}

TEST(FrameSize, SidesAndPixelCountAreCheckedWithoutOverflow) {
    struct Row {
        int64_t w, h;
        FrameSizeFault fault;
        const char* blank;
    };
    const Row rows[] = {
        {1, 1, FrameSizeFault::kNone, nullptr},
        {32767, 8192, FrameSizeFault::kNone, nullptr},
        {0, 5, FrameSizeFault::kWidth, "幅が 0 では作れません。"},
        {-3, 0, FrameSizeFault::kWidth, "幅が 0 では作れません。"},
        {5, 0, FrameSizeFault::kHeight, "高さが 0 では作れません。"},
        {32768, 1, FrameSizeFault::kWidth, "コマの幅と高さは 32767 までです。"},
        {1, 32768, FrameSizeFault::kHeight, "コマの幅と高さは 32767 までです。"},
        {int64_t(1) << 32, int64_t(1) << 32, FrameSizeFault::kWidth, "コマの幅と高さは 32767 までです。"},
        {32767, 32767, FrameSizeFault::kTooLarge, "この大きさのコマは作れません。"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.w << "x" << r.h);
        EXPECT_EQ(CheckFrameSize(r.w, r.h), r.fault);
        const char* blank = BlankFrameSizeMessage(r.fault, r.w, r.h);
        EXPECT_STREQ(blank, r.blank);
        EXPECT_EQ(PastedPictureMessage(r.fault) == nullptr, r.fault == FrameSizeFault::kNone);
    }
}

TEST(SaveSelectedForm, OpensWithTheDocumentsFolderAndNameAndTheModesFormat) {
    struct Row {
        std::string path, name;
        int mode;
        SaveSelectedRequest expected;
    };
    const Row rows[] = {
        {"/home/u/anim.gif", "anim.gif", 0, {"/home/u", "anim", FrameFileFormat::kGif}},
        {"/a.b/x.y.mng", "x.y.mng", 1, {"/a.b", "x.y", FrameFileFormat::kPng}},
        {"/top.gif", "top.gif", 0, {"/", "top", FrameFileFormat::kGif}},
        {"", "新規.gif", 0, {"", "新規", FrameFileFormat::kGif}},
        {"/d/noext", "noext", 1, {"/d", "noext", FrameFileFormat::kPng}},
    };
    for (const Row& r : rows) {
        AnimDoc doc;
        doc.path = r.path;
        doc.displayName = r.name;
        SaveSelectedRequest got = OpeningRequest(doc, r.mode);
        EXPECT_EQ(got.folder, r.expected.folder) << r.path;
        EXPECT_EQ(got.baseName, r.expected.baseName) << r.path;
        EXPECT_EQ(got.format, r.expected.format) << r.path;
    }
    EXPECT_EQ(SelectedCountText(0), "現在選択中のコマは、1 個です。");
    EXPECT_EQ(SelectedCountText(12), "現在選択中のコマは、12 個です。");
    EXPECT_NE(RequestProblem({"", "a", FrameFileFormat::kGif}), nullptr);
    EXPECT_NE(RequestProblem({"out", "a", FrameFileFormat::kGif}), nullptr);
    EXPECT_EQ(RequestProblem({"/tmp", "", FrameFileFormat::kGif}), nullptr);
}

TEST(SaveSelectedForm, AFailedBatchIsOneMessage) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    auto doc = NumberedFrames(3);
    Selection selection;
    SetSelection(*doc, selection, {0, 2});
    WriteOptions options;
    for (FrameFileFormat format : {FrameFileFormat::kBmp, FrameFileFormat::kPng, FrameFileFormat::kGif}) {
        const std::string failure =
            RunSaveSelected(nullptr, *doc, selection, {dir.file("missing"), "a", format}, options);
        EXPECT_FALSE(failure.empty());
        EXPECT_TRUE(rec->errors.empty()) << "the writer's message is the dialog's to show";
    }
    EXPECT_EQ(RunSaveSelected(nullptr, *doc, selection, {dir.path(), "a", FrameFileFormat::kGif}, options), "");
    EXPECT_FALSE(test::ReadFile(dir.file("a_3.gif")).empty());
}

// An executable script named name in folder.
void FakeProgram(const std::string& folder, const std::string& name, bool executable = true) {
    const std::string path = folder + "/" + name;
    ASSERT_TRUE(test::WriteFile(path, {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n'}));
    chmod(path.c_str(), executable ? 0755 : 0644);
}

TEST(PaintProgram, TheConfiguredProgramElseTheFirstStandardOneOnThePath) {
    test::TempFolder a, b;
    FakeProgram(a.path(), "gimp");
    FakeProgram(a.path(), "mtpaint", false);  // not executable: passed over
    FakeProgram(b.path(), "mtpaint");
    mkdir(a.file("kolourpaint").c_str(), 0755);  // a folder of that name neither
    const std::string path = a.path() + "::" + b.path();

    WriteOptions options;
    EXPECT_EQ(ChoosePaintProgram(path, options).program, b.file("mtpaint"));
    EXPECT_EQ(FindOnPath("gimp", path), a.file("gimp"));
    EXPECT_EQ(FindOnPath("krita", path), "");
    const PaintProgramChoice none = ChoosePaintProgram("/nonexistent", options);
    EXPECT_EQ(none.program, "");
    EXPECT_NE(none.problem.find("kolourpaint, pinta, mtpaint, gimp, krita"), std::string::npos);

    options.UseStandardPaint = 0;
    struct Row {
        std::string configured, program;
    };
    for (const Row& r : {Row{b.file("mtpaint"), b.file("mtpaint")}, Row{"gimp", a.file("gimp")},
                         Row{a.file("mtpaint"), ""}, Row{"", ""}, Row{a.file("nothing"), ""}}) {
        options.PaintProgramPath = r.configured;
        const PaintProgramChoice c = ChoosePaintProgram(path, options);
        EXPECT_EQ(c.program, r.program) << r.configured;
        EXPECT_EQ(c.problem.empty(), !r.program.empty()) << r.configured;
        if (!c.problem.empty()) {
            EXPECT_EQ(c.problem, r.configured + "\rソフトが見つかりません。");
        }
    }
}

TEST(PaintWatch, EndsAsTheProgramAndTheFileSay) {
    const FileStamp written{true, 1000, 54, 7};
    const FileStamp saved{true, 2000, 54, 7};
    const FileStamp renamed{true, 1000, 54, 8};
    struct Tick {
        bool running;
        FileStamp now;
        double seconds;
        PaintWaitAction action;
    };
    using A = PaintWaitAction;
    struct Row {
        const char* name;
        std::vector<Tick> ticks;
        bool handedOver;
    };
    const Row rows[] = {
        {"closed without saving", {{true, written, 1, A::kWait}, {false, written, 9, A::kDone}}, false},
        {"saved, then closed", {{true, saved, 1, A::kWait}, {false, saved, 9, A::kReload}}, false},
        {"saved by renaming while closing",
         {{true, written, 1, A::kWait}, {false, renamed, 9, A::kWait}, {false, renamed, 9.1, A::kReload}},
         false},
        {"handed to a running instance",
         {{false, written, 0.2, A::kWait}, {false, written, 30, A::kWait}, {false, saved, 31, A::kWait},
          {false, saved, 31.1, A::kReload}},
         true},
        {"a missing file is never read", {{false, FileStamp{}, 9, A::kWait}, {false, FileStamp{}, 10, A::kWait}}, false},
    };
    for (const Row& r : rows) {
        PaintWatch watch(written);
        for (size_t i = 0; i < r.ticks.size(); ++i) {
            const Tick& t = r.ticks[i];
            EXPECT_EQ(watch.Tick(t.running, t.now, t.seconds), t.action) << r.name << ", tick " << i;
        }
        EXPECT_EQ(watch.HandedOver(), r.handedOver) << r.name;
    }
}

// BMP bytes made by hand: 14 + 40 header bytes, a colour table, bottom-up rows.
std::vector<uint8_t> BmpFile(int w, int h, int bits, const std::vector<uint32_t>& table,
                             const std::function<uint32_t(int, int)>& pixel) {
    const size_t stride = DibRowBytes(uint32_t(w), uint32_t(bits));
    const uint32_t offset = uint32_t(54 + 4 * table.size());
    test::Bytes b;
    b.str("BM").u32(uint32_t(offset + stride * h)).u32(0).u32(offset);
    b.u32(40).u32(uint32_t(w)).u32(uint32_t(h)).u16(1).u16(uint16_t(bits)).u32(0).u32(0).u32(39).u32(39);
    b.u32(uint32_t(table.size())).u32(0);
    for (uint32_t c : table) b.u32(c);
    for (int y = h - 1; y >= 0; --y) {
        size_t written = 0;
        for (int x = 0; x < w; ++x) {
            const uint32_t p = pixel(x, y);
            for (int k = 0; k < bits / 8; ++k) b.u8(uint8_t(p >> (8 * k)));
            written += size_t(bits / 8);
        }
        b.fill(stride - written, 0);
    }
    return b.data;
}

TEST(PaintFile, AnEditedFileReplacesTheFrameOnlyWhenItsPictureDiffers) {
    // The frame: 3×2, pixel (x, y) = red x*50, green y*100, blue 7.
    auto rgb = [](int x, int y) { return uint32_t(7 | (y * 100) << 8 | (x * 50) << 16); };
    auto other = [](int x, int y) { return uint32_t(x + y == 0 ? 0xFFFFFF : 0x102030); };
    struct Row {
        const char* name;
        std::vector<uint8_t> file;  // empty: the file is left as written
        PaintReload result;
        int width, height;
        size_t paletteSize;
        std::function<uint32_t(int, int)> expected;
    };
    const Row rows[] = {
        {"untouched", {}, PaintReload::kUnchanged, 3, 2, 0, rgb},
        {"saved again as 32-bit, same pixels", BmpFile(3, 2, 32, {}, rgb), PaintReload::kUnchanged, 3, 2, 0, rgb},
        {"32-bit, changed", BmpFile(3, 2, 32, {}, other), PaintReload::kReplaced, 3, 2, 0, other},
        {"8-bit with a short colour table", BmpFile(3, 2, 8, {0x102030, 0xFFFFFF}, [](int x, int y) { return uint32_t(x + y == 0); }),
         PaintReload::kReplaced, 3, 2, 256, other},
        {"larger than the screen", BmpFile(5, 4, 24, {}, other), PaintReload::kReplaced, 5, 4, 0, other},
        {"not a BMP", {'P', 'N', 'G'}, PaintReload::kFailed, 3, 2, 0, rgb},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ScopedRecordingBackend rec;
        auto doc = NewDocument();
        Selection selection;
        AddBlankFrame(*doc, selection, 0, 3, 2);
        Frame& frame = *doc->currentFrame;
        frame.dib = test::MakeImage(3, 2, [&](int x, int y) {
            const uint32_t p = rgb(x, y);
            return Rgb{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
        });
        PaintFile file;
        ASSERT_TRUE(WritePaintFile(nullptr, frame, file));
        struct stat st {};
        ASSERT_EQ(stat(file.folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        // The file is the frame's DIB behind a file header, byte for byte.
        std::vector<uint8_t> bytes = test::ReadFile(file.path);
        ASSERT_EQ(bytes.size(), frame.dib.size() + 14);
        EXPECT_TRUE(std::equal(frame.dib.begin(), frame.dib.end(), bytes.begin() + 14));
        if (!r.file.empty()) {
            ASSERT_TRUE(test::WriteFile(file.path + ".new", r.file));
            ASSERT_EQ(rename((file.path + ".new").c_str(), file.path.c_str()), 0);
        }
        EXPECT_EQ(ReloadPaintedFrame(nullptr, *doc, frame, file), r.result);
        EXPECT_EQ(rec->errors.size(), r.result == PaintReload::kFailed ? 1u : 0u);
        EXPECT_EQ(frame.width, r.width);
        EXPECT_EQ(DibWidth(frame.dib), r.width);
        EXPECT_EQ(DibBitCount(frame.dib), 24);
        EXPECT_EQ(frame.localPalette.size(), r.paletteSize);
        EXPECT_EQ(frame.tempPalette, r.paletteSize ? 0 : 1);
        EXPECT_GE(doc->screenWidth, r.width);
        EXPECT_GE(doc->screenHeight, r.height);
        for (int y = 0; y < r.height; ++y)
            for (int x = 0; x < r.width; ++x) {
                const uint32_t p = r.expected(x, y);
                EXPECT_EQ(test::PixelOf(frame.dib, x, y), (Rgb{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)}))
                    << x << "," << y;
            }
        // Work that did not reach the frame stays on disk for the user.
        EXPECT_EQ(RemovePaintFileIfSafe(file), r.result != PaintReload::kFailed);
        EXPECT_EQ(stat(file.folder.c_str(), &st) == 0, r.result == PaintReload::kFailed);
        if (r.result == PaintReload::kFailed) {
            unlink(file.path.c_str());
            rmdir(file.folder.c_str());
        }
    }
}

TEST(FrameListLayout, TilesFillRowsAndScrollByWholeRows) {
    FrameListLayout layout;
    layout.SetDocument(7, 100, 80);
    layout.SetClientSize(400, 300);
    EXPECT_EQ(layout.TileWidth(), 150);
    EXPECT_EQ(layout.TilesPerRow(), 2);
    EXPECT_EQ(layout.RowCount(), 4);
    EXPECT_EQ(layout.HorizontalRange(), 0);
    EXPECT_EQ(layout.TileAt(6).y, 3 * 130);
    EXPECT_EQ(layout.TileAt(5).x, 150);
    EXPECT_EQ(layout.FrameAt(160, 140), 3);
    EXPECT_EQ(layout.FrameAt(310, 10), -1);  // beyond the last column
    EXPECT_EQ(layout.FrameAt(10, 3 * 130 + 5), 6);
    EXPECT_EQ(layout.FrameAt(160, 3 * 130 + 5), -1);  // the last row has one tile
    EXPECT_EQ(layout.EndShownFrame(), 6);

    // Wheel and lines past either end leave the view as it is.
    EXPECT_FALSE(layout.ScrollRows(-1));
    EXPECT_TRUE(layout.ScrollRows(3));
    EXPECT_EQ(layout.FirstShownFrame(), 6);
    EXPECT_FALSE(layout.ScrollRows(1));
    EXPECT_EQ(layout.FrameAt(10, 5), 6);
    EXPECT_EQ(layout.TileAt(6).y, 0);

    // Narrower than a tile: one to a row, scrolled sideways by pixels.
    layout.SetClientSize(120, 300);
    EXPECT_EQ(layout.TilesPerRow(), 1);
    EXPECT_EQ(layout.FirstShownFrame(), 6);
    EXPECT_EQ(layout.HorizontalRange(), 30);
    EXPECT_TRUE(layout.SetHorizontalOffset(50));
    EXPECT_EQ(layout.HorizontalOffset(), 30);
    EXPECT_EQ(layout.TileAt(6).x, -30);
    // Wide enough for every tile in one row: the offset goes, the top row is 0.
    layout.SetClientSize(1200, 300);
    EXPECT_EQ(layout.TilesPerRow(), 8);
    EXPECT_EQ(layout.HorizontalOffset(), 0);
    EXPECT_EQ(layout.TopRow(), 0);
    EXPECT_EQ(layout.EndShownFrame(), 7);
}

}  // namespace
}  // namespace kivo
