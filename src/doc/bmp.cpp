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

// Run-length data (RLE8, RLE4 or the 24-bit kind some OS/2 programs write) into
// bottom-up rows of the same depth. Runs and literals that leave a row are cut
// at the row's end; a position past the last row ends the bitmap; data that
// ends early leaves the remaining pixels at 0. Nothing is ever written outside
// the bitmap, and every step consumes input, so decoding ends.
void DecodeRle(ByteReader in, uint8_t* rows, uint32_t width, uint32_t height, unsigned bits) {
    const size_t stride = DibRowBytes(width, bits);
    const size_t pixelBytes = bits == 24 ? 3 : 1;
    uint32_t x = 0, y = 0;
    auto put = [&](const uint8_t* v) {
        if (x < width && y < height) {
            uint8_t* row = rows + size_t(y) * stride;
            if (bits == 4) {
                const unsigned shift = x % 2 ? 0 : 4;
                row[x / 2] = uint8_t((row[x / 2] & ~(0x0F << shift)) | (v[0] & 0x0F) << shift);
            } else {
                std::memcpy(row + x * pixelBytes, v, pixelBytes);
            }
        }
        ++x;
    };
    while (y < height && in.remaining() >= 2) {
        const uint8_t n = in.u8();
        if (n > 0) {
            // A run repeats one pixel; RLE4 alternates the two nibbles of its byte.
            uint8_t v[3] = {in.u8(), 0, 0};
            if (bits == 24) {
                auto rest = in.bytes(2);
                if (!in.ok()) return;
                v[1] = rest[0];
                v[2] = rest[1];
            }
            for (int i = 0; i < n; ++i) {
                if (bits == 4) {
                    const uint8_t nibble = uint8_t(i % 2 ? v[0] & 0x0F : v[0] >> 4);
                    put(&nibble);
                } else {
                    put(v);
                }
            }
            continue;
        }
        const uint8_t v = in.u8();
        if (v == 0) {
            x = 0;
            ++y;
        } else if (v == 1) {
            return;
        } else if (v == 2) {
            if (in.remaining() < 2) return;
            x += in.u8();
            y += in.u8();
        } else {
            // Literal pixels, padded to a whole number of 16-bit words.
            const size_t length = bits == 4 ? (v + 1) / 2 : size_t(v) * pixelBytes;
            auto literal = in.bytes(length);
            if (!in.ok()) return;
            for (size_t i = 0; i < v; ++i) {
                if (bits == 4) {
                    const uint8_t b = literal[i / 2];
                    const uint8_t nibble = uint8_t(i % 2 ? b & 0x0F : b >> 4);
                    put(&nibble);
                } else {
                    put(literal.data() + i * pixelBytes);
                }
            }
            if (length & 1) in.skip(1);
        }
    }
}

// 2-bit rows into 4-bit ones, which every DIB reader knows.
void WidenTwoBitRows(const uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride,
                     uint32_t width, uint32_t height, bool topDown) {
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* s = src + size_t(topDown ? height - 1 - y : y) * srcStride;
        uint8_t* d = dst + size_t(y) * dstStride;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t index = (s[x / 4] >> (6 - 2 * (x % 4))) & 3;
            d[x / 2] = uint8_t(d[x / 2] | index << (x % 2 ? 0 : 4));
        }
    }
}

uint32_t Le32At(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The alpha of every pixel of a 16- or 32-bit DIB (bottom row first), scaled to
// 0-255 as a colour channel is.
std::vector<uint8_t> AlphaPlane(const uint8_t* pixels, uint32_t width, uint32_t height, unsigned bits,
                                uint32_t mask) {
    std::vector<uint8_t> alpha(size_t(width) * height);
    const size_t stride = DibRowBytes(width, bits);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* s = pixels + size_t(y) * stride;
        uint8_t* a = alpha.data() + size_t(y) * width;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t p = bits == 32 ? Le32At(s + 4 * x) : uint32_t(s[2 * x] | s[2 * x + 1] << 8);
            a[x] = uint8_t(uint64_t(p & mask) * 255 / mask);
        }
    }
    return alpha;
}

