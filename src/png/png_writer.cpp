#include "png/png_writer.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>

#include "options/write_options.h"
#include "doc/dib.h"
#include "png/chunk_writer.h"
#include "png/png_scanlines.h"
#include "platform/safe_save.h"

namespace kivo {

namespace {

constexpr uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// A chunk's length is a 31-bit number; image data beyond that goes on in
// further IDAT chunks. Below it a frame's data is one IDAT, which saves libpng's
// 12 bytes every 8 KiB and changes nothing for a reader.
constexpr size_t kMaxChunkData = 0x7FFFFFFF;

uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; }

int BitDepth(PngKind kind) {
    switch (kind) {
    case kPngPalette1: return 1;
    case kPngPalette2: return 2;
    case kPngPalette4: return 4;
    default: return 8;
    }
}

bool IsPaletteKind(PngKind kind) { return kind != kPngRgb && kind != kPngGrey8; }

uint8_t ColorType(PngKind kind) { return kind == kPngRgb ? 2 : kind == kPngGrey8 ? 0 : 3; }

size_t PaletteSize(const PngImage& im) { return std::min<size_t>(im.palette.size(), 256); }

// Saving at level 9 is the program's rule; libdeflate's level 9 gives smaller
// data than zlib's in about a third of the time. Each thread that compresses
// frames keeps one compressor for all of them.
libdeflate_compressor* ThreadCompressor() {
    struct Owned {
        libdeflate_compressor* compressor = nullptr;
        ~Owned() { libdeflate_free_compressor(compressor); }
    };
    thread_local Owned owned;
    if (!owned.compressor) owned.compressor = libdeflate_alloc_compressor(9);
    return owned.compressor;
}

// Pixel row y (top first), one byte a sample.
class RowSource {
public:
    explicit RowSource(const PngImage& image) : im_(image) {
        if (im_.indexPlane || !IsPaletteKind(im_.kind)) return;
        for (size_t i = 0; i < PaletteSize(im_); ++i) {
            const Rgb p = im_.palette[i];
            lookup_.try_emplace(Pack(p.r, p.g, p.b), uint8_t(i));
        }
    }

