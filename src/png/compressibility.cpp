#include "png/compressibility.h"

#include <zlib.h>

#include <algorithm>

namespace kivo {

bool IsCompressible(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return false;
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    // Only the compressed length matters: stream the output through one block and
    // stop as soon as it reaches the input's length. Texts come from chunks, far
    // below deflate's 4 GiB input limit.
    uint8_t block[8192];
    z.next_in = const_cast<uint8_t*>(bytes.data());
    z.avail_in = uInt(std::min<size_t>(bytes.size(), UINT32_MAX));
    size_t produced = 0;
    int status;
    do {
        z.next_out = block;
        z.avail_out = sizeof block;
        status = deflate(&z, Z_FINISH);
        produced += sizeof block - z.avail_out;
    } while (status == Z_OK && produced < bytes.size());
    const bool smaller = status == Z_STREAM_END && produced < bytes.size();
    deflateEnd(&z);
    return smaller;
}

}  // namespace kivo