Dib Parse(std::span<const uint8_t> file, BmpFault& fault, std::vector<uint8_t>* alpha) {
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
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return {};
    const bool rle = (compression == kBiRle8 && bits == 8) || (compression == kBiRle4 && bits == 4) ||
                     (compression == kBiRle24 && bits == 24);
    const bool alphaFields = compression == kBiAlphaBitFields;
    const bool bitFields = (compression == kBiBitFields || alphaFields) && (bits == 16 || bits == 32);
    if (!(compression == kBiRgb || (rle && !topDown) || bitFields)) return {};

    // Bit-field masks (red, green, blue, then alpha where there is one): inside
    // a header long enough to hold them, else right after it, where they push
    // any colour table back.
    r.seek(kFileHeaderSize + headerSize);
    uint8_t masks[12] = {};
    uint32_t alphaMask = 0;
    if (bitFields) {
        const size_t maskCount = alphaFields ? 4 : 3;
        std::span<const uint8_t> m = headerSize >= 40 + 4 * maskCount
                                         ? file.subspan(kFileHeaderSize + 40, 4 * maskCount)
                                         : r.bytes(4 * maskCount);
        if (!r.ok()) return {};
        std::memcpy(masks, m.data(), 12);
        if (alphaFields) alphaMask = Le32At(m.data() + 12);
        else if (headerSize >= 56) alphaMask = Le32At(file.data() + kFileHeaderSize + 52);
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
    // data the engine does not use). 2-bit rows are widened to 4 bits.
    const unsigned outBits = bits == 2 ? 4 : bits;
    const size_t outHeader = core ? kCoreHeaderSize : kInfoHeaderSize;
    // A core header has no colours-used field: a widened 2-bit table is padded
    // to the 16 entries its 4 bits imply.
    const size_t outTableCount = core && bits == 2 ? 16 : tableCount;
    const size_t tableBytes = bitFields ? 12 : outTableCount * entrySize;
    const size_t rowBytes = DibRowBytes(uint32_t(width), outBits);
    const size_t imageSize = rowBytes * size_t(height);
    const size_t fileRowBytes = DibRowBytes(uint32_t(width), bits);
    const size_t fileImageSize = fileRowBytes * size_t(height);
    if (!rle && file.size() - dataStart < fileImageSize) return {};
    Dib dib;
    try {
        dib.assign(outHeader + tableBytes + imageSize, 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::memcpy(dib.data(), file.data() + kFileHeaderSize, std::min<size_t>(headerSize, outHeader));
    Put32(dib.data(), uint32_t(outHeader));
    dib[core ? 10 : 14] = uint8_t(outBits);
    uint8_t* out = dib.data() + outHeader;
    if (bitFields) std::memcpy(out, masks, 12);
    else if (!table.empty()) std::memcpy(out, table.data(), table.size());
    uint8_t* pixels = out + tableBytes;

    if (!core) {
        Put32(dib.data() + 8, uint32_t(height));
        Put32(dib.data() + 16, rle ? kBiRgb : bitFields ? kBiBitFields : compression);
        Put32(dib.data() + 20, uint32_t(imageSize));
        Put32(dib.data() + 32, uint32_t(tableCount));
    }

    const uint8_t* src = file.data() + dataStart;
    if (rle) {
        DecodeRle(ByteReader(file.subspan(dataStart)), pixels, uint32_t(width), uint32_t(height), bits);
    } else if (bits == 2) {
        WidenTwoBitRows(src, fileRowBytes, pixels, rowBytes, uint32_t(width), uint32_t(height), topDown);
    } else if (topDown) {
        for (size_t y = 0; y < size_t(height); ++y)
            std::memcpy(pixels + (size_t(height) - 1 - y) * rowBytes, src + y * rowBytes, rowBytes);
    } else if (imageSize) {
        std::memcpy(pixels, src, imageSize);
    }
    if (alpha) {
        alpha->clear();
        if (alphaMask != 0) {
            *alpha = AlphaPlane(pixels, uint32_t(width), uint32_t(height), bits, alphaMask);
        } else if (bits == 32 && !bitFields) {
            // A plain 32-bit file's fourth byte is alpha only when some pixel
            // uses it: many programs leave it 0 throughout, meaning "unused".
            std::vector<uint8_t> plane =
                AlphaPlane(pixels, uint32_t(width), uint32_t(height), 32, 0xFF000000u);
            for (uint8_t v : plane)
                if (v != 0) {
                    *alpha = std::move(plane);
                    break;
                }
        }
    }
    return dib;
}

}  // namespace

Dib ParseBmp(std::span<const uint8_t> file, BmpFault* fault, std::vector<uint8_t>* alpha) {
    BmpFault why = BmpFault::kUnreadable;
    Dib dib;
    try {
        dib = Parse(file, why, alpha);
    } catch (const std::bad_alloc&) {
        dib.clear();
    }
    if (dib.empty() && alpha) alpha->clear();
    if (fault) *fault = dib.empty() ? why : BmpFault::kNone;
    return dib;
}

Dib ReadBmp(const std::string& path, BmpFault* fault, std::vector<uint8_t>* alpha) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, kMaxBmpFileSize)) {
        if (fault) *fault = BmpFault::kUnreadable;
        return {};
    }
    return ParseBmp({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, fault, alpha);
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
