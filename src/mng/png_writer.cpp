#include "mng/png_writer.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>

#include "color/write_options.h"
#include "doc/dib.h"
#include "mng/compressibility.h"
#include "platform/safe_save.h"

namespace kivo {

namespace {

constexpr char kNoContext[] = "no memory!";
constexpr char kOpenFailed[] = "file write open error!";
constexpr char kInitProblem[] = "libpng initialization problem (longjmp)";
constexpr char kNoHandles[] = "insufficient memory";
constexpr char kNoImageMemory[] = "insufficient memory for image data";
constexpr char kImageProblem[] = "libpng problem (longjmp) while writing image data";
constexpr char kNoRowMemory[] = "insufficient memory for row data";
constexpr char kRowProblem[] = "libpng problem (longjmp) while writing row";
constexpr char kFinalProblem[] = "error on final libpng call";

uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; }

struct WriteContext {
    OwnerWindow owner = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t>* out = nullptr;
    bool outOfMemory = false;

    const PngImage* image = nullptr;
    std::unordered_map<uint32_t, uint8_t> lookup;  // palette colour -> first index
    png_color plte[256] = {};
    png_byte alpha[256] = {};
    std::vector<png_text> texts;
    std::vector<uint8_t> rows;           // one row, or the whole image when interlaced
    std::vector<png_bytep> rowPointers;  // interlaced only

