// Variable-width LZW compression of palette indices into GIF image data.
//
// The string table is an open-addressing hash keyed by (prefix code, pixel), so a
// lookup costs one slot computation and a short probe. When the next free code
// passes 4095 the table is emptied and a clear code is sent. Output accumulates in
// complete sub-blocks (a size byte and up to 255 data bytes) in the caller's
// buffer, which the writer drains to the file as it likes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kivo {

constexpr int kLzwTableSlots = 5003;  // prime, a little over 4096 codes

struct LzwEncoder {
    int codeSize = 0;         // current code width in bits
    int codeLimit = 0;        // largest code at the current width; 4096 at 12 bits
    int initialCodeSize = 0;  // minimum code size + 1
    uint32_t bitBuffer = 0;   // pending bits, least significant first
    int bitCount = 0;
    bool first = true;        // no pixel taken yet
    int prefix = 0;           // code of the string matched so far
    int clearCode = 0;
    int endCode = 0;
    int nextFree = 0;
    std::array<uint16_t, kLzwTableSlots> codes{};  // 0 = empty slot
    std::array<uint32_t, kLzwTableSlots> keys{};   // prefix << 8 | pixel
    std::array<uint8_t, 255> packet{};
    int packetLength = 0;
    std::vector<uint8_t>* out = nullptr;  // receives whole sub-blocks
};

// Starts an image with the given minimum code size (2..8) and sends the clear code.
void LzwBegin(LzwEncoder& enc, int minCodeSize, std::vector<uint8_t>& out);
// Feeds pixels (palette indices below 2^minCodeSize) in output order.
void LzwFeed(LzwEncoder& enc, const uint8_t* pixels, size_t count);
// Sends the pending string and the end code, the last partial sub-block and the
// block terminator 0.
void LzwFinish(LzwEncoder& enc);

// Whole image data block: the minimum-code-size byte, the sub-blocks and the
// terminator. indices holds width*height bytes, top row first; interlaced images
// are sent in the four GIF passes.
void LzwEncodeImage(const uint8_t* indices, int width, int height, int minCodeSize,
                    bool interlaced, std::vector<uint8_t>& out);

// Row order of an image of the given height: top to bottom, or the interlace
// passes (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
std::vector<int> GifRowOrder(int height, bool interlaced);

}  // namespace kivo
