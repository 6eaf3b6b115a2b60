// PNG reading and writing, with libpng itself as the independent party: the
// files we read are written here by libpng from known samples, and what we write
// is decoded by libpng's own simplified reader and compared with what libpng's
// writer makes of the same image.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "options/write_options.h"
#include "doc/dib.h"
#include "png/compressibility.h"
#include "png/png_reader.h"
#include "png/png_writer.h"
#include "platform/recording_backend.h"
#include "platform/safe_save.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::PixelOf;
using test::TempFolder;

struct PngLayout {
    uint32_t width = 5, height = 4;
    int colorType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool interlace = false;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    const png_color_16* transparentColor = nullptr;  // tRNS of a greyscale or RGB image
    const png_color_16* background = nullptr;
    double gamma = 0;  // 0 = no gAMA
    std::vector<std::pair<std::string, std::string>> texts;  // zTXt when the key starts with 'z'
};

// Writes a PNG through libpng whose sample (x, y, channel) is sample(x, y, ch).
std::vector<uint8_t> LibpngWrite(const PngLayout& s, const std::function<unsigned(int, int, int)>& sample) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, [](png_structp p, png_bytep d, png_size_t n) {
        auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        v->insert(v->end(), d, d + n);
    }, nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colorType,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.paletteAlpha.empty())
        png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
    if (s.transparentColor) png_set_tRNS(png, info, nullptr, 0, s.transparentColor);
    if (s.background) png_set_bKGD(png, info, s.background);
    if (s.gamma > 0) png_set_gAMA(png, info, s.gamma);
    std::vector<png_text> texts;
    for (auto& [k, t] : s.texts)
        texts.push_back(png_text{k[0] == 'z' ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE,
                                 const_cast<char*>(k.c_str()), const_cast<char*>(t.c_str()), t.size(), 0,
                                 nullptr, nullptr});
    if (!texts.empty()) png_set_text(png, info, texts.data(), int(texts.size()));
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const int bytesPerSample = s.depth == 16 ? 2 : 1;
    std::vector<std::vector<uint8_t>> rows(s.height, std::vector<uint8_t>(png_get_rowbytes(png, info), 0));
    for (uint32_t y = 0; y < s.height; ++y) {
        for (uint32_t x = 0; x < s.width; ++x) {
            for (int ch = 0; ch < channels; ++ch) {
                const unsigned v = sample(int(x), int(y), ch);
                if (s.depth < 8) {
                    const size_t bit = size_t(x) * s.depth;
                    rows[y][bit / 8] |= uint8_t(v << (8 - s.depth - bit % 8));
                } else if (bytesPerSample == 2) {
                    rows[y][(x * channels + ch) * 2] = uint8_t(v >> 8);
                    rows[y][(x * channels + ch) * 2 + 1] = uint8_t(v);
                } else {
                    rows[y][x * channels + ch] = uint8_t(v);
                }
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Decodes PNG bytes with libpng's simplified reader into RGB, top row first.
std::vector<uint8_t> LibpngDecodeRgb(const std::vector<uint8_t>& bytes, uint32_t& w, uint32_t& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    w = image.width;
    h = image.height;
    return rgb;
}

// The eight-bit value a sample of `depth` bits stands for.
unsigned Scale(unsigned v, int depth) {
    if (depth == 16) return v >> 8;
    return v * 255 / ((1u << depth) - 1);
}

TEST(PngRead, EveryColourTypeAndDepthMatchesTheSamples) {
    struct Case { int colorType; int depth; bool interlace; };
    const Case cases[] = {
        {PNG_COLOR_TYPE_GRAY, 1, false}, {PNG_COLOR_TYPE_GRAY, 2, true}, {PNG_COLOR_TYPE_GRAY, 4, false},
        {PNG_COLOR_TYPE_GRAY, 8, true},  {PNG_COLOR_TYPE_GRAY, 16, false},
        {PNG_COLOR_TYPE_GRAY_ALPHA, 8, false}, {PNG_COLOR_TYPE_GRAY_ALPHA, 16, true},
        {PNG_COLOR_TYPE_PALETTE, 1, false}, {PNG_COLOR_TYPE_PALETTE, 2, true},
        {PNG_COLOR_TYPE_PALETTE, 4, false}, {PNG_COLOR_TYPE_PALETTE, 8, true},
        {PNG_COLOR_TYPE_RGB, 8, false},  {PNG_COLOR_TYPE_RGB, 16, true},
        {PNG_COLOR_TYPE_RGB_ALPHA, 8, true}, {PNG_COLOR_TYPE_RGB_ALPHA, 16, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "type " << k.colorType << " depth " << k.depth
                                        << (k.interlace ? " interlaced" : ""));
        PngLayout layout;
        layout.width = 11;
        layout.height = 9;
        layout.colorType = k.colorType;
        layout.depth = k.depth;
        layout.interlace = k.interlace;
        const unsigned top = (1u << k.depth) - 1;
        if (k.colorType == PNG_COLOR_TYPE_PALETTE)
            for (unsigned i = 0; i <= top; ++i)
                layout.palette.push_back(png_color{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 3 + 1)});
        // Alpha only 0 or full here, so no blending is involved.
        auto sample = [&](int x, int y, int ch) -> unsigned {
            const bool alpha = (k.colorType & PNG_COLOR_MASK_ALPHA) && ch == (k.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 1 : 3);
            if (alpha) return (x + y) % 5 == 0 ? 0 : top;
            return unsigned(x * 37 + y * 101 + ch * 53) % (top + 1);
        };
        const auto bytes = LibpngWrite(layout, sample);
        ScopedRecordingBackend rec;
        Frame frame;
        ASSERT_TRUE(ReadPngBytes(nullptr, bytes, frame));
        ASSERT_EQ(frame.width, int(layout.width));
        ASSERT_EQ(frame.height, int(layout.height));
        bool wrong = false;
        for (int y = 0; y < int(layout.height) && !wrong; ++y) {
            for (int x = 0; x < int(layout.width); ++x) {
                Rgb want;
                if (k.colorType == PNG_COLOR_TYPE_PALETTE) {
                    const png_color c = layout.palette[sample(x, y, 0)];
                    want = Rgb{c.red, c.green, c.blue};
                } else if (k.colorType & PNG_COLOR_MASK_COLOR) {
                    want = Rgb{uint8_t(Scale(sample(x, y, 0), k.depth)), uint8_t(Scale(sample(x, y, 1), k.depth)),
                               uint8_t(Scale(sample(x, y, 2), k.depth))};
                } else {
                    const uint8_t g = uint8_t(Scale(sample(x, y, 0), k.depth));
                    want = Rgb{g, g, g};
                }
                if (!(PixelOf(frame.dib, x, y) == want)) {
                    ADD_FAILURE() << "pixel " << x << "," << y;
                    wrong = true;
                    break;
                }
            }
        }
        EXPECT_EQ(frame.hasTransparency, (k.colorType & PNG_COLOR_MASK_ALPHA) ? 1 : 0);
        EXPECT_TRUE(rec->errors.empty());
    }
}

TEST(PngRead, AlphaBlendsOverTheBackgroundAndTheFirstClearPixelNamesTransparency) {
    const png_color_16 white{0, 255, 255, 255, 0};
    const png_color_16 grey3{0, 0, 0, 0, 3};
    struct Case {
        int colorType, depth;
        const png_color_16* background;
        Rgb half;  // the pixel of alpha 128
    };
    // v = c*a + b*(255-a) + 128, result (v + v/256) / 256, with c = 200, a = 128.
    const Case cases[] = {
        {PNG_COLOR_TYPE_RGB_ALPHA, 8, nullptr, Rgb{100, 100, 100}},
        {PNG_COLOR_TYPE_RGB_ALPHA, 8, &white, Rgb{227, 227, 227}},
    };
    for (const Case& k : cases) {
        PngLayout layout;
        layout.width = 4;
        layout.height = 1;
        layout.colorType = k.colorType;
        layout.background = k.background;
        // x=0 half, x=1 clear red, x=2 clear blue, x=3 opaque green.
        const auto bytes = LibpngWrite(layout, [](int x, int, int ch) -> unsigned {
            static const unsigned px[4][4] = {{200, 200, 200, 128}, {255, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 255}};
            return px[x][ch];
        });
        ScopedRecordingBackend rec;
        Frame frame;
        ASSERT_TRUE(ReadPngBytes(nullptr, bytes, frame));
        EXPECT_EQ(PixelOf(frame.dib, 0, 0), k.half);
        EXPECT_EQ(frame.hasTransparency, 1);
        EXPECT_EQ(frame.transparentRgb, (Rgb{255, 0, 0}));
        EXPECT_EQ(PixelOf(frame.dib, 2, 0), (Rgb{0, 0, 255})) << "later clear pixels keep their colour";
        EXPECT_EQ(PixelOf(frame.dib, 3, 0), (Rgb{0, 255, 0}));
    }
    // A grey image of depth 2 with bKGD 3 blends over white.
    PngLayout layout;
    layout.width = 2;
    layout.height = 1;
    layout.colorType = PNG_COLOR_TYPE_GRAY;
    layout.depth = 2;
    layout.background = &grey3;
    layout.paletteAlpha = {};  // tRNS for grey comes through the colour form below
    auto bytes = LibpngWrite(layout, [](int x, int, int) -> unsigned { return x; });
    Frame frame;
    ASSERT_TRUE(ReadPngBytes(nullptr, bytes, frame));
    EXPECT_EQ(PixelOf(frame.dib, 1, 0), (Rgb{85, 85, 85}));
}

TEST(PngRead, KeptPaletteAndIndexPlaneAndTexts) {
    PngLayout layout;
    layout.width = 6;
    layout.height = 3;
    layout.colorType = PNG_COLOR_TYPE_PALETTE;
    layout.depth = 4;
    // Entries 1 and 3 share a colour: pixels of either get the first index.
    layout.palette = {{0, 0, 0}, {10, 20, 30}, {200, 0, 0}, {10, 20, 30}, {0, 0, 255}};
    layout.texts = {{"Title", "short"}, {"zComment", std::string(40, 'q')}};
    const auto bytes = LibpngWrite(layout, [](int x, int y, int) -> unsigned { return unsigned(x + y) % 5; });
    ScopedRecordingBackend rec;
    Frame frame;
    ASSERT_TRUE(ReadPngBytes(nullptr, bytes, frame, {.keepPngPalette = true}));
    ASSERT_EQ(frame.pngPalette.size(), 5u);
    ASSERT_EQ(frame.pngIndexPixels.size(), 18u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) {
            const unsigned index = unsigned(x + y) % 5;
            EXPECT_EQ(frame.pngIndexPixels[size_t(y * 6 + x)], index == 3 ? 1 : index);
        }
    ASSERT_EQ(frame.textKeys.size(), 2u);
    EXPECT_EQ(frame.textKeys[0].key, "Title");
    EXPECT_EQ(frame.textKeys[1].text, std::string(40, 'q'));

    Frame plain;  // KeepPngPalette off: nothing kept
    ASSERT_TRUE(ReadPngBytes(nullptr, bytes, plain));
    EXPECT_TRUE(plain.pngIndexPixels.empty());
}

TEST(PngRead, BrokenDataIsRefusedWithAMessageAndLeavesTheFrameEmpty) {
    PngLayout layout;
    layout.width = 64;
    layout.height = 64;
    const auto good = LibpngWrite(layout, [](int x, int y, int ch) -> unsigned { return unsigned(x * y + ch * 77) & 255; });
    auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(n)); };
    auto badCrc = good;
    badCrc[good.size() - 20] ^= 0x55;  // inside the last IDAT
    auto sized = [&](uint32_t width, uint32_t height) {  // IHDR claiming this size, CRC mended
        auto b = good;
        for (int i = 0; i < 4; ++i) {
            b[size_t(16 + i)] = uint8_t(width >> (24 - 8 * i));
            b[size_t(20 + i)] = uint8_t(height >> (24 - 8 * i));
        }
        const uint32_t crc = uint32_t(crc32(0, b.data() + 12, 17));
        for (int i = 0; i < 4; ++i) b[size_t(29 + i)] = uint8_t(crc >> (24 - 8 * i));
        return b;
    };
    // libpng's own words are checked only for the cause they name.
    struct Case { const char* name; std::vector<uint8_t> bytes; PngReadFault fault; const char* libpngSays = ""; };
    const Case cases[] = {
        {"seven bytes", cut(7), PngReadFault::kNotPng},
        {"not a signature", std::vector<uint8_t>(100, 'x'), PngReadFault::kNotPng},
        {"ends after IHDR", cut(33), PngReadFault::kTruncated},
        {"ends inside IDAT", cut(good.size() / 2), PngReadFault::kTruncated},
        {"IEND missing", cut(good.size() - 12), PngReadFault::kTruncated},
        {"bad CRC", badCrc, PngReadFault::kLibpng, "CRC"},
        {"dimensions beyond 31 bits", sized(0xFFFF0040, 0xFFFF0040), PngReadFault::kLibpng, "out of range"},
        {"wider than a frame", sized(0x10000, 1), PngReadFault::kImageTooLarge},
        {"more pixels than allowed", sized(2048, 1024), PngReadFault::kImageTooLarge},
    };
    const size_t savedCap = MaxImagePixels;
    MaxImagePixels = 1 << 20;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Frame frame;
        const PngReadError error = ReadPngBytes(k.bytes, frame);
        EXPECT_EQ(error.fault, k.fault);
        EXPECT_TRUE(frame.dib.empty());
        EXPECT_NE(error.libpng.find(k.libpngSays), std::string::npos) << error.libpng;
    }
    MaxImagePixels = savedCap;
}

