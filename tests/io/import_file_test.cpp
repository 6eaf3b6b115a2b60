// Image files as frames: BMP pictures with their colour tables, GIF animations
// spliced in with their palettes, and the failures that must leave the document
// as it was.
#include <gtest/gtest.h>

#include "doc/dib.h"
#include "doc/import_bmp.h"
#include "doc/selection.h"
#include "io/import_file.h"
#include "io/open_save.h"
#include "jpeg/jpeg_writer.h"
#include "png/png_writer.h"
#include "frame_ops/blank_frame.h"
#include "gif/lzw_encoder.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::Bytes;

// A paletted BMP of the given depth with `used` table entries (0 = all), pixel
// (x, y) = index f(x, y); rows bottom-up and padded to 4 bytes.
template <typename F>
std::vector<uint8_t> PalettedBmp(int bits, int width, int height, uint32_t used,
                                 const std::vector<Rgb>& table, F f) {
    const size_t row = (size_t(width) * size_t(bits) + 31) / 32 * 4;
    const size_t entries = used ? used : (size_t(1) << bits);
    const size_t offset = 14 + 40 + 4 * entries;
    Bytes b;
    b.str("BM").u32(uint32_t(offset + row * size_t(height))).u32(0).u32(uint32_t(offset));
    b.u32(40).u32(uint32_t(width)).u32(uint32_t(height)).u16(1).u16(uint16_t(bits)).u32(0);
    b.u32(uint32_t(row * size_t(height))).u32(2835).u32(2835).u32(used).u32(0);
    for (size_t i = 0; i < entries; ++i) {
        Rgb c = i < table.size() ? table[i] : Rgb{};
        b.u8(c.b).u8(c.g).u8(c.r).u8(0);
    }
    for (int y = height - 1; y >= 0; --y) {
        std::vector<uint8_t> r(row, 0);
        for (int x = 0; x < width; ++x) {
            const int v = f(x, y);
            const int bit = x * bits;
            r[size_t(bit / 8)] |= uint8_t(v << (8 - bits - bit % 8));
        }
        b.raw(r);
    }
    return b.data;
}

// A GIF of `frames` images with a global palette of 4 entries (or local ones).
std::vector<uint8_t> SmallGif(int frames, bool localPalettes, int width = 3, int height = 2) {
    Bytes b;
    b.str("GIF89a").u16(uint16_t(width)).u16(uint16_t(height));
    if (localPalettes) {
        b.u8(0).u8(0).u8(0);
    } else {
        b.u8(0x81).u8(0).u8(0);
        for (int i = 0; i < 4; ++i) b.u8(uint8_t(10 * i)).u8(uint8_t(20 * i)).u8(uint8_t(30 * i));
    }
    for (int k = 0; k < frames; ++k) {
        b.u8(0x2C).u16(0).u16(0).u16(uint16_t(width)).u16(uint16_t(height));
        if (localPalettes) {
            b.u8(0x81);
            for (int i = 0; i < 4; ++i) b.u8(uint8_t(100 + i)).u8(uint8_t(k)).u8(7);
        } else {
            b.u8(0);
        }
        std::vector<uint8_t> idx(size_t(width * height));
        for (size_t i = 0; i < idx.size(); ++i) idx[i] = uint8_t((i + size_t(k)) % 4);
        std::vector<uint8_t> data;
        LzwEncodeImage(idx.data(), width, height, 2, false, data);
        b.raw(data);
    }
    b.u8(0x3B);
    return b.data;
}

class ImportTest : public testing::Test {
protected:
    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string p = dir.file(name);
        EXPECT_TRUE(test::WriteFile(p, bytes));
        return p;
    }
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    std::unique_ptr<AnimDoc> doc = NewDocument();
};

