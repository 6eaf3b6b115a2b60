#include "avi/avi_yuv.h"

#include <algorithm>
#include <cstddef>

namespace kivo {

namespace {

// The weights in units of 1/65536; Cb's and Cr's each sum to 0 and Y's to
// 65536, so grey stays grey.
constexpr int32_t kYr = 19595, kYg = 38470, kYb = 7471;
constexpr int32_t kCbR = -11059, kCbG = -21709, kCbB = 32768;
constexpr int32_t kCrR = 32768, kCrG = -27439, kCrB = -5329;
constexpr int32_t kHalf = 1 << 15, kCentre = 128 << 16;

// A plain loop over a whole row, which the compiler vectorises. On x86-64 it
// is also compiled for AVX2, which multiplies eight words at once (SSE2 has no
// word multiply) and runs four times as fast; the loader picks the version.
#if defined(__x86_64__) && defined(__GNUC__) && defined(__ELF__)
__attribute__((target_clones("avx2", "default")))
#endif
void Row(const uint32_t* in, int width, uint8_t* y, uint8_t* cb, uint8_t* cr) {
    for (int x = 0; x < width; ++x) {
        const int32_t r = int32_t(in[x] >> 16 & 0xFF), g = int32_t(in[x] >> 8 & 0xFF), b = int32_t(in[x] & 0xFF);
        y[x] = uint8_t((kYr * r + kYg * g + kYb * b + kHalf) >> 16);
        // Pure blue and pure red come to 255.5 before rounding down.
        cb[x] = uint8_t(std::min((kCbR * r + kCbG * g + kCbB * b + kCentre + kHalf) >> 16, 255));
        cr[x] = uint8_t(std::min((kCrR * r + kCrG * g + kCrB * b + kCentre + kHalf) >> 16, 255));
    }
}

}  // namespace

void ScreenToFullRangeYuv444(const uint32_t* screen, int width, int height, uint8_t* const planes[3],
                             const int lineSize[3]) {
    for (int row = 0; row < height; ++row)
        Row(screen + ptrdiff_t(row) * width, width, planes[0] + ptrdiff_t(row) * lineSize[0],
            planes[1] + ptrdiff_t(row) * lineSize[1], planes[2] + ptrdiff_t(row) * lineSize[2]);
}

}  // namespace kivo