// The user still reads the texts the readers always showed, once per failure.
TEST(PngRead, EachFailureShowsItsOneMessage) {
    const auto good = LibpngWrite(PngLayout{}, [](int x, int, int) { return unsigned(x); });
    const std::vector<uint8_t> truncated(good.begin(), good.begin() + 40);
    auto badCrc = good;
    badCrc[40] ^= 0x55;
    Frame scratch;
    const std::string libpngText = ReadPngBytes(badCrc, scratch).libpng;
    ASSERT_FALSE(libpngText.empty());
    struct Case { const char* name; std::function<bool(Frame&)> read; std::string message; };
    const Case cases[] = {
        {"missing file", [](Frame& f) { return ReadPng(nullptr, "/nonexistent/no.png", f); }, "file open error!"},
        {"not PNG", [](Frame& f) { return ReadPngBytes(nullptr, std::vector<uint8_t>(9, 'x'), f); },
         "This file is not a PNG file"},
        {"cut short", [&](Frame& f) { return ReadPngBytes(nullptr, truncated, f); }, "PNG data ends before IEND"},
        {"libpng refuses", [&](Frame& f) { return ReadPngBytes(nullptr, badCrc, f); },
         "libpng error: " + libpngText + "\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ScopedRecordingBackend rec;
        Frame frame;
        EXPECT_FALSE(k.read(frame));
        EXPECT_EQ(rec->errors, std::vector<std::string>{k.message});
    }
    EXPECT_EQ(PngReadMessage({PngReadFault::kImageTooLarge}), "libpng error: image too large\n");
    EXPECT_EQ(PngReadMessage({PngReadFault::kGlobalPaletteTooLarge}), "");
}

class PngWrite : public testing::Test {
protected:
    WriteOptions options;
    TempFolder dir;
    ScopedRecordingBackend rec;
};

TEST_F(PngWrite, KindFollowsTheColoursAndLibpngDecodesThePixels) {
    struct Case { int colours; bool grey; int colorType; int depth; };
    const Case cases[] = {
        {1, false, PNG_COLOR_TYPE_PALETTE, 1},  {2, false, PNG_COLOR_TYPE_PALETTE, 1},
        {3, false, PNG_COLOR_TYPE_PALETTE, 2},  {16, false, PNG_COLOR_TYPE_PALETTE, 4},
        {17, false, PNG_COLOR_TYPE_PALETTE, 8}, {255, true, PNG_COLOR_TYPE_PALETTE, 8},
        {256, true, PNG_COLOR_TYPE_GRAY, 8},    {256, false, PNG_COLOR_TYPE_PALETTE, 8},
        {257, false, PNG_COLOR_TYPE_RGB, 8},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.colours << (k.grey ? " greys" : " colours"));
        Frame frame;
        frame.dib = test::MakeImage(20, 15, [&](int x, int y) {
            const int i = (y * 20 + x) % k.colours;
            return k.grey ? Rgb{uint8_t(i), uint8_t(i), uint8_t(i)} : Rgb{uint8_t(i), uint8_t(i * 3), uint8_t(i >> 8)};
        });
        const std::string path = dir.file("kind.png");
        ASSERT_TRUE(WritePngFile(nullptr, path, frame, true, options));
        const auto bytes = test::ReadFile(path);
        ASSERT_GT(bytes.size(), 33u);
        EXPECT_EQ(bytes[24], k.depth);
        EXPECT_EQ(bytes[25], k.colorType);
        uint32_t w = 0, h = 0;
        const auto rgb = LibpngDecodeRgb(bytes, w, h);
        ASSERT_EQ(rgb.size(), size_t(20 * 15 * 3));
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 20; ++x) {
                const Rgb p = PixelOf(frame.dib, x, y);
                const uint8_t* q = &rgb[size_t(y * 20 + x) * 3];
                ASSERT_EQ(p, (Rgb{q[0], q[1], q[2]})) << x << "," << y;
            }
    }
}

