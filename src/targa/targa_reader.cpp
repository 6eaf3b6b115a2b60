#include "targa/targa_reader.h"

#include <algorithm>
#include <array>
#include <limits>
#include <new>

#include "doc/alpha_key.h"
#include "doc/byte_reader.h"
#include "doc/dib.h"
#include "platform/safe_save.h"

namespace kivo {

namespace {

// The largest picture a frame can hold (4 bytes a pixel, run-length packets that
// cost more than the pixels, identification field and colour map) stays far
// below this; anything larger is not a Targa file worth reading into memory.
constexpr size_t kMaxTargaFileSize = size_t(1) << 31;

// How one stored pixel becomes blue, green, red.
enum class PixelKind { kGrey, kGreyAlpha, kMapped, kRgb16, kRgb24 };

struct TargaHeader {
    uint8_t idLength = 0;
    uint8_t mapType = 0;
    uint16_t mapFirst = 0, mapLength = 0;
    uint8_t mapEntryBits = 0;
    uint16_t width = 0, height = 0;
    unsigned pixelBytes = 0;
    bool runLength = false;
    PixelKind kind = PixelKind::kGrey;
    bool fromTop = false;     // descriptor bit 5: the first stored row is the top one
    bool fromRight = false;   // descriptor bit 4: rows are stored right to left
};

// The fixed 18 bytes, and whether we read that kind of image at all.
TargaError ParseHeader(ByteReader& in, TargaHeader& h) {
    h.idLength = in.u8();
    h.mapType = in.u8();
    unsigned type = in.u8();
    h.mapFirst = in.u16le();
    h.mapLength = in.u16le();
    h.mapEntryBits = in.u8();
    in.skip(4);  // x and y origin: a placement on some screen, not ours
    h.width = in.u16le();
    h.height = in.u16le();
    unsigned bits = in.u8();
    const unsigned descriptor = in.u8();
    if (!in.ok()) return TargaError::kFault;

    if (bits == 15) bits = 16;  // 5-5-5 pixels are stored in two bytes either way
    h.pixelBytes = bits / 8;
    if (h.mapType > 1 || h.pixelBytes < 1 || h.pixelBytes > 4 || bits % 8 != 0 ||
        (descriptor & 0xC0) != 0)
        return TargaError::kFault;

    h.runLength = type > 8;
    if (h.runLength) type -= 8;
    switch (type) {
    case 1:
        if (h.pixelBytes != 1 || h.mapType != 1) return TargaError::kFault;
        h.kind = PixelKind::kMapped;
        break;
    case 2:
        if (h.pixelBytes == 1) return TargaError::kFault;
        h.kind = h.pixelBytes == 2 ? PixelKind::kRgb16 : PixelKind::kRgb24;
        break;
    case 3:
        if (h.pixelBytes > 2) return TargaError::kFault;
        h.kind = h.pixelBytes == 2 ? PixelKind::kGreyAlpha : PixelKind::kGrey;
        break;
    default:
        return TargaError::kFault;
    }
    // A picture without pixels cannot be a frame.
    if (h.width == 0 || h.height == 0) return TargaError::kFault;
    h.fromTop = (descriptor & 0x20) != 0;
    h.fromRight = (descriptor & 0x10) != 0;
    return TargaError::kNone;
}

// True when the bytes left can possibly describe every pixel. A run-length packet
// covers at most 128 pixels with a header byte and one pixel, so a small file
// cannot claim a huge picture and make us allocate it.
bool EnoughPixelData(const ByteReader& in, const TargaHeader& h) {
    const size_t pixels = size_t(h.width) * h.height;
    const size_t needed = h.runLength ? (pixels + 127) / 128 * (1 + h.pixelBytes)
                                      : pixels * h.pixelBytes;
    return in.remaining() >= needed;
}

// Hands out the stored pixels one by one. Run-length packets may run on across
// row ends, so their counters live here rather than in the row loop.
class PixelSource {
public:
    PixelSource(ByteReader& in, const TargaHeader& h)
        : in_(in), size_(h.pixelBytes), runLength_(h.runLength) {}

