// MNG files for the reader tests, built chunk by chunk: every chunk gets its
// length and CRC here, so a test states only what the file says.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "doc/types.h"

namespace kivo::test {

using ByteVec = std::vector<uint8_t>;

inline ByteVec Cat(std::initializer_list<ByteVec> parts) {
    ByteVec out;
    for (const ByteVec& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
inline ByteVec Be32Bytes(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
inline ByteVec Text(std::string_view s) { return ByteVec(s.begin(), s.end()); }
inline ByteVec Deflated(const ByteVec& raw) {
    ByteVec out(compressBound(uLong(raw.size())));
    uLongf size = uLongf(out.size());
    compress(out.data(), &size, raw.data(), uLong(raw.size()));
    out.resize(size);
    return out;
}

// One chunk: length, type, data, CRC over type and data.
inline ByteVec Chunk(std::string_view type, const ByteVec& data = {}) {
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
    if (!data.empty()) crc = crc32(crc, data.data(), uInt(data.size()));  // a null buffer restarts the CRC
    return Cat({Be32Bytes(uint32_t(data.size())), Text(type.substr(0, 4)), data, Be32Bytes(uint32_t(crc))});
}

inline ByteVec PlteData(const Palette& palette) {
    ByteVec out;
    for (const Rgb& c : palette) out.insert(out.end(), {c.r, c.g, c.b});
    return out;
}
inline ByteVec TermChunk(uint8_t action, uint32_t delay, uint32_t maximum) {
    return Chunk("TERM", Cat({ByteVec{action, 0}, Be32Bytes(delay), Be32Bytes(maximum)}));
}
inline ByteVec DefiChunk(int32_t x, int32_t y) {
    return Chunk("DEFI", Cat({ByteVec{0, 0, 0, 0}, Be32Bytes(uint32_t(x)), Be32Bytes(uint32_t(y))}));
}
// A FRAM with an empty name: mode, then change codes for the delay only.
inline ByteVec FramChunk(uint8_t mode, uint8_t change, uint32_t delay) {
    return Chunk("FRAM", Cat({ByteVec{mode, 0, change, 0, 0, 0}, Be32Bytes(delay)}));
}
inline ByteVec Jhdr(uint32_t w, uint32_t h) {
    return Chunk("JHDR", Cat({Be32Bytes(w), Be32Bytes(h), ByteVec{10, 8, 8, 0, 0, 0, 0, 0}}));
}

// A PNG datastream as an MNG embeds it: IHDR, `beforeIdat` (whole chunks), one
// IDAT, IEND; no signature. Samples come from sample(x, y): a palette index or
// grey value, or 0xRRGGBB for colour type 2 (depth 8).
inline ByteVec PngStream(uint32_t w, uint32_t h, uint8_t depth, uint8_t colourType,
                         const std::function<uint32_t(int, int)>& sample, const ByteVec& beforeIdat = {}) {
    ByteVec raw;
    for (uint32_t y = 0; y < h; ++y) {
        raw.push_back(0);  // filter: none
        const size_t start = raw.size();
        raw.resize(start + (colourType == 2 ? size_t(w) * 3 : (size_t(w) * depth + 7) / 8), 0);
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t v = sample(int(x), int(y));
            if (colourType == 2) {
                for (int c = 0; c < 3; ++c) raw[start + x * 3 + size_t(c)] = uint8_t(v >> (16 - 8 * c));
            } else {
                const size_t bit = size_t(x) * depth;
                raw[start + bit / 8] |= uint8_t(v << (8 - depth - bit % 8));
            }
        }
    }
    const ByteVec header = Cat({Be32Bytes(w), Be32Bytes(h), ByteVec{depth, colourType, 0, 0, 0}});
    return Cat({Chunk("IHDR", header), beforeIdat, Chunk("IDAT", Deflated(raw)), Chunk("IEND")});
}

// Signature, MHDR (w x h, ticks a second, profile), the chunks, MEND.
inline ByteVec MngFile(uint32_t ticks, const std::vector<ByteVec>& chunks, uint32_t w = 4, uint32_t h = 3,
                       uint32_t profile = 0) {
    ByteVec out{0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const ByteVec mhdr = Cat({Be32Bytes(w), Be32Bytes(h), Be32Bytes(ticks), ByteVec(12, 0), Be32Bytes(profile)});
    out = Cat({out, Chunk("MHDR", mhdr)});
    for (const ByteVec& c : chunks) out.insert(out.end(), c.begin(), c.end());
    return Cat({out, Chunk("MEND")});
}

}  // namespace kivo::test
