#include "png/png_scanlines.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <span>
#include <vector>

namespace kivo {

namespace {

struct Pass {
    uint32_t x0, y0, dx, dy;
};
constexpr Pass kWhole[1] = {{0, 0, 1, 1}};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

uint32_t Span(uint32_t size, uint32_t start, uint32_t step) {
    return size > start ? (size - start + step - 1) / step : 0;
}

size_t PackedBytes(const ScanlineLayout& l, uint32_t width) {
    return (size_t(width) * size_t(l.channels) * size_t(l.bitDepth) + 7) / 8;
}

enum Filter : uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

uint8_t PaethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// Byte i of `row` filtered with f; left is bpp bytes back, prev the row above
// (zeros above a pass's first row).
inline uint8_t Filtered(Filter f, const uint8_t* row, const uint8_t* prev, size_t i, size_t bpp) {
    const int a = i >= bpp ? row[i - bpp] : 0;
    const int b = prev[i];
    const int c = i >= bpp ? prev[i - bpp] : 0;
    switch (f) {
    case kNone: return row[i];
    case kSub: return uint8_t(row[i] - a);
    case kUp: return uint8_t(row[i] - b);
    case kAverage: return uint8_t(row[i] - ((a + b) >> 1));
    default: return uint8_t(row[i] - PaethPredictor(a, b, c));
    }
}

// The filter libpng picks for the row: smallest sum of the filtered bytes read
// as signed magnitudes; on a tie the earlier filter. A sum already above the
// best so far stops early, which changes no choice.
Filter ChooseFilter(unsigned allowed, const uint8_t* row, const uint8_t* prev, size_t n, size_t bpp) {
    Filter best = kNone;
    size_t bestSum = std::numeric_limits<size_t>::max();
    for (Filter f : {kNone, kSub, kUp, kAverage, kPaeth}) {
        if (!(allowed & (1u << f))) continue;
        size_t sum = 0;
        for (size_t i = 0; i < n && sum <= bestSum; ++i) {
            const unsigned v = Filtered(f, row, prev, i, bpp);
            sum += v < 128 ? v : 256 - v;
        }
        if (sum < bestSum) {
            bestSum = sum;
            best = f;
        }
    }
    return best;
}

// Which filters libpng tries: those that look at a pixel to the left need a
// second column, those that look above a second row, both judged on the whole
// image, not the pass.
unsigned AllowedFilters(const ScanlineLayout& l) {
    if (!l.adaptiveFilters) return 1u << kNone;
    unsigned allowed = 0x1F;
    if (l.height == 1) allowed &= ~((1u << kUp) | (1u << kAverage) | (1u << kPaeth));
    if (l.width == 1) allowed &= ~((1u << kSub) | (1u << kAverage) | (1u << kPaeth));
    return allowed ? allowed : 1u << kNone;
}

// Samples x0, x0 + dx, … of a full row, packed most significant bits first. As
// libpng packs: a 1-bit sample is set when non-zero, wider ones keep their low bits.
void PackRow(const ScanlineLayout& l, const uint8_t* full, const Pass& p, uint32_t count, uint8_t* out) {
    const size_t channels = size_t(l.channels);
    if (l.bitDepth == 8) {
        if (p.dx == 1) {
            std::memcpy(out, full, size_t(count) * channels);
            return;
        }
        for (uint32_t i = 0; i < count; ++i)
            std::memcpy(out + i * channels, full + (size_t(p.x0) + size_t(i) * p.dx) * channels, channels);
        return;
    }
    const unsigned depth = unsigned(l.bitDepth), mask = (1u << depth) - 1;
    std::memset(out, 0, PackedBytes(l, count));
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t s = full[size_t(p.x0) + size_t(i) * p.dx];
        const unsigned v = depth == 1 ? (s != 0) : (s & mask);
        const size_t bit = size_t(i) * depth;
        out[bit / 8] |= uint8_t(v << (8 - depth - bit % 8));
    }
}

}  // namespace

size_t ScanlineBytes(const ScanlineLayout& l) {
    const auto passes = l.interlace ? std::span<const Pass>(kAdam7) : std::span<const Pass>(kWhole);
    size_t total = 0;
    for (const Pass& p : passes) {
        const uint32_t w = Span(l.width, p.x0, p.dx), h = Span(l.height, p.y0, p.dy);
        if (w == 0 || h == 0) continue;
        const size_t row = PackedBytes(l, w) + 1;
        if (row > (std::numeric_limits<size_t>::max() - total) / h) return 0;
        total += row * h;
    }
    return total;
}

void BuildScanlines(const ScanlineLayout& l, const std::function<void(uint32_t, uint8_t*)>& produceRow,
                    uint8_t* out) {
    const auto passes = l.interlace ? std::span<const Pass>(kAdam7) : std::span<const Pass>(kWhole);
    const unsigned allowed = AllowedFilters(l);
    const size_t bpp = (size_t(l.channels) * size_t(l.bitDepth) + 7) / 8;
    std::vector<uint8_t> full(size_t(l.width) * size_t(l.channels));
    std::vector<uint8_t> row(PackedBytes(l, l.width)), prev(row.size());
    for (const Pass& p : passes) {
        const uint32_t w = Span(l.width, p.x0, p.dx), h = Span(l.height, p.y0, p.dy);
        if (w == 0 || h == 0) continue;
        const size_t n = PackedBytes(l, w);
        std::fill(prev.begin(), prev.end(), uint8_t(0));
        for (uint32_t r = 0; r < h; ++r) {
            produceRow(p.y0 + r * p.dy, full.data());
            PackRow(l, full.data(), p, w, row.data());
            const Filter f = allowed == 1u << kNone ? kNone : ChooseFilter(allowed, row.data(), prev.data(), n, bpp);
            *out++ = f;
            if (f == kNone) {
                std::memcpy(out, row.data(), n);
            } else {
                for (size_t i = 0; i < n; ++i) out[i] = Filtered(f, row.data(), prev.data(), i, bpp);
            }
            out += n;
            row.swap(prev);
        }
    }
}

}  // namespace kivo
