// JPEG reading and writing against libjpeg itself: files libjpeg writes here are
// read by us and compared with libjpeg's own decoding under the same settings;
// files we write are decoded by libjpeg and compared with the pictures we meant.
// Damaged input must end in a message, never in a crash or an exit.
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include <gtest/gtest.h>

#include "doc/dib.h"
#include "jpeg/jpeg_reader.h"
#include "jpeg/jpeg_writer.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::PixelOf;

// A smooth picture (JPEG keeps it within a few levels), red/green ramps.
Rgb Smooth(int x, int y) { return Rgb{uint8_t(40 + 9 * x), uint8_t(200 - 7 * y), uint8_t(90 + 3 * (x + y))}; }

// libjpeg as an independent encoder. components 1 (grey = red), 3 (RGB) or 4
// (CMYK written as given, with or without Adobe's marker). Samples come from
// f(x, y, c).
template <typename F>
std::vector<uint8_t> LibjpegEncode(int w, int h, int components, bool progressive, F f,
                                   J_COLOR_SPACE stored = JCS_UNKNOWN, bool adobe = true) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    if (stored != JCS_UNKNOWN) jpeg_set_colorspace(&c, stored);
    if (!adobe) c.write_Adobe_marker = FALSE;
    jpeg_set_quality(&c, 95, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(w * components));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < components; ++k) row[size_t(x * components + k)] = f(x, y, k);
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(mem, mem + size);
    std::free(mem);
    return out;
}

std::vector<uint8_t> LibjpegEncodeSmooth(int w, int h, int components, bool progressive) {
    return LibjpegEncode(w, h, components, progressive, [](int x, int y, int k) {
        const Rgb c = Smooth(x, y);
        return k == 0 ? c.r : k == 1 ? c.g : c.b;
    });
}

struct Decoded {
    int width = 0, height = 0;
    bool progressive = false;
    std::vector<Rgb> pixels;  // top row first
};

// libjpeg's own decoding to RGB, with the settings our reader uses. Only given
// valid files: libjpeg's standard error exit ends the test program.
Decoded LibjpegDecode(const std::vector<uint8_t>& bytes, bool fastDct = false) {
    Decoded d;
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, bytes.data(), bytes.size());
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_RGB;
    c.do_fancy_upsampling = FALSE;
    if (fastDct) c.dct_method = JDCT_IFAST;
    jpeg_start_decompress(&c);
    d.width = int(c.output_width);
    d.height = int(c.output_height);
    d.progressive = c.progressive_mode;
    std::vector<JSAMPLE> row(size_t(d.width) * 3);
    while (c.output_scanline < c.output_height) {
        JSAMPROW p = row.data();
        jpeg_read_scanlines(&c, &p, 1);
        for (int x = 0; x < d.width; ++x) d.pixels.push_back({row[3 * x], row[3 * x + 1], row[3 * x + 2]});
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return d;
}

