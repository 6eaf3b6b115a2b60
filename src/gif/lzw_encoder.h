// Variable-width LZW compression of palette indices into GIF image data.
//
// The codes are greedy matches against a string table, as every GIF encoder
// sends them; what is left to the encoder is where to send clear codes. Once the
// 4096-entry table is full, the encoder weighs carrying on with the full table
// against starting afresh, and starting afresh from the row where the picture
// changed, by coding the stretch up to where a fresh table would fill again each
// way and keeping the shortest. A table learnt on grain or on long runs of
// transparent pixels often serves the whole image; one learnt on other content
// is dropped where that content ends. Any GIF decoder reads the result: a
// decoder stops adding entries to a full table until the next clear code.
#pragma once

#include <cstdint>
#include <vector>

namespace kivo {

// Whole image data block: the minimum-code-size byte (2..8), the sub-blocks of
// 255 bytes and a shorter last one, and the terminator. indices holds
// width*height bytes below 2^minCodeSize, top row first; interlaced images are
// sent in the four GIF passes.
void LzwEncodeImage(const uint8_t* indices, int width, int height, int minCodeSize,
                    bool interlaced, std::vector<uint8_t>& out);

// Row order of an image of the given height: top to bottom, or the interlace
// passes (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
std::vector<int> GifRowOrder(int height, bool interlaced);

// Appends data cut into sub-blocks of 255 bytes and a shorter last one, and the
// terminator.
void PutSubBlocks(const std::vector<uint8_t>& data, std::vector<uint8_t>& out);

}  // namespace kivo
