#include "png/chunk_writer.h"

#include <zlib.h>

#include <algorithm>

#include "png/compressibility.h"
#include "platform/cp932.h"
#include "platform/stored_text.h"

namespace kivo {

namespace {

// The text in deflate's zlib form (default level, 15-bit window, memory level
// 8, default strategy), produced through one 8192-byte block.
bool Deflate(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
    struct Stream {
        z_stream z{};
        bool open = false;
        ~Stream() {
            if (open) deflateEnd(&z);
        }
    } s;
    z_stream& z = s.z;
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    s.open = true;
    uint8_t block[8192];
    z.next_in = const_cast<uint8_t*>(in.data());
    z.avail_in = uInt(in.size());
    int status;
    do {
        z.next_out = block;
        z.avail_out = sizeof block;
        status = deflate(&z, Z_FINISH);
        out.insert(out.end(), block, block + (sizeof block - z.avail_out));
    } while (status == Z_OK);
    return status == Z_STREAM_END;
}

}  // namespace

void PutU32Be(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), b, b + 4);
}

void PutChunk(std::vector<uint8_t>& out, std::string_view type, std::span<const uint8_t> data) {
    PutU32Be(out, uint32_t(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.begin() + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, out.data() + typeAt, 4);
    // zlib takes lengths as 32-bit values; a JNG's JPEG data may be larger.
    for (size_t done = 0; done < data.size();) {
        const size_t n = std::min<size_t>(data.size() - done, 1u << 30);
        crc = crc32(crc, data.data() + done, uInt(n));
        done += n;
    }
    PutU32Be(out, uint32_t(crc));
}

void PutMhdr(std::vector<uint8_t>& out, uint32_t width, uint32_t height, uint32_t ticksPerSecond,
             uint32_t profile) {
    std::vector<uint8_t> d;
    for (uint32_t v : {width, height, ticksPerSecond, 0u, 0u, 0u, profile}) PutU32Be(d, v);
    PutChunk(out, "MHDR", d);
}

void PutTerm(std::vector<uint8_t>& out, const TermValues& term) {
    std::vector<uint8_t> d{term.action};
    if (term.action == 3) {
        d.push_back(term.afterAction);
        PutU32Be(d, term.delay);
        PutU32Be(d, term.maximum);
    }
    PutChunk(out, "TERM", d);
}

void PutFramMode(std::vector<uint8_t>& out, uint8_t mode) {
    const uint8_t d[1] = {mode};
    PutChunk(out, "FRAM", d);
}

void PutFramDelay(std::vector<uint8_t>& out, uint8_t mode, uint32_t delay) {
    // mode, the name's terminator, then the change codes: interframe delay 2
    // (from now on), timeout, clipping and sync id unchanged.
    std::vector<uint8_t> d{mode, 0, 2, 0, 0, 0};
    PutU32Be(d, delay);
    PutChunk(out, "FRAM", d);
}

void PutDefi(std::vector<uint8_t>& out, int32_t x, int32_t y) {
    std::vector<uint8_t> d{0, 0, 0, 0};  // object 0, shown, abstract
    PutU32Be(d, uint32_t(x));
    PutU32Be(d, uint32_t(y));
    PutChunk(out, "DEFI", d);
}

void PutJhdr(std::vector<uint8_t>& out, uint32_t width, uint32_t height, bool progressive) {
    std::vector<uint8_t> d;
    PutU32Be(d, width);
    PutU32Be(d, height);
    // colour, 8-bit samples, JPEG (Huffman), interlace, then no alpha channel
    const uint8_t rest[8] = {10, 8, 8, uint8_t(progressive ? 8 : 0), 0, 0, 0, 0};
    d.insert(d.end(), rest, rest + 8);
    PutChunk(out, "JHDR", d);
}

std::string StorableKeyword(std::string_view key) {
    constexpr size_t kMaxKeywordBytes = 79;
    key = key.substr(0, key.find('\0'));
    if (key.size() <= kMaxKeywordBytes) return std::string(key);
    size_t end = kMaxKeywordBytes;
    if (IsStrictUtf8(key)) {
        while (end > 0 && (uint8_t(key[end]) & 0xC0) == 0x80) --end;
    } else {
        // Older files' keys are code page 932: never keep a lead byte without its trail.
        size_t at = 0;
        while (at < end) {
            const size_t step = IsCp932LeadByte(uint8_t(key[at])) ? 2 : 1;
            if (at + step > end) break;
            at += step;
        }
        end = at;
    }
    return std::string(key.substr(0, end));
}

bool PutText(std::vector<uint8_t>& out, const TextKey& key) {
    const std::string keyword = StorableKeyword(key.key);
    if (keyword.empty()) return true;
    const std::span<const uint8_t> text(reinterpret_cast<const uint8_t*>(key.text.data()),
                                        key.text.size());
    std::vector<uint8_t> d(keyword.begin(), keyword.end());
    d.push_back(0);
    if (IsCompressible(text)) {
        d.push_back(0);  // compression method: deflate
        if (!Deflate(text, d)) return false;
        PutChunk(out, "zTXt", d);
    } else {
        d.insert(d.end(), text.begin(), text.end());
        PutChunk(out, "tEXt", d);
    }
    return true;
}

}  // namespace kivo
