// Screens into the full-range 4:4:4 YCbCr pictures Motion JPEG takes. The
// scaler's general path spends as long on this as the encoder spends on
// compressing; the conversion itself is three weighted sums a pixel.
#pragma once

#include <cstdint>

namespace kivo {

// width * height pixels 0x??RRGGBB (the top byte ignored), top row first,
// into three planes (Y, Cb, Cr) of lineSize bytes a row: JPEG's own weights
// (ITU-R BT.601 over the full 0-255 range), rounded.
void ScreenToFullRangeYuv444(const uint32_t* screen, int width, int height, uint8_t* const planes[3],
                             const int lineSize[3]);

}  // namespace kivo
