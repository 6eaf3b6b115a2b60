// Hand-built GIF streams for the reader tests: a code packer that sizes every
// code as a decoder will, and a block-level file builder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "doc/types.h"
#include "support/test_support.h"

namespace kivo::test {

// Packs LZW codes LSB-first, each with the width the decoder uses at that point:
// minimum + 1 after a clear, one wider whenever the table reaches the limit, 12
// at most, and no growth once 4096 entries exist.
inline std::vector<uint8_t> PackCodes(int minCodeSize, const std::vector<int>& codes) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    int size = minCodeSize + 1, nextFree = clear + 2, limit = 2 * clear;
    bool first = true;
    std::vector<uint8_t> out;
    uint32_t acc = 0;
    int bits = 0;
    for (int code : codes) {
        acc |= uint32_t(code) << bits;
        bits += size;
        while (bits >= 8) {
            out.push_back(uint8_t(acc));
            acc >>= 8;
            bits -= 8;
        }
        if (code == clear) {
            size = minCodeSize + 1, nextFree = clear + 2, limit = 2 * clear;
            first = true;
        } else if (first) {
            first = false;  // the code after a clear (even an end code) adds nothing
        } else if (code != end && nextFree < 4096) {
            ++nextFree;
            if (nextFree >= limit && size < 12) ++size, limit *= 2;
        }
    }
    if (bits > 0) out.push_back(uint8_t(acc));
    return out;
}

// Code size byte, the data cut into sub-blocks of `blockSize`, terminator.
inline std::vector<uint8_t> ImageData(int minCodeSize, const std::vector<uint8_t>& data,
                                      size_t blockSize = 255, bool terminate = true) {
    std::vector<uint8_t> out{uint8_t(minCodeSize)};
    for (size_t i = 0; i < data.size(); i += blockSize) {
        size_t n = std::min(blockSize, data.size() - i);
        out.push_back(uint8_t(n));
        out.insert(out.end(), data.begin() + long(i), data.begin() + long(i + n));
    }
    if (terminate) out.push_back(0);
    return out;
}

// Literal codes only, with a clear code whenever the width would grow, so every
// code has the minimum width: the simplest valid stream for any picture.
inline std::vector<uint8_t> LiteralImageData(int minCodeSize, const std::vector<uint8_t>& pixels) {
    const int clear = 1 << minCodeSize;
    std::vector<int> codes{clear};
    int sinceClear = 0;
    for (uint8_t p : pixels) {
        if (sinceClear == clear - 2) codes.push_back(clear), sinceClear = 0;
        codes.push_back(p);
        ++sinceClear;
    }
    codes.push_back(clear + 1);
    return ImageData(minCodeSize, PackCodes(minCodeSize, codes));
}

// A GIF assembled block by block.
struct GifBuilder {
    Bytes b;

    GifBuilder& Header(int width, int height, const Palette& global, const char* sig = "GIF89a") {
        b.str(sig).u16(uint16_t(width)).u16(uint16_t(height));
        int bits = 0;
        while (global.size() > (size_t(2) << bits)) ++bits;
        b.u8(global.empty() ? 0x70 : uint8_t(0xF0 | bits)).u8(0).u8(0);
        for (size_t i = 0; !global.empty() && i < (size_t(2) << bits); ++i) Rgb3(i < global.size() ? global[i] : Rgb{});
        return *this;
    }
    GifBuilder& Rgb3(Rgb c) {
        b.u8(c.r).u8(c.g).u8(c.b);
        return *this;
    }
    GifBuilder& Control(int packed, int delay, int transparentIndex) {
        b.u8(0x21).u8(0xF9).u8(4).u8(uint8_t(packed)).u16(uint16_t(delay));
        b.u8(uint8_t(transparentIndex)).u8(0);
        return *this;
    }
    GifBuilder& Comment(const std::vector<std::string>& subBlocks) {
        b.u8(0x21).u8(0xFE);
        for (const std::string& s : subBlocks) b.u8(uint8_t(s.size())).str(s);
        b.u8(0);
        return *this;
    }
    GifBuilder& Loop(int count) {
        b.u8(0x21).u8(0xFF).u8(11).str("NETSCAPE2.0").u8(3).u8(1).u16(uint16_t(count)).u8(0);
        return *this;
    }
    // Descriptor (local table when `local` is not empty) and the data as given.
    GifBuilder& Image(int left, int top, int width, int height, const std::vector<uint8_t>& data,
                      const Palette& local = {}, bool interlaced = false) {
        b.u8(0x2C).u16(uint16_t(left)).u16(uint16_t(top)).u16(uint16_t(width)).u16(uint16_t(height));
        int bits = 0;
        while (local.size() > (size_t(2) << bits)) ++bits;
        b.u8(uint8_t((local.empty() ? 0 : 0x80 | bits) | (interlaced ? 0x40 : 0)));
        for (size_t i = 0; !local.empty() && i < (size_t(2) << bits); ++i) Rgb3(i < local.size() ? local[i] : Rgb{});
        b.raw(data);
        return *this;
    }
    GifBuilder& Trailer() {
        b.u8(0x3B);
        return *this;
    }
    std::vector<uint8_t> Done() const { return b.data; }
};

// A palette of n distinct colours.
inline Palette TestPalette(int n) {
    Palette p;
    for (int i = 0; i < n; ++i) p.push_back(Rgb{uint8_t(i * 7 + 1), uint8_t(255 - i), uint8_t(i * 3)});
    return p;
}

}  // namespace kivo::test