// The chunk types of a PNG datastream, in order, from `start`.
std::vector<std::string> ChunkTypes(const std::vector<uint8_t>& b, size_t start, std::vector<uint32_t>* lengths = nullptr) {
    std::vector<std::string> types;
    for (size_t pos = start; pos + 12 <= b.size();) {
        const uint32_t len = uint32_t(b[pos]) << 24 | uint32_t(b[pos + 1]) << 16 | uint32_t(b[pos + 2]) << 8 | b[pos + 3];
        types.emplace_back(reinterpret_cast<const char*>(&b[pos + 4]), 4);
        if (lengths) lengths->push_back(len);
        pos += 12 + len;
    }
    return types;
}

TEST_F(PngWrite, TextsInterlaceOverwriteAndTheMngForm) {
    Frame frame;
    frame.dib = test::MakeImage(9, 7, [](int x, int) { return x < 4 ? Rgb{255, 0, 0} : Rgb{0, 0, 255}; });
    AddKey(frame.textKeys, "Comment", std::string(20, 'a'));
    AddKey(frame.textKeys, "Title", "abc");
    AddKey(frame.textKeys, "", "keyless texts are left out");
    options.Interlace = 1;
    const std::string path = dir.file("t.png");
    ASSERT_TRUE(WritePngFile(nullptr, path, frame, true, options));
    auto bytes = test::ReadFile(path);
    EXPECT_EQ(bytes[28], 1) << "Adam7";
    EXPECT_EQ(ChunkTypes(bytes, 8), (std::vector<std::string>{"IHDR", "PLTE", "zTXt", "tEXt", "IDAT", "IEND"}));
    Frame back;
    ASSERT_TRUE(ReadPngBytes(nullptr, bytes, back));
    EXPECT_EQ(PixelOf(back.dib, 8, 6), (Rgb{0, 0, 255}));
    ASSERT_EQ(back.textKeys.size(), 2u);
    EXPECT_EQ(back.textKeys[0].text, std::string(20, 'a'));

    const auto before = bytes;  // without overwrite an existing file stays as it is
    Frame other;
    other.dib = test::MakeImage(2, 2, [](int, int) { return Rgb{1, 2, 3}; });
    EXPECT_TRUE(WritePngFile(nullptr, path, other, false, options));
    EXPECT_EQ(test::ReadFile(path), before);

    // Inside an MNG: no signature, PLTE of length 0, tRNS left out.
    PngImage image;
    image.kind = PngKindForMngPalette(1);
    image.width = 2;
    image.height = 2;
    image.dib = &other.dib;
    image.palette = {Rgb{1, 2, 3}};
    image.hasTransparency = true;
    image.transparent = Rgb{1, 2, 3};
    std::vector<uint8_t> plain, shaped;
    ASSERT_TRUE(EncodePng(nullptr, image, PngStreamForm{false, false, false}, plain));
    ASSERT_TRUE(EncodePng(nullptr, image, PngStreamForm{false, true, true}, shaped));
    EXPECT_EQ(plain[24 - 8], 2) << "a one-colour MNG frame is 2-bit";
    EXPECT_EQ(ChunkTypes(plain, 0), (std::vector<std::string>{"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}));
    std::vector<uint32_t> lengths;
    EXPECT_EQ(ChunkTypes(shaped, 0, &lengths), (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));
    EXPECT_EQ(lengths[1], 0u);
    EXPECT_TRUE(rec->errors.empty());
}

struct ChunkData {
    std::string type;
    std::vector<uint8_t> data;
};

// The chunks of a PNG file after its signature.
std::vector<ChunkData> Chunks(const std::vector<uint8_t>& b) {
    std::vector<ChunkData> chunks;
    for (size_t pos = 8; pos + 12 <= b.size();) {
        const uint32_t len = uint32_t(b[pos]) << 24 | uint32_t(b[pos + 1]) << 16 | uint32_t(b[pos + 2]) << 8 | b[pos + 3];
        if (pos + 12 + len > b.size()) break;
        chunks.push_back({std::string(reinterpret_cast<const char*>(&b[pos + 4]), 4),
                          std::vector<uint8_t>(b.begin() + std::ptrdiff_t(pos + 8), b.begin() + std::ptrdiff_t(pos + 8 + len))});
        pos += 12 + len;
    }
    return chunks;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out;
    z_stream z{};
    EXPECT_EQ(inflateInit(&z), Z_OK);
    z.next_in = const_cast<uint8_t*>(in.data());
    z.avail_in = uInt(in.size());
    uint8_t block[4096];
    int status;
    do {
        z.next_out = block;
        z.avail_out = sizeof block;
        status = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), block, block + (sizeof block - z.avail_out));
    } while (status == Z_OK);
    EXPECT_EQ(status, Z_STREAM_END);
    inflateEnd(&z);
    return out;
}

// Ours against libpng's own writer: every chunk but the compressed ones byte for
// byte; the image data (IDATs joined) and zTXt texts once inflated, so filtering,
// packing and interlacing must agree exactly while the compressor may differ.
void ExpectSameAsLibpng(const std::vector<uint8_t>& ours, const std::vector<uint8_t>& theirs) {
    ASSERT_TRUE(std::equal(ours.begin(), ours.begin() + 8, theirs.begin()));
    auto joinIdat = [](std::vector<ChunkData> chunks) {
        std::vector<ChunkData> joined;
        for (ChunkData& c : chunks) {
            if (c.type == "IDAT" && !joined.empty() && joined.back().type == "IDAT")
                joined.back().data.insert(joined.back().data.end(), c.data.begin(), c.data.end());
            else
                joined.push_back(std::move(c));
        }
        return joined;
    };
    const auto a = joinIdat(Chunks(ours)), b = joinIdat(Chunks(theirs));
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(a[i].type);
        ASSERT_EQ(a[i].type, b[i].type);
        if (a[i].type == "IDAT") {
            EXPECT_EQ(Inflate(a[i].data), Inflate(b[i].data));
        } else if (a[i].type == "zTXt") {
            const auto split = [](const std::vector<uint8_t>& d) {
                const size_t end = std::find(d.begin(), d.end(), 0) - d.begin() + 2;  // keyword, 0, method
                return std::make_pair(std::vector<uint8_t>(d.begin(), d.begin() + std::ptrdiff_t(end)),
                                      Inflate(std::vector<uint8_t>(d.begin() + std::ptrdiff_t(end), d.end())));
            };
            EXPECT_EQ(split(a[i].data), split(b[i].data));
        } else {
            EXPECT_EQ(a[i].data, b[i].data);
        }
    }
}