TEST_F(ImportTest, PalettedBmpKeepsItsColourTableAsLocalPalette) {
    std::vector<Rgb> table;
    for (int i = 0; i < 16; ++i) table.push_back({uint8_t(i * 16), uint8_t(255 - i), uint8_t(i)});
    auto path = Put("four.BMP", PalettedBmp(4, 5, 3, 0, table, [](int x, int y) { return x + 5 * y; }));
    ASSERT_TRUE(ImportFile(nullptr, *doc, kImportAppend, path));
    Frame& f = *doc->currentFrame;
    EXPECT_EQ(f.localPalette, table);
    EXPECT_EQ(f.tempPalette, 1);
    EXPECT_EQ(f.width, 5);
    EXPECT_EQ(f.height, 3);
    EXPECT_EQ(DibBitCount(f.dib), 24);
    EXPECT_EQ(test::PixelOf(f.dib, 2, 1), table[7]);
    EXPECT_EQ(doc->screenWidth, 5);
    EXPECT_EQ(doc->screenHeight, 3);

    // A table shorter than the depth allows: the missing entries are black.
    auto shortTable = Put("short.dib", PalettedBmp(8, 2, 2, 3, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}},
                                                   [](int x, int y) { return x + y; }));
    ASSERT_TRUE(ImportFile(nullptr, *doc, kImportAppend, shortTable));
    ASSERT_EQ(doc->currentFrame->localPalette.size(), 256u);
    EXPECT_EQ(doc->currentFrame->localPalette[2], (Rgb{7, 8, 9}));
    EXPECT_EQ(doc->currentFrame->localPalette[3], Rgb{});
    EXPECT_EQ(test::PixelOf(doc->currentFrame->dib, 1, 1), (Rgb{7, 8, 9}));
    EXPECT_EQ(doc->frameCount, 2);
    EXPECT_TRUE(rec->errors.empty());
}

TEST_F(ImportTest, TrueColourBmpHasNoLocalPalette) {
    Dib dib = test::MakeImage(4, 4, [](int x, int y) { return Rgb{uint8_t(x * 60), uint8_t(y), 9}; });
    Bytes b;
    b.str("BM").u32(uint32_t(14 + dib.size())).u32(0).u32(54).raw(dib);
    auto path = Put("true.bmp", b.data);
    Frame f;
    ASSERT_TRUE(ReadBmpFrame(nullptr, path, f));
    EXPECT_TRUE(f.localPalette.empty());
    EXPECT_EQ(f.dib, dib);
}

TEST_F(ImportTest, FailuresLeaveTheDocumentAsItWas) {
    auto good = Put("a.bmp", PalettedBmp(1, 2, 2, 0, {{0, 0, 0}, {255, 255, 255}},
                                         [](int x, int) { return x; }));
    ASSERT_TRUE(ImportFile(nullptr, *doc, kImportAppend, good));
    ASSERT_TRUE(ImportFile(nullptr, *doc, kImportAppend, good));
    doc->currentFrame = doc->firstFrame.get();
    doc->currentIndex = 0;
    const Frame* current = doc->currentFrame;

    const std::string bad[] = {dir.file("noext"), Put("junk.bmp", {'B', 'M', 1}),
                               Put("x.xyz", {1}), dir.file("gone.gif"),
                               Put("bad.gif", {'G', 'I', 'F', '8', '9', 'a'}),
                               dir.file("dotted.d/name")};
    for (const std::string& path : bad) {
        SCOPED_TRACE(path);
        rec->errors.clear();
        EXPECT_FALSE(ImportFile(nullptr, *doc, kImportInsert, path));
        ASSERT_FALSE(rec->errors.empty());
        EXPECT_EQ(rec->errors.back(), "ファイルオープンに失敗しました。");
        EXPECT_EQ(doc->frameCount, 2);
        EXPECT_EQ(doc->currentFrame, current);
        EXPECT_EQ(doc->currentIndex, 0);
    }
}

TEST_F(ImportTest, InsertPutsThePictureBeforeTheCurrentFrame) {
    auto a = Put("a.bmp", PalettedBmp(1, 2, 2, 0, {{1, 1, 1}, {2, 2, 2}}, [](int, int) { return 0; }));
    auto b = Put("b.bmp", PalettedBmp(1, 2, 2, 0, {{3, 3, 3}, {4, 4, 4}}, [](int, int) { return 1; }));
    ASSERT_TRUE(ImportFile(nullptr, *doc, kImportAppend, a));
    ASSERT_TRUE(ImportFile(nullptr, *doc, kImportAppend, a));
    doc->currentFrame = NthFrame(*doc, 1);
    doc->currentIndex = 1;
    ASSERT_TRUE(ImportFile(nullptr, *doc, kImportInsert, b));
    EXPECT_EQ(doc->frameCount, 3);
    EXPECT_EQ(doc->currentIndex, 1);
    EXPECT_EQ(doc->currentFrame, NthFrame(*doc, 1));
    EXPECT_EQ(test::PixelOf(NthFrame(*doc, 1)->dib, 0, 0), (Rgb{4, 4, 4}));
}

