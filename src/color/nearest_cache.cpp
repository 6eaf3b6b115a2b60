// The nearest-colour cache: filled lazily, one block of 4 x 8 x 4 cells at a
// time, searching only the palette colours that can be nearest to some cell of
// the block. Distances weigh red 2, green 3, blue 1.
#include <array>
#include <climits>
#include <cstdint>

#include "color/quantizer_state.h"

namespace kivo::quant {
namespace {

constexpr int kWeightR = 2, kWeightG = 3, kWeightB = 1;

// Nearest and farthest weighted distance of value x from the range lo..hi on
// one axis, as the pruning rule defines them.
void AxisDistances(int x, int lo, int hi, int centre, int w, int& nearD, int& farD) {
    if (x < lo) {
        nearD = (x - lo) * w;
        farD = (x - hi) * w;
    } else if (x > hi) {
        nearD = (x - hi) * w;
        farD = (x - lo) * w;
    } else {
        nearD = 0;
        farD = (x <= centre ? x - hi : x - lo) * w;
    }
}

}  // namespace

void FillCacheBlock(ColorQuantizer& q, int r, int g, int b) {
    const int blockR = r >> 2, blockG = g >> 3, blockB = b >> 2;
    const int rmin = blockR * 32 + 4, gmin = blockG * 32 + 2, bmin = blockB * 32 + 4;
    const int rmax = rmin + 24, gmax = gmin + 28, bmax = bmin + 24;
    const int rc = (rmin + rmax) >> 1, gc = (gmin + gmax) >> 1, bc = (bmin + bmax) >> 1;

    const int n = q.actual;
    std::array<int32_t, 256> minDist{};
    int32_t minmax = INT32_MAX;
    for (int i = 0; i < n; ++i) {
        int nr, fr, ng, fg, nb, fb;
        AxisDistances(q.map.red[size_t(i)], rmin, rmax, rc, kWeightR, nr, fr);
        AxisDistances(q.map.green[size_t(i)], gmin, gmax, gc, kWeightG, ng, fg);
        AxisDistances(q.map.blue[size_t(i)], bmin, bmax, bc, kWeightB, nb, fb);
        minDist[size_t(i)] = nr * nr + ng * ng + nb * nb;
        const int32_t maxDist = fr * fr + fg * fg + fb * fb;
        if (maxDist < minmax) minmax = maxDist;
    }
    std::array<uint8_t, 256> candidates;
    int candidateCount = 0;
    for (int i = 0; i < n; ++i)
        if (minDist[size_t(i)] <= minmax) candidates[size_t(candidateCount++)] = uint8_t(i);

    for (int i = 0; i < 4; ++i) {
        const int cr = rmin + 8 * i;
        for (int j = 0; j < 8; ++j) {
            const int cg = gmin + 4 * j;
            for (int k = 0; k < 4; ++k) {
                const int cb = bmin + 8 * k;
                int32_t best = INT32_MAX;
                int bestIndex = 0;
                for (int c = 0; c < candidateCount; ++c) {
                    const size_t p = candidates[size_t(c)];
                    const int dr = kWeightR * (cr - q.map.red[p]);
                    const int dg = kWeightG * (cg - q.map.green[p]);
                    const int db = kWeightB * (cb - q.map.blue[p]);
                    const int32_t d = dr * dr + dg * dg + db * db;
                    if (d < best) {  // ties keep the lower index
                        best = d;
                        bestIndex = int(p);
                    }
                }
                q.cells[CellIndex(blockR * 4 + i, blockG * 8 + j, blockB * 4 + k)] =
                    uint16_t(bestIndex + 1);
            }
        }
    }
}

}  // namespace kivo::quant
