// Median-cut colour quantizer with Floyd-Steinberg mapping. Two forms: a one-shot
// reduction of one image, and one shared incremental instance that counts the
// rows of several images into one histogram, chooses one palette for all of them
// and then maps each image in turn.
//
// Pixels are blue, green, red bytes. Mapping always dithers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace kivo {

// Palette chosen by the quantizer: entry i is (red[i], green[i], blue[i]). Each
// array has at least the wanted number of entries; entries past the colours
// actually produced stay black.
struct ColorMap {
    std::vector<uint8_t> red, green, blue;
};

// Reduces a bottom-up 24-bit image (rows ((width * 3 + 3) & ~3) bytes apart) to
// at most n colours (1..256), writing width * height indices to out, top row
// first. nullptr when memory runs out or the arguments are out of range.
std::unique_ptr<ColorMap> QuantizeImage(int width, int height, int n, const uint8_t* bits,
                                        uint8_t* out);
void FreeColorMap(std::unique_ptr<ColorMap>& map);

// The shared instance. Begin replaces any active one; false on bad arguments or
// when memory runs out. Every other call does nothing without an active instance.
bool QuantizerBegin(int width, int n);
// Rows from now on are `width` pixels, at most the width given to Begin (a
// larger or negative width is ignored).
void QuantizerSetRowWidth(int width);
// Counts one row of exactly `width` pixels.
void QuantizerAddRow(const uint8_t* row);
// Counts `count` copies of one row, as many QuantizerAddRow calls would, at the
// cost of one (the black rows above a frame placed low on a large screen).
void QuantizerAddRows(const uint8_t* row, int count);
// Counts `count` black pixels, as rows holding them would (the screen beyond
// rows narrower than it).
void QuantizerAddBlack(uint64_t count);
// Chooses the colours and prepares mapping (first row left to right).
void QuantizerSelectColors();
// Before mapping another image with the same palette: clears the carried error
// and restarts the scan direction; the nearest-colour cache is kept.
void QuantizerRestartMapping();
// Maps one row of `width` pixels to `width` indices, rows given top first.
void QuantizerMapRow(const uint8_t* row, uint8_t* out);
// Maps `count` copies of one row, leaving the carried error, the scan direction
// and out (the last copy's indices) as that many QuantizerMapRow calls would.
// Once the error pattern repeats every two rows the rest are not mapped again.
void QuantizerMapRows(const uint8_t* row, uint8_t* out, int count);
// The chosen colours, or nullptr when no instance is active.
const ColorMap* QuantizerColorMap();
// Number of colours actually chosen (0 when no instance is active).
int QuantizerColorCount();
void QuantizerEnd();

}  // namespace kivo
