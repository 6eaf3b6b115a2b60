// Choosing the palette: median cut over the 5-6-5 cell histogram. Boxes are
// split until the wanted number exists or none can be split any more; each box
// gives the count-weighted mean of its cells' centres.
#include <cstdint>

#include "color/quantizer_state.h"

namespace kivo::quant {
namespace {

bool AnyInRedPlane(const ColorQuantizer& q, int r, const ColorBox& b) {
    for (int g = b.gmin; g <= b.gmax; ++g)
        for (int bl = b.bmin; bl <= b.bmax; ++bl)
            if (q.cells[CellIndex(r, g, bl)] != 0) return true;
    return false;
}

bool AnyInGreenPlane(const ColorQuantizer& q, int g, const ColorBox& b) {
    for (int r = b.rmin; r <= b.rmax; ++r)
        for (int bl = b.bmin; bl <= b.bmax; ++bl)
            if (q.cells[CellIndex(r, g, bl)] != 0) return true;
    return false;
}

bool AnyInBluePlane(const ColorQuantizer& q, int bl, const ColorBox& b) {
    for (int r = b.rmin; r <= b.rmax; ++r)
        for (int g = b.gmin; g <= b.gmax; ++g)
            if (q.cells[CellIndex(r, g, bl)] != 0) return true;
    return false;
}

// Moves each bound inward to the first plane holding a counted colour (red,
// then green, then blue), then recomputes volume and colour count. A box
// without any counted colour keeps its bounds.
void ShrinkBox(const ColorQuantizer& q, ColorBox& b) {
    if (b.rmin < b.rmax) {
        for (int r = b.rmin; r <= b.rmax; ++r)
            if (AnyInRedPlane(q, r, b)) { b.rmin = r; break; }
        for (int r = b.rmax; r >= b.rmin; --r)
            if (AnyInRedPlane(q, r, b)) { b.rmax = r; break; }
    }
    if (b.gmin < b.gmax) {
        for (int g = b.gmin; g <= b.gmax; ++g)
            if (AnyInGreenPlane(q, g, b)) { b.gmin = g; break; }
        for (int g = b.gmax; g >= b.gmin; --g)
            if (AnyInGreenPlane(q, g, b)) { b.gmax = g; break; }
    }
    if (b.bmin < b.bmax) {
        for (int bl = b.bmin; bl <= b.bmax; ++bl)
            if (AnyInBluePlane(q, bl, b)) { b.bmin = bl; break; }
        for (int bl = b.bmax; bl >= b.bmin; --bl)
            if (AnyInBluePlane(q, bl, b)) { b.bmax = bl; break; }
    }
    const int32_t dr = (b.rmax - b.rmin) * 16;
    const int32_t dg = (b.gmax - b.gmin) * 12;
    const int32_t db = (b.bmax - b.bmin) * 8;
    b.volume = dr * dr + dg * dg + db * db;
    int32_t count = 0;
    for (int r = b.rmin; r <= b.rmax; ++r)
        for (int g = b.gmin; g <= b.gmax; ++g)
            for (int bl = b.bmin; bl <= b.bmax; ++bl)
                if (q.cells[CellIndex(r, g, bl)] != 0) ++count;
    b.colorCount = count;
}

// Strict comparisons: among equal candidates the earliest box wins; -1 when
// no box can be split.
int BiggestColorCount(const std::vector<ColorBox>& boxes) {
    int best = -1;
    int32_t most = 0;
    for (size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i].colorCount > most && boxes[i].volume > 0) {
            most = boxes[i].colorCount;
            best = int(i);
        }
    return best;
}

int BiggestVolume(const std::vector<ColorBox>& boxes) {
    int best = -1;
    int32_t most = 0;
    for (size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i].volume > most) {
            most = boxes[i].volume;
            best = int(i);
        }
    return best;
}

void SplitBox(const ColorQuantizer& q, std::vector<ColorBox>& boxes, int index) {
    ColorBox& b = boxes[size_t(index)];
    const int lr = (b.rmax - b.rmin) * 16;
    const int lg = (b.gmax - b.gmin) * 12;
    const int lb = (b.bmax - b.bmin) * 8;
    // Ties go to green, then red; blue only when strictly longest.
    int axis = 1;
    int longest = lg;
    if (lr > lg) { axis = 0; longest = lr; }
    if (lb > longest) axis = 2;

    ColorBox upper = b;
    if (axis == 0) {
        const int mid = (b.rmin + b.rmax) / 2;
        b.rmax = mid;
        upper.rmin = mid + 1;
    } else if (axis == 1) {
        const int mid = (b.gmin + b.gmax) / 2;
        b.gmax = mid;
        upper.gmin = mid + 1;
    } else {
        const int mid = (b.bmin + b.bmax) / 2;
        b.bmax = mid;
        upper.bmin = mid + 1;
    }
    ShrinkBox(q, b);
    ShrinkBox(q, upper);
    boxes.push_back(upper);  // capacity reserved: `b` stays valid up to here
}

// Count-weighted mean of the cell centres; 64-bit sums so that very large
// images cannot overflow. A box without counts (an image without pixels)
// gives black.
void BoxColor(ColorQuantizer& q, const ColorBox& b, int index) {
    uint64_t total = 0, rs = 0, gs = 0, bs = 0;
    for (int r = b.rmin; r <= b.rmax; ++r)
        for (int g = b.gmin; g <= b.gmax; ++g)
            for (int bl = b.bmin; bl <= b.bmax; ++bl) {
                const uint64_t n = q.cells[CellIndex(r, g, bl)];
                if (n == 0) continue;
                total += n;
                rs += n * uint64_t(r * 8 + 4);
                gs += n * uint64_t(g * 4 + 2);
                bs += n * uint64_t(bl * 8 + 4);
            }
    if (total == 0) return;
    ColorMap& m = q.map;
    m.red[size_t(index)] = uint8_t((rs + total / 2) / total);
    m.green[size_t(index)] = uint8_t((gs + total / 2) / total);
    m.blue[size_t(index)] = uint8_t((bs + total / 2) / total);
}

}  // namespace

void ChooseColors(ColorQuantizer& q) {
    std::vector<ColorBox>& boxes = q.boxes;
    boxes.clear();
    boxes.reserve(size_t(q.wanted));
    ColorBox all;
    all.rmax = kRedCells - 1;
    all.gmax = kGreenCells - 1;
    all.bmax = kBlueCells - 1;
    ShrinkBox(q, all);
    boxes.push_back(all);

    while (int(boxes.size()) < q.wanted) {
        const int pick = 2 * int(boxes.size()) <= q.wanted ? BiggestColorCount(boxes)
                                                           : BiggestVolume(boxes);
        if (pick < 0) break;
        SplitBox(q, boxes, pick);
    }
    q.actual = int(boxes.size());
    for (int i = 0; i < q.actual; ++i) BoxColor(q, boxes[size_t(i)], i);
}

}  // namespace kivo::quant
