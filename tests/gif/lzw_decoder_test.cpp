// The LZW decoder against a plain pixel-at-a-time model with a string stack, on
// crafted and random code streams: full tables, codes beyond the next free code,
// end and clear codes anywhere, strings split across calls.
#include <gtest/gtest.h>

#include <random>

#include "gif/lzw_decoder.h"
#include "gif_read_builder.h"

namespace kivo::test {
namespace {

// One pixel per call, a stack of pending bytes: the textbook form of the GIF
// decoder, kept deliberately naive.
struct ModelDecoder {
    std::vector<uint8_t> data;
    size_t bitPos = 0;
    int minSize, clear, end, size = 0, limit = 0, next = 0, old = 0, first = 0;
    bool fresh = true, ended = false;
    std::vector<int> prefix = std::vector<int>(4096), suffix = std::vector<int>(4096), stack;

    ModelDecoder(int m, std::vector<uint8_t> d) : data(std::move(d)), minSize(m), clear(1 << m), end(clear + 1) {}

    int ReadCode() {
        if (bitPos + size_t(size) > data.size() * 8) return end;
        int v = 0;
        for (int i = 0; i < size; ++i, ++bitPos) v |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << i;
        return v;
    }
    int Clear() {
        size = minSize + 1, next = clear + 2, limit = 2 * clear;
        stack.clear();
        int c;
        do c = ReadCode(); while (c == clear);
        if (c > clear) c = 0;
        return old = first = c;
    }
    int Pixel() {
        if (ended) return 0;
        if (fresh) return fresh = false, Clear();
        if (!stack.empty()) {
            int v = stack.back();
            stack.pop_back();
            return v;
        }
        int c = ReadCode();
        if (c == clear) return Clear();
        if (c == end) return ended = true, 0;
        int in = c;
        if (c >= next) {
            stack.push_back(first);
            if (c > next) in = 0;
            c = old;
        }
        while (c >= clear) stack.push_back(suffix[c]), c = prefix[c];
        first = c;
        if (next < 4096) {
            prefix[next] = old, suffix[next] = first, ++next;
            if (next >= limit && size < 12) ++size, limit *= 2;
        }
        old = in;
        return first;
    }
};

LzwData Joined(const std::vector<uint8_t>& bytes, bool truncated = false) {
    LzwData d;
    d.bytes = bytes;
    d.length = bytes.size();
    d.truncated = truncated;
    d.bytes.resize(d.length + kLzwPadding, 0);
    return d;
}

// Decodes `count` pixels in pieces of `chunk` and compares with the model.
void ExpectLikeModel(int minSize, const std::vector<int>& codes, size_t count, size_t chunk) {
    const auto packed = PackCodes(minSize, codes);
    ModelDecoder model(minSize, packed);
    LzwData data = Joined(packed);
    LzwDecoder dec(minSize, data);
    std::vector<uint16_t> got(count);
    for (size_t i = 0; i < count; i += chunk) dec.Decode(got.data() + i, std::min(chunk, count - i));
    std::vector<uint16_t> expected(count);
    for (size_t i = 0; i < count; ++i) expected[i] = uint16_t(model.Pixel());
    for (size_t i = 0; i < count; ++i) ASSERT_EQ(got[i], expected[i]) << "pixel " << i << " chunk " << chunk;
    EXPECT_FALSE(dec.error());
    if (minSize > LzwDecoder::kImageMaxMinCodeSize) return;
    // The whole picture at once, on a decoder that decoded another one before.
    dec.Start(minSize, data);
    std::vector<uint8_t> image(count, 0xEE);
    dec.DecodeImage(image.data(), count);
    for (size_t i = 0; i < count; ++i) ASSERT_EQ(image[i], expected[i]) << "pixel " << i << " at once";
    EXPECT_FALSE(dec.error());
}

TEST(LzwDecoder, CraftedStreams) {
    // min size 2: clear 4, end 5. 6 is the string "0 1"; 8 and 9 each arrive as
    // the next free code (the string repeats its own first byte).
    ExpectLikeModel(2, {4, 0, 1, 6, 8, 9, 5}, 16, 16);
    // A code above the next free code repeats the old string and then counts as 0.
    ExpectLikeModel(2, {4, 1, 2, 7, 14, 3, 6, 5}, 20, 3);
    // Clear codes in a row, an end code right after a clear, data after the end code.
    ExpectLikeModel(3, {8, 8, 8, 3, 8, 9, 2, 2, 9, 1, 1}, 12, 1);
    // Degenerate minimum sizes and the largest one.
    ExpectLikeModel(0, {1, 0, 0, 3, 4, 2}, 10, 4);
    ExpectLikeModel(1, {2, 1, 0, 4, 5, 3}, 10, 10);
    ExpectLikeModel(11, {2048, 2047, 5, 2050, 2051, 2049}, 12, 5);
}

TEST(LzwDecoder, RandomStreamsFillTheTableAndKeepTwelveBitCodes) {
    std::mt19937 rng(1234);
    int fullTables = 0;  // codes sent while the table was full
    for (int round = 0; round < 40; ++round) {
        const int minSize = 2 + round % 7;
        const int clear = 1 << minSize;
        std::vector<int> codes{clear};
        int next = clear + 2, size = minSize + 1, limit = 2 * clear;
        bool first = true;
        // Long runs without a clear code fill the table; codes mostly valid, a few
        // one beyond (the repeat case) or far beyond the next free code.
        for (int i = 0; i < 6000; ++i) {
            int r = int(rng() % 10000), c;
            if (r < 2) c = clear;
            else if (r < 400) c = next;
            else if (r < 450) c = int(rng() % 4096);
            else if (r < 6000) c = int(rng() % unsigned(clear));
            else c = clear + 2 + int(rng() % unsigned(std::max(1, next - clear - 2)));
            c %= 1 << size;  // a code never has more bits than its width
            if (c == clear + 1) c = 0;
            codes.push_back(c);
            if (c == clear) {
                next = clear + 2, size = minSize + 1, limit = 2 * clear, first = true;
            } else if (first) {
                first = false;
            } else if (next < 4096) {
                ++next;
                if (next >= limit && size < 12) ++size, limit *= 2;
            }
            fullTables += next == 4096 && codes.back() != clear;
        }
        codes.push_back(clear + 1);
        // Decode the whole stream: as many pixels as the model gives before its end.
        ModelDecoder model(minSize, PackCodes(minSize, codes));
        size_t total = 0;
        while (!model.ended) model.Pixel(), ++total;
        for (size_t chunk : {size_t(1), size_t(97), size_t(1) << 20})
            ExpectLikeModel(minSize, codes, total + 5, chunk);
        ExpectLikeModel(minSize, codes, total / 2 + 1, 64);  // a picture smaller than its data
    }
    EXPECT_GT(fullTables, 10000);
}

TEST(LzwDecoder, DataCutShortIsAnErrorButAMissingTailIsNot) {
    const auto packed = PackCodes(2, {4, 1, 2, 3, 1});
    std::vector<uint16_t> out(12, 9);
    const LzwData complete = Joined(packed), cutData = Joined(packed, true);
    LzwDecoder whole(2, complete);  // stream ends without an end code: zeros follow
    whole.Decode(out.data(), out.size());
    EXPECT_FALSE(whole.error());
    EXPECT_EQ(out, (std::vector<uint16_t>{1, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0}));

    LzwDecoder cut(2, cutData);  // the input ended inside the sub-blocks
    cut.Decode(out.data(), 4);
    EXPECT_FALSE(cut.error());
    cut.Decode(out.data(), 1);
    EXPECT_TRUE(cut.error());
    EXPECT_EQ(out[0], 0);
}

TEST(LzwDecoder, SubBlocksAreJoinedAndACutBlockIsDropped) {
    const std::vector<uint8_t> bytes{3, 1, 2, 3, 1, 4, 0, 2, 5};
    GifInput in(bytes);
    LzwData d;
    ReadLzwData(in, d);
    EXPECT_EQ(d.length, 4u);
    EXPECT_FALSE(d.truncated);
    EXPECT_EQ(std::vector<uint8_t>(d.bytes.begin(), d.bytes.begin() + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
    ReadLzwData(in, d);  // "2, 5": announced two bytes, only one there
    EXPECT_EQ(d.length, 0u);
    EXPECT_TRUE(d.truncated);
}

}  // namespace
}  // namespace kivo::test