    void operator()(uint32_t y, uint8_t* row) const {
        if (im_.indexPlane) {
            std::memcpy(row, im_.indexPlane + size_t(y) * im_.width, im_.width);
            return;
        }
        const uint8_t* in = DibPixels(*im_.dib) + size_t(im_.height - 1 - y) * DibRowBytes(im_.width, 24);
        switch (im_.kind) {
        case kPngRgb:
            for (uint32_t x = 0; x < im_.width; ++x, in += 3) {
                *row++ = in[2];
                *row++ = in[1];
                *row++ = in[0];
            }
            break;
        case kPngGrey8:
            for (uint32_t x = 0; x < im_.width; ++x, in += 3) *row++ = in[0];
            break;
        default: {
            // A colour not in the palette gives index 0.
            uint32_t lastColor = 0xFFFFFFFF;
            uint8_t lastIndex = 0;
            for (uint32_t x = 0; x < im_.width; ++x, in += 3) {
                const uint32_t color = Pack(in[2], in[1], in[0]);
                if (color != lastColor) {
                    auto it = lookup_.find(color);
                    lastIndex = it == lookup_.end() ? 0 : it->second;
                    lastColor = color;
                }
                *row++ = lastIndex;
            }
        }
        }
    }

private:
    const PngImage& im_;
    std::unordered_map<uint32_t, uint8_t> lookup_;  // palette colour -> first index
};

PngWriteError CheckImage(const PngImage& im) {
    if (im.width == 0 || im.height == 0 || im.width > 0x7FFFFFFF || im.height > 0x7FFFFFFF)
        return PngWriteError::kBadHeader;
    if (IsPaletteKind(im.kind) && (im.palette.empty() || PaletteSize(im) > (1u << BitDepth(im.kind))))
        return PngWriteError::kBadPalette;
    return PngWriteError::kNone;
}

void PutIhdr(std::vector<uint8_t>& out, const PngImage& im) {
    std::vector<uint8_t> d;
    PutU32Be(d, im.width);
    PutU32Be(d, im.height);
    // depth, colour type, compression 0 (deflate), filter method 0, interlace
    const uint8_t rest[5] = {uint8_t(BitDepth(im.kind)), ColorType(im.kind), 0, 0, uint8_t(im.interlace ? 1 : 0)};
    d.insert(d.end(), rest, rest + 5);
    PutChunk(out, "IHDR", d);
}

void PutPlte(std::vector<uint8_t>& out, const PngImage& im, const PngStreamForm& form) {
    std::vector<uint8_t> d;
    if (!form.emptyPlte) {
        for (size_t i = 0; i < PaletteSize(im); ++i) {
            const Rgb p = im.palette[i];
            d.insert(d.end(), {p.r, p.g, p.b});
        }
    }
    PutChunk(out, "PLTE", d);
}

// Transparency belongs to a colour. In a palette the alpha table ends at the
// first entry holding it, which alone gets alpha 0; no entry holding it, no
// tRNS. Greyscale and RGB name the colour in 16-bit samples.
void PutTrns(std::vector<uint8_t>& out, const PngImage& im) {
    const Rgb t = im.transparent;
    if (!IsPaletteKind(im.kind)) {
        const std::vector<uint8_t> d = im.kind == kPngGrey8 ? std::vector<uint8_t>{0, t.r}
                                                            : std::vector<uint8_t>{0, t.r, 0, t.g, 0, t.b};
        PutChunk(out, "tRNS", d);
        return;
    }
    for (size_t i = 0; i < PaletteSize(im); ++i) {
        if (im.palette[i] == t) {
            std::vector<uint8_t> alpha(i + 1, 255);
            alpha[i] = 0;
            PutChunk(out, "tRNS", alpha);
            return;
        }
    }
}

// Texts as libpng wrote them, up to their first zero byte, zTXt when deflate
// makes them smaller; keywords as every text chunk of ours stores them.
bool PutTexts(std::vector<uint8_t>& out, const TextKeyList& texts) {
    for (const TextKey& key : texts) {
        if (!PutText(out, TextKey{key.key, key.text.substr(0, key.text.find('\0'))})) return false;
    }
    return true;
}

// The filtered rows, deflated into IDAT chunks.
PngWriteError PutImageData(const PngImage& im, std::vector<uint8_t>& out) {
    ScanlineLayout layout;
    layout.width = im.width;
    layout.height = im.height;
    layout.bitDepth = BitDepth(im.kind);
    layout.channels = im.kind == kPngRgb ? 3 : 1;
    layout.interlace = im.interlace;
    layout.adaptiveFilters = !IsPaletteKind(im.kind);
    const size_t rawSize = ScanlineBytes(layout);
    if (rawSize == 0) return PngWriteError::kBadHeader;
    libdeflate_compressor* compressor = ThreadCompressor();
    if (!compressor) return PngWriteError::kNoHandles;
    const size_t bound = libdeflate_zlib_compress_bound(compressor, rawSize);
    auto raw = std::make_unique_for_overwrite<uint8_t[]>(rawSize);
    auto packed = std::make_unique_for_overwrite<uint8_t[]>(bound);
    BuildScanlines(layout, RowSource(im), raw.get());
    const size_t size = libdeflate_zlib_compress(compressor, raw.get(), rawSize, packed.get(), bound);
    raw.reset();
    if (size == 0) return PngWriteError::kDeflate;
    out.reserve(out.size() + size + 12 * (size / kMaxChunkData + 1) + 12);
    for (size_t done = 0; done < size;) {
        const size_t n = std::min(size - done, kMaxChunkData);
        PutChunk(out, "IDAT", {packed.get() + done, n});
        done += n;
    }
    return PngWriteError::kNone;
}

}  // namespace

PngKind PngKindForColorCount(size_t count) {
    if (count <= 2) return kPngPalette1;
    if (count <= 4) return kPngPalette2;
    if (count <= 16) return kPngPalette4;
    return kPngPalette8;
}

PngKind PngKindForMngPalette(size_t size) {
    if (size == 2) return kPngPalette1;
    if (size <= 4) return kPngPalette2;
    if (size <= 16) return kPngPalette4;
    return kPngPalette8;
}

const char* PngWriteMessage(PngWriteError error) {
    switch (error) {
    case PngWriteError::kNoContext: return "no memory!";
    case PngWriteError::kOpenFailed: return "file write open error!";
    case PngWriteError::kNoHandles: return "insufficient memory";
    case PngWriteError::kNoImageMemory: return "insufficient memory for image data";
    case PngWriteError::kBadHeader: return "PNG error: image width or height is zero or too large";
    case PngWriteError::kBadPalette: return "PNG error: invalid number of colors in palette";
    case PngWriteError::kDeflate: return "PNG error: compressing the image data failed";
    case PngWriteError::kNoPicture:
    case PngWriteError::kNone: break;
    }
    return "";
}