TEST_F(ImportTest, GifAnimationIsSplicedWithItsPalettes) {
    // Into a document without a global palette: the GIF's palette moves over.
    auto gif = Put("anim.gif", SmallGif(2, false));
    ASSERT_TRUE(ImportFile(nullptr, *doc, kImportAppend, gif));
    EXPECT_EQ(doc->frameCount, 2);
    ASSERT_EQ(doc->globalPalette.size(), 4u);
    EXPECT_EQ(doc->globalPalette[3], (Rgb{30, 60, 90}));
    EXPECT_TRUE(doc->firstFrame->localPalette.empty());
    EXPECT_EQ(doc->currentFrame, doc->firstFrame.get());
    EXPECT_EQ(doc->screenWidth, 3);

    // Into one that has a global palette: frames without their own get a copy.
    doc->globalPalette = {{9, 9, 9}, {8, 8, 8}};
    auto big = Put("big.gif", SmallGif(3, false, 6, 5));
    ASSERT_TRUE(ImportFile(nullptr, *doc, kImportAppend, big));
    EXPECT_EQ(doc->frameCount, 5);
    EXPECT_EQ(doc->currentIndex, 2);
    EXPECT_EQ(doc->globalPalette.size(), 2u);
    for (int i = 2; i < 5; ++i) {
        ASSERT_EQ(NthFrame(*doc, i)->localPalette.size(), 4u);
        EXPECT_EQ(NthFrame(*doc, i)->localPalette[1], (Rgb{10, 20, 30}));
    }
    EXPECT_EQ(doc->screenWidth, 6);
    EXPECT_EQ(doc->screenHeight, 5);

    // Inserted before the current frame, local palettes kept as they are.
    doc->currentFrame = doc->firstFrame->next.get();
    doc->currentIndex = 1;
    auto local = Put("local.GIF", SmallGif(2, true));
    ASSERT_TRUE(ImportFile(nullptr, *doc, kImportInsert, local));
    EXPECT_EQ(doc->frameCount, 7);
    EXPECT_EQ(doc->currentIndex, 1);
    EXPECT_EQ(NthFrame(*doc, 1)->localPalette[0], (Rgb{100, 0, 7}));
    EXPECT_EQ(NthFrame(*doc, 2)->localPalette[0], (Rgb{100, 1, 7}));
    EXPECT_TRUE(NthFrame(*doc, 3)->localPalette.empty());
}

// A one-colour PNG of the given size, through our own writer.
std::string PutPng(const test::TempFolder& dir, const std::string& name, Rgb colour, int w = 2, int h = 2) {
    Frame f;
    f.dib = test::MakeImage(w, h, [&](int, int) { return colour; });
    const std::string path = dir.file(name);
    EXPECT_TRUE(WritePngFile(nullptr, path, f, true, WriteOptions{}));
    return path;
}

TEST_F(ImportTest, InsertGoesBeforeTheFirstSelectedFrameAndSeveralFilesAreSorted) {
    Selection selection;
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(AddBlankFrame(*doc, selection, kImportAppend, 2, 2));
    SetSelection(*doc, selection, {3, 1});
    ASSERT_TRUE(ImportFile(nullptr, *doc, kImportInsert, PutPng(dir, "red.png", {255, 0, 0}), selection));
    EXPECT_EQ(doc->frameCount, 6);
    EXPECT_EQ(doc->currentIndex, 1);
    EXPECT_EQ(test::PixelOf(NthFrame(*doc, 1)->dib, 0, 0), (Rgb{255, 0, 0}));

    // Chosen as b, A, c: "A" is inserted before frame 0, b and c go to the end.
    SetSelection(*doc, selection, {0});
    const std::vector<std::string> chosen = {PutPng(dir, "b.png", {0, 0, 2}), PutPng(dir, "A.png", {0, 0, 1}),
                                             PutPng(dir, "c.png", {0, 0, 3})};
    ASSERT_TRUE(ImportFiles(nullptr, *doc, kImportInsert, chosen, selection));
    ASSERT_EQ(doc->frameCount, 9);
    EXPECT_EQ(test::PixelOf(NthFrame(*doc, 0)->dib, 0, 0), (Rgb{0, 0, 1}));
    EXPECT_EQ(test::PixelOf(NthFrame(*doc, 7)->dib, 0, 0), (Rgb{0, 0, 2}));
    EXPECT_EQ(test::PixelOf(NthFrame(*doc, 8)->dib, 0, 0), (Rgb{0, 0, 3}));
    EXPECT_TRUE(rec->errors.empty());
}

