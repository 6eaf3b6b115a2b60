// Packed device-independent bitmaps: header (40-byte information header or
// 12-byte core header), colour table or bit-field masks, bottom-up rows padded
// to 4 bytes. Frame pictures are 24-bit DIBs at 39 pixels per metre.
//
// The accessors assume a DIB that passed DibIsValid(); everything the engine
// makes does, and every reader checks outside data with it before use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "doc/types.h"

namespace kivo {

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kDibResolution = 39;  // pixels per metre
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3;
// Compression 4 with 24 bits: OS/2's run-length coding (with Windows headers it
// would mean JPEG data, which has no 24-bit count). 6: bit fields with an alpha mask.
constexpr uint32_t kBiRle24 = 4, kBiAlphaBitFields = 6;

// Largest picture (width * height) any reader accepts, so a hostile header cannot
// make the engine allocate more than a real picture needs. Fuzzers lower it.
extern size_t MaxImagePixels;

using DibSpan = std::span<const uint8_t>;

uint32_t DibHeaderSize(DibSpan dib);
bool DibIsCore(DibSpan dib);
uint16_t DibWidth(DibSpan dib);
uint16_t DibHeight(DibSpan dib);
uint16_t DibBitCount(DibSpan dib);
uint32_t DibCompression(DibSpan dib);   // 0 for a core header
// Number of colour-table entries (0 above 8 bits).
uint32_t DibColorCount(DibSpan dib);
// A 16- or 32-bit DIB with an information header and bit-field compression: 12
// bytes of red, green and blue masks stand where a colour table would.
bool DibHasMasks(DibSpan dib);
// Bytes between the header and the pixels: colour table, or 12 bytes of masks.
size_t DibColorTableBytes(DibSpan dib);
size_t DibRowBytes(uint32_t width, uint32_t bitCount);
size_t DibImageSize(DibSpan dib);      // height * row length
size_t DibPixelOffset(DibSpan dib);    // header + colour table (or masks)
size_t DibSize(DibSpan dib);           // header + table + image
size_t DibFileOffset(DibSpan dib);     // 14 + header + table: a BMP file's pixel offset

const uint8_t* DibColorTable(DibSpan dib);
const uint8_t* DibPixels(DibSpan dib);
uint8_t* DibPixels(Dib& dib);

// The header is readable and the buffer holds at least DibSize bytes.
bool DibIsValid(DibSpan dib);

// A zero-filled (black) 24-bit DIB; empty when the size is out of range or
// memory runs out.
Dib MakeDib24(uint32_t width, uint32_t height);

// An 8-bit DIB of the picture's size: the palette as its colour table and the
// rows taken from an index plane (top row first, width bytes a row). Empty when
// the picture is not a valid DIB, the plane does not fit it, the palette has
// more than 256 entries, or memory runs out.
Dib MakeIndexedDib(DibSpan picture, std::span<const uint8_t> indices, const Palette& palette);

// Converts to a 24-bit DIB. The copying form never touches the source; the
// consuming form hands a 24-bit source back unchanged and releases any other
// source, also when the conversion fails. Empty result = failure.
// Colour-table indices beyond the table give black.
Dib DibTo24(DibSpan src);
Dib DibTo24(Dib&& src);

// The colour table of a paletted DIB as red, green, blue triples, padded with
// black to 2^bitcount entries. Empty above 8 bits.
Palette DibPalette(DibSpan dib);

}  // namespace kivo
