#include "doc/dib.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

namespace kivo {

size_t MaxImagePixels = size_t(1) << 28;

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
void Put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

}  // namespace

uint32_t DibHeaderSize(DibSpan dib) { return dib.size() >= 4 ? Le32(dib.data()) : 0; }
bool DibIsCore(DibSpan dib) { return DibHeaderSize(dib) < 16; }

// Both header kinds keep the width's low half at byte 4.
uint16_t DibWidth(DibSpan dib) { return Le16(&dib[4]); }
uint16_t DibHeight(DibSpan dib) { return DibIsCore(dib) ? Le16(&dib[6]) : Le16(&dib[8]); }
uint16_t DibBitCount(DibSpan dib) { return DibIsCore(dib) ? Le16(&dib[10]) : Le16(&dib[14]); }

uint32_t DibCompression(DibSpan dib) {
    return DibHeaderSize(dib) >= 20 ? Le32(&dib[16]) : 0;
}

bool DibHasMasks(DibSpan dib) {
    const uint16_t bits = DibBitCount(dib);
    return (bits == 16 || bits == 32) && DibCompression(dib) == kBiBitFields && !DibIsCore(dib);
}

uint32_t DibColorCount(DibSpan dib) {
    uint32_t header = DibHeaderSize(dib);
    if (header >= 36) {
        uint32_t used = Le32(&dib[32]);
        if (used != 0) return used;
    }
    uint16_t bits = DibBitCount(dib);
    return bits <= 8 ? 1u << bits : 0;
}

size_t DibColorTableBytes(DibSpan dib) {
    if (DibHasMasks(dib)) return 12;
    return size_t(DibColorCount(dib)) * (DibIsCore(dib) ? 3 : 4);
}

size_t DibRowBytes(uint32_t width, uint32_t bitCount) {
    return (size_t(width) * bitCount + 31) / 32 * 4;
}

size_t DibImageSize(DibSpan dib) {
    return size_t(DibHeight(dib)) * DibRowBytes(DibWidth(dib), DibBitCount(dib));
}

size_t DibPixelOffset(DibSpan dib) { return DibHeaderSize(dib) + DibColorTableBytes(dib); }
size_t DibSize(DibSpan dib) { return DibPixelOffset(dib) + DibImageSize(dib); }
size_t DibFileOffset(DibSpan dib) { return 14 + DibPixelOffset(dib); }

const uint8_t* DibColorTable(DibSpan dib) { return dib.data() + DibHeaderSize(dib); }
const uint8_t* DibPixels(DibSpan dib) { return dib.data() + DibPixelOffset(dib); }
uint8_t* DibPixels(Dib& dib) { return dib.data() + DibPixelOffset(dib); }

bool DibIsValid(DibSpan dib) {
    uint32_t header = DibHeaderSize(dib);
    if (header != kCoreHeaderSize && header < 16) return false;
    // Every field read is inside the header, so the header must be in the buffer.
    if (header > dib.size()) return false;
    uint16_t bits = DibBitCount(dib);
    if (bits == 0 || bits > 32) return false;
    // A colours-used value can be anything; beyond 256 entries no index can reach.
    if (DibColorCount(dib) > 256 && bits <= 8) return false;
    if (DibColorCount(dib) > (1u << 16)) return false;
    return dib.size() >= DibSize(dib);
}