TEST_F(PngWrite, EveryKindFiltersPacksAndInterlacesAsLibpngDoes) {
    struct Case { PngKind kind; uint32_t width, height; };
    // Sizes of one row or one column allow libpng fewer filters; 37 x 23 leaves
    // a part byte at the end of packed rows and gives every Adam7 pass content.
    const Case cases[] = {
        {kPngPalette1, 37, 23}, {kPngPalette2, 37, 23}, {kPngPalette4, 37, 23}, {kPngPalette8, 37, 23},
        {kPngGrey8, 37, 23},    {kPngRgb, 37, 23},      {kPngGrey8, 1, 9},      {kPngRgb, 9, 1},
        {kPngRgb, 1, 1},        {kPngPalette4, 3, 2},   {kPngRgb, 64, 40},      {kPngGrey8, 64, 40},
    };
    for (const Case& k : cases) {
        for (bool interlace : {false, true}) {
            SCOPED_TRACE(testing::Message() << "kind " << k.kind << " " << k.width << "x" << k.height
                                            << (interlace ? " interlaced" : ""));
            const bool palette = k.kind <= kPngPalette8;
            const unsigned colours = k.kind == kPngPalette1 ? 2 : k.kind == kPngPalette2 ? 4 : k.kind == kPngPalette4 ? 16 : 256;
            // Smooth above, noisy below, so that rows prefer different filters.
            auto sample = [&](int x, int y, int ch) -> unsigned {
                const unsigned v = y < int(k.height) / 2 ? unsigned(x * 5 + y * 3 + ch * 40)
                                                         : unsigned((x * 131 + y * 71 + ch * 29) ^ (x * y * 7));
                return palette ? v % colours : v & 255;
            };
            PngImage image;
            image.kind = k.kind;
            image.width = k.width;
            image.height = k.height;
            image.interlace = interlace;
            PngLayout layout;
            layout.width = k.width;
            layout.height = k.height;
            layout.interlace = interlace;
            std::vector<uint8_t> plane;
            Dib dib;
            png_color_16 clear{};
            if (palette) {
                for (unsigned i = 0; i < colours; ++i) {
                    image.palette.push_back(Rgb{uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)});
                    layout.palette.push_back(png_color{uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)});
                }
                for (uint32_t y = 0; y < k.height; ++y)
                    for (uint32_t x = 0; x < k.width; ++x) plane.push_back(uint8_t(sample(int(x), int(y), 0)));
                image.indexPlane = plane.data();
                image.transparent = image.palette[1];  // alpha table 255, 0
                layout.paletteAlpha = {255, 0};
                layout.colorType = PNG_COLOR_TYPE_PALETTE;
                layout.depth = k.kind == kPngPalette1 ? 1 : k.kind == kPngPalette2 ? 2 : k.kind == kPngPalette4 ? 4 : 8;
            } else {
                const bool grey = k.kind == kPngGrey8;
                dib = test::MakeImage(int(k.width), int(k.height), [&](int x, int y) {
                    return grey ? Rgb{uint8_t(sample(x, y, 0)), uint8_t(sample(x, y, 0)), uint8_t(sample(x, y, 0))}
                                : Rgb{uint8_t(sample(x, y, 0)), uint8_t(sample(x, y, 1)), uint8_t(sample(x, y, 2))};
                });
                image.dib = &dib;
                image.transparent = Rgb{7, 8, 9};
                clear = png_color_16{0, 7, 8, 9, 7};
                layout.transparentColor = &clear;
                layout.colorType = grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB;
            }
            image.hasTransparency = true;
            std::vector<uint8_t> ours;
            ASSERT_TRUE(EncodePng(nullptr, image, PngStreamForm{}, ours));
            ExpectSameAsLibpng(ours, LibpngWrite(layout, sample));
        }
    }
    EXPECT_TRUE(rec->errors.empty());
}

