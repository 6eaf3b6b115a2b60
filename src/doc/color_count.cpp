#include "doc/color_count.h"

#include <algorithm>
#include <new>

#include "doc/dib.h"

namespace kivo {

namespace {

inline uint32_t PixelAt(const uint8_t* p) {
    return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
}

}  // namespace

int CountColorsLimited(const uint8_t* rows, int width, int height, int limit) {
    // Buckets keyed by green and red; each holds the blue values seen with that
    // key, so a lookup scans only a handful of bytes.
    std::vector<std::vector<uint8_t>> buckets;
    try {
        buckets.resize(65536);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const size_t stride = DibRowBytes(uint32_t(width), 24);
    int count = 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* p = rows + size_t(y) * stride;
        for (int x = 0; x < width; ++x, p += 3) {
            std::vector<uint8_t>& bucket = buckets[size_t(p[1]) << 8 | p[2]];
            if (std::find(bucket.begin(), bucket.end(), p[0]) != bucket.end()) continue;
            try {
                bucket.push_back(p[0]);
            } catch (const std::bad_alloc&) {
                return count;
            }
            if (++count == limit) return count;
        }
    }
    return count;
}

PaletteCount CountColorsPalette(const uint8_t* rows, int width, int height) {
    PaletteCount result;
    try {
        result.colors.reserve(256);
    } catch (const std::bad_alloc&) {
        return result;
    }
    const size_t stride = DibRowBytes(uint32_t(width), 24);
    uint32_t last = 0;
    bool haveLast = false;
    for (int y = 0; y < height; ++y) {
        const uint8_t* p = rows + size_t(y) * stride;
        for (int x = 0; x < width; ++x, p += 3) {
            uint32_t c = PixelAt(p);
            if (haveLast && c == last) continue;
            last = c;
            haveLast = true;
            if (std::find(result.colors.begin(), result.colors.end(), c) != result.colors.end())
                continue;
            if (result.colors.size() == 256) return PaletteCount{};  // kind 257
            result.colors.push_back(c);
        }
    }
    result.count = int(result.colors.size());
    result.kind = result.count <= 2 ? 2 : result.count <= 16 ? 16 : 256;
    return result;
}

}  // namespace kivo
