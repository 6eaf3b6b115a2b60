// For fuzz targets over PNG-style chunk streams (MNG): a mutated chunk would
// rarely get past its CRC, so the targets that want the chunks' contents read
// mend every CRC first. The readers' own handling of bad CRCs is fuzzed as is.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Rewrites the CRC of every chunk that lies whole inside the data (after the
// 8-byte signature).
inline void MendCrcs(std::vector<uint8_t>& b) {
    for (size_t at = 8; at + 12 <= b.size();) {
        const size_t length = size_t(b[at]) << 24 | size_t(b[at + 1]) << 16 | size_t(b[at + 2]) << 8 | b[at + 3];
        if (length > b.size() - at - 12) return;
        const uint32_t crc = uint32_t(crc32(0, b.data() + at + 4, uInt(length + 4)));
        for (int i = 0; i < 4; ++i) b[at + 8 + length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
        at += 12 + length;
    }
}