TEST_F(PngWrite, TextKeywordsKeepTheUsersBytesWithinWhatPngCanHold) {
    Frame frame;
    frame.dib = test::MakeImage(3, 2, [](int x, int) { return Rgb{uint8_t(x), 0, 0}; });
    const std::string kana = "\xe3\x82\xbf\xe3\x82\xa4\xe3\x83\x88\xe3\x83\xab";  // UTF-8, bytes 0x80-0xBF inside
    const std::string sjis = "\x83\x5e\x83\x43\x83\x67\x83\x8b";                  // the same word in code page 932
    struct Case { std::string key, stored; };
    const Case cases[] = {
        {"Title", "Title"},
        {"  spaced   out  ", "  spaced   out  "},
        {kana, kana},
        {sjis, sjis},
        {std::string(100, 'K'), std::string(79, 'K')},
        {"ab" + kana + kana + kana + kana + kana + kana + kana, "ab" + (kana + kana + kana + kana + kana + kana + kana).substr(0, 75)},  // no character split
        {std::string(78, 's') + sjis, std::string(78, 's')},  // a lead byte is not kept without its trail
        {std::string("Zero\0inside", 11), "Zero"},
        {std::string("\0late", 5), ""},  // nothing before its zero byte: left out
        {"", ""},
    };
    for (const Case& c : cases) AddKey(frame.textKeys, c.key, "text of " + c.stored);
    const std::string path = dir.file("texts.png");
    ASSERT_TRUE(WritePngFile(nullptr, path, frame, true, options));

    // Read back through libpng, which refuses keywords PNG does not allow.
    Frame back;
    ASSERT_TRUE(ReadPngBytes(nullptr, test::ReadFile(path), back));
    std::vector<std::string> expected, got;
    for (const Case& c : cases)
        if (!c.stored.empty()) expected.push_back(c.stored + "=text of " + c.stored);
    for (const TextKey& k : back.textKeys) got.push_back(k.key + "=" + k.text);
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(rec->errors.empty());

    // Keywords libpng leaves alone come out as libpng's own writer makes them,
    // tEXt and zTXt alike.
    Frame plain;
    plain.dib = frame.dib;
    const std::pair<std::string, std::string> same[] = {
        {"Title", "abc"}, {"zipped", std::string(60, 'r')}, {std::string("Zero\0inside", 11), std::string("cut\0here", 8)}};
    for (const auto& [k, t] : same) AddKey(plain.textKeys, k, t);
    ASSERT_TRUE(WritePngFile(nullptr, path, plain, true, options));
    PngLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.colorType = PNG_COLOR_TYPE_PALETTE;
    layout.depth = 2;
    layout.palette = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    for (const auto& [k, t] : same) layout.texts.emplace_back(k, t);
    ExpectSameAsLibpng(test::ReadFile(path), LibpngWrite(layout, [](int x, int, int) { return unsigned(x); }));
}