PngWriteError EncodePng(const PngImage& image, const PngStreamForm& form, std::vector<uint8_t>& out) {
    if (PngWriteError e = CheckImage(image); e != PngWriteError::kNone) return e;
    const size_t start = out.size();
    PngWriteError error = PngWriteError::kNone;
    try {
        if (form.signature) out.insert(out.end(), std::begin(kPngSignature), std::end(kPngSignature));
        PutIhdr(out, image);
        if (IsPaletteKind(image.kind)) PutPlte(out, image, form);
        if (image.hasTransparency && !form.suppressTrns) PutTrns(out, image);
        if (image.texts && !PutTexts(out, *image.texts)) error = PngWriteError::kNoContext;
        else error = PutImageData(image, out);
        if (error == PngWriteError::kNone) PutChunk(out, "IEND", {});
    } catch (const std::bad_alloc&) {
        error = PngWriteError::kNoImageMemory;
    }
    if (error != PngWriteError::kNone) out.resize(start);
    return error;
}

namespace {

bool Shown(OwnerWindow owner, PngWriteError error) {
    if (error == PngWriteError::kNone) return true;
    if (const char* message = PngWriteMessage(error); *message) ShowError(owner, message);
    return false;
}

}  // namespace

bool EncodePng(OwnerWindow owner, const PngImage& image, const PngStreamForm& form,
               std::vector<uint8_t>& out) {
    return Shown(owner, EncodePng(image, form, out));
}

namespace {

// The colours of a picture, up to 256 in order of first appearance; false when
// there are more.
bool CollectColors(const Dib& dib, uint32_t width, uint32_t height, Palette& colors) {
    std::unordered_map<uint32_t, uint8_t> seen;
    const size_t stride = DibRowBytes(width, 24);
    const uint8_t* bits = DibPixels(dib);
    uint32_t last = 0xFFFFFFFF;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* p = bits + size_t(height - 1 - y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += 3) {
            const uint32_t color = Pack(p[2], p[1], p[0]);
            if (color == last) continue;
            last = color;
            if (seen.count(color)) continue;
            if (colors.size() == 256) return false;
            seen.emplace(color, uint8_t(colors.size()));
            colors.push_back(Rgb{p[2], p[1], p[0]});
        }
    }
    return true;
}

bool AllGrey(const Palette& colors) {
    for (const Rgb& c : colors)
        if (c.r != c.g || c.g != c.b) return false;
    return true;
}

}  // namespace

PngWriteError WritePngFile(const std::string& path, const Frame& frame, bool overwrite,
                           const WriteOptions& options) {
    if (!overwrite && FileExists(path)) return PngWriteError::kNone;
    if (frame.dib.empty()) return PngWriteError::kNoPicture;
    const uint32_t width = DibWidth(frame.dib), height = DibHeight(frame.dib);
    std::vector<uint8_t> bytes;
    try {
        PngImage image;
        image.width = width;
        image.height = height;
        image.dib = &frame.dib;
        image.interlace = options.Interlace != 0;
        image.texts = &frame.textKeys;
        if (options.KeepPngPalette && !frame.pngIndexPixels.empty() && !frame.pngPalette.empty() &&
            frame.pngIndexPixels.size() == size_t(width) * height) {
            image.palette = frame.pngPalette;
            image.palette.resize(std::min<size_t>(image.palette.size(), 256));
            const size_t n = image.palette.size();
            image.kind = n > 16 ? kPngPalette8 : n < 3 ? kPngPalette1 : n <= 4 ? kPngPalette2 : kPngPalette4;
            image.indexPlane = frame.pngIndexPixels.data();
        } else if (!CollectColors(frame.dib, width, height, image.palette)) {
            image.kind = kPngRgb;
            image.palette.clear();
        } else if (image.palette.size() == 256 && AllGrey(image.palette)) {
            image.kind = kPngGrey8;
            image.palette.clear();
        } else {
            image.kind = PngKindForColorCount(image.palette.size());
        }
        // The frame's transparent colour as the file's: the palette entry of
        // that colour (none when it does not occur), or the colour key of a
        // full-colour picture. A grey key only names a colour when the key is
        // grey; any other could not occur there and would hit a grey pixel.
        const Rgb key = frame.transparentRgb;
        image.hasTransparency =
            frame.hasTransparency && (image.kind != kPngGrey8 || (key.r == key.g && key.g == key.b));
        image.transparent = key;
        if (PngWriteError e = EncodePng(image, PngStreamForm{}, bytes); e != PngWriteError::kNone) return e;
    } catch (const std::bad_alloc&) {
        return PngWriteError::kNoContext;
    }
    SafeFile file;
    if (!file.Open(path) || !file.Write(bytes) || !file.Commit()) return PngWriteError::kOpenFailed;
    return PngWriteError::kNone;
}

bool WritePngFile(OwnerWindow owner, const std::string& path, const Frame& frame, bool overwrite,
                  const WriteOptions& options) {
    return Shown(owner, WritePngFile(path, frame, overwrite, options));
}

}  // namespace kivo