    // The next pixel's bytes, or nullptr once the data has ended.
    const uint8_t* Next() {
        if (runLength_) {
            if (repeatsLeft_ > 0) {
                --repeatsLeft_;
                return current_;
            }
            if (literalsLeft_ > 0) {
                --literalsLeft_;
            } else {
                const uint8_t packet = in_.u8();
                if (!in_.ok()) return nullptr;
                if (packet & 0x80) repeatsLeft_ = packet & 0x7F;
                else literalsLeft_ = packet & 0x7F;
            }
        }
        auto bytes = in_.bytes(size_);
        current_ = bytes.empty() ? nullptr : bytes.data();
        return current_;
    }

private:
    ByteReader& in_;
    const unsigned size_;
    const bool runLength_;
    unsigned literalsLeft_ = 0, repeatsLeft_ = 0;
    const uint8_t* current_ = nullptr;
};

// 5-bit channel to 8 bits: 0, 8, 16, 25 ... 247, 255.
constexpr std::array<uint8_t, 32> kExpand5 = [] {
    std::array<uint8_t, 32> t{};
    for (unsigned v = 0; v < 32; ++v) t[v] = uint8_t((v * 255 + 15) / 31);
    return t;
}();

// Colour map as blue, green, red triples. All 256 entries exist and start black,
// so an index past a short map needs no test and reads black.
using ColorMap = std::array<uint8_t, 256 * 3>;

// Maps of 15/16-bit entries (the classic 8-bit samples use them), 24 and 32 bits,
// starting at any entry index, are all read: refusing them would turn valid files
// away. Entries an 8-bit pixel cannot reach are skipped.
TargaError ReadColorMap(ByteReader& in, const TargaHeader& h, ColorMap& map) {
    map.fill(0);
    if (h.mapLength == 0) return h.mapType == 0 ? TargaError::kNone : TargaError::kFault;
    const unsigned bits = h.mapEntryBits;
    if (bits != 15 && bits != 16 && bits != 24 && bits != 32) return TargaError::kFault;
    const size_t entryBytes = (bits + 7) / 8;
    // A short map is reported with the pixel data, as a read past the end.
    auto entries = in.bytes(size_t(h.mapLength) * entryBytes);
    const size_t count = entries.size() / entryBytes;
    for (size_t i = 0; i < count && h.mapFirst + i < 256; ++i) {
        const uint8_t* e = entries.data() + i * entryBytes;
        uint8_t* out = map.data() + 3 * (h.mapFirst + i);
        if (entryBytes == 2) {
            const unsigned t = e[0] | e[1] << 8;
            out[0] = kExpand5[t & 31];
            out[1] = kExpand5[(t >> 5) & 31];
            out[2] = kExpand5[(t >> 10) & 31];
        } else {
            out[0] = e[0];
            out[1] = e[1];
            out[2] = e[2];
        }
    }
    return TargaError::kNone;
}

// Stores the colour and returns the pixel's alpha (255 where the kind has none).
uint8_t StorePixel(const uint8_t* p, PixelKind kind, unsigned pixelBytes, const ColorMap& map, uint8_t* bgr) {
    switch (kind) {
    case PixelKind::kGrey:
        bgr[0] = bgr[1] = bgr[2] = p[0];
        break;
    case PixelKind::kGreyAlpha:
        bgr[0] = bgr[1] = bgr[2] = p[0];
        return p[1];
    case PixelKind::kMapped:
        bgr[0] = map[3 * p[0]];
        bgr[1] = map[3 * p[0] + 1];
        bgr[2] = map[3 * p[0] + 2];
        break;
    case PixelKind::kRgb16: {
        // The top bit (attribute or alpha) has no place in a 24-bit picture.
        const unsigned t = p[0] | p[1] << 8;
        bgr[0] = kExpand5[t & 31];
        bgr[1] = kExpand5[(t >> 5) & 31];
        bgr[2] = kExpand5[(t >> 10) & 31];
        break;
    }
    case PixelKind::kRgb24:
        bgr[0] = p[0];
        bgr[1] = p[1];
        bgr[2] = p[2];
        if (pixelBytes == 4) return p[3];
        break;
    }
    return 255;
}

// Fills the DIB's rows. Most files store the bottom row first, as a DIB does;
// the descriptor says when they start at the top (or at the right) instead.
// Alpha, where the pixels carry it, goes to `alpha` in the DIB's row order.
TargaError ReadPixels(ByteReader& in, const TargaHeader& h, const ColorMap& map, Dib& dib,
                      std::vector<uint8_t>& alpha) {
    PixelSource source(in, h);
    const size_t stride = DibRowBytes(h.width, 24);
    uint8_t* const bits = DibPixels(dib);
    for (size_t i = 0; i < h.height; ++i) {
        const size_t dibRow = h.fromTop ? h.height - 1 - i : i;
        uint8_t* row = bits + dibRow * stride;
        uint8_t* alphaRow = alpha.empty() ? nullptr : alpha.data() + dibRow * h.width;
        for (size_t x = 0; x < h.width; ++x) {
            const uint8_t* p = source.Next();
            // A file that ends inside the picture is damaged: refuse it rather
            // than pass off made-up pixels as the image.
            if (!p) return TargaError::kTruncated;
            const size_t column = h.fromRight ? h.width - 1 - x : x;
            const uint8_t a = StorePixel(p, h.kind, h.pixelBytes, map, row + 3 * column);
            if (alphaRow) alphaRow[column] = a;
        }
    }
    return TargaError::kNone;
}

bool FitsFrame(uint32_t side) {
    return side <= uint32_t(std::numeric_limits<decltype(Frame::width)>::max());
}

TargaError Decode(std::span<const uint8_t> bytes, Frame& frame) {
    ByteReader in(bytes);
    TargaHeader h;
    if (TargaError e = ParseHeader(in, h); e != TargaError::kNone) return e;
    in.skip(h.idLength);
    ColorMap map;
    if (TargaError e = ReadColorMap(in, h, map); e != TargaError::kNone) return e;
    if (!in.ok() || !EnoughPixelData(in, h)) return TargaError::kTruncated;

    // Sizes the frame record cannot hold are refused like any picture too large
    // for memory.
    if (!FitsFrame(h.width) || !FitsFrame(h.height)) return TargaError::kMemory;
    Dib dib = MakeDib24(h.width, h.height);
    if (dib.empty()) return TargaError::kMemory;
    std::vector<uint8_t> alpha;
    if (h.kind == PixelKind::kGreyAlpha || (h.kind == PixelKind::kRgb24 && h.pixelBytes == 4))
        alpha.assign(size_t(h.width) * h.height, 0);
    if (TargaError e = ReadPixels(in, h, map, dib, alpha); e != TargaError::kNone) return e;
    // Many writers leave the alpha bytes 0 throughout, meaning "no alpha": a
    // picture that would vanish entirely keeps its colours instead.
    const bool alphaUsed = std::any_of(alpha.begin(), alpha.end(), [](uint8_t a) { return a != 0; });
    Rgb key;
    const bool keyed = alphaUsed && KeyOutAlpha(dib, alpha, &key);

    frame.dib = std::move(dib);
    if (keyed) {
        frame.hasTransparency = 1;
        frame.transparentRgb = key;
    }
    frame.width = decltype(Frame::width)(h.width);
    frame.height = decltype(Frame::height)(h.height);
    return TargaError::kNone;
}

}  // namespace

const char* TargaMessage(TargaError error) {
    switch (error) {
    case TargaError::kCannotOpen: return "File Open Error";
    case TargaError::kFault: return "read fault!";
    case TargaError::kMemory: return "memory error!";
    case TargaError::kTruncated: return "read error!";
    case TargaError::kNone: break;
    }
    return "";
}

TargaError ReadTargaBytes(std::span<const uint8_t> bytes, Frame& frame) {
    try {
        return Decode(bytes, frame);
    } catch (const std::bad_alloc&) {
        return TargaError::kMemory;
    }
}

TargaError ReadTarga(const std::string& path, Frame& frame) {
    std::string file;
    if (!ReadWholeFile(path, file, kMaxTargaFileSize)) return TargaError::kCannotOpen;
    return ReadTargaBytes({reinterpret_cast<const uint8_t*>(file.data()), file.size()}, frame);
}

namespace {

bool Shown(OwnerWindow owner, TargaError error) {
    if (error == TargaError::kNone) return true;
    ShowError(owner, TargaMessage(error));
    return false;
}

}  // namespace

bool ReadTargaBytes(OwnerWindow owner, std::span<const uint8_t> bytes, Frame& frame) {
    return Shown(owner, ReadTargaBytes(bytes, frame));
}

bool ReadTarga(OwnerWindow owner, const std::string& path, Frame& frame) {
    return Shown(owner, ReadTarga(path, frame));
}

}  // namespace kivo
