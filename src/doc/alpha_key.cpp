#include "doc/alpha_key.h"

#include <vector>

#include "doc/dib.h"

namespace kivo {

namespace {

uint32_t Pack(const uint8_t* bgr) { return uint32_t(bgr[2]) | uint32_t(bgr[1]) << 8 | uint32_t(bgr[0]) << 16; }

// The same rounding the PNG reader uses for a partly transparent pixel.
uint8_t OverBlack(unsigned v, unsigned a) {
    const unsigned t = v * a + 128;
    return uint8_t((t + t / 256) / 256);
}

// A colour no visible pixel has: the preferred one when free, else the first
// free one counting up from it. 2^24 colours and at most 2^28 pixels: a bit set
// of all colours settles it in one pass.
uint32_t FreeColour(const std::vector<bool>& used, uint32_t preferred) {
    for (uint32_t i = 0; i < (1u << 24); ++i) {
        const uint32_t c = (preferred + i) & 0xFFFFFF;
        if (!used[c]) return c;
    }
    return preferred;  // every colour visible: cannot happen below 2^24 pixels
}

}  // namespace

bool KeyOutAlpha(Dib& dib, std::span<const uint8_t> alpha, Rgb* key) {
    const uint32_t w = DibWidth(dib), h = DibHeight(dib);
    if (alpha.size() < size_t(w) * h) return false;
    const size_t stride = DibRowBytes(w, 24);
    uint8_t* bits = DibPixels(dib);
    bool any = false;
    uint32_t first = 0;
    std::vector<bool> used(size_t(1) << 24);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* p = bits + y * stride;
        const uint8_t* a = alpha.data() + size_t(y) * w;
        for (uint32_t x = 0; x < w; ++x, p += 3) {
            if (a[x] == 0) {
                if (!any) first = Pack(p);
                any = true;
                continue;
            }
            if (a[x] != 255)
                for (int c = 0; c < 3; ++c) p[c] = OverBlack(p[c], a[x]);
            used[Pack(p)] = true;
        }
    }
    if (!any) return false;
    const uint32_t k = FreeColour(used, first);
    const uint8_t b = uint8_t(k >> 16), g = uint8_t(k >> 8), r = uint8_t(k);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* p = bits + y * stride;
        const uint8_t* a = alpha.data() + size_t(y) * w;
        for (uint32_t x = 0; x < w; ++x, p += 3)
            if (a[x] == 0) {
                p[0] = b;
                p[1] = g;
                p[2] = r;
            }
    }
    if (key) *key = Rgb{r, g, b};
    return true;
}

}  // namespace kivo
