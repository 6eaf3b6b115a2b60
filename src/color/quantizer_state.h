// Internals shared by the quantizer's units (median cut, nearest-colour cache,
// dithering mapper). Not for use outside src/color.
#pragma once

#include <cstdint>
#include <vector>

#include "color/quantizer.h"

namespace kivo::quant {

// A colour falls in cell (R >> 3, G >> 2, B >> 3): 32 x 64 x 32 cells, stored as
// 32 red planes of 64 x 32 counters.
constexpr int kRedCells = 32, kGreenCells = 64, kBlueCells = 32;
constexpr int kCellCount = kRedCells * kGreenCells * kBlueCells;

constexpr int CellIndex(int r, int g, int b) { return r << 11 | g << 5 | b; }

// Inclusive cell bounds of one median-cut box; box i gives palette index i.
struct ColorBox {
    int rmin = 0, rmax = 0, gmin = 0, gmax = 0, bmin = 0, bmax = 0;
    int32_t volume = 0;
    int32_t colorCount = 0;  // non-zero counters inside the box
};

struct ColorQuantizer {
    int width = 0;   // pixels per row
    int wanted = 0;  // colours asked for
    int actual = 0;  // colours chosen
    // Histogram while counting; afterwards the nearest-colour cache, where a
    // cell holds 0 (unknown) or palette index + 1.
    std::vector<uint16_t> cells;
    std::vector<ColorBox> boxes;
    ColorMap map;
    // Error shares for the next row in sixteenths, red/green/blue per column,
    // with one dummy column at each end: (width + 2) * 3 values.
    std::vector<int16_t> errors;
    bool rightToLeft = false;  // direction of the next row
    // Set once the colours are chosen: rows may then be mapped but no longer
    // counted, since the counters have become the cache.
    bool mapping = false;
};

// Allocates the buffers (throws std::bad_alloc).
void InitQuantizer(ColorQuantizer& q, int width, int n);
void CountRow(ColorQuantizer& q, const uint8_t* row);
void CountRows(ColorQuantizer& q, const uint8_t* row, int count);
// Median cut over the histogram: fills boxes, map and actual.
void ChooseColors(ColorQuantizer& q);
// Clears the cache and the error state; the next row goes left to right.
void PrepareMapping(ColorQuantizer& q);
void RestartMapping(ColorQuantizer& q);
// Fills the cache block (4 x 8 x 4 cells) that holds cell (r, g, b).
void FillCacheBlock(ColorQuantizer& q, int r, int g, int b);
void MapRow(ColorQuantizer& q, const uint8_t* row, uint8_t* out);
void MapRows(ColorQuantizer& q, const uint8_t* row, uint8_t* out, int count);

}  // namespace kivo::quant