TEST_F(PngWrite, ImagesNoPngCanHoldFailWithTheirCauseAndLeaveTheOutputAsItWas) {
    const uint8_t plane[4] = {0, 1, 0, 1};
    struct Case { const char* what; PngKind kind; uint32_t width, height; size_t paletteSize; PngWriteError error; };
    const Case cases[] = {
        {"no width", kPngPalette8, 0, 2, 2, PngWriteError::kBadHeader},
        {"no height", kPngRgb, 2, 0, 0, PngWriteError::kBadHeader},
        {"width beyond 31 bits", kPngGrey8, 0x80000000u, 1, 0, PngWriteError::kBadHeader},
        {"palette without entries", kPngPalette2, 2, 2, 0, PngWriteError::kBadPalette},
        {"more entries than the depth can index", kPngPalette1, 2, 2, 3, PngWriteError::kBadPalette},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        PngImage image;
        image.kind = k.kind;
        image.width = k.width;
        image.height = k.height;
        image.indexPlane = plane;
        image.palette.assign(k.paletteSize, Rgb{1, 2, 3});
        std::vector<uint8_t> out = {9, 9};
        EXPECT_EQ(EncodePng(image, PngStreamForm{}, out), k.error);
        EXPECT_EQ(out, (std::vector<uint8_t>{9, 9}));
        // The showing form says the same, once.
        rec->errors.clear();
        EXPECT_FALSE(EncodePng(nullptr, image, PngStreamForm{}, out));
        EXPECT_EQ(rec->errors, std::vector<std::string>{PngWriteMessage(k.error)});
    }
    EXPECT_STREQ(PngWriteMessage(PngWriteError::kBadPalette), "PNG error: invalid number of colors in palette");
}

