#include "doc/bmp.h"

#include <cstring>
#include <new>
#include <unordered_map>

#include "doc/byte_reader.h"
#include "doc/color_count.h"
#include "doc/dib.h"
#include "platform/safe_save.h"

namespace kivo {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kMaxBmpFileSize = size_t(1) << 31;

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// RLE8 into bottom-up 8-bit rows. Runs and literals that leave a row are cut at
// the row's end; a position past the last row ends the bitmap; data that ends
// early leaves the remaining pixels at index 0. Nothing is ever written outside
// the bitmap, and every step consumes input, so decoding ends.
void DecodeRle8(ByteReader in, uint8_t* rows, uint32_t width, uint32_t height) {
    const size_t stride = DibRowBytes(width, 8);
    uint32_t x = 0, y = 0;
    auto put = [&](uint8_t v) {
        if (x < width && y < height) rows[size_t(y) * stride + x] = v;
        ++x;
    };
    while (y < height && in.remaining() >= 2) {
        uint8_t n = in.u8(), v = in.u8();
        if (n > 0) {
            for (int i = 0; i < n; ++i) put(v);
        } else if (v == 0) {
            x = 0;
            ++y;
        } else if (v == 1) {
            return;
        } else if (v == 2) {
            if (in.remaining() < 2) return;
            x += in.u8();
            y += in.u8();
        } else {
            auto literal = in.bytes(v);
            if (!in.ok()) return;
            for (uint8_t b : literal) put(b);
            if (v & 1) in.skip(1);
        }
    }
}

Dib Parse(std::span<const uint8_t> file, BmpFault& fault) {
    ByteReader r(file);
    if (r.u8() != 'B' || r.u8() != 'M') return {};
    r.skip(8);
    const uint32_t pixelOffset = r.u32le();
    const uint32_t headerSize = r.u32le();
    if (!r.ok() || headerSize < kCoreHeaderSize || (headerSize > 12 && headerSize < 16)) return {};
    if (!r.seek(kFileHeaderSize)) return {};
    ByteReader header = r.sub(headerSize);
    if (!r.ok()) return {};

    const bool core = headerSize == kCoreHeaderSize;
    int64_t width, height;
    uint16_t bits;
    uint32_t compression = kBiRgb, colorsUsed = 0;
    header.skip(4);
    if (core) {
        width = header.u16le();
        height = header.u16le();
        header.skip(2);
        bits = header.u16le();
    } else {
        width = int32_t(header.u32le());
        height = int32_t(header.u32le());
        header.skip(2);
        bits = header.u16le();
        if (headerSize >= 20) compression = header.u32le();
        if (headerSize >= 36) {
            header.seek(32);
            colorsUsed = header.u32le();
        }
    }
    // Top-down files store their rows top row first; they are read and turned
    // into the usual bottom-up layout rather than shown upside down.
    const bool topDown = height < 0;
    if (topDown) height = -height;
    // Sizes the 16-bit fields cannot carry would be silently truncated: refuse.
    if (width < 0 || width > 0xFFFF || height > 0xFFFF) return {};
    if (width == 0 || height == 0) {
        fault = BmpFault::kNoPixels;
        return {};
    }
    if (size_t(width) * size_t(height) > MaxImagePixels) return {};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return {};
    const bool rle8 = compression == kBiRle8;
    const bool bitFields = compression == kBiBitFields && (bits == 16 || bits == 32);
    if (!(compression == kBiRgb || (rle8 && bits == 8 && !topDown) || bitFields)) return {};

    // Bit-field masks (red, green, blue): inside a header long enough to hold
    // them, else right after it, where they push any colour table back.
    r.seek(kFileHeaderSize + headerSize);
    uint8_t masks[12] = {};
    if (bitFields) {
        std::span<const uint8_t> m =
            headerSize >= 52 ? file.subspan(kFileHeaderSize + 40, 12) : r.bytes(12);
        if (!r.ok()) return {};
        std::memcpy(masks, m.data(), 12);
    }
    // Colour table as the header announces it.
    const size_t entrySize = core ? 3 : 4;
    size_t tableCount = colorsUsed ? colorsUsed : (bits <= 8 ? size_t(1) << bits : 0);
    if (bits <= 8 && tableCount > 256) return {};
    if (tableCount > 256) tableCount = 0;  // a table no pixel can index is irrelevant
    std::span<const uint8_t> table = r.bytes(tableCount * entrySize);
    if (!r.ok()) return {};
    if (bitFields) tableCount = 0;  // passed over: the masks stand in its place

    // Pixels start at the file header's offset when it points past the headers
    // and into the file; otherwise they follow the colour table directly.
    size_t dataStart = r.pos();
    if (pixelOffset >= kFileHeaderSize + headerSize && pixelOffset < file.size())
        dataStart = pixelOffset;

    // Build the DIB with a normalised header: the core header as is, any
    // information header as exactly 40 bytes (longer ones only add colour-space
    // data the engine does not use).
    const size_t outHeader = core ? kCoreHeaderSize : kInfoHeaderSize;
    const size_t tableBytes = bitFields ? 12 : tableCount * entrySize;
    const size_t rowBytes = DibRowBytes(uint32_t(width), bits);
    const size_t imageSize = rowBytes * size_t(height);
    Dib dib;
    try {
        dib.assign(outHeader + tableBytes + imageSize, 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::memcpy(dib.data(), file.data() + kFileHeaderSize, std::min<size_t>(headerSize, outHeader));
    Put32(dib.data(), uint32_t(outHeader));
    uint8_t* out = dib.data() + outHeader;
    if (bitFields) std::memcpy(out, masks, 12);
    else if (!table.empty()) std::memcpy(out, table.data(), table.size());
    uint8_t* pixels = out + tableBytes;

    if (!core) {
        Put32(dib.data() + 8, uint32_t(height));
        Put32(dib.data() + 16, compression);
        Put32(dib.data() + 20, uint32_t(imageSize));
        Put32(dib.data() + 32, uint32_t(tableCount));
    }

    if (rle8) {
        DecodeRle8(ByteReader(file.subspan(dataStart)), pixels, uint32_t(width), uint32_t(height));
        Put32(dib.data() + 16, kBiRgb);
        return dib;
    }
    if (file.size() - dataStart < imageSize) return {};
    const uint8_t* src = file.data() + dataStart;
    if (topDown) {
        for (size_t y = 0; y < size_t(height); ++y)
            std::memcpy(pixels + (size_t(height) - 1 - y) * rowBytes, src + y * rowBytes, rowBytes);
    } else if (imageSize) {
        std::memcpy(pixels, src, imageSize);
    }
    return dib;
}

}  // namespace

Dib ParseBmp(std::span<const uint8_t> file, BmpFault* fault) {
    BmpFault why = BmpFault::kUnreadable;
    Dib dib = Parse(file, why);
    if (fault) *fault = dib.empty() ? why : BmpFault::kNone;
    return dib;
}

Dib ReadBmp(const std::string& path, BmpFault* fault) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, kMaxBmpFileSize)) {
        if (fault) *fault = BmpFault::kUnreadable;
        return {};
    }
    return ParseBmp({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, fault);
}