// Files dropped between two frames all land there, sorted, with an animation's
// frames kept together; dropped past the last frame they are appended; a bad
// file stops the drop after the files before it.
TEST_F(ImportTest, FilesDroppedBeforeAFrameStandTogetherThere) {
    const std::string b = PutPng(dir, "b.png", {0, 0, 2}), a = PutPng(dir, "A.png", {0, 0, 1});
    const std::string anim = Put("c.gif", SmallGif(2, true));
    const std::string bad = Put("bad.gif", {'G', 'I', 'F', '8', '9', 'a'});
    // The frames' first blue values as letters: 1 → A, 2 → B; blank frames are
    // '.', the animation's frames 'g'.
    auto order = [&] {
        std::string s;
        for (const Frame* f = doc->firstFrame.get(); f; f = f->next.get()) {
            const Rgb p = test::PixelOf(f->dib, 0, 0);
            s += p.r == 255 ? '.' : p.b == 1 ? 'A' : p.b == 2 ? 'B' : 'g';
        }
        return s;
    };
    struct Case {
        std::vector<std::string> files;
        int32_t before;
        bool ok;
        const char* order;
        int32_t added;
    };
    const Case cases[] = {
        {{b, a}, 2, true, "..AB..", 2},
        {{b, anim, a}, 1, true, ".ABgg...", 4},
        {{a}, 0, true, "A....", 1},
        {{b, a}, 4, true, "....AB", 2},
        {{b}, 99, true, "....B", 1},
        {{b, bad, a}, 1, false, ".AB...", 2},  // sorted A, b, bad: stops at bad
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.order);
        doc = NewDocument();
        Selection selection;
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(AddBlankFrame(*doc, selection, kImportAppend, 2, 2));
        int32_t added = -1;
        EXPECT_EQ(ImportFilesBefore(nullptr, *doc, c.files, c.before, {}, &added), c.ok);
        EXPECT_EQ(order(), c.order);
        EXPECT_EQ(added, c.added);
    }
}

// Whether an indexed PNG keeps its palette is the caller's choice, passed
// through the format table to the reader (the editor's session and kivo-cli
// take it from their write options).
TEST_F(ImportTest, TheCallersReadOptionsReachThePngReader) {
    const std::string png = PutPng(dir, "flat.png", {9, 8, 7});
    for (bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "keeping" : "not keeping");
        const ReadOptions reading{keep};
        auto into = NewDocument();
        ASSERT_TRUE(ImportFile(nullptr, *into, kImportAppend, png, {}, reading));
        EXPECT_EQ(into->firstFrame->pngPalette.empty(), !keep);
        auto whole = ReadAsDocument(nullptr, png, reading);
        ASSERT_TRUE(whole);
        EXPECT_EQ(whole->firstFrame->pngIndexPixels.size(), keep ? 4u : 0u);
    }
}

TEST_F(ImportTest, PreviewKnowsMoreExtensionsThanImport) {
    Frame source;
    source.dib = test::MakeImage(8, 8, [](int, int) { return Rgb{200, 200, 200}; });
    const std::string jpe = dir.file("photo.jpe");
    ASSERT_TRUE(WriteJpeg(nullptr, jpe, source, 90));
    // The import knows the file by its content instead.
    EXPECT_TRUE(ImportFile(nullptr, *doc, kImportAppend, jpe));
    EXPECT_EQ(doc->frameCount, 1);
    Frame preview;
    ASSERT_TRUE(LoadPreview(nullptr, jpe, preview));
    EXPECT_EQ(preview.width, 8);

    // A BMP preview keeps its own depth.
    auto bmp = Put("four.bmp", PalettedBmp(4, 3, 3, 0, {{1, 2, 3}, {4, 5, 6}}, [](int, int) { return 1; }));
    Frame bmpPreview;
    ASSERT_TRUE(LoadPreview(nullptr, bmp, bmpPreview));
    EXPECT_EQ(DibBitCount(bmpPreview.dib), 4);
    EXPECT_FALSE(LoadPreview(nullptr, dir.file("nodot"), bmpPreview));
}

}  // namespace
}  // namespace kivo
