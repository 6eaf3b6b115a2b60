// Lossy LZW: the codes a GIF decoder reads as usual, for a picture the encoder
// may change a little so that its strings run longer.
//
// While a string is being extended, the next pixel need not be the string
// table's exact continuation: any existing continuation whose colour lies
// within a bound of the pixel's own colour will do. Each code sends the longest
// string the table holds that way, and among strings as long the one nearest
// to the pixels' colours plus the error diffused from their neighbours. The
// difference is passed on along the row and to the next row (Floyd-Steinberg
// weights), so a gradient keeps its average colour instead of breaking into
// bands. Rules that always hold, whatever the lossiness:
// - every written pixel's colour is within LossyColourBound of its own colour;
// - a transparent pixel stays exactly as it is, and no pixel becomes transparent;
// - the same input always gives the same bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "doc/types.h"

namespace kivo {

// Lossiness runs from 0 (exact coding) to this.
inline constexpr int kMaxLossiness = 200;

// The largest RGB distance (Euclidean, in 0..255 units per channel) a pixel's
// colour may move at this lossiness; 0 for 0.
double LossyColourBound(int lossiness);

// The image data block as LzwEncodeImage writes it, coded with the given
// lossiness. indices (width*height, top row first) is replaced by the picture
// the data decodes to. palette gives the entries' colours (entries beyond it
// are black); transparentIndex is the frame's transparent entry, or -1.
// Lossiness 0 writes exactly what LzwEncodeImage writes, and so does any
// lossiness where the exact coding comes out no larger (indices then unchanged).
void LzwEncodeImageLossy(uint8_t* indices, int width, int height, int minCodeSize, bool interlaced,
                         const Palette& palette, int transparentIndex, int lossiness,
                         std::vector<uint8_t>& out);

}  // namespace kivo