bool EncodeBmp(std::span<const uint8_t> dib, std::string& out) {
    try {
        Dib rgb = DibTo24(dib);
        if (rgb.empty()) return false;
        const uint32_t w = DibWidth(rgb), h = DibHeight(rgb);
        const uint8_t* rows = DibPixels(rgb);
        const size_t srcRow = DibRowBytes(w, 24);
        PaletteCount pc = CountColorsPalette(rows, int(w), int(h));

        out.clear();
        auto put32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i) out.push_back(char(v >> (8 * i)));
        };
        auto put16 = [&](uint16_t v) {
            out.push_back(char(v));
            out.push_back(char(v >> 8));
        };
        if (pc.kind == 257) {
            out += "BM";
            put32(uint32_t(rgb.size() + 14));
            put32(0);
            put32(uint32_t(DibFileOffset(rgb)));
            out.append(reinterpret_cast<const char*>(rgb.data()), rgb.size());
            return true;
        }
        const uint16_t bits = pc.kind == 2 ? 1 : pc.kind == 16 ? 4 : 8;
        const uint32_t entries = 1u << bits;
        const size_t rowBytes = DibRowBytes(w, bits);
        const uint32_t offset = 54 + 4 * entries;
        out.reserve(offset + rowBytes * h);
        out += "BM";
        put32(uint32_t(offset + rowBytes * h));
        put32(0);
        put32(offset);
        put32(40);
        put32(w);
        put32(h);
        put16(1);
        put16(bits);
        put32(0);
        put32(uint32_t(rowBytes * h));
        put32(kDibResolution);
        put32(kDibResolution);
        put32(entries);
        put32(0);
        std::unordered_map<uint32_t, uint8_t> index;
        for (uint32_t i = 0; i < entries; ++i) {
            uint32_t c = i < pc.colors.size() ? pc.colors[i] : 0;
            if (i < pc.colors.size()) index.emplace(c, uint8_t(i));
            out.push_back(char(c >> 16));  // blue
            out.push_back(char(c >> 8));   // green
            out.push_back(char(c));        // red
            out.push_back(0);
        }
        std::string row(rowBytes, '\0');
        for (uint32_t y = 0; y < h; ++y) {
            std::fill(row.begin(), row.end(), '\0');
            const uint8_t* s = rows + y * srcRow;
            for (uint32_t x = 0; x < w; ++x) {
                uint32_t c = uint32_t(s[3 * x + 2]) | uint32_t(s[3 * x + 1]) << 8 |
                             uint32_t(s[3 * x]) << 16;
                uint8_t i = index.at(c);
                if (bits == 8) row[x] = char(i);
                else if (bits == 4) row[x / 2] = char(uint8_t(row[x / 2]) | i << (x % 2 ? 0 : 4));
                else row[x / 8] = char(uint8_t(row[x / 8]) | i << (7 - x % 8));
            }
            out += row;
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool WriteBmp(const std::string& path, std::span<const uint8_t> dib, bool overwrite) {
    if (!overwrite && FileExists(path)) return true;
    std::string bytes;
    if (!EncodeBmp(dib, bytes)) return false;
    SafeFile file;
    if (!file.Open(path)) return false;
    file.Write(bytes.data(), bytes.size());
    return file.Commit();
}

}  // namespace kivo