TEST_F(PngWrite, AFileThatCannotBeMadeOrAFrameWithoutPictureFails) {
    Frame frame;
    frame.dib = test::MakeImage(2, 2, [](int, int) { return Rgb{1, 2, 3}; });
    const std::string blocked = dir.file("no-such-folder") + "/p.png";
    EXPECT_EQ(WritePngFile(blocked, frame, true, options), PngWriteError::kOpenFailed);
    EXPECT_EQ(WritePngFile(dir.file("empty.png"), Frame{}, true, options), PngWriteError::kNoPicture);
    EXPECT_FALSE(FileExists(dir.file("empty.png")));

    rec->errors.clear();
    EXPECT_FALSE(WritePngFile(nullptr, blocked, frame, true, options));
    EXPECT_FALSE(WritePngFile(nullptr, dir.file("empty.png"), Frame{}, true, options));  // nothing to say
    EXPECT_EQ(rec->errors, std::vector<std::string>{"file write open error!"});
}

TEST(PngText, CompressibilityDecidesBetweenTextChunks) {
    auto bytes = [](const std::string& s) { return std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size()); };
    EXPECT_TRUE(IsCompressible(bytes(std::string(20, 'a'))));
    EXPECT_FALSE(IsCompressible(bytes("abc")));
    EXPECT_FALSE(IsCompressible({}));
}

}  // namespace
}  // namespace kivo
