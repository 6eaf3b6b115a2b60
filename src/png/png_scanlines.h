// The bytes a PNG's image data compresses: each row, of every Adam7 pass when
// interlaced, packed to the bit depth and filtered, behind its filter type byte.
// Filtering follows libpng's writer so that our files compress as well as its:
// palette images and depths below 8 are not filtered; 8-bit greyscale and RGB
// rows take, row by row, the filter whose output has the smallest sum of
// absolute values (bytes read as signed), the first such in the order none,
// sub, up, average, Paeth.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace kivo {

struct ScanlineLayout {
    uint32_t width = 0, height = 0;
    int bitDepth = 8;   // 1, 2, 4 or 8
    int channels = 1;   // 1 (palette, grey) or 3 (RGB); depths below 8 have 1
    bool interlace = false;
    bool adaptiveFilters = false;  // false: every row unfiltered
};

// The number of bytes BuildScanlines writes; 0 when that does not fit in size_t.
size_t ScanlineBytes(const ScanlineLayout& layout);

// Writes ScanlineBytes(layout) bytes to out. produceRow(y, row) fills image row
// y (top first) with width * channels samples, one byte each; rows may be asked
// for more than once (once per pass that holds them).
void BuildScanlines(const ScanlineLayout& layout,
                    const std::function<void(uint32_t y, uint8_t* row)>& produceRow, uint8_t* out);

}  // namespace kivo