    ~WriteContext() {
        if (png) png_destroy_write_struct(&png, &info);
    }
};

void OnError(png_structp png, png_const_charp text) {
    auto* c = static_cast<WriteContext*>(png_get_error_ptr(png));
    char message[320];
    std::snprintf(message, sizeof message, "libpng error: %s\n", text);
    ShowError(c->owner, message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnWrite(png_structp png, png_bytep data, png_size_t size) {
    auto* c = static_cast<WriteContext*>(png_get_io_ptr(png));
    try {
        c->out->insert(c->out->end(), data, data + size);
    } catch (const std::bad_alloc&) {
        c->outOfMemory = true;
    }
    if (c->outOfMemory) png_error(png, "insufficient memory");
}

void OnFlush(png_structp) {}

// A keyword libpng would reject outright (nothing printable in it) would fail the
// whole image; such a key is left out instead.
bool UsableKeyword(const std::string& key) {
    for (unsigned char ch : key)
        if ((ch > 32 && ch < 127) || ch >= 161) return true;
    return false;
}

// Pixel row y (top first) in the form libpng expects before packing.
void ProduceRow(const WriteContext& c, uint32_t y, uint8_t* row) {
    const PngImage& im = *c.image;
    if (im.indexPlane) {
        std::memcpy(row, im.indexPlane + size_t(y) * im.width, im.width);
        return;
    }
    const uint8_t* in = DibPixels(*im.dib) + size_t(im.height - 1 - y) * DibRowBytes(im.width, 24);
    switch (im.kind) {
    case kPngRgb:
        for (uint32_t x = 0; x < im.width; ++x, in += 3) {
            *row++ = in[2];
            *row++ = in[1];
            *row++ = in[0];
        }
        break;
    case kPngGrey8:
        for (uint32_t x = 0; x < im.width; ++x, in += 3) *row++ = in[0];
        break;
    default: {
        uint32_t lastColor = 0xFFFFFFFF;
        uint8_t lastIndex = 0;
        for (uint32_t x = 0; x < im.width; ++x, in += 3) {
            const uint32_t color = Pack(in[2], in[1], in[0]);
            if (color != lastColor) {
                auto it = c.lookup.find(color);
                lastIndex = it == c.lookup.end() ? 0 : it->second;
                lastColor = color;
            }
            *row++ = lastIndex;
        }
    }
    }
}

int BitDepth(PngKind kind) {
    switch (kind) {
    case kPngPalette1: return 1;
    case kPngPalette2: return 2;
    case kPngPalette4: return 4;
    default: return 8;
    }
}

size_t RowBytes(const PngImage& im) { return size_t(im.width) * (im.kind == kPngRgb ? 3 : 1); }

// Everything before the image data. Palette, alpha table and texts were prepared
// in the context, which outlives this call.
bool WriteHeader(WriteContext& c) {
    if (setjmp(png_jmpbuf(c.png))) return false;
    const PngImage& im = *c.image;
    png_set_write_fn(c.png, &c, OnWrite, OnFlush);
    png_set_compression_level(c.png, 9);
    const int colorType = im.kind == kPngRgb     ? PNG_COLOR_TYPE_RGB
                          : im.kind == kPngGrey8 ? PNG_COLOR_TYPE_GRAY
                                                 : PNG_COLOR_TYPE_PALETTE;
    png_set_IHDR(c.png, c.info, im.width, im.height, BitDepth(im.kind), colorType,
                 im.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const size_t paletteSize = std::min<size_t>(im.palette.size(), 256);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(c.png, c.info, c.plte, int(paletteSize));
    if (im.hasTransparency) {
        if (colorType == PNG_COLOR_TYPE_PALETTE) {
            // The alpha table ends at the transparent entry; none matching, no tRNS.
            for (size_t i = 0; i < paletteSize; ++i) {
                if (im.palette[i] == im.transparent) {
                    png_set_tRNS(c.png, c.info, c.alpha, int(i + 1), nullptr);
                    break;
                }
            }
        } else {
            png_color_16 colour{};
            colour.red = im.transparent.r;
            colour.green = im.transparent.g;
            colour.blue = im.transparent.b;
            colour.gray = im.transparent.r;
            png_set_tRNS(c.png, c.info, nullptr, 0, &colour);
        }
    }
    if (!c.texts.empty()) png_set_text(c.png, c.info, c.texts.data(), int(c.texts.size()));
    png_write_info(c.png, c.info);
    png_set_packing(c.png);
    return true;
}

bool WriteRows(WriteContext& c) {
    if (setjmp(png_jmpbuf(c.png))) return false;
    for (uint32_t y = 0; y < c.image->height; ++y) {
        ProduceRow(c, y, c.rows.data());
        png_write_row(c.png, c.rows.data());
    }
    return true;
}

bool WriteImage(WriteContext& c) {
    if (setjmp(png_jmpbuf(c.png))) return false;
    png_write_image(c.png, c.rowPointers.data());
    return true;
}

bool WriteEnd(WriteContext& c) {
    if (setjmp(png_jmpbuf(c.png))) return false;
    png_write_end(c.png, c.info);
    return true;
}

// Prepares palette, alpha table, look-up and texts: everything that allocates,
// so that the libpng phases allocate nothing of ours.
void Prepare(WriteContext& c) {
    const PngImage& im = *c.image;
    const size_t paletteSize = std::min<size_t>(im.palette.size(), 256);
    for (size_t i = 0; i < paletteSize; ++i) {
        const Rgb p = im.palette[i];
        c.plte[i] = png_color{p.r, p.g, p.b};
        c.alpha[i] = 255;
        c.lookup.try_emplace(Pack(p.r, p.g, p.b), uint8_t(i));
    }
    // Transparency belongs to a colour: the first entry holding it gets alpha 0.
    if (im.hasTransparency) {
        for (size_t i = 0; i < paletteSize; ++i) {
            if (im.palette[i] == im.transparent) {
                c.alpha[i] = 0;
                break;
            }
        }
    }
    if (im.texts) {
        for (const TextKey& key : *im.texts) {
            if (!UsableKeyword(key.key)) continue;
            png_text t{};
            t.key = const_cast<char*>(key.key.c_str());
            t.text = const_cast<char*>(key.text.c_str());
            t.text_length = key.text.size();
            const auto* bytes = reinterpret_cast<const uint8_t*>(key.text.data());
            t.compression = IsCompressible({bytes, key.text.size()}) ? PNG_TEXT_COMPRESSION_zTXt
                                                                     : PNG_TEXT_COMPRESSION_NONE;
            c.texts.push_back(t);
        }
    }
}

// Rewrites the finished datastream for use inside an MNG: the PLTE emptied, the
// tRNS dropped. libpng has no switch for either, and the chunk layout is fixed.
void ReshapeChunks(std::vector<uint8_t>& out, size_t start, const PngStreamForm& form) {
    if (!form.emptyPlte && !form.suppressTrns) return;
    std::vector<uint8_t> shaped(out.begin(), out.begin() + std::ptrdiff_t(start));
    size_t pos = start;
    while (pos + 12 <= out.size()) {
        const uint32_t length = uint32_t(out[pos]) << 24 | uint32_t(out[pos + 1]) << 16 |
                                uint32_t(out[pos + 2]) << 8 | out[pos + 3];
        const size_t total = 12 + size_t(length);
        const uint8_t* type = &out[pos + 4];
        if (form.emptyPlte && std::memcmp(type, "PLTE", 4) == 0) {
            const uint32_t crc = uint32_t(crc32(0, type, 4));
            const uint8_t empty[12] = {0, 0, 0, 0, 'P', 'L', 'T', 'E', uint8_t(crc >> 24),
                                       uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)};
            shaped.insert(shaped.end(), empty, empty + 12);
        } else if (!(form.suppressTrns && std::memcmp(type, "tRNS", 4) == 0)) {
            shaped.insert(shaped.end(), out.begin() + std::ptrdiff_t(pos),
                          out.begin() + std::ptrdiff_t(pos + total));
        }
        pos += total;
    }
    out.swap(shaped);
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

bool EncodePng(OwnerWindow owner, const PngImage& image, const PngStreamForm& form,
               std::vector<uint8_t>& out) {
    std::unique_ptr<WriteContext> c(new (std::nothrow) WriteContext);
    if (!c) {
        ShowError(owner, kNoContext);
        return false;
    }
    c->owner = owner;
    c->image = &image;
    c->out = &out;
    const size_t start = out.size();
    try {
        Prepare(*c);
    } catch (const std::bad_alloc&) {
        ShowError(owner, kNoContext);
        return false;
    }
    c->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, c.get(), OnError, OnWarning);
    if (c->png) c->info = png_create_info_struct(c->png);
    if (!c->png || !c->info) {
        ShowError(owner, kNoHandles);
        return false;
    }
    // libpng then treats the signature as written already.
    if (!form.signature) png_set_sig_bytes(c->png, 8);
    if (!WriteHeader(*c)) {
        ShowError(owner, kInitProblem);
        return false;
    }
    const size_t rowBytes = RowBytes(image);
    if (image.interlace) {
        try {
            c->rows.resize(rowBytes * image.height);
            c->rowPointers.resize(image.height);
        } catch (const std::bad_alloc&) {
            ShowError(owner, kNoImageMemory);
            return false;
        }
        for (uint32_t y = 0; y < image.height; ++y) {
            c->rowPointers[y] = c->rows.data() + size_t(y) * rowBytes;
            ProduceRow(*c, y, c->rowPointers[y]);
        }
        if (!WriteImage(*c)) {
            ShowError(owner, kImageProblem);
            return false;
        }
    } else {
        try {
            c->rows.resize(rowBytes);
        } catch (const std::bad_alloc&) {
            ShowError(owner, kNoRowMemory);
            return false;
        }
        if (!WriteRows(*c)) {
            ShowError(owner, kRowProblem);
            return false;
        }
    }
    if (!WriteEnd(*c)) {
        ShowError(owner, kFinalProblem);
        return false;
    }
    try {
        ReshapeChunks(out, start + (form.signature ? 8 : 0), form);
    } catch (const std::bad_alloc&) {
        ShowError(owner, kNoHandles);
        return false;
    }
    return true;
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

bool WritePngFile(OwnerWindow owner, const std::string& path, const Frame& frame, bool overwrite) {
    if (!overwrite && FileExists(path)) return true;
    if (frame.dib.empty()) return false;
    const uint32_t width = DibWidth(frame.dib), height = DibHeight(frame.dib);
    std::vector<uint8_t> bytes;
    try {
        PngImage image;
        image.width = width;
        image.height = height;
        image.dib = &frame.dib;
        image.interlace = Interlace != 0;
        image.texts = &frame.textKeys;
        if (KeepPngPalette && !frame.pngIndexPixels.empty() && !frame.pngPalette.empty() &&
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
        if (!EncodePng(owner, image, PngStreamForm{}, bytes)) return false;
    } catch (const std::bad_alloc&) {
        ShowError(owner, kNoContext);
        return false;
    }
    SafeFile file;
    if (!file.Open(path)) {
        ShowError(owner, kOpenFailed);
        return false;
    }
    if (!file.Write(bytes) || !file.Commit()) {
        ShowError(owner, kOpenFailed);
        return false;
    }
    return true;
}

}  // namespace kivo
