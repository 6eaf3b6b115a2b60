// The LZW encoder against two independent decoders: a small code-level reader
// kept here (which also reports where clear codes fall and how wide codes are)
// and giflib.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gif/gif_write_oracle.h"
#include "gif/lzw_encoder.h"

namespace kivo {
namespace {

std::vector<uint8_t> Noise(size_t n, int colors, uint32_t seed) {
    std::vector<uint8_t> v(n);
    for (auto& p : v) {
        seed = seed * 1103515245u + 12345u;
        p = uint8_t((seed >> 16) % uint32_t(colors));
    }
    return v;
}

// Decodes an image data block the way a GIF decoder does, recording the number of
// data codes between clear codes and where in the pixels each clear code falls.
struct CodeTrace {
    bool ok = false;
    std::vector<uint8_t> pixels;
    std::vector<size_t> codesPerSegment;  // data codes after each clear code
    std::vector<size_t> clearsAt;         // pixels decoded before each clear code
    std::vector<size_t> blockSizes;
    int maxWidth = 0;
};

CodeTrace TraceCodes(const std::vector<uint8_t>& data) {
    CodeTrace t;
    if (data.empty()) return t;
    const int minSize = data[0];
    std::vector<uint8_t> bytes;
    size_t pos = 1;
    for (;;) {
        if (pos >= data.size()) return t;
        size_t n = data[pos++];
        if (n == 0) break;
        t.blockSizes.push_back(n);
        if (pos + n > data.size()) return t;
        bytes.insert(bytes.end(), data.begin() + long(pos), data.begin() + long(pos + n));
        pos += n;
    }
    if (pos != data.size()) return t;  // nothing may follow the terminator

    const int clear = 1 << minSize, end = clear + 1;
    std::vector<int> prefix(4096, -1);
    std::vector<uint8_t> suffix(4096), first(4096);
    for (int i = 0; i < clear; ++i) suffix[size_t(i)] = first[size_t(i)] = uint8_t(i);
    int width = minSize + 1, next = clear + 2, prev = -1;
    size_t bitPos = 0;
    auto readCode = [&](int& code) {
        if (bitPos + size_t(width) > bytes.size() * 8) return false;
        code = 0;
        for (int i = 0; i < width; ++i, ++bitPos)
            code |= ((bytes[bitPos / 8] >> (bitPos % 8)) & 1) << i;
        return true;
    };
    auto emit = [&](int code) {
        std::vector<uint8_t> s;
        for (int c = code; c >= 0; c = prefix[size_t(c)]) s.push_back(suffix[size_t(c)]);
        t.pixels.insert(t.pixels.end(), s.rbegin(), s.rend());
    };
    int code;
    while (readCode(code)) {
        t.maxWidth = std::max(t.maxWidth, width);
        if (code == clear) {
            t.codesPerSegment.push_back(0);
            t.clearsAt.push_back(t.pixels.size());
            width = minSize + 1;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (t.codesPerSegment.empty()) return t;  // must start with a clear code
        if (code == end) {
            t.ok = true;
            return t;
        }
        ++t.codesPerSegment.back();
        if (prev < 0) {
            if (code >= clear) return t;
            emit(code);
        } else {
            if (code > next || (code == next && next >= 4096)) return t;
            const uint8_t head = code < next ? first[size_t(code)] : first[size_t(prev)];
            if (next < 4096) {
                prefix[size_t(next)] = prev;
                suffix[size_t(next)] = head;
                first[size_t(next)] = first[size_t(prev)];
                ++next;
            }
            emit(code);
            if (next >= (1 << width) && width < 12) ++width;
        }
        prev = code;
    }
    return t;
}

std::vector<uint8_t> Encode(const std::vector<uint8_t>& pixels, int width, int minSize,
                            bool interlaced = false) {
    std::vector<uint8_t> out;
    LzwEncodeImage(pixels.data(), width, int(pixels.size() / size_t(width)), minSize, interlaced, out);
    return out;
}

TEST(LzwEncoder, DecodesBackAtEveryCodeSize) {
    for (int minSize = 2; minSize <= 8; ++minSize) {
        SCOPED_TRACE(minSize);
        const auto pixels = Noise(64 * 50, 1 << minSize, uint32_t(minSize));
        const auto data = Encode(pixels, 64, minSize);
        ASSERT_EQ(data[0], minSize);
        CodeTrace t = TraceCodes(data);
        ASSERT_TRUE(t.ok);
        EXPECT_EQ(t.pixels, pixels);
    }
}

// Rows of 0 with a speck of a random colour every few pixels, as a video frame
// looks after its unchanged pixels were made transparent.
std::vector<uint8_t> Specks(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n, 0);
    for (size_t i = 0; i < n; i += 5 + (seed >> 28)) {
        seed = seed * 1103515245u + 12345u;
        v[i] = uint8_t(seed >> 16);
    }
    return v;
}

TEST(LzwEncoder, ClearCodesGoWhereTheyPay) {
    constexpr int kWidth = 64;
    struct Case {
        const char* name;
        std::vector<uint8_t> pixels;
        size_t changeRow;  // first row of new content; 0 for none
    } cases[] = {
        // A table learnt on noise is no help later on: it is cleared as it fills,
        // and codes grow to 12 bits in each run.
        {"noise", Noise(kWidth * 1400, 256, 7), 0},
        // Specks on a still background repeat what the table learnt first: the
        // full table is kept for longer than one table's worth of codes.
        {"specks", Specks(kWidth * 3000, 5), 0},
        // Four-colour noise nearly fills the table, then 256-colour noise begins:
        // the clear goes to the row where the picture changed rather than the
        // code where the table happened to fill.
        {"change", [] {
             auto v = Noise(kWidth * 150, 4, 3);
             auto tail = Noise(kWidth * 100, 256, 9);
             v.insert(v.end(), tail.begin(), tail.end());
             return v;
         }(), 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto data = Encode(c.pixels, kWidth, 8);
        CodeTrace t = TraceCodes(data);
        ASSERT_TRUE(t.ok);
        EXPECT_EQ(t.pixels, c.pixels);
        EXPECT_EQ(t.maxWidth, 12);
        if (test::kHaveGiflib) {
            const int height = int(c.pixels.size() / kWidth);
            test::OracleGif gif = test::DecodeWithGiflib(test::WrapImageData(kWidth, height, 8, data));
            ASSERT_TRUE(gif.ok) << gif.error;
            EXPECT_EQ(gif.images[0].pixels, c.pixels);
        }
        ASSERT_FALSE(t.clearsAt.empty());
        EXPECT_EQ(t.clearsAt[0], 0u);
        // Codes 258..4095 are made one per code but the first: a segment of
        // more codes ran on with a full table.
        constexpr size_t kFullSegment = 4096 - 258 + 1;
        const size_t longest = *std::max_element(t.codesPerSegment.begin(), t.codesPerSegment.end());
        if (std::string(c.name) == "noise") {
            ASSERT_GE(t.codesPerSegment.size(), 4u);
            for (size_t i = 0; i + 1 < t.codesPerSegment.size(); ++i)
                EXPECT_EQ(t.codesPerSegment[i], kFullSegment) << "segment " << i;
        } else if (std::string(c.name) == "specks") {
            EXPECT_GT(longest, 2 * kFullSegment);
        } else {
            ASSERT_GE(t.clearsAt.size(), 2u);
            EXPECT_GE(t.clearsAt[1], c.changeRow * kWidth);
            EXPECT_LT(t.clearsAt[1], c.changeRow * kWidth + kWidth);
        }
    }
}

TEST(LzwEncoder, OutputComesInFullSubBlocks) {
    const auto data = Encode(Noise(100 * 100, 16, 3), 100, 4);
    CodeTrace t = TraceCodes(data);
    ASSERT_TRUE(t.ok);
    ASSERT_GT(t.blockSizes.size(), 2u);
    for (size_t i = 0; i + 1 < t.blockSizes.size(); ++i) EXPECT_EQ(t.blockSizes[i], 255u);
    EXPECT_LE(t.blockSizes.back(), 255u);
    EXPECT_EQ(data.back(), 0);
}

TEST(LzwEncoder, EdgeShapes) {
    // A single pixel, a uniform run long enough to grow codes to 12 bits, and no
    // pixels at all (clear and end code only).
    for (const auto& pixels : {std::vector<uint8_t>{3}, std::vector<uint8_t>(200000, 1)}) {
        CodeTrace t = TraceCodes(Encode(pixels, 1, 2));
        ASSERT_TRUE(t.ok);
        EXPECT_EQ(t.pixels, pixels);
    }
    std::vector<uint8_t> out;
    LzwEncodeImage(nullptr, 0, 0, 2, false, out);
    CodeTrace t = TraceCodes(out);
    EXPECT_TRUE(t.ok);
    EXPECT_TRUE(t.pixels.empty());
}

TEST(LzwEncoder, InterlacedRowOrder) {
    EXPECT_EQ(GifRowOrder(10, true), (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
    EXPECT_EQ(GifRowOrder(1, true), (std::vector<int>{0}));
    EXPECT_EQ(GifRowOrder(3, false), (std::vector<int>{0, 1, 2}));
}

TEST(LzwEncoder, GiflibDecodesWhatWeEncode) {
    KIVO_SKIP_WITHOUT_GIFLIB();
    struct Case {
        int width, height, minSize, colors;
        bool interlaced;
    } cases[] = {{1, 1, 2, 2, false},    {17, 13, 2, 4, true},   {320, 240, 8, 256, false},
                 {333, 301, 8, 256, true}, {128, 96, 5, 32, false}, {640, 16, 3, 5, false}, {400, 300, 8, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " size " << c.minSize);
        const size_t n = size_t(c.width) * size_t(c.height);
        // 0 colours: specks, which keep a full table across the passes.
        const auto pixels = c.colors ? Noise(n, c.colors, uint32_t(c.width)) : Specks(n, 11);
        const auto data = Encode(pixels, c.width, c.minSize, c.interlaced);
        test::OracleGif gif = test::DecodeWithGiflib(
            test::WrapImageData(c.width, c.height, c.minSize, data, c.interlaced));
        ASSERT_TRUE(gif.ok) << gif.error;
        ASSERT_EQ(gif.images.size(), 1u);
        EXPECT_EQ(gif.images[0].pixels, pixels);
    }
}

}  // namespace
}  // namespace kivo