int MaxDifference(Rgb a, Rgb b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

struct ReadCase {
    const char* name;
    int width, height, components;
    bool progressive, preview;
};

TEST(JpegRead, GivesLibjpegsPixelsInDibOrder) {
    const ReadCase cases[] = {
        {"colour 17x9, 4:2:0", 17, 9, 3, false, false},
        {"width 3: rows padded to 12 bytes", 3, 5, 3, false, false},
        {"greyscale", 6, 4, 1, false, false},
        {"progressive", 20, 18, 3, true, false},
        {"preview mode: fast DCT", 24, 16, 3, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRecordingBackend rec;
        const auto file = LibjpegEncodeSmooth(c.width, c.height, c.components, c.progressive);
        const Decoded oracle = LibjpegDecode(file, c.preview);
        Frame frame;
        const bool ok =
            ReadJpegBytes(nullptr, file, frame, c.preview ? JpegDecode::kPreview : JpegDecode::kExact);
        ASSERT_TRUE(ok);
        EXPECT_TRUE(rec->errors.empty());
        ASSERT_EQ(frame.width, c.width);
        ASSERT_EQ(frame.height, c.height);
        ASSERT_EQ(frame.dib.size(), 40 + DibRowBytes(uint32_t(c.width), 24) * size_t(c.height));
        EXPECT_EQ(DibBitCount(frame.dib), 24);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const Rgb ours = PixelOf(frame.dib, x, y), theirs = oracle.pixels[size_t(y * c.width + x)];
                ASSERT_EQ(ours, theirs) << x << "," << y;
                const Rgb meant = Smooth(x, y);
                ASSERT_LE(MaxDifference(ours, c.components == 1 ? Rgb{meant.r, meant.r, meant.r} : meant), 12);
            }
    }
}

TEST(JpegRead, CmykBecomesLightByItsInk) {
    struct Case {
        const char* name;
        J_COLOR_SPACE stored;
        bool adobe;       // Adobe's files store the channels inverted: 255 = no ink
        uint8_t cmyk[4];  // as stored
        Rgb expected;
    } cases[] = {
        {"no black", JCS_CMYK, true, {200, 100, 50, 255}, {200, 100, 50}},
        {"half black", JCS_CMYK, true, {200, 100, 50, 128}, {100, 50, 25}},
        {"YCCK", JCS_YCCK, true, {200, 100, 50, 255}, {200, 100, 50}},
        {"full black", JCS_CMYK, true, {255, 255, 255, 0}, {0, 0, 0}},
        {"without Adobe's marker: plain ink", JCS_CMYK, false, {55, 155, 205, 128}, {100, 50, 25}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRecordingBackend rec;
        const auto file = LibjpegEncode(8, 8, 4, false, [&](int, int, int k) { return c.cmyk[k]; },
                                        c.stored, c.adobe);
        Frame frame;
        ASSERT_TRUE(ReadJpegBytes(nullptr, file, frame));
        EXPECT_LE(MaxDifference(PixelOf(frame.dib, 3, 3), c.expected), 3);
    }
}

TEST(JpegRead, DamagedInputEndsInAMessageNotACrash) {
    const auto good = LibjpegEncodeSmooth(64, 48, 3, false);
    auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + long(n)); };
    std::vector<uint8_t> scrambled = good;
    for (size_t i = good.size() / 2; i < good.size() - 2; i += 7) scrambled[i] ^= 0x5A;
    std::vector<uint8_t> huge = good;
    for (size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {  // SOF0: height and width
            huge[i + 5] = huge[i + 7] = 0xEA;
            huge[i + 6] = huge[i + 8] = 0x60;
            break;
        }
    const std::string text = "this is not a picture\n";

    constexpr auto kAny = JpegReadFault(-1);  // damage libjpeg may or may not get past
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        JpegReadFault fault;
        const char* says;     // start of the library's error text, or of the warning on success
    } cases[] = {
        {"plain text", {text.begin(), text.end()}, JpegReadFault::kLibrary, "Not a JPEG file"},
        {"empty", {}, JpegReadFault::kLibrary, "Empty input file"},
        {"header cut short", cut(40), JpegReadFault::kLibrary, ""},
        {"data cut in half: a warning, the rest grey", cut(good.size() / 2), JpegReadFault::kNone,
         "Premature end of JPEG file"},
        {"scrambled entropy data", scrambled, kAny, ""},
        {"60000 x 60000 pixels", huge, JpegReadFault::kTooLarge, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Frame frame;
        const JpegReadError error = ReadJpegBytes(c.bytes, frame);
        if (c.fault == kAny) continue;
        EXPECT_EQ(error.fault, c.fault);
        if (!error) {
            EXPECT_EQ(frame.width, 64);
            EXPECT_EQ(DibHeight(frame.dib), 48);
        } else {
            EXPECT_TRUE(frame.dib.empty());
            EXPECT_EQ(frame.width, 0);
            EXPECT_FALSE(JpegReadMessage(error).empty());
        }
        const std::string& said = error ? error.library : error.warning;
        EXPECT_EQ(said.rfind(c.says, 0), 0u) << said;
    }

    // What the user is shown: the first warning, then what ended the read.
    struct Shown { const char* name; const std::vector<uint8_t>& bytes; std::vector<std::string> messages; };
    const Shown shown[] = {
        {"refused", cases[0].bytes, {"Not a JPEG file: starts with 0x74 0x68"}},
        {"read with a warning", cases[3].bytes, {std::string(cases[3].says)}},
        {"too large", huge, {"JPEG image too large (60000 x 60000 pixels)"}},
    };
    for (const Shown& k : shown) {
        SCOPED_TRACE(k.name);
        ScopedRecordingBackend rec;
        Frame frame;
        ReadJpegBytes(nullptr, k.bytes, frame);
        ASSERT_EQ(rec->errors.size(), k.messages.size());
        for (size_t i = 0; i < k.messages.size(); ++i)
            EXPECT_EQ(rec->errors[i].rfind(k.messages[i], 0), 0u) << rec->errors[i];
    }
}

TEST(JpegRead, FilesAreReadAndMissingOnesNamed) {
    test::TempFolder dir;
    const std::string path = dir.file("p.jpg");
    ASSERT_TRUE(test::WriteFile(path, LibjpegEncodeSmooth(9, 7, 3, false)));
    ScopedRecordingBackend rec;
    Frame frame;
    ASSERT_TRUE(ReadJpeg(nullptr, path, frame));
    EXPECT_EQ(frame.height, 7);
    const JpegReadError error = ReadJpeg(dir.file("none.jpg"), frame);
    EXPECT_EQ(error.fault, JpegReadFault::kCannotOpen);
    EXPECT_EQ(error.path, dir.file("none.jpg"));
    EXPECT_FALSE(ReadJpeg(nullptr, dir.file("none.jpg"), frame));
    EXPECT_EQ(rec->errors, std::vector<std::string>{"can't open " + dir.file("none.jpg") + "\n"});
}

// The start-of-frame marker says how the file was coded: 0xC0 baseline, 0xC2
// progressive (0xC1 would mean tables beyond baseline).
int FrameMarker(const std::vector<uint8_t>& jpeg) {
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xC0 && jpeg[i + 1] <= 0xC2) return jpeg[i + 1];
    return -1;
}