Dib MakeDib24(uint32_t width, uint32_t height) {
    if (width > 0xFFFF || height > 0xFFFF || size_t(width) * height > MaxImagePixels) return {};
    Dib dib;
    try {
        dib.assign(kInfoHeaderSize + size_t(height) * DibRowBytes(width, 24), 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    uint8_t* h = dib.data();
    Put32(h + 0, kInfoHeaderSize);
    Put32(h + 4, width);
    Put32(h + 8, height);
    Put16(h + 12, 1);
    Put16(h + 14, 24);
    Put32(h + 16, kBiRgb);
    Put32(h + 20, uint32_t(size_t(height) * DibRowBytes(width, 24)));
    Put32(h + 24, kDibResolution);
    Put32(h + 28, kDibResolution);
    return dib;
}

Dib MakeIndexedDib(DibSpan picture, std::span<const uint8_t> indices, const Palette& palette) {
    if (!DibIsValid(picture) || palette.size() > 256) return {};
    const uint32_t width = DibWidth(picture), height = DibHeight(picture);
    if (indices.size() != size_t(width) * height) return {};
    const size_t stride = DibRowBytes(width, 8);
    const size_t table = 4 * palette.size();
    Dib dib;
    try {
        dib.assign(kInfoHeaderSize + table + stride * height, 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    uint8_t* h = dib.data();
    Put32(h + 0, kInfoHeaderSize);
    Put32(h + 4, width);
    Put32(h + 8, height);
    Put16(h + 12, 1);
    Put16(h + 14, 8);
    Put32(h + 16, kBiRgb);
    Put32(h + 20, uint32_t(stride * height));
    Put32(h + 24, kDibResolution);
    Put32(h + 28, kDibResolution);
    Put32(h + 32, uint32_t(palette.size()));
    uint8_t* quad = h + kInfoHeaderSize;
    for (const Rgb& c : palette) {
        quad[0] = c.b;
        quad[1] = c.g;
        quad[2] = c.r;
        quad += 4;
    }
    uint8_t* rows = h + kInfoHeaderSize + table;
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(rows + size_t(height - 1 - y) * stride, indices.data() + size_t(y) * width, width);
    return dib;
}

namespace {

// Channel from a bit-field mask, scaled so that a full channel is 255. The mask
// is used unshifted, as the format defines it; for a contiguous mask of any
// width and place that is the channel's value scaled to 8 bits.
uint8_t MaskChannel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    return uint8_t(uint64_t(pixel & mask) * 255 / mask);
}

constexpr uint32_t kDefault32Masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};

}  // namespace

Dib DibTo24(DibSpan src) {
    if (!DibIsValid(src)) return {};
    const uint32_t w = DibWidth(src), h = DibHeight(src);
    const uint16_t bits = DibBitCount(src);
    Dib out = MakeDib24(w, h);
    if (out.empty()) return {};

    const uint8_t* table = DibColorTable(src);
    const uint32_t tableCount = bits <= 8 ? DibColorCount(src) : 0;
    const size_t entry = DibIsCore(src) ? 3 : 4;
    const size_t srcRow = DibRowBytes(w, bits), dstRow = DibRowBytes(w, 24);
    const uint8_t* in = DibPixels(src);
    uint8_t* dst = DibPixels(out);

    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bits == 32) std::copy(std::begin(kDefault32Masks), std::end(kDefault32Masks), masks);
    if (DibHasMasks(src))
        for (int i = 0; i < 3; ++i) masks[i] = Le32(table + 4 * i);
    // Blue, green, red bytes with a fourth ignored: copied without unpacking.
    const bool plain32 = bits == 32 && std::equal(masks, masks + 3, kDefault32Masks);

    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = in + y * srcRow;
        uint8_t* d = dst + y * dstRow;
        switch (bits) {
        case 24:
            std::memcpy(d, s, size_t(w) * 3);
            break;
        case 32:
        case 16:
            if (plain32) {
                for (uint32_t x = 0; x < w; ++x) std::memcpy(d + 3 * x, s + 4 * x, 3);
                break;
            }
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t p = bits == 32 ? Le32(s + 4 * x) : Le16(s + 2 * x);
                d[3 * x + 0] = MaskChannel(p, masks[2]);
                d[3 * x + 1] = MaskChannel(p, masks[1]);
                d[3 * x + 2] = MaskChannel(p, masks[0]);
            }
            break;
        case 8:
        case 4:
        case 1:
            for (uint32_t x = 0; x < w; ++x) {
                uint32_t index;
                if (bits == 8) index = s[x];
                else if (bits == 4) index = (s[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
                else index = (s[x / 8] >> (7 - x % 8)) & 1;
                // Indices past a short colour table stay black rather than reading
                // whatever follows the table.
                if (index < tableCount) std::memcpy(d + 3 * x, table + entry * index, 3);
            }
            break;
        default:
            break;  // unsupported depth: rows stay black
        }
    }
    return out;
}

Dib DibTo24(Dib&& src) {
    Dib owned = std::move(src);
    if (DibIsValid(owned) && DibBitCount(owned) == 24) return owned;
    Dib out = DibTo24(DibSpan(owned));
    return out;  // `owned` is released here, also when the conversion failed
}

Palette DibPalette(DibSpan dib) {
    uint16_t bits = DibBitCount(dib);
    if (bits > 8) return {};
    Palette pal(size_t(1) << bits);
    const uint8_t* table = DibColorTable(dib);
    const size_t entry = DibIsCore(dib) ? 3 : 4;
    const size_t n = std::min<size_t>(DibColorCount(dib), pal.size());
    for (size_t i = 0; i < n; ++i)
        pal[i] = Rgb{table[entry * i + 2], table[entry * i + 1], table[entry * i]};
    return pal;
}

}  // namespace kivo
