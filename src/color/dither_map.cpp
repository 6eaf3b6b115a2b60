// Mapping rows to palette indices with Floyd-Steinberg error diffusion, scanning
// serpentine. Errors travel in sixteenths as 16-bit values; the error carried
// into a pixel is limited so dark colours far from every palette entry cannot
// smear across the picture.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "color/quantizer_state.h"

namespace kivo::quant {
namespace {

// Limited error for every error -255..255 (index e + 255).
constexpr std::array<int16_t, 511> MakeErrorLimit() {
    std::array<int16_t, 511> t{};
    for (int e = -255; e <= 255; ++e) {
        const int a = e < 0 ? -e : e;
        int v = a < 16 ? a : a < 48 ? 16 + (a - 16) / 2 : 32;
        t[size_t(e + 255)] = int16_t(e < 0 ? -v : v);
    }
    return t;
}

// Clamp to 0..255 for values -256..511 (index v + 256).
constexpr std::array<uint8_t, 768> MakeClamp() {
    std::array<uint8_t, 768> t{};
    for (int v = -256; v < 512; ++v) t[size_t(v + 256)] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
    return t;
}

constexpr std::array<int16_t, 511> kErrorLimit = MakeErrorLimit();
constexpr std::array<uint8_t, 768> kClamp = MakeClamp();

}  // namespace

void PrepareMapping(ColorQuantizer& q) {
    std::fill(q.cells.begin(), q.cells.end(), uint16_t(0));
    q.mapping = true;
    RestartMapping(q);
}

void RestartMapping(ColorQuantizer& q) {
    std::fill(q.errors.begin(), q.errors.end(), int16_t(0));
    q.rightToLeft = false;
}

void MapRow(ColorQuantizer& q, const uint8_t* row, uint8_t* out) {
    const int w = q.width;
    int dir, col;
    if (!q.rightToLeft) {
        dir = 1;
        col = 0;
    } else {
        dir = -1;
        col = w - 1;
    }
    q.rightToLeft = !q.rightToLeft;
    if (w <= 0) return;

    int16_t* err = q.errors.data();  // column c at (c + 1) * 3
    const uint8_t* red = q.map.red.data();
    const uint8_t* green = q.map.green.data();
    const uint8_t* blue = q.map.blue.data();
    // Carried error (7/16 of the last pixel's), and the shares collected for the
    // column behind (prev) and the current column (below) in the next row.
    int carR = 0, carG = 0, carB = 0;
    int prevR = 0, prevG = 0, prevB = 0;
    int belowR = 0, belowG = 0, belowB = 0;

    for (int i = 0; i < w; ++i, col += dir) {
        const uint8_t* px = row + size_t(col) * 3;
        int16_t* here = err + (col + 1) * 3;
        const int eR = kErrorLimit[size_t(((carR + here[0] + 8) >> 4) + 255)];
        const int eG = kErrorLimit[size_t(((carG + here[1] + 8) >> 4) + 255)];
        const int eB = kErrorLimit[size_t(((carB + here[2] + 8) >> 4) + 255)];
        const int vR = kClamp[size_t(px[2] + eR + 256)];
        const int vG = kClamp[size_t(px[1] + eG + 256)];
        const int vB = kClamp[size_t(px[0] + eB + 256)];

        const int cr = vR >> 3, cg = vG >> 2, cb = vB >> 3;
        uint16_t cached = q.cells[CellIndex(cr, cg, cb)];
        if (cached == 0) {
            FillCacheBlock(q, cr, cg, cb);
            cached = q.cells[CellIndex(cr, cg, cb)];
        }
        const int index = cached - 1;
        out[col] = uint8_t(index);

        const int dR = vR - red[index], dG = vG - green[index], dB = vB - blue[index];
        // 3/16 to the pixel behind in the next row, completing its share.
        int16_t* behind = err + (col - dir + 1) * 3;
        behind[0] = int16_t(prevR + 3 * dR);
        behind[1] = int16_t(prevG + 3 * dG);
        behind[2] = int16_t(prevB + 3 * dB);
        // 5/16 below, plus the 1/16 this column got from the pixel before.
        prevR = belowR + 5 * dR;
        prevG = belowG + 5 * dG;
        prevB = belowB + 5 * dB;
        // 1/16 ahead in the next row.
        belowR = dR;
        belowG = dG;
        belowB = dB;
        carR = 7 * dR;
        carG = 7 * dG;
        carB = 7 * dB;
    }
    // The last pixel's column; its 1/16 ahead falls off the row.
    int16_t* last = err + (col - dir + 1) * 3;
    last[0] = int16_t(prevR);
    last[1] = int16_t(prevG);
    last[2] = int16_t(prevB);
}

void MapRows(ColorQuantizer& q, const uint8_t* row, uint8_t* out, int count) {
    // The state a row leaves is the carried error and the direction; mapping the
    // same row from the same state gives the same indices and the same next
    // state. Once the state after two more rows equals the one before them, it
    // repeats with period two, so whole pairs of rows can be dropped.
    std::vector<int16_t> twoBack, oneBack;
    for (int done = 0; done < count; ++done) {
        if (done >= 2 && q.errors == twoBack) {
            if ((count - done) % 2 == 1) MapRow(q, row, out);
            return;
        }
        twoBack.swap(oneBack);
        oneBack = q.errors;
        MapRow(q, row, out);
    }
}

}  // namespace kivo::quant