TEST(JpegWrite, LibjpegDecodesWhatWeMeant) {
    struct Case {
        const char* name;
        int width, height, quality;
        bool interlace;
        int marker, tolerance;
    } cases[] = {
        {"quality 90, baseline", 32, 16, 90, false, 0xC0, 10},
        {"quality 60", 17, 11, 60, false, 0xC0, 24},
        {"quality 1 keeps baseline tables", 16, 16, 1, false, 0xC0, 255},
        {"width 3, interlaced: progressive", 3, 8, 90, true, 0xC2, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedRecordingBackend rec;
        Frame frame;
        frame.dib = test::MakeImage(c.width, c.height, Smooth);
        frame.width = decltype(frame.width)(c.width);
        frame.height = decltype(frame.height)(c.height);
        const Dib before = frame.dib;
        std::vector<uint8_t> jpeg;
        const bool ok = EncodeJpeg(nullptr, frame, {c.quality, c.interlace}, jpeg);
        ASSERT_TRUE(ok);
        EXPECT_TRUE(rec->errors.empty());
        EXPECT_EQ(frame.dib, before);
        EXPECT_EQ(FrameMarker(jpeg), c.marker);
        const Decoded d = LibjpegDecode(jpeg);
        EXPECT_EQ(d.progressive, c.interlace);
        ASSERT_EQ(d.width, c.width);
        ASSERT_EQ(d.height, c.height);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_LE(MaxDifference(d.pixels[size_t(y * c.width + x)], Smooth(x, y)), c.tolerance)
                    << x << "," << y;
    }
}

TEST(JpegWrite, FilesAreWrittenWholeOrNotAtAll) {
    test::TempFolder dir;
    Frame frame;
    frame.dib = test::MakeImage(5, 4, Smooth);
    frame.width = 5;
    frame.height = 4;
    ScopedRecordingBackend rec;
    std::vector<uint8_t> memory;
    ASSERT_TRUE(EncodeJpeg(nullptr, frame, 75, memory));
    const std::string path = dir.file("out.jpg");
    ASSERT_TRUE(WriteJpeg(nullptr, path, frame, 75));
    EXPECT_EQ(test::ReadFile(path), memory);

    const std::string missing = dir.file("no/such/folder.jpg");
    const JpegWriteError cannotOpen = WriteJpeg(missing, frame, 75);
    EXPECT_EQ(cannotOpen.fault, JpegWriteFault::kCannotOpen);
    EXPECT_EQ(cannotOpen.path, missing);
    Frame empty;
    EXPECT_EQ(WriteJpeg(path, empty, 75).fault, JpegWriteFault::kNoPicture);
    EXPECT_EQ(test::ReadFile(path), memory);  // the earlier file is still whole
    EXPECT_EQ(EncodeJpeg(empty, 75, memory).fault, JpegWriteFault::kNoPicture);
    EXPECT_TRUE(memory.empty());
    ASSERT_TRUE(rec->errors.empty());

    // The showing forms tell the user the same.
    EXPECT_FALSE(WriteJpeg(nullptr, missing, frame, 75));
    EXPECT_FALSE(WriteJpeg(nullptr, path, empty, 75));
    memory = {1};
    EXPECT_FALSE(EncodeJpeg(nullptr, empty, 75, memory));
    EXPECT_TRUE(memory.empty());
    EXPECT_EQ(rec->errors, (std::vector<std::string>{"can't open " + missing + "\n",
                                                     "The frame has no 24-bit picture to write",
                                                     "The frame has no 24-bit picture to write"}));
}

}  // namespace
}  // namespace kivo
