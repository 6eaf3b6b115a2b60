#include "gif/lzw_encoder.h"

#include <algorithm>
#include <memory>

namespace kivo {

namespace {

constexpr int kMaxCode = 4095;  // largest code a 12-bit GIF code can carry

void FlushPacket(LzwEncoder& enc) {
    if (enc.packetLength == 0) return;
    enc.out->push_back(uint8_t(enc.packetLength));
    enc.out->insert(enc.out->end(), enc.packet.begin(), enc.packet.begin() + enc.packetLength);
    enc.packetLength = 0;
}

void PutByte(LzwEncoder& enc, uint8_t b) {
    enc.packet[size_t(enc.packetLength++)] = b;
    if (enc.packetLength == 255) FlushPacket(enc);
}

// Appends one code at the current width. The width grows once the next code to
// be assigned no longer fits: the decoder, which assigns its entries one code
// later, reaches the same width at the same code.
void Output(LzwEncoder& enc, int code) {
    enc.bitBuffer |= uint32_t(code) << enc.bitCount;
    enc.bitCount += enc.codeSize;
    while (enc.bitCount >= 8) {
        PutByte(enc, uint8_t(enc.bitBuffer & 0xFF));
        enc.bitBuffer >>= 8;
        enc.bitCount -= 8;
    }
    if (enc.nextFree > enc.codeLimit) {
        ++enc.codeSize;
        enc.codeLimit = enc.codeSize == 12 ? 4096 : (1 << enc.codeSize) - 1;
    }
}

void ResetWidth(LzwEncoder& enc) {
    enc.codeSize = enc.initialCodeSize;
    enc.codeLimit = (1 << enc.initialCodeSize) - 1;
}

}  // namespace

void LzwBegin(LzwEncoder& enc, int minCodeSize, std::vector<uint8_t>& out) {
    minCodeSize = std::clamp(minCodeSize, 2, 8);
    enc.out = &out;
    enc.initialCodeSize = minCodeSize + 1;
    ResetWidth(enc);
    enc.first = true;
    enc.prefix = 0;
    enc.clearCode = 1 << minCodeSize;
    enc.endCode = enc.clearCode + 1;
    enc.nextFree = enc.clearCode + 2;
    enc.bitBuffer = 0;
    enc.bitCount = 0;
    enc.packetLength = 0;
    enc.codes.fill(0);
    Output(enc, enc.clearCode);
}

void LzwFeed(LzwEncoder& enc, const uint8_t* pixels, size_t count) {
    size_t k = 0;
    if (count && enc.first) {
        enc.prefix = pixels[0];
        enc.first = false;
        k = 1;
    }
    int prefix = enc.prefix;
    for (; k < count; ++k) {
        const int p = pixels[k];
        int i = prefix + (p << 4);
        if (i > kLzwTableSlots - 1) i -= kLzwTableSlots;
        const uint32_t key = uint32_t(prefix) << 8 | uint32_t(p);
        bool found = false;
        if (enc.codes[size_t(i)] != 0) {
            if (enc.keys[size_t(i)] == key) {
                prefix = enc.codes[size_t(i)];
                continue;
            }
            const int step = i == 0 ? 1 : kLzwTableSlots - i;
            for (;;) {
                i -= step;
                if (i < 0) i += kLzwTableSlots;
                if (enc.codes[size_t(i)] == 0) break;
                if (enc.keys[size_t(i)] == key) {
                    found = true;
                    break;
                }
            }
            if (found) {
                prefix = enc.codes[size_t(i)];
                continue;
            }
        }
        Output(enc, prefix);
        if (enc.nextFree > kMaxCode) {
            enc.codes.fill(0);
            enc.nextFree = enc.clearCode + 2;
            Output(enc, enc.clearCode);
            ResetWidth(enc);
        } else {
            enc.codes[size_t(i)] = uint16_t(enc.nextFree++);
            enc.keys[size_t(i)] = key;
        }
        prefix = p;
    }
    enc.prefix = prefix;
}

void LzwFinish(LzwEncoder& enc) {
    if (!enc.first) Output(enc, enc.prefix);
    Output(enc, enc.endCode);
    if (enc.bitCount > 0) {
        PutByte(enc, uint8_t(enc.bitBuffer & 0xFF));
        enc.bitBuffer = 0;
        enc.bitCount = 0;
    }
    FlushPacket(enc);
    enc.out->push_back(0);
}

std::vector<int> GifRowOrder(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(size_t(std::max(height, 0)));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) rows.push_back(y);
        return rows;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
    return rows;
}

void LzwEncodeImage(const uint8_t* indices, int width, int height, int minCodeSize,
                    bool interlaced, std::vector<uint8_t>& out) {
    auto enc = std::make_unique<LzwEncoder>();
    out.push_back(uint8_t(std::clamp(minCodeSize, 2, 8)));
    LzwBegin(*enc, minCodeSize, out);
    for (int y : GifRowOrder(height, interlaced))
        LzwFeed(*enc, indices + size_t(y) * size_t(width), size_t(width));
    LzwFinish(*enc);
}

}  // namespace kivo
